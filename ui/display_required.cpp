#include "ui/display_required.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {

struct HeldMessage
{
    QtMsgType type;
    QByteArray category;
    QString text;
};

std::vector<HeldMessage> g_held;
QtMessageHandler g_previousHandler = nullptr;

// Qt reports a window system it cannot reach as a fatal message and then aborts.
void HoldOrEnd(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtFatalMsg) {
        std::fputs("korvane-pin-tester: no display could be opened; the tester needs a graphical session "
                   "(korvane-sim works without one).\n",
                   stderr);
        std::_Exit(EXIT_FAILURE);
    }
    g_held.push_back({type, context.category, text});
}

} // namespace

DisplayRequired::DisplayRequired()
{
    g_previousHandler = qInstallMessageHandler(HoldOrEnd);
}

DisplayRequired::~DisplayRequired()
{
    qInstallMessageHandler(g_previousHandler);
    for (const HeldMessage &message : std::exchange(g_held, {})) {
        const QMessageLogContext context(nullptr, 0, nullptr, message.category.constData());
        qt_message_output(message.type, context, message.text);
    }
}
