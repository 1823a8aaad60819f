// The Edit menu's commands on the focused box of a child window, and the
// Window menu's arrangements of the child windows.

#include "EditCommands.h"
#include "MdiHost.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <QtTest>

using namespace orb;

Q_DECLARE_METATYPE(EditCommand)

class TestEditCommands : public QObject {
    Q_OBJECT
private slots:
    void commandOnTheFocusedBox_data();
    void commandOnTheFocusedBox();
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
    QTest::newRow("paste over the selection") << C::Paste << "123456" << 1 << 4 << "9" << "196" << "9";
    QTest::newRow("paste at the caret") << C::Paste << "1234" << -1 << 0 << "77" << "127734" << "77";
    QTest::newRow("paste the box refuses") << C::Paste << "1234" << -1 << 0 << "ab" << "1234" << "ab";
    QTest::newRow("paste beyond the limit") << C::Paste << "12345" << -1 << 0 << "99" << "12345" << "99";
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

    // The minimised one lies at the bottom; three tiles share the rest.
    arrangeChildren(Arrangement::TileHorizontally);
    const int icons = room.height() - subs[3]->y();
    QCOMPARE(subs[3]->geometry().bottom(), room.bottom());
    int top = 0;
    for (int i = 0; i < 3; ++i) {
        const QRect g = subs[i]->geometry();
        QVERIFY(g.width() == room.width() && g.x() == 0);
        top += g.height();
    }
    QCOMPARE(top, room.height() - icons);
    arrangeChildren(Arrangement::TileVertically);
    int left = 0;
    for (int i = 0; i < 3; ++i) {
        const QRect g = subs[i]->geometry();
        QVERIFY(g.height() == room.height() - icons && g.y() == 0);
        left += g.width();
    }
    QCOMPARE(left, room.width());
    arrangeChildren(Arrangement::Cascade);
    QVERIFY(subs[0]->pos() != subs[1]->pos() && subs[1]->pos() != subs[2]->pos());
    QCOMPARE(subs[3]->geometry().bottom(), room.bottom());

    // A window of fixed size is neither cut nor stretched by a tile; the
    // next tile starts after it.
    subs[0]->widget()->setFixedSize(500, 50);
    arrangeChildren(Arrangement::TileVertically);
    QVERIFY(subs[0]->size().width() >= 500 && subs[0]->widget()->size() == QSize(500, 50));
    QCOMPARE(subs[1]->x(), subs[0]->geometry().right() + 1);
    setMdiArea(nullptr);
}

QTEST_MAIN(TestEditCommands)
#include "test_edit_commands.moc"
