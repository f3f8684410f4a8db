#include "tester_fixture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {

// Selects all of the field and pastes the text over it with the keyboard.
void PasteOver(QLineEdit *edit, const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
    edit->setFocus();
    QTest::keySequence(edit, QKeySequence::SelectAll);
    QTest::keySequence(edit, QKeySequence::Paste);
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
            QLineEdit *edit = t.Edit(field);
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
        // A third character keeps the rightmost two, the caret after them.
        QTest::keyClicks(t.Edit(IDC_OUTHEX_B), "12");
        QCOMPARE(t.Text(IDC_OUTHEX_B) + QString::number(t.Edit(IDC_OUTHEX_B)->cursorPosition()), "122");
        QCOMPARE(t.Dlg().m_portOut[1], 0x12);
    }

    void pastedTextKeepsItsFirstLineAndNoControlCharacters()
    {
        TesterFixture t;
        PasteOver(t.Edit(IDC_COMPORT), t.DevicePath() + "\n");
        t.Click(IDC_CONNECT);
        QCOMPARE(t.Text(IDC_STATUS), QStringLiteral("Connection successful."));
        t.Wire(15);
        t.ClearWire();
        PasteOver(t.Edit(IDC_OUTHEX_A), "3C\n");
        QCOMPARE(t.Text(IDC_OUTHEX_A), QStringLiteral("3C"));
        QCOMPARE(t.Wire(6), Hex("413c42004300"));
        t.ClearWire();
        PasteOver(t.Edit(IDC_OUTHEX_B), QStringLiteral("\t1\x7f" "2\r\n9"));
        QCOMPARE(t.Text(IDC_OUTHEX_B), QStringLiteral("12"));
        QCOMPARE(t.Wire(6), Hex("413c42124300"));
        // A dropped text too.
        QLineEdit *outC = t.Edit(IDC_OUTHEX_C);
        outC->clear();
        QMimeData dropped;
        dropped.setText("5\n6");
        QDragEnterEvent enter(QPoint(2, 2), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(outC, &enter);
        QDropEvent drop(QPointF(2, 2), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(outC, &drop);
        QCOMPARE(outC->text(), QStringLiteral("5"));
        // Typed control characters act as keys and never enter the field.
        QTest::sendKeyEvent(QTest::Click, t.Edit(IDC_OUTHEX_B), Qt::Key_unknown, QStringLiteral("\x01"),
                            Qt::NoModifier);
        QCOMPARE(t.Text(IDC_OUTHEX_B), QStringLiteral("12"));
    }

    void undoAndRedoAfterLowerCaseTyping()
    {
        TesterFixture t;
        t.Connect(t.DevicePath());
        QLineEdit *edit = t.Edit(IDC_OUTHEX_C);
        t.TypeOver(IDC_OUTHEX_C, "7");
        QTest::keySequence(edit, QKeySequence::SelectAll);
        t.Wire(15 + 6);
        t.ClearWire();
        QTest::keyClicks(edit, "a");
        QCOMPARE(edit->text(), QStringLiteral("A"));
        QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(edit->text(), QStringLiteral("7"));
        QTest::keyClick(edit, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(edit->text(), QStringLiteral("A"));
        QCOMPARE(t.Wire(18), Hex("41004200430a" "410042004307" "41004200430a"));
        // Lower-case pasted text too.
        PasteOver(edit, "b");
        QCOMPARE(edit->text(), QStringLiteral("B"));
        QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(edit->text(), QStringLiteral("A"));
        QCOMPARE(t.Dlg().m_portOut[2], 0x0A);
    }

    void aCharacterOutsideTheBasicPlaneIsOneCharacter()
    {
        TesterFixture t;
        t.Connect(t.DevicePath());
        t.Wire(15);
        t.ClearWire();
        QLineEdit *edit = t.Edit(IDC_OUTHEX_A);
        edit->setFocus();
        edit->clear();
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString::fromUtf8("\xF0\x9F\x98\x80"),
                            Qt::NoModifier);
        QTest::keyClicks(edit, "5");
        QCOMPARE(t.Wire(12).right(6), Hex("410542004300"));
    }
};

QTEST_MAIN(TestFieldEntry)
#include "test_field_entry.moc"
