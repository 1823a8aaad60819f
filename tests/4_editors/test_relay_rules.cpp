// The editing rules of one relay, without the window: the type byte and its
// flags, the key filters, the rules on leaving a list or delay box, and a
// record read from the panel.

#include "RelayRules.h"

#include <QtTest>

using namespace orb;

Q_DECLARE_METATYPE(orb::RelayEnabling)

class TestRelayRules : public QObject {
    Q_OBJECT
private slots:
    void typeByte_data();
    void typeByte();
    void keyFilters();
    void leavingListBoxes_data();
    void leavingListBoxes();
    void leavingDelayBoxes();
    void recordOverRow();
};

// The rows of TIPREL as a new database holds them.
static const LookupRows kTypes = {{0, "NOT DEFINED"}, {6, "PREALARM"}, {10, "EXTINCTION"},
                                  {16, "MANOEUVRE"},  {32, "SIREN"},    {128, "NOT CONFIGURED"}};

void TestRelayRules::typeByte_data()
{
    QTest::addColumn<int>("tip");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<RelayEnabling>("enabling");
    QTest::addColumn<int>("general");   // the byte with general activation switched over
    QTest::newRow("new relay") << 192 << "NOT CONFIGURED" << RelayEnabling{false, false} << 128;
    QTest::newRow("not configured, type 6 kept") << 134 << "NOT CONFIGURED" << RelayEnabling{false, false} << 198;
    QTest::newRow("pre-alarm, general") << 70 << "PREALARM" << RelayEnabling{true, false} << 6;
    QTest::newRow("pre-alarm") << 6 << "PREALARM" << RelayEnabling{true, true} << 70;
    QTest::newRow("siren, general") << 96 << "SIREN" << RelayEnabling{true, false} << 32;
    // A code the table does not know shows as not defined and is kept.
    QTest::newRow("type 3") << 3 << "NOT DEFINED" << RelayEnabling{true, true} << 67;
    QTest::newRow("type 3, general") << 67 << "NOT DEFINED" << RelayEnabling{true, false} << 3;
}

void TestRelayRules::typeByte()
{
    QFETCH(int, tip);
    QFETCH(QString, shown);
    QFETCH(RelayEnabling, enabling);
    QFETCH(int, general);
    QCOMPARE(kTypes.value(typeRowShown(kTypes, tip)).second, shown);
    QCOMPARE(relayEnabling(tip), enabling);
    QCOMPARE(tipWithGeneral(tip, !(tip & TipRelActGen)), general);
    QCOMPARE(tipWithGeneral(general, bool(tip & TipRelActGen)), tip);
}

void TestRelayRules::keyFilters()
{
    // A pick writes the bare code, general activation kept when checked:
    // siren on a new relay is 96, not configured while checked 192.
    const QList<std::tuple<int, bool, int>> picks = {{32, true, 96}, {128, true, 192}, {6, false, 6}, {0, true, 64}};
    for (const auto &[code, general, tip] : picks)
        QCOMPARE(tipAfterPick(code, general), tip);
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
    // Label: a 17th character only over a selection; Windows-1252 only.
    QVERIFY(labelKeyAccepted('A', 15, 0) && !labelKeyAccepted('A', 16, 0) && labelKeyAccepted('A', 16, 3));
    QVERIFY(labelKeyAccepted(QChar(0x20AC), 0, 0) && !labelKeyAccepted(QChar(0x03A9), 0, 0));

    // Whole texts, pasted ones included.
    for (const auto &[text, number] : QList<std::pair<QString, bool>>{
             {"", true}, {"128", true}, {"007", true}, {" 7", false}, {"7a", false}, {"-1", false}, {"1.5", false}})
        QVERIFY2(numberTextAcceptable(text) == number, qPrintable(text));
    for (const auto &[text, label] : QList<std::pair<QString, bool>>{
             {QString(16, 'x'), true}, {QString(17, 'x'), false}, {"SÓTANO €", true}, {"ΑΘΗΝΑ", false}})
        QVERIFY2(labelTextAcceptable(text) == label, qPrintable(text));
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

void TestRelayRules::recordOverRow()
{
    // Type 32 with general activation; mode 0xAD: detector by day delayed,
    // by night without delay; call point by day not active, by night
    // delayed.
    RelayRow row;
    row.IDCON = 3;
    row.IDREL = 7;
    row.ETIREL = "KEPT";
    row.DDIA = row.DNOCH = row.PDIA = row.PNOCH = 1;
    const auto record = RelayRecord::fromBytes(QByteArray::fromHex("60AD051E0102030405068090"));
    QVERIFY(record);
    const RelayRow read = withRecord(row, *record);
    QCOMPARE(QList<int>({read.IDCON, read.IDREL, read.TIP, read.RMIN, read.RSEC, read.DDIA, read.PDIA, read.DNOCH,
                         read.PNOCH}),
             QList<int>({3, 7, 0x60, 5, 30, 2, 0, 1, 2}));
    QCOMPARE(read.IL, (std::array<int, 4>{1, 3, 5, 0x80}));
    QCOMPARE(read.FL, (std::array<int, 4>{2, 4, 6, 0x90}));
    QCOMPARE(read.ETIREL, QStringLiteral("KEPT"));
}

QTEST_GUILESS_MAIN(TestRelayRules)
#include "test_relay_rules.moc"
