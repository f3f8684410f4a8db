#include "tester/hex_text.h"
#include "tester_fixture.h"
#include "ui/frame_look.h"

#include <QDeadlineTimer>
#include <QRandomGenerator>
#include <QTest>

namespace {

constexpr int kSteps = 3000;
const int kDirFields[] = {IDC_DIRHEX_A, IDC_DIRHEX_B, IDC_DIRHEX_C};
const int kOutFields[] = {IDC_OUTHEX_A, IDC_OUTHEX_B, IDC_OUTHEX_C};
const int kInFields[] = {IDC_INHEX_A, IDC_INHEX_B, IDC_INHEX_C};

int FieldValue(const QString &text)
{
    QString copy = text;
    bool shortened = false;
    return ParseHexText(copy, shortened);
}

} // namespace

class TestRandomSession : public QObject
{
    Q_OBJECT
private slots:
    void randomClicksTypingAndPollsStayInStep()
    {
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("seed %u", seed);
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

        for (int step = 0; step < kSteps; ++step) {
            const PortIndex P = random.bounded(3);
            const int n = random.bounded(8);
            switch (random.bounded(6)) {
            case 0:
                t.Click(DirectionButtonId(P, n));
                break;
            case 1:
                t.Click(StateButtonId(P, n));
                break;
            case 2:
                t.TypeOver(kDirFields[P], randomText(3));
                break;
            case 3:
                t.TypeOver(kOutFields[P], randomText(3));
                break;
            case 4:
                QTest::keyClicks(dlg.GetDlgItem(random.bounded(2) ? kDirFields[P] : kOutFields[P]), randomText(1));
                break;
            case 5:
                for (PortIndex port = 0; port < 3; ++port)
                    t.Device().SetInputs(port, static_cast<std::uint8_t>(random.bounded(256)));
                t.Click(IDC_POLL_ONCE);
                for (PortIndex port = 0; port < 3; ++port)
                    QCOMPARE(dlg.m_portIn[port], t.Device().Model().Levels(port));
                break;
            }
            VerifyDeviceFollows(t);
            VerifyView(t);
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(QStringLiteral("out of step at step %1 (seed %2)").arg(step).arg(seed)));
        }
    }

private:
    static void VerifyDeviceFollows(TesterFixture &t)
    {
        CPinTesterDlg &dlg = t.Dlg();
        const DeviceModel::Ports direction{dlg.m_portDir[0], dlg.m_portDir[1], dlg.m_portDir[2]};
        const DeviceModel::Ports latch{dlg.m_portOut[0], dlg.m_portOut[1], dlg.m_portOut[2]};
        const QDeadlineTimer deadline(1000);
        while ((t.Device().Model().direction != direction || t.Device().Model().latch != latch) && !deadline.hasExpired())
            QTest::qWait(1);
        QCOMPARE(t.Device().Model().direction, direction);
        QCOMPARE(t.Device().Model().latch, latch);
    }

    static void VerifyView(TesterFixture &t)
    {
        CPinTesterDlg &dlg = t.Dlg();
        for (PortIndex P = 0; P < 3; ++P) {
            QCOMPARE(FieldValue(t.Text(kDirFields[P])), dlg.m_portDir[P]);
            QCOMPARE(FieldValue(t.Text(kOutFields[P])), dlg.m_portOut[P]);
            QCOMPARE(t.Text(kInFields[P]), UpperCased(FormatHex(dlg.m_portIn[P])));
            for (int n = 0; n < 8; ++n) {
                QCOMPARE(t.Text(DirectionButtonId(P, n)), dlg.DirectionCaption(P, n));
                QCOMPARE(t.Text(StateButtonId(P, n)), dlg.StateCaption(P, n));
                const FrameLook look = GetFrameLook(dlg.GetDlgItem(StateButtonId(P, n)));
                const bool input = (dlg.m_portDir[P] >> n) & 1;
                QVERIFY(look == FrameLook::Sunken || look == (input ? FrameLook::Flat : FrameLook::Heavy));
            }
        }
    }
};

QTEST_MAIN(TestRandomSession)
#include "test_random_session.moc"
