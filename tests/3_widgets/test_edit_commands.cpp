// The Edit menu's commands on the focused box of a child window, the Delete
// key's helper, and the Window menu's arrangements of the child windows.

#include "DelKey.h"
#include "EditCommands.h"
#include "MdiHost.h"

#include <QtTest>
#include <QtWidgets>

using namespace orb;

Q_DECLARE_METATYPE(EditCommand)

class TestEditCommands : public QObject {
    Q_OBJECT
private slots:
    void commandOnTheFocusedBox_data();
    void commandOnTheFocusedBox();
    void deleteKey_data();
    void deleteKey();
    void arrangements();
};

void TestEditCommands::commandOnTheFocusedBox_data()
{
    QTest::addColumn<EditCommand>("command");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("from");      // selection start; -1 for no selection (caret at 2)
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("clipboardBefore");
    QTest::addColumn<QString>("textAfter");
    QTest::addColumn<QString>("clipboardAfter");
    using C = EditCommand;
    // The box takes digits only, at most six.
    QTest::newRow("copy") << C::Copy << "123456" << 1 << 3 << "x" << "123456" << "234";
    QTest::newRow("copy of nothing empties the clipboard") << C::Copy << "123456" << -1 << 0 << "x" << "123456" << "";
    QTest::newRow("cut") << C::Cut << "123456" << 0 << 2 << "x" << "3456" << "12";
    QTest::newRow("cut of nothing") << C::Cut << "123456" << -1 << 0 << "x" << "123456" << "";
    QTest::newRow("delete leaves the clipboard") << C::Delete << "123456" << 4 << 2 << "x" << "1234" << "x";
    // Paste is the box's own: its validator judges the text.
    QTest::newRow("paste over the selection") << C::Paste << "123456" << 1 << 4 << "9" << "196" << "9";
    QTest::newRow("paste the box refuses") << C::Paste << "1234" << -1 << 0 << "ab" << "1234" << "ab";
}

void TestEditCommands::commandOnTheFocusedBox()
{
    QFETCH(EditCommand, command);
    QFETCH(QString, text);
    QFETCH(int, from);
    QFETCH(int, length);
    QFETCH(QString, clipboardBefore);
    QFETCH(QString, textAfter);
    QFETCH(QString, clipboardAfter);

    QWidget child;
    auto *layout = new QVBoxLayout(&child);
    auto *box = new QLineEdit(text, &child);
    box->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,6}")), box));
    auto *button = new QPushButton(QStringLiteral("OK"), &child);
    layout->addWidget(box);
    layout->addWidget(button);
    child.show();
    QVERIFY(QTest::qWaitForWindowActive(&child));
    box->setFocus();
    if (from >= 0)
        box->setSelection(from, length);
    else
        box->setCursorPosition(2);
    QGuiApplication::clipboard()->setText(clipboardBefore);

    runEditCommand(command, &child);
    QCOMPARE(box->text(), textAfter);
    QCOMPARE(QGuiApplication::clipboard()->text(), clipboardAfter);

    // A focused control that is no text box, and no child at all: nothing.
    button->setFocus();
    runEditCommand(EditCommand::Cut, &child);
    runEditCommand(EditCommand::Paste, nullptr);
    QCOMPARE(box->text(), textAfter);
    QCOMPARE(QGuiApplication::clipboard()->text(), clipboardAfter);
}

void TestEditCommands::deleteKey_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("caret");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("caretAfter");
    QTest::newRow("caret at 0") << "ABC" << 0 << 46 << "BC" << 0;
    QTest::newRow("before last") << "ABC" << 2 << 46 << "AB" << 2;
    QTest::newRow("at end") << "ABC" << 3 << 46 << "ABC" << 3;
    QTest::newRow("empty") << "" << 0 << 46 << "" << 0;
    QTest::newRow("other key") << "ABC" << 0 << 8 << "ABC" << 0;
}

void TestEditCommands::deleteKey()
{
    QFETCH(QString, text);
    QFETCH(int, caret);
    QFETCH(int, key);
    Chk_DelKey(text, caret, key);
    QTEST(text, "after");
    QTEST(caret, "caretAfter");
    // On a box a selection counts from its start; its length plays no part.
    QLineEdit edit(QStringLiteral("ZONA 12"));
    edit.setSelection(1, 3);
    Chk_DelKey(&edit, kDeleteKeyCode);
    QCOMPARE(edit.text() + QString::number(edit.cursorPosition()), QStringLiteral("ZNA 121"));
}

void TestEditCommands::arrangements()
{
    QMdiArea area;
    area.resize(600, 400);
    area.show();
    setMdiArea(&area);
    QList<QMdiSubWindow *> subs;
    for (int i = 0; i < 4; ++i) {
        subs << area.addSubWindow(new QWidget);
        subs.last()->resize(200, 150);
        subs.last()->show();
    }
    subs.last()->showMinimized();
    const QRect room = area.viewport()->rect();

    // The minimised one lies at the bottom, whatever the arrangement; three
    // tiles, one above the other or side by side, share the rest.
    for (Arrangement arrangement : {Arrangement::Cascade, Arrangement::TileHorizontally, Arrangement::TileVertically}) {
        arrangeChildren(arrangement);
        QCOMPARE(subs[3]->geometry().bottom(), room.bottom());
        const QRect rest(0, 0, room.width(), subs[3]->y());
        QRegion covered;
        for (int i = 0; i < 3 && arrangement != Arrangement::Cascade; ++i) {
            const QRect g = subs[i]->geometry();
            const bool stacked = arrangement == Arrangement::TileHorizontally;
            QVERIFY(!covered.intersects(g) && (stacked ? g.width() == rest.width() : g.height() == rest.height()));
            covered += g;
        }
        QVERIFY(arrangement == Arrangement::Cascade || covered == QRegion(rest));
    }
    setMdiArea(nullptr);
}

QTEST_MAIN(TestEditCommands)
#include "test_edit_commands.moc"
