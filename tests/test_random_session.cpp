#include "tester/hex_text.h"
#include "tester_fixture.h"
#include "dialog_layer/state_button.h"

#include <QCheckBox>
#include <QRandomGenerator>

namespace {

const int kDirFields[] = {IDC_DIRHEX_A, IDC_DIRHEX_B, IDC_DIRHEX_C};
const int kOutFields[] = {IDC_OUTHEX_A, IDC_OUTHEX_B, IDC_OUTHEX_C};
const int kInFields[] = {IDC_INHEX_A, IDC_INHEX_B, IDC_INHEX_C};

int FieldValue(QString text)
{
    bool shortened = false;
    return ParseHexText(text, shortened);
}

} // namespace

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

        for (int step = 0; step < 3000 && !QTest::currentTestFailed(); ++step) {
            const int P = random.bounded(3);
            const int n = random.bounded(8);
            const int field = random.bounded(2) ? kDirFields[P] : kOutFields[P];
            const int action = random.bounded(50) > 0 ? random.bounded(5) : 5;
            if (action == 0) {
                t.Click(DirectionButtonId(P, n));
            } else if (action == 1) {
                t.Click(StateButtonId(P, n));
            } else if (action == 2) {
                t.TypeOver(field, randomText(3));
            } else if (action == 3) {
                QTest::keyClicks(dlg.GetDlgItem(field), randomText(1));
            } else if (action == 5) {
                TypeWhilePolling(t, field, randomText(2) + keys[random.bounded(keys.size())]);
            } else {
                for (int port = 0; port < 3; ++port)
                    t.Device().SetInputs(port, static_cast<std::uint8_t>(random.bounded(256)));
                t.PollOnce();
                for (int port = 0; port < 3; ++port)
                    QCOMPARE(dlg.m_portIn[port], t.Device().Model().Levels(port));
            }
            for (QDeadlineTimer deadline(1000); !DeviceFollows(t) && !deadline.hasExpired();)
                QTest::qWait(1);
            QVERIFY(DeviceFollows(t));
            VerifyView(t);
            if (QTest::currentTestFailed())
                qWarning("out of step at step %d (seed %u)", step, seed);
        }
    }

private:
    // Selects a field's text, lets at least one poll pass, then types over
    // it: the field shows exactly what the rules make of the typed keys.
    static void TypeWhilePolling(TesterFixture &t, int field, const QString &keys)
    {
        auto *box = qobject_cast<QCheckBox *>(t.Dlg().GetDlgItem(IDC_CONTINUOUS));
        if (!box->isChecked())
            t.Click(IDC_CONTINUOUS);
        QLineEdit *edit = t.Edit(field);
        edit->setFocus();
        QTest::keySequence(edit, QKeySequence::SelectAll);
        QTest::qWait(110);
        for (QChar key : keys) {
            QTest::keyClicks(edit, key);
            QTest::qWait(20);
        }
        QString expected = keys;
        bool shortened = false;
        ParseHexText(expected, shortened);
        QCOMPARE(edit->text(), expected);
        t.Click(IDC_CONTINUOUS);
    }

    static bool DeviceFollows(TesterFixture &t)
    {
        const DeviceModel model = t.Device().Model();
        for (int P = 0; P < 3; ++P) {
            if (model.direction[P] != t.Dlg().m_portDir[P] || model.latch[P] != t.Dlg().m_portOut[P])
                return false;
        }
        return true;
    }

    static void VerifyView(TesterFixture &t)
    {
        CPinTesterDlg &dlg = t.Dlg();
        for (int P = 0; P < 3; ++P) {
            QCOMPARE(FieldValue(t.Text(kDirFields[P])), dlg.m_portDir[P]);
            QCOMPARE(FieldValue(t.Text(kOutFields[P])), dlg.m_portOut[P]);
            QCOMPARE(t.Text(kInFields[P]), UpperCased(FormatHex(dlg.m_portIn[P])));
            for (int n = 0; n < 8; ++n) {
                QCOMPARE(t.Text(DirectionButtonId(P, n)), dlg.DirectionCaption(P, n));
                QCOMPARE(t.Text(StateButtonId(P, n)), dlg.StateCaption(P, n));
                const auto *button = qobject_cast<StateButton *>(dlg.GetDlgItem(StateButtonId(P, n)));
                QVERIFY(button);
                const auto rule = (dlg.m_portDir[P] >> n) & 1 ? StateButton::Look::Flat : StateButton::Look::Heavy;
                QVERIFY(button->look() == StateButton::Look::Sunken || button->look() == rule);
            }
        }
    }
};

QTEST_MAIN(TestRandomSession)
#include "test_random_session.moc"
