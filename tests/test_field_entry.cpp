#include "tester_fixture.h"

#include <QClipboard>
#include <QGuiApplication>

namespace {

QByteArray Hex(const char *text)
{
    return QByteArray::fromHex(text);
}

QLineEdit *Edit(TesterFixture &t, int id)
{
    return qobject_cast<QLineEdit *>(t.Dlg().GetDlgItem(id));
}

} // namespace

// What the user types or pastes is exactly what the field holds and what the
// device receives.
class TestFieldEntry : public QObject
{
    Q_OBJECT
private slots:
    void pollingLeavesTheFieldBeingTypedInAlone()
    {
        TesterFixture t;
        t.Connect(t.DevicePath());
        t.Click(IDC_CONTINUOUS);
        t.Click(DirectionButtonId(0, 7));
        t.Click(StateButtonId(1, 4));
        for (int field : {IDC_DIRHEX_A, IDC_OUTHEX_B}) {
            QLineEdit *edit = Edit(t, field);
            edit->setFocus();
            QTest::keySequence(edit, QKeySequence::SelectAll);
            QTest::qWait(1000);
            QCOMPARE(edit->selectedText().size(), 2);
            t.ClearWire();
            QTest::keyClicks(edit, "0");
            QCOMPARE(edit->text(), QStringLiteral("0"));
            const QByteArray wire = t.Wire(field == IDC_DIRHEX_A ? 9 : 6);
            QVERIFY2(wire.startsWith(field == IDC_DIRHEX_A ? Hex("2141002142ff2143ff") : Hex("410042004300")),
                     wire.toHex().constData());
        }
        QCOMPARE(t.Dlg().m_portDir[0], 0x00);
        QCOMPARE(t.Dlg().m_portOut[1], 0x00);
    }
};

QTEST_MAIN(TestFieldEntry)
#include "test_field_entry.moc"
