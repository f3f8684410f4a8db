#include "tester/pin_descriptions.h"

#include "res/resource.h"

namespace {

struct FieldRow
{
    int portAId; // the field of port A; B and C follow it
    const char *what;
};

constexpr FieldRow kHexFields[] = {
    {IDC_DIRHEX_A, "directions"},
    {IDC_INHEX_A, "inputs"},
    {IDC_OUTHEX_A, "outputs"},
};

// Built by concatenation: it runs for every redrawn state button at each poll.
QString PinName(PortIndex P, int n)
{
    return QStringLiteral("Port ") + QChar(u'A' + P) + QStringLiteral(" pin ") + QChar(u'0' + n);
}

} // namespace

QString DirectionDescription(PortIndex P, int n, bool input)
{
    return PinName(P, n) + (input ? QStringLiteral(" direction: input") : QStringLiteral(" direction: output"));
}

QString StateDescription(PortIndex P, int n, const QString &caption, bool readsOtherwise)
{
    if (caption != u"0" && caption != u"1")
        return PinName(P, n) + QStringLiteral(" state: not read yet");
    const QString state = PinName(P, n) + QStringLiteral(" state: ") + caption;
    if (!readsOtherwise)
        return state;
    const QString reads = caption == u"1" ? QStringLiteral("0") : QStringLiteral("1");
    return state + QStringLiteral(" (driven %1, reads %2)").arg(caption, reads);
}

QString HexFieldDescription(int controlId)
{
    for (const FieldRow &row : kHexFields) {
        const int P = controlId - row.portAId;
        if (P >= 0 && P < kPortCount)
            return QStringLiteral("Port %1 %2 (hexadecimal)").arg(QChar(u'A' + P)).arg(QLatin1String(row.what));
    }
    return {};
}
