#include "tester/pin_descriptions.h"

#include "res/resource.h"

#include <array>

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

QString PinName(PortIndex P, int n)
{
    return QStringLiteral("Port %1 pin %2").arg(QChar(u'A' + P)).arg(n);
}

// The five things a state button can say: not read yet, 0, 1, and driven 0
// or 1 while reading the other level.
enum StateWording { NotRead, Shows0, Shows1, Driven0Reads1, Driven1Reads0, kStateWordings };

using StateTable = std::array<std::array<std::array<QString, kStateWordings>, kPinsPerPort>, kPortCount>;

// Made once: a description is set for every redrawn state button at each poll.
const StateTable &StateDescriptions()
{
    static const StateTable table = [] {
        StateTable words;
        for (PortIndex P = 0; P < kPortCount; ++P) {
            for (int n = 0; n < kPinsPerPort; ++n) {
                const QString state = PinName(P, n) + QStringLiteral(" state: ");
                words[P][n] = {state + QStringLiteral("not read yet"), state + u'0', state + u'1',
                               state + QStringLiteral("0 (driven 0, reads 1)"),
                               state + QStringLiteral("1 (driven 1, reads 0)")};
            }
        }
        return words;
    }();
    return table;
}

} // namespace

QString DirectionDescription(PortIndex P, int n, bool input)
{
    return PinName(P, n) + (input ? QStringLiteral(" direction: input") : QStringLiteral(" direction: output"));
}

QString StateDescription(PortIndex P, int n, const QString &caption, bool readsOtherwise)
{
    StateWording wording = NotRead;
    if (caption == u"0")
        wording = readsOtherwise ? Driven0Reads1 : Shows0;
    else if (caption == u"1")
        wording = readsOtherwise ? Driven1Reads0 : Shows1;
    return StateDescriptions()[P][n][wording];
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
