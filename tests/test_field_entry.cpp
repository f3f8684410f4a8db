#include "tester_fixture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <algorithm>
#include <memory>

namespace {

// Selects all of the field and pastes the text over it with the keyboard.
void PasteOver(QLineEdit *edit, const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
    edit->setFocus();
    QTest::keySequence(edit, QKeySequence::SelectAll);
    QTest::keySequence(edit, QKeySequence::Paste);
}

// Selects all of the field and chooses Paste in `menu`; false when the menu
// has no Paste that can be chosen.
bool ChoosePaste(QLineEdit *edit, QMenu *menu)
{
    edit->selectAll();
    const QList<QAction *> actions = menu ? menu->actions() : QList<QAction *>();
    const auto paste = std::find_if(actions.begin(), actions.end(),
                                    [](QAction *action) { return action->text().startsWith("&Paste"); });
    if (paste == actions.end() || !(*paste)->isEnabled())
        return false;
    (*paste)->trigger();
    return true;
}

// Pastes the text over all of the field from the menu a right click opens
// (the window turns the click into a context menu event).
bool PasteFromMenu(QLineEdit *edit, const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
    edit->setFocus();
    edit->selectAll();
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(4, 4), edit->mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(edit, &rightClick);
    auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    const bool pasted = ChoosePaste(edit, menu);
    if (menu)
        menu->close();
    return pasted;
}

// Pastes the text over all of the field from the standard menu the program
// makes for it, past the field's own handling of its menu.
bool PasteFromStandardMenu(QLineEdit *edit, const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
    const std::unique_ptr<QMenu> menu(edit->createStandardContextMenu());
    return ChoosePaste(edit, menu.get());
}

// An input method's text over all of the field.
void CommitOver(QLineEdit *edit, const QString &text)
{
    edit->selectAll();
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(edit, &commit);
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
        // Ctrl+Y redoes on every platform, as does the platform's redo key.
        QTest::keyClick(edit, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(edit->text(), QStringLiteral("A"));
        QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
        QTest::keySequence(edit, QKeySequence::Redo);
        QCOMPARE(edit->text(), QStringLiteral("A"));
        QCOMPARE(t.Wire(30), Hex("41004200430a" "410042004307" "41004200430a" "410042004307" "41004200430a"));
        // Lower-case pasted text too.
        PasteOver(edit, "b");
        QCOMPARE(edit->text(), QStringLiteral("B"));
        QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(edit->text(), QStringLiteral("A"));
        QCOMPARE(t.Dlg().m_portOut[2], 0x0A);
    }

    void contextMenuPasteKeepsTheFirstLineAndNoControlCharacters()
    {
        TesterFixture t;
        QVERIFY(PasteFromMenu(t.Edit(IDC_COMPORT), t.DevicePath() + "\n/dev/null"));
        t.Click(IDC_CONNECT);
        QCOMPARE(t.Text(IDC_STATUS), QStringLiteral("Connection successful."));
        t.Wire(15);
        t.ClearWire();
        QLineEdit *edit = t.Edit(IDC_DIRHEX_B);
        QVERIFY(PasteFromMenu(edit, QStringLiteral("1\t2\n")));
        QCOMPARE(edit->text(), QStringLiteral("12"));
        QCOMPARE(t.Wire(9), Hex("2141ff" "214212" "2143ff"));
        // The paste is one step of the field's undo history.
        QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(edit->text(), QStringLiteral("FF"));
        QCOMPARE(t.Wire(18).right(9), Hex("2141ff" "2142ff" "2143ff"));
    }

    // Text that enters a hex field, whatever way it comes, holds no control
    // character and keeps its number of characters otherwise.
    void hostileTextEntersInTheFieldsForm_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("value");
        const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
        const QString bom(QChar(0xFEFF));
        QTest::newRow("line breaks") << "3C\n" << "3C" << 0x3C;
        QTest::newRow("tab, return and DEL") << "\t9\x7f\r\n8" << "9" << 0x09;
        QTest::newRow("NUL between digits") << QStringLiteral("1") + QChar(0) + "2" << "12" << 0x12;
        QTest::newRow("line separator") << "4\u20285" << "4" << 0x04;
        QTest::newRow("next line") << "6\u00857" << "6" << 0x06;
        QTest::newRow("C1 control") << "1\u009b2" << "12" << 0x12;
        QTest::newRow("combining mark") << "1\u0301" << "1\u0301" << 0x10;
        QTest::newRow("surrogate pair") << emoji + "5" << emoji + "5" << 0x05;
        QTest::newRow("byte order mark in front") << bom + "5" << bom + "5" << 0x05;
        QTest::newRow("lower case") << "ab" << "AB" << 0xAB;
        QTest::newRow("100 kB") << QString(100'000, u'7') << "77" << 0x77;
    }

    void hostileTextEntersInTheFieldsForm()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QFETCH(int, value);
        TesterFixture t;
        t.Connect(t.DevicePath());
        t.Wire(15);
        t.ClearWire();
        PasteOver(t.Edit(IDC_OUTHEX_A), text);
        QVERIFY(PasteFromStandardMenu(t.Edit(IDC_OUTHEX_B), text));
        CommitOver(t.Edit(IDC_OUTHEX_C), text);
        QCOMPARE(t.Text(IDC_OUTHEX_A), shown);
        QCOMPARE(t.Text(IDC_OUTHEX_B), shown);
        QCOMPARE(t.Text(IDC_OUTHEX_C), shown);
        const QString v = QStringLiteral("%1").arg(value, 2, 16, QChar(u'0'));
        const QByteArray expected = QByteArray::fromHex(
            QStringLiteral("41 %1 42 00 43 00  41 %1 42 %1 43 00  41 %1 42 %1 43 %1").arg(v).toLatin1());
        QCOMPARE(t.Wire(18).toHex(' '), expected.toHex(' '));
    }

    // Whatever is pasted, "Com Port:" holds one line without control
    // characters, and Connect either opens the device or says why not.
    void hostilePortNames_data()
    {
        // {name} stands for the device's path after "/dev/".
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<bool>("connects");
        QTest::newRow("NUL in the path") << "/dev/" + QString(QChar(0)) + "{name}" << true;
        QTest::newRow("C1 control and tab") << "\u0090/dev/{name}\t" << true;
        QTest::newRow("combining mark") << "/dev/{name}\u0301" << false;
        QTest::newRow("surrogate pair") << "/dev/{name}" + QString::fromUtf8("\xF0\x9F\x98\x80") << false;
        QTest::newRow("100 kB") << QString(100'000, u'x') + "/dev/{name}" << false;
    }

    void hostilePortNames()
    {
        QFETCH(QString, pasted);
        QFETCH(bool, connects);
        TesterFixture t;
        QLineEdit *port = t.Edit(IDC_COMPORT);
        port->setFocus();
        QVERIFY(PasteFromStandardMenu(port, pasted.replace("{name}", t.DevicePath().mid(5))));
        const QString held = port->text();
        QVERIFY2(std::none_of(held.cbegin(), held.cend(), [](QChar c) { return c.category() == QChar::Other_Control; }),
                 qPrintable(held.left(40)));
        t.Click(IDC_CONNECT);
        const QString status = t.Text(IDC_STATUS);
        QVERIFY2(status.startsWith(connects ? "Connection successful." : "Connection failed."), qPrintable(status));
    }

    // The program's own text for a field keeps the field's rule too.
    void programTextKeepsTheFirstLine()
    {
        TesterFixture t;
        QLineEdit *port = t.Edit(IDC_COMPORT);
        port->setText(t.DevicePath().insert(5, QChar(0)) + "\r\nCOM1");
        QCOMPARE(port->text(), t.DevicePath());
        t.Click(IDC_CONNECT);
        QCOMPARE(t.Text(IDC_STATUS), QStringLiteral("Connection successful."));
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
