#include "tools/cli/port_settings.h"

#include <QRegularExpression>

namespace {

const QRegularExpression kPortSetting(QStringLiteral("^([ABC])\\.(dir|out)=([0-9A-F]{1,2})$"),
                                      QRegularExpression::CaseInsensitiveOption);
const QRegularExpression kPinSetting(QStringLiteral("^([ABC])([0-7])=(in|out|0|1)$"),
                                     QRegularExpression::CaseInsensitiveOption);
const QRegularExpression kPortReading(QStringLiteral("^([ABC])=([0-9A-F]{1,2})$"),
                                      QRegularExpression::CaseInsensitiveOption);
const QRegularExpression kPinReading(QStringLiteral("^([ABC])([0-7])=([01])$"),
                                     QRegularExpression::CaseInsensitiveOption);

PortIndex PortOfLetter(QStringView letter)
{
    return letter.front().toUpper().unicode() - u'A';
}

std::uint8_t HexByte(QStringView digits)
{
    return static_cast<std::uint8_t>(digits.toUInt(nullptr, 16));
}

void SetBit(std::uint8_t &byte, int n, bool on)
{
    byte = static_cast<std::uint8_t>(on ? byte | (1 << n) : byte & ~(1 << n));
}

} // namespace

int ApplySetting(const QString &text, PortBytes &dir, PortBytes &out)
{
    if (const QRegularExpressionMatch port = kPortSetting.match(text); port.hasMatch()) {
        const PortIndex P = PortOfLetter(port.capturedView(1));
        const bool directions = port.capturedView(2).compare(u"dir", Qt::CaseInsensitive) == 0;
        (directions ? dir : out)[P] = HexByte(port.capturedView(3));
        return directions ? kDirections : kOutputs;
    }
    const QRegularExpressionMatch pin = kPinSetting.match(text);
    if (!pin.hasMatch())
        return kNoSetting;
    const PortIndex P = PortOfLetter(pin.capturedView(1));
    const int n = pin.capturedView(2).toInt();
    const QString what = pin.captured(3).toLower();
    SetBit(dir[P], n, what == u"in");
    if (what == u"in" || what == u"out")
        return kDirections;
    SetBit(out[P], n, what == u"1");
    return kDirections | kOutputs;
}

std::optional<Expectation> ParseExpectation(const QString &text)
{
    if (const QRegularExpressionMatch port = kPortReading.match(text); port.hasMatch())
        return Expectation{PortOfLetter(port.capturedView(1)), 0xFF, HexByte(port.capturedView(2))};
    const QRegularExpressionMatch pin = kPinReading.match(text);
    if (!pin.hasMatch())
        return std::nullopt;
    const auto mask = static_cast<std::uint8_t>(1 << pin.capturedView(2).toInt());
    return Expectation{PortOfLetter(pin.capturedView(1)), mask, pin.capturedView(3) == u"1" ? mask : std::uint8_t(0)};
}

std::optional<PortIndex> ParsePort(const QString &text)
{
    if (text.size() != 1 || PortOfLetter(text) < 0 || PortOfLetter(text) >= kPortCount)
        return std::nullopt;
    return PortOfLetter(text);
}

QString PortName(PortIndex P)
{
    return QString(QChar(u'A' + P));
}

QString PinName(int pin)
{
    return PortName(pin / kPinsPerPort) + QString::number(pin % kPinsPerPort);
}

QString Hex(std::uint8_t value)
{
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

QString Binary(std::uint8_t value)
{
    return QStringLiteral("%1").arg(value, 8, 2, QLatin1Char('0'));
}
