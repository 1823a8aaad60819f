// The editing rules of one relay, without the window: type picks, the key
// filters and the rules on leaving a list or delay box (the type byte as the
// window shows it is tested with the window).

#include "RelayRules.h"

#include <QtTest>

using namespace orb;

class TestRelayRules : public QObject {
    Q_OBJECT
private slots:
    void picksAndKeyFilters();
    void leavingListBoxes_data();
    void leavingListBoxes();
    void leavingDelayBoxes();
};

void TestRelayRules::picksAndKeyFilters()
{
    // A pick writes the bare code, general activation kept when checked:
    // siren on a new relay is 96, not configured while checked 192.
    const QList<std::tuple<int, bool, int>> picks = {{32, true, 96}, {128, true, 192}, {6, false, 6}, {0, true, 64}};
    for (const auto &[code, general, tip] : picks)
        QCOMPARE(tipAfterPick(code, general), tip);
    // A type without its row, and no not-defined row either, shows nothing.
    QCOMPARE(typeRowShown(LookupRows{{6, "PREALARM"}}, 3), -1);

    // List box, 8 zones: digits while the number before is not above 8.
    const QList<std::tuple<QChar, QString, bool>> list = {
        {'1', "", true}, {'5', "1", true}, {'0', "8", true}, {'0', "9", false}, {'3', "15", false},
        {'a', "", false}, {'-', "", false}, {QChar(8), "99", true}, {QChar(27), "99", true}, {QChar(0x0663), "", false}};
    for (const auto &[key, before, accepted] : list)
        QVERIFY2(listKeyAccepted(key, before, 8) == accepted, qPrintable(before + key));
    // Delay box: digits while it holds fewer than two characters.
    const QList<std::tuple<QChar, QString, bool>> delay = {
        {'5', "", true}, {'9', "5", true}, {'1', "59", false}, {QChar(8), "59", true}, {' ', "", false}};
    for (const auto &[key, before, accepted] : delay)
        QVERIFY2(delayKeyAccepted(key, before) == accepted, qPrintable(before + key));
    // Label: a 17th character only over a selection.
    QVERIFY(labelKeyAccepted('A', 15, 0) && !labelKeyAccepted('A', 16, 0) && labelKeyAccepted('A', 16, 3));
}

void TestRelayRules::leavingListBoxes_data()
{
    QTest::addColumn<int>("zones");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<QString>("previousEnd");   // "-" for list 1
    QTest::addColumn<QString>("startAfter");    // the start box left, and its end box then
    QTest::addColumn<QString>("endAfter");
    QTest::addColumn<QString>("endLeft");       // the end box left instead
    QTest::newRow("15 of 8 zones") << 8 << "15" << "15" << "-" << "0" << "0" << "15";
    QTest::newRow("end above the zones") << 8 << "3" << "15" << "-" << "3" << "15" << "3";
    QTest::newRow("below the list before") << 8 << "3" << "4" << "5" << "0" << "0" << "4";
    QTest::newRow("equal to the list before") << 8 << "5" << "6" << "5" << "5" << "6" << "6";
    QTest::newRow("list 3 from 9 to 10") << 10 << "9" << "10" << "2" << "9" << "10" << "10";
    QTest::newRow("end below the start") << 10 << "9" << "8" << "2" << "9" << "8" << "9";
    QTest::newRow("empty boxes") << 8 << "" << "" << "-" << "0" << "0" << "0";
    QTest::newRow("empty end") << 8 << "4" << "" << "-" << "4" << "" << "4";
    QTest::newRow("start 0") << 8 << "0" << "7" << "-" << "0" << "0" << "0";
    QTest::newRow("no zones") << 0 << "1" << "1" << "-" << "0" << "0" << "1";
}

void TestRelayRules::leavingListBoxes()
{
    QFETCH(int, zones);
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(QString, previousEnd);
    QFETCH(QString, startAfter);
    QFETCH(QString, endAfter);
    QFETCH(QString, endLeft);
    const std::optional<QString> previous = previousEnd == "-" ? std::nullopt : std::optional<QString>(previousEnd);
    QCOMPARE(startBoxLeft({start, end}, previous, zones), (ListTexts{startAfter, endAfter}));
    QCOMPARE(endBoxLeft({start, end}, zones), endLeft);
}

void TestRelayRules::leavingDelayBoxes()
{
    const QList<std::tuple<QString, int, QString>> cases = {
        {"12", MaxRetMin, "0"}, {"9", MaxRetMin, "9"}, {"10", MaxRetMin, "0"}, {"75", MaxRetSeg, "0"},
        {"59", MaxRetSeg, "59"}, {"60", MaxRetSeg, "0"}, {"", MaxRetSeg, "0"}, {"05", MaxRetSeg, "05"}};
    for (const auto &[text, maximum, after] : cases)
        QCOMPARE(delayBoxLeft(text, maximum), after);
}

QTEST_GUILESS_MAIN(TestRelayRules)
#include "test_relay_rules.moc"
