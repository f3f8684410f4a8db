#include "tester/hex_text.h"
#include "tester/pin_tester.h"

#include <QTest>

class TestHexText : public QObject
{
    Q_OBJECT
private slots:
    void digitValues()
    {
        QCOMPARE(HexDigitValue(u'0'), 0);
        QCOMPARE(HexDigitValue(u'9'), 9);
        QCOMPARE(HexDigitValue(u'A'), 10);
        QCOMPARE(HexDigitValue(u'F'), 15);
        for (char16_t other : {u'a', u'f', u'G', u' ', u'/', u':', u'@', u'\u00E9', u'\uFF10'})
            QCOMPARE(HexDigitValue(QChar(other)), 0);
    }

    void formatting()
    {
        QCOMPARE(FormatHex(0), QStringLiteral("0"));
        QCOMPARE(FormatHex(0x05), QStringLiteral("5"));
        QCOMPARE(FormatHex(10), QStringLiteral("a"));
        QCOMPARE(FormatHex(0xA0), QStringLiteral("a0"));
        QCOMPARE(FormatHex(0xFF), QStringLiteral("ff"));
    }

    void parsing_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("shortened");
        QTest::newRow("empty makes outputs") << "" << "" << 0 << false;
        QTest::newRow("lower f") << "f" << "F" << 15 << false;
        QTest::newRow("upper F") << "F" << "F" << 15 << false;
        QTest::newRow("0F") << "0F" << "0F" << 15 << false;
        QTest::newRow("single 7 not padded") << "7" << "7" << 7 << false;
        QTest::newRow("G stays") << "G" << "G" << 0 << false;
        QTest::newRow("F then G") << "FG" << "FG" << 0xF0 << false;
        QTest::newRow("two non-digits") << "zz" << "ZZ" << 0 << false;
        QTest::newRow("third digit keeps last two") << "123" << "23" << 0x23 << true;
        QTest::newRow("digit typed in front is lost") << "312" << "12" << 0x12 << true;
        QTest::newRow("four digits") << "1234" << "34" << 0x34 << true;
        QTest::newRow("lower case cut") << "abcd" << "CD" << 0xCD << true;
        QTest::newRow("pair of surrogates is one character") << QString::fromUtf8("1\xF0\x9F\x98\x80") << QString::fromUtf8("1\xF0\x9F\x98\x80") << 0x10 << false;
        QTest::newRow("cut never splits a surrogate pair") << QString::fromUtf8("12\xF0\x9F\x98\x80") << QString::fromUtf8("2\xF0\x9F\x98\x80") << 0x20 << true;
        QTest::newRow("sharp s keeps its length") << QString::fromUtf8("\xC3\x9F") << QString::fromUtf8("\xC3\x9F") << 0 << false;
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

    void displayedStateFollowsDirection()
    {
        CPinTester tester;
        tester.m_portIn[0] = 0xA5;
        tester.m_portOut[0] = 0x3C;
        for (auto [direction, expected] : {std::pair{0xFF, 0xA5}, {0x00, 0x3C}, {0x0F, 0x35}}) {
            tester.m_portDir[0] = static_cast<std::uint8_t>(direction);
            int shown = 0;
            for (int n = 0; n < kPinsPerPort; ++n) {
                shown |= tester.DisplayedState(0, n) << n;
                QCOMPARE(tester.StateCaption(0, n), tester.DisplayedState(0, n) ? "1" : "0");
                QCOMPARE(tester.DirectionCaption(0, n), (direction >> n) & 1 ? "I" : "O");
            }
            QCOMPARE(shown, expected);
        }
    }

    void startValues()
    {
        const CPinTester tester;
        for (PortIndex P = 0; P < kPortCount; ++P) {
            QCOMPARE(tester.m_portDir[P], 0xFF);
            QCOMPARE(tester.m_portIn[P], 0xFF);
            QCOMPARE(tester.m_portOut[P], 0x00);
        }
        QVERIFY(!tester.m_serial.IsOpen());
    }
};

QTEST_GUILESS_MAIN(TestHexText)
#include "test_hex_text.moc"
