// The print rows: the words codes turn into in both languages, the port
// settings and delay texts of the general row, and the list bounds with the
// zone labels beside them.

#include "ModPrint.h"
#include "Schema.h"
#include "Strings.h"

#include <QtTest>

using namespace orb;

class TestModPrint : public QObject {
    Q_OBJECT
private slots:
    void init() { setCurrentLanguage(Language::English); }
    void relayTypeAndGeneralActivation_data();
    void relayTypeAndGeneralActivation();
    void responseWords_data();
    void responseWords();
    void parityAndFlowWords_data();
    void parityAndFlowWords();
    void generalRow();
    void longestNameFitsItsColumn();
    void relayRowWithItsListLabels();
};

void TestModPrint::relayTypeAndGeneralActivation_data()
{
    QTest::addColumn<bool>("spanish");
    QTest::addColumn<QVariant>("tip");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("activation");
    QTest::newRow("new relay") << false << QVariant(192) << "NOT CONFIGURED" << "YES";
    QTest::newRow("new relay, Spanish") << true << QVariant(192) << "NO CONFIGURADA" << "SI";
    QTest::newRow("not configured alone") << false << QVariant(128) << "NOT CONFIGURED" << "NO";
    QTest::newRow("not configured with a type") << false << QVariant(134) << "NO_PRG" << "NO";
    QTest::newRow("undefined") << false << QVariant(0) << "NO_PRG" << "NO";
    QTest::newRow("relay") << false << QVariant(3) << "RELAY" << "NO";
    QTest::newRow("pre-alarm, general") << false << QVariant(70) << "EXTINTION PREALARM" << "YES";
    QTest::newRow("pre-alarm, Spanish") << true << QVariant(70) << "PREALARMA EXTINCIÓN" << "SI";
    QTest::newRow("extinction") << false << QVariant(10) << "EXTINTION" << "NO";
    QTest::newRow("action, general") << false << QVariant(80) << "ACTION" << "YES";
    QTest::newRow("siren") << false << QVariant(32) << "SIREN" << "NO";
    QTest::newRow("unknown code") << false << QVariant(7) << "NO_PRG" << "NO";
    QTest::newRow("missing") << false << QVariant() << "NO_PRG" << "NO";
}

void TestModPrint::relayTypeAndGeneralActivation()
{
    QFETCH(bool, spanish);
    QFETCH(QVariant, tip);
    setCurrentLanguage(spanish ? Language::Spanish : Language::English);
    QTEST(relayTypeWord(tip), "type");
    QTEST(generalActivationWord(tip), "activation");
}

void TestModPrint::responseWords_data()
{
    QTest::addColumn<QVariant>("code");
    QTest::addColumn<QString>("word");
    QTest::newRow("0") << QVariant(0) << "Inactive";
    QTest::newRow("1") << QVariant(1) << "Without Delay";
    QTest::newRow("2") << QVariant(2) << "With Delay";
    QTest::newRow("3") << QVariant(3) << "NO_PRG";
    QTest::newRow("missing") << QVariant() << "NO_PRG";
}

void TestModPrint::responseWords()
{
    QFETCH(QVariant, code);
    QTEST(responseWord(code), "word");
}

void TestModPrint::parityAndFlowWords_data()
{
    QTest::addColumn<QVariant>("parity");
    QTest::addColumn<QString>("parityText");
    QTest::addColumn<QVariant>("flow");
    QTest::addColumn<QString>("flowText");
    QTest::newRow("N, 0") << QVariant("N") << " No Parity" << QVariant(0) << "No HandShaking";
    QTest::newRow("n, 1") << QVariant("n") << " No Parity" << QVariant(1) << "Xon/Xoff HandShaking";
    QTest::newRow("E, 2") << QVariant("E") << "Even Parity" << QVariant(2) << "RTS HandShaking";
    QTest::newRow("e, 3") << QVariant("e") << "Even Parity" << QVariant(3) << "Xon/RTS HandShaking";
    QTest::newRow("o, 4") << QVariant("o") << "Odd Parity" << QVariant(4) << "HandShaking not Conf.";
    QTest::newRow("M, missing") << QVariant("M") << "Merk Parity" << QVariant() << "HandShaking not Conf.";
    QTest::newRow("s, -1") << QVariant("s") << "Space Parity" << QVariant(-1) << "HandShaking not Conf.";
    QTest::newRow("other letter") << QVariant("X") << "Parity not Conf.." << QVariant(0) << "No HandShaking";
    QTest::newRow("two letters") << QVariant("NN") << "Parity not Conf.." << QVariant(0) << "No HandShaking";
    QTest::newRow("empty") << QVariant("") << "Parity not Conf.." << QVariant(0) << "No HandShaking";
    QTest::newRow("missing") << QVariant() << "Parity not Conf.." << QVariant(0) << "No HandShaking";
}

void TestModPrint::parityAndFlowWords()
{
    QFETCH(QVariant, parity);
    QFETCH(QVariant, flow);
    QTEST(parityWord(parity), "parityText");
    QTEST(flowWord(flow), "flowText");
}

void TestModPrint::generalRow()
{
    const QVariantMap conf{{"IDCON", 0},  {"NOMCON", "Planta 2"}, {"NUMZON", 24},   {"NUMREL", 8},
                           {"ETIINI", "CENTRAL"}, {"SG1M", 3}, {"SG1S", 45}, {"INIDIA", 8},
                           {"ININIT", QVariant()}, {"BAUD", 9600}, {"DATBIT", 8}, {"STPBIT", 1},
                           {"PAR", "e"}, {"ECO", 0}, {"FLU", 2}, {"PORT", 3}};
    const QVariantMap expected{{"NUMZON", "24"},          {"NUMREL", "8"},
                               {"NOMCON", " Planta 2"},   {"BAUD", " 9600 Bauds"},
                               {"DATBIT", " 8 Data bits"}, {"STPBIT", " 1 Stop Bits"},
                               {"PAR", "Even Parity"},    {"FLU", "RTS HandShaking"},
                               {"PORT", "Port: 3"},       {"ETIINI", "CENTRAL"},
                               {"SG1M", "3 minutes"},     {"SG1S", "45 seconds"},
                               {"INIDIA", "8"},           {"ININIT", QVariant()}};
    QCOMPARE(impConfCentralRow(conf), expected);

    // Missing numbers concatenate as empty text.
    setCurrentLanguage(Language::Spanish);
    const QVariantMap empty = impConfCentralRow({});
    QCOMPARE(empty.value("BAUD").toString(), QStringLiteral("  Baudios"));
    QCOMPARE(empty.value("PORT").toString(), QStringLiteral("Puerto: "));
    QCOMPARE(empty.value("SG1M").toString(), QStringLiteral(" minutos"));
    QCOMPARE(empty.value("PAR").toString(), QStringLiteral("Paridad Sin Conf."));
    QVERIFY(empty.value("NUMZON").isNull());
}

void TestModPrint::longestNameFitsItsColumn()
{
    // The copy is a blank and the name; the longest name a configuration
    // holds must still fit the print column, or the refill fails.
    const QString name = QStringLiteral("N").repeated(49) + QStringLiteral("Z");
    const QString copy = impConfCentralRow({{"NOMCON", name}}).value("NOMCON").toString();
    int size = 0;
    for (const FieldDef &f : tabImpConfCentral().fields) {
        if (QLatin1String(f.name) == QLatin1String("NOMCON"))
            size = f.size;
    }
    QCOMPARE(size, 50);
    QCOMPARE(copy, QLatin1Char(' ') + name.left(49));
}

void TestModPrint::relayRowWithItsListLabels()
{
    const QVariantMap relay{{"IDCON", 0}, {"IDREL", 7},  {"TIP", 96},  {"ETIREL", "SIRENA HALL"},
                            {"RMIN", 1},  {"RSEC", 30},  {"DDIA", 0},  {"DNOCH", 1},
                            {"PDIA", 2},  {"PNOCH", 5},  {"IL1", 5},   {"FL1", 0},
                            {"IL2", 200}, {"FL2", QVariant()}, {"IL3", 9}, {"FL3", 12}};
    QList<int> asked;
    const auto lookup = [&asked](int zone) -> std::optional<QString> {
        asked << zone;
        switch (zone) {
        case 5: return QStringLiteral("ALMACEN");
        case 9: return QString();   // a zone whose label is empty
        case 12: return QStringLiteral("ESCALERA B");
        default: return std::nullopt;
        }
    };
    const QVariantMap row = impConfRelesRow(relay, lookup);
    const QVariantMap expected{
        {"IDCON", 0},          {"IDREL", 7},          {"ETIREL", " SIRENA HALL"}, {"RMIN", 1},
        {"RSEC", 30},          {"TIP", "SIREN"},      {"DDIA", "Inactive"},       {"DNOCH", "Without Delay"},
        {"PDIA", "With Delay"}, {"PNOCH", "NO_PRG"},  {"ACTGEN", "YES"},
        {"IL1", 5},   {"IL1Label", "ALMACEN"},  {"FL1", 0},  {"FL1Label", " "},
        {"IL2", 200}, {"IL2Label", " "},        {"FL2", 0},  {"FL2Label", " "},
        {"IL3", 9},   {"IL3Label", " "},        {"FL3", 12}, {"FL3Label", "ESCALERA B"},
        {"IL4", 0},   {"IL4Label", " "},        {"FL4", 0},  {"FL4Label", " "}};
    QCOMPARE(row, expected);
    QCOMPARE(asked, (QList<int>{5, 0, 200, 0, 9, 12, 0, 0}));
}

QTEST_GUILESS_MAIN(TestModPrint)
#include "test_modprint.moc"
