#include "tester_fixture.h"
#include "dialog_layer/port_list_popup.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QCompleter>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <algorithm>
#include <memory>

// The ways a text enters a field: the keyboard's Paste, a right click's menu, the
// standard menu made past the field's own handling, a drop, an input method, setText.
enum class Way { KeyboardPaste, RightClickMenu, StandardMenu, Drop, InputMethod, ProgramText };

// Enters the text over all of the field in the way given (a drop into the
// emptied field); false when a menu had no Paste that could be chosen.
static bool EnterOver(QLineEdit *edit, Way way, const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
    edit->setFocus();
    edit->selectAll();
    std::unique_ptr<QMenu> standardMenu;
    QMenu *menu = nullptr;
    if (way == Way::KeyboardPaste) {
        QTest::keySequence(edit, QKeySequence::Paste);
    } else if (way == Way::RightClickMenu) {
        QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(4, 4), edit->mapToGlobal(QPoint(4, 4)));
        QApplication::sendEvent(edit, &rightClick);
        menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        edit->selectAll();
    } else if (way == Way::StandardMenu) {
        standardMenu.reset(menu = edit->createStandardContextMenu());
    } else if (way == Way::Drop) {
        edit->clear();
        QMimeData dropped;
        dropped.setText(text);
        QDragEnterEvent enter(QPoint(2, 2), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(edit, &enter);
        QDropEvent drop(QPointF(2, 2), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(edit, &drop);
    } else if (way == Way::InputMethod) {
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QApplication::sendEvent(edit, &commit);
    } else {
        edit->setText(text);
    }
    if (way != Way::RightClickMenu && way != Way::StandardMenu)
        return true;
    const QList<QAction *> actions = menu ? menu->actions() : QList<QAction *>();
    const auto paste = std::find_if(actions.begin(), actions.end(),
                                    [](QAction *action) { return action->text().startsWith("&Paste"); });
    const bool pasted = paste != actions.end() && (*paste)->isEnabled();
    if (pasted)
        (*paste)->trigger();
    if (menu && way == Way::RightClickMenu)
        menu->close();
    return pasted;
}

const QString kEmoji = QString::fromUtf8("\xF0\x9F\x98\x80");

// The directions, then the output levels, the device holds, in hexadecimal.
static QByteArray DeviceHolds(TesterFixture &t)
{
    t.Wire();
    const DeviceModel model = t.Device().Model();
    return (QByteArray(reinterpret_cast<const char *>(model.direction.data()), 3)
            + QByteArray(reinterpret_cast<const char *>(model.latch.data()), 3)).toHex(' ');
}

// The keys go where a user's would: to the open list, or else to the focused field.
static void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget *popup = QApplication::activePopupWidget();
    QTest::keyClick(popup ? popup : QApplication::focusWidget(), key, modifiers);
}

static QStringList ListedLines(CPinTesterDlg &dlg)
{
    QAbstractItemView *popup = dlg.PortList().Completer()->popup();
    QStringList lines;
    for (int row = 0; popup->isVisible() && row < popup->model()->rowCount(); ++row)
        lines << popup->model()->index(row, 0).data().toString();
    return lines;
}

Q_DECLARE_METATYPE(Way)

// What the user types, pastes or chooses from the port list is exactly what
// the field holds and what the device receives.
class TestFieldEntry : public QObject
{
    Q_OBJECT
private slots:
    // Each entry, also one changed to the field's form, is one undo step; Ctrl+Y and the
    // platform's key redo. Typed control characters never enter a field; a character
    // outside the basic plane is one character. Polling leaves the field being typed in alone.
    void undoRedoTypedCharactersAndPolling()
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
        QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
        QTest::keySequence(edit, QKeySequence::Redo);
        QCOMPARE(edit->text(), QStringLiteral("A"));
        QCOMPARE(t.Wire(30), Hex("41004200430a" "410042004307" "41004200430a" "410042004307" "41004200430a"));
        for (const Way way : {Way::KeyboardPaste, Way::RightClickMenu}) {
            QVERIFY(EnterOver(edit, way, "b\t\n1"));
            QCOMPARE(edit->text(), QStringLiteral("B"));
            QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(edit->text(), QStringLiteral("A"));
        }

        QLineEdit *typedIn = t.Edit(IDC_OUTHEX_A);
        typedIn->setFocus();
        typedIn->clear();
        for (const QString &typed : {QStringLiteral("\x01"), kEmoji})
            QTest::sendKeyEvent(QTest::Click, typedIn, Qt::Key_unknown, typed, Qt::NoModifier);
        QTest::keyClicks(typedIn, "5");
        QCOMPARE(typedIn->text(), kEmoji + "5");
        QCOMPARE(DeviceHolds(t), "ff ff ff 05 00 0a");

        t.Click(IDC_CONTINUOUS);
        t.Click(DirectionButtonId(0, 7));
        t.Click(StateButtonId(1, 4));
        for (int field : {IDC_DIRHEX_A, IDC_OUTHEX_B}) {
            QLineEdit *typing = t.Edit(field);
            typing->setFocus();
            QTest::keySequence(typing, QKeySequence::SelectAll);
            QTest::qWait(1000);
            QCOMPARE(typing->selectedText().size(), 2);
            t.ClearWire();
            QTest::keyClicks(typing, "0");
            QCOMPARE(typing->text(), QStringLiteral("0"));
            const QByteArray wire = t.Wire(field == IDC_DIRHEX_A ? 9 : 6);
            QVERIFY2(wire.startsWith(field == IDC_DIRHEX_A ? Hex("2141002142ff2143ff") : Hex("41054200430a")),
                     wire.toHex().constData());
        }
        // A third character keeps the rightmost two, the caret after them.
        QTest::keyClicks(t.Edit(IDC_OUTHEX_B), "12");
        QCOMPARE(t.Text(IDC_OUTHEX_B) + QString::number(t.Edit(IDC_OUTHEX_B)->cursorPosition()), "122");
        QCOMPARE(t.Dlg().m_portOut[1], 0x12);
    }

    // Text entering a hex field by any way ends at its first line break and
    // holds no control character; its other characters stay.
    void hostileTextEntersInTheFieldsForm_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("value");
        const QString bom(QChar(0xFEFF));
        QTest::newRow("line breaks") << "3C\n" << "3C" << 0x3C;
        QTest::newRow("tab, return and DEL") << "\t9\x7f\r\n8" << "9" << 0x09;
        QTest::newRow("NUL between digits") << QStringLiteral("1") + QChar(0) + "2" << "12" << 0x12;
        QTest::newRow("line separator") << "4\u20285" << "4" << 0x04;
        QTest::newRow("next line") << "6\u00857" << "6" << 0x06;
        QTest::newRow("C1 control") << "1\u009b2" << "12" << 0x12;
        QTest::newRow("combining mark") << "1\u0301" << "1\u0301" << 0x10;
        QTest::newRow("surrogate pair") << kEmoji + "5" << kEmoji + "5" << 0x05;
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
        const std::pair<int, Way> entries[] = {{IDC_DIRHEX_A, Way::KeyboardPaste}, {IDC_DIRHEX_B, Way::RightClickMenu},
                                               {IDC_DIRHEX_C, Way::StandardMenu},   {IDC_OUTHEX_A, Way::Drop},
                                               {IDC_OUTHEX_B, Way::InputMethod}};
        for (const auto &[field, way] : entries) {
            QVERIFY(EnterOver(t.Edit(field), way, text));
            QCOMPARE(t.Text(field), shown);
        }
        QCOMPARE(DeviceHolds(t), (QByteArray(5, char(value)) + '\0').toHex(' '));
    }

    // Whatever enters "Com Port:", it holds one line without control
    // characters, and Connect either opens the device or says why not.
    void hostilePortNames_data()
    {
        // {name} stands for the device's path after "/dev/".
        QTest::addColumn<Way>("way");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("connects");
        QTest::newRow("second line") << Way::RightClickMenu << "/dev/{name}\n/dev/null" << true;
        QTest::newRow("NUL in the path") << Way::StandardMenu << "/dev/" + QString(QChar(0)) + "{name}" << true;
        QTest::newRow("C1 control and tab") << Way::KeyboardPaste << "\u0090/dev/{name}\t" << true;
        QTest::newRow("program's text") << Way::ProgramText << "/dev/" + QString(QChar(0)) + "{name}\r\nCOM1" << true;
        QTest::newRow("combining mark") << Way::StandardMenu << "/dev/{name}\u0301" << false;
        QTest::newRow("surrogate pair") << Way::StandardMenu << "/dev/{name}" + kEmoji << false;
        QTest::newRow("100 kB") << Way::StandardMenu << QString(100'000, u'x') + "/dev/{name}" << false;
    }

    void hostilePortNames()
    {
        QFETCH(Way, way);
        QFETCH(QString, text);
        QFETCH(bool, connects);
        TesterFixture t;
        QLineEdit *port = t.Edit(IDC_COMPORT);
        QVERIFY(EnterOver(port, way, text.replace("{name}", t.DevicePath().mid(5))));
        const QString held = port->text();
        QVERIFY2(std::none_of(held.cbegin(), held.cend(), [](QChar c) { return c.category() == QChar::Other_Control; }),
                 qPrintable(held.left(40)));
        t.Click(IDC_CONNECT);
        const QString status = t.Text(IDC_STATUS);
        QVERIFY2(status.startsWith(connects ? "Connection successful." : "Connection failed."), qPrintable(status));
    }

    void listOpensFiltersAndFillsTheField()
    {
        TesterFixture t;
        auto ports = std::make_shared<ListedPorts>();
        t.Dlg().SetPortSource(ports);
        const QString pty = t.DevicePath().mid(5);
        const PortListEntry adapter{"ttyUSB7", "/dev/ttyUSB7", "/dev/serial/by-id/usb-FTDI_A1-port0",
                                    "FT232R USB UART", "FTDI", "A1", "0403:6001"};
        ports->ports = {adapter, {pty, t.DevicePath(), {}, {}, {}, {}, {}}};
        QLineEdit *field = t.Edit(IDC_COMPORT);
        field->setFocus();

        // Down opens the whole list; it is read again each time it opens.
        Key(Qt::Key_Down);
        const QString identification = QStringLiteral("  \u2014  FT232R USB UART, FTDI, serial A1, USB 0403:6001");
        QCOMPARE(ListedLines(t.Dlg()), QStringList({"ttyUSB7" + identification, adapter.stableName + identification, pty}));
        Key(Qt::Key_Escape);
        QVERIFY(ListedLines(t.Dlg()).isEmpty());
        ports->ports.removeFirst();
        Key(Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(ListedLines(t.Dlg()), QStringList{pty});
        Key(Qt::Key_Escape);

        // Typing filters by name and identification alike.
        ports->ports.prepend(adapter);
        QTest::keyClicks(field, "ftdi");
        QCOMPARE(ListedLines(t.Dlg()).size(), 2);
        QTest::keyClicks(field, "x");
        QVERIFY(ListedLines(t.Dlg()).isEmpty());

        // Choosing types the name in as the user's edit; Enter then connects.
        field->clear();
        QTest::keyClicks(field, "pts");
        Key(Qt::Key_Down);
        Key(Qt::Key_Return);
        QCOMPARE(t.Dlg().m_strComPort, pty);
        QCOMPARE(t.Text(IDC_STATUS), QStringLiteral("Set COM port then click Connect."));
        Key(Qt::Key_Return);
        QCOMPARE(t.Text(IDC_STATUS), QStringLiteral("Connection successful."));
    }
};

QTEST_MAIN(TestFieldEntry)
#include "test_field_entry.moc"
