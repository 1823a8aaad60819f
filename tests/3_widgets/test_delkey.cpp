// The Delete-key helper removes the character after the caret on key
// release and keeps the caret in place.

#include "DelKey.h"

#include <QLineEdit>
#include <QtTest>

using namespace orb;

class TestDelKey : public QObject {
    Q_OBJECT
private slots:
    void onText_data();
    void onText();
    void onLineEditKeepsCaret();
};

void TestDelKey::onText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("caret");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("caretAfter");
    QTest::newRow("caret at 0") << "ABC" << 0 << 46 << "BC" << 0;
    QTest::newRow("before last") << "ABC" << 2 << 46 << "AB" << 2;
    QTest::newRow("middle") << "ABCD" << 1 << 46 << "ACD" << 1;
    QTest::newRow("at end") << "ABC" << 3 << 46 << "ABC" << 3;
    QTest::newRow("empty") << "" << 0 << 46 << "" << 0;
    QTest::newRow("other key") << "ABC" << 0 << 8 << "ABC" << 0;
}

void TestDelKey::onText()
{
    QFETCH(QString, text);
    QFETCH(int, caret);
    QFETCH(int, key);
    Chk_DelKey(text, caret, key);
    QTEST(text, "after");
    QTEST(caret, "caretAfter");
}

void TestDelKey::onLineEditKeepsCaret()
{
    QLineEdit edit;
    edit.setText(QStringLiteral("ZONA 12"));
    edit.setCursorPosition(5);
    Chk_DelKey(&edit, kDeleteKeyCode);
    QCOMPARE(edit.text(), QStringLiteral("ZONA 2"));
    QCOMPARE(edit.cursorPosition(), 5);

    // A selection counts from its start; its length plays no part.
    edit.setSelection(1, 3);
    Chk_DelKey(&edit, kDeleteKeyCode);
    QCOMPARE(edit.text(), QStringLiteral("ZNA 2"));
    QCOMPARE(edit.cursorPosition(), 1);

    edit.setCursorPosition(int(edit.text().size()));
    Chk_DelKey(&edit, kDeleteKeyCode);
    QCOMPARE(edit.text(), QStringLiteral("ZNA 2"));
}

QTEST_MAIN(TestDelKey)
#include "test_delkey.moc"
