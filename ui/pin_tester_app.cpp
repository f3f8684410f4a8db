#include "ui/pin_tester_app.h"

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
    return QStringLiteral("KORVANE Pin Tester %1\n%2\n\n"
                          "Type the serial port into \"Com Port:\" (a COM number, or a device such as "
                          "/dev/ttyUSB0) and click Connect.\n"
                          "Click a pin's I/O button to make it an input or an output, click its state "
                          "button to drive it high or low, or type whole port bytes in hexadecimal.\n"
                          "\"Poll Once\" reads the pins; \"Continous\" reads them every 100 ms.")
        .arg(applicationVersion(), QString::fromLatin1(version::kFileDescription));
}

void CPinTesterApp::OnHelp()
{
    QMessageBox::information(activeWindow(), QStringLiteral("KORVANE Pin Tester"), HelpText());
}
