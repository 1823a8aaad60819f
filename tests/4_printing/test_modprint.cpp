// The print rows: the words codes turn into in both languages, the port
// settings and delay texts of the general row, and the list bounds with the
// zone labels beside them.

#include "ModPrint.h"
#include "Strings.h"

#include <QtTest>
#include <map>

using namespace orb;

class TestModPrint : public QObject {
    Q_OBJECT
private slots:
    void init() { setCurrentLanguage(Language::English); }
    void words_data();
    void words();
    void generalRow();
    void relayRowWithItsListLabels();
};

void TestModPrint::words_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("spanish");
    const auto row = [](const char *name, const char *kind, const QVariant &value, const char *word,
                        const char *spanish) { QTest::newRow(name) << kind << value << word << spanish; };
    // The general-activation bit is no part of the type.
    row("type 192", "type", 192, "NOT CONFIGURED", "NO CONFIGURADA");
    row("type 70", "type", 70, "EXTINTION PREALARM", "PREALARMA EXTINCIÓN");
    row("type 134", "type", 134, "NO_PRG", "NO_PRG");
    row("type missing", "type", QVariant(), "NO_PRG", "NO_PRG");
    row("general 128", "general", 128, "NO", "NO");
    row("response missing", "response", QVariant(), "NO_PRG", "NO_PRG");
    row("parity empty", "parity", "", "Parity not Conf..", "Paridad Sin Conf.");
    row("flow missing", "flow", QVariant(), "HandShaking not Conf.", "Control Flujo Sin Conf.");
}

void TestModPrint::words()
{
    QFETCH(QString, kind);
    QFETCH(QVariant, value);
    const std::map<QString, QString (*)(const QVariant &)> functions{
        {"type", relayTypeWord}, {"general", generalActivationWord}, {"response", responseWord},
        {"parity", parityWord},  {"flow", flowWord}};
    const auto word = functions.at(kind);
    QTEST(word(value), "word");
    setCurrentLanguage(Language::Spanish);
    QTEST(word(value), "spanish");
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
    // The copy is a blank and the name; the longest name a configuration
    // holds must still fit the print column, or the refill fails.
    const QString name = QStringLiteral("N").repeated(49) + QStringLiteral("Z");
    QCOMPARE(impConfCentralRow({{"NOMCON", name}}).value("NOMCON"), QVariant(QLatin1Char(' ') + name.left(49)));
}

void TestModPrint::relayRowWithItsListLabels()
{
    const QVariantMap relay{{"IDCON", 0}, {"IDREL", 7},  {"TIP", 96},  {"ETIREL", "SIRENA HALL"},
                            {"RMIN", 1},  {"RSEC", 30},  {"DDIA", 0},  {"DNOCH", 1},
                            {"PDIA", 2},  {"PNOCH", 5},  {"IL1", 5},   {"FL1", 0},
                            {"IL2", 200}, {"FL2", QVariant()}, {"IL3", 9}, {"FL3", 12}};
    const auto lookup = [](int zone) -> std::optional<QString> {
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
}

QTEST_GUILESS_MAIN(TestModPrint)
#include "test_modprint.moc"
