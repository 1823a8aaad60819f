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
    void onLineEditFromTheSelectionStart();
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

void TestDelKey::onLineEditFromTheSelectionStart()
{
    // A selection counts from its start; its length plays no part.
    QLineEdit edit(QStringLiteral("ZONA 12"));
    edit.setSelection(1, 3);
    Chk_DelKey(&edit, kDeleteKeyCode);
    QCOMPARE(edit.text(), QStringLiteral("ZNA 12"));
    QCOMPARE(edit.cursorPosition(), 1);
}

QTEST_MAIN(TestDelKey)
#include "test_delkey.moc"
