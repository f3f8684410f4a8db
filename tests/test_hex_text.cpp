#include "tester/hex_text.h"
#include "tester/pin_tester.h"

#include <QTest>

class TestHexText : public QObject
{
    Q_OBJECT
private slots:
    void digitsAndFormatting()
    {
        QString digits;
        for (char32_t c : {U'0', U'9', U'A', U'F', U'a', U'f', U'G', U'/', U':', U'@', U'\u00E9', U'\uFF10', U'\U0001D7CE', U'\U00010041'})
            digits += QString::number(HexDigitValue(c)) + ' ';
        QCOMPARE(digits, QStringLiteral("0 9 10 15 0 0 0 0 0 0 0 0 0 0 "));
        QString formatted;
        for (int value : {0, 0x05, 10, 0xA0, 0xFF})
            formatted += FormatHex(static_cast<std::uint8_t>(value)) + ' ';
        QCOMPARE(formatted, QStringLiteral("0 5 a a0 ff "));
    }

    void parsing_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("shortened");
        QTest::newRow("empty") << "" << "" << 0 << false;
        QTest::newRow("lower f") << "f" << "F" << 15 << false;
        QTest::newRow("0F") << "0F" << "0F" << 15 << false;
        QTest::newRow("G stays") << "G" << "G" << 0 << false;
        QTest::newRow("F then G") << "FG" << "FG" << 0xF0 << false;
        QTest::newRow("digit typed in front is lost") << "312" << "12" << 0x12 << true;
        QTest::newRow("four digits") << "abcd" << "CD" << 0xCD << true;
        // A character outside the Basic Multilingual Plane counts as one.
        const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
        QTest::newRow("emoji then 5") << emoji + "5" << emoji + "5" << 0x05 << false;
        QTest::newRow("cut never splits an emoji") << "12" + emoji << "2" + emoji << 0x20 << true;
        QTest::newRow("emoji cut away") << emoji + emoji + "a" << emoji + "A" << 0x0A << true;
        // U+FEFF is a character like any other that is not a digit, in front too.
        const QString bom(QChar(0xFEFF));
        QTest::newRow("byte order mark alone") << bom << bom << 0 << false;
        QTest::newRow("byte order mark then f") << bom + "f" << bom + "F" << 0x0F << false;
        QTest::newRow("byte order mark before two digits") << bom + "12" << "12" << 0x12 << true;
        QTest::newRow("two byte order marks") << bom + bom << bom + bom << 0 << false;
    }

    void parsing()
    {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        QFETCH(int, value);
        QFETCH(bool, shortened);
        QString text = typed;
        bool cut = !shortened;
        QCOMPARE(ParseHexText(text, cut), value);
        QCOMPARE(text, kept);
        QCOMPARE(cut, shortened);
    }

    // An input shows the level read, an output the level driven; pin 7 first.
    void captionsFollowTheDisplayedStateRule()
    {
        CPinTester tester;
        tester.m_portIn[0] = 0xA5;
        tester.m_portOut[0] = 0x3C;
        for (auto [direction, states, directions] : {std::tuple{0xFF, "10100101", "IIIIIIII"},
                                                     {0x00, "00111100", "OOOOOOOO"},
                                                     {0x0F, "00110101", "OOOOIIII"}}) {
            tester.m_portDir[0] = static_cast<std::uint8_t>(direction);
            QString shownStates, shownDirections;
            for (int n = kPinsPerPort - 1; n >= 0; --n) {
                shownStates += tester.StateCaption(0, n);
                shownDirections += tester.DirectionCaption(0, n);
            }
            QCOMPARE(shownStates, states);
            QCOMPARE(shownDirections, directions);
        }
    }
};

QTEST_GUILESS_MAIN(TestHexText)
#include "test_hex_text.moc"
