#include "ui/pin_tester_app.h"

#include "res/help_text.h"
#include "res/version.h"
#include "tester/pin_tester_dlg.h"
#include "ui/closing_signals.h"

#include <QMessageBox>
#include <QShortcut>

CPinTesterApp::CPinTesterApp(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QString::fromLatin1(version::kProductName));
    setApplicationVersion(QString::fromLatin1(version::kVersion));
    setDesktopFileName(QStringLiteral("korvane-pin-tester"));
}

bool CPinTesterApp::InitInstance()
{
    CPinTesterDlg dlg;
    QShortcut help(QKeySequence::HelpContents, &dlg);
    connect(&help, &QShortcut::activated, this, &CPinTesterApp::OnHelp);
    const ClosingSignals closingSignals(dlg);
    dlg.DoModal();
    return false;
}

QString CPinTesterApp::HelpText()
{
    return QStringLiteral("KORVANE Pin Tester %1\n%2\n\n%3")
        .arg(applicationVersion(), QString::fromLatin1(version::kFileDescription), QString::fromUtf8(help::kText));
}

void CPinTesterApp::OnHelp()
{
    QMessageBox::information(activeWindow(), QStringLiteral("KORVANE Pin Tester"), HelpText());
}
