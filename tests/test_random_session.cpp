#include "tester/hex_text.h"
#include "tester_fixture.h"
#include "dialog_layer/state_button.h"

#include <QRandomGenerator>
#include <algorithm>

class TestRandomSession : public QObject
{
    Q_OBJECT
private slots:
    // Thousands of random clicks, typed texts and polls: after every step the
    // device holds the tester's bytes and the window shows them by the rules.
    void randomClicksTypingAndPollsStayInStep()
    {
        const quint32 seed = QRandomGenerator::global()->generate();
        QRandomGenerator random(seed);
        TesterFixture t;
        CPinTesterDlg &dlg = t.Dlg();
        t.Connect(t.DevicePath());
        t.Click(IDC_POLL_ONCE);
        const QString keys = QStringLiteral("0123456789abcdefABCDEFgz ");
        auto randomText = [&](int maxLength) {
            QString text;
            for (int i = random.bounded(maxLength + 1); i > 0; --i)
                text += keys[random.bounded(keys.size())];
            return text;
        };
        auto value = [&](int field) {
            QString text = t.Text(field);
            bool shortened = false;
            return ParseHexText(text, shortened);
        };
        auto deviceFollows = [&] {
            const DeviceModel model = t.Device().Model();
            return std::equal(model.direction.begin(), model.direction.end(), dlg.m_portDir)
                && std::equal(model.latch.begin(), model.latch.end(), dlg.m_portOut);
        };

        for (int step = 0; step < 3000 && !QTest::currentTestFailed(); ++step) {
            const int P = random.bounded(3), n = random.bounded(8);
            const int field = random.bounded(2) ? IDC_DIRHEX_A + P : IDC_OUTHEX_A + P;
            const int action = random.bounded(5);
            if (action == 0) {
                t.Click(DirectionButtonId(P, n));
            } else if (action == 1) {
                t.Click(StateButtonId(P, n));
            } else if (action == 2) {
                t.TypeOver(field, randomText(3));
            } else if (action == 3) {
                QTest::keyClicks(dlg.GetDlgItem(field), randomText(1));
            } else {
                for (int port = 0; port < 3; ++port)
                    t.Device().SetInputs(port, static_cast<std::uint8_t>(random.bounded(256)));
                t.PollOnce();
                for (int port = 0; port < 3; ++port)
                    QCOMPARE(dlg.m_portIn[port], t.Device().Model().Levels(port));
            }
            QVERIFY(QTest::qWaitFor(deviceFollows, 1000));
            for (int port = 0; port < 3; ++port) {
                QCOMPARE(value(IDC_DIRHEX_A + port), dlg.m_portDir[port]);
                QCOMPARE(value(IDC_OUTHEX_A + port), dlg.m_portOut[port]);
                QCOMPARE(t.Text(IDC_INHEX_A + port), UpperCased(FormatHex(dlg.m_portIn[port])));
                for (int pin = 0; pin < 8; ++pin) {
                    QCOMPARE(t.Text(DirectionButtonId(port, pin)), dlg.DirectionCaption(port, pin));
                    QCOMPARE(t.Text(StateButtonId(port, pin)), dlg.StateCaption(port, pin));
                    const auto look = qobject_cast<StateButton *>(dlg.GetDlgItem(StateButtonId(port, pin)))->look();
                    const auto rule = (dlg.m_portDir[port] >> pin) & 1 ? StateButton::Look::Flat : StateButton::Look::Heavy;
                    QVERIFY(look == StateButton::Look::Sunken || look == rule);
                }
            }
            if (QTest::currentTestFailed())
                qWarning("out of step at step %d (seed %u)", step, seed);
        }
    }
};

QTEST_MAIN(TestRandomSession)
#include "test_random_session.moc"
