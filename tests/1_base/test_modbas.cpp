// The working database: its creation with every table and lookup row, the
// limits its tables enforce, and opening it into the configuration header.

#include "AppState.h"
#include "ModBas.h"
#include "Schema.h"
#include "Seams.h"
#include "Strings.h"

#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

using namespace orb;

namespace {

struct ShownBox {
    QString prompt;
    int style;
    QString title;
};

QVariant scalar(const QString &sql)
{
    QSqlQuery q(BaseDatos());
    if (!q.exec(sql) || !q.next())
        return {};
    return q.value(0);
}

bool run(const QString &sql, const QVariantList &values = {})
{
    QSqlQuery q(BaseDatos());
    q.prepare(sql);
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, values.at(i));
    return q.exec();
}

// Opens the freshly made working database for direct inspection.
void openForInspection()
{
    QSqlDatabase db = BaseDatos();
    db.setDatabaseName(workingDatabasePath());
    QVERIFY(db.open());
}

} // namespace

class TestModBas : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void newDatabaseHoldsOnlyTheLookupRows();
    void tablesHaveTheirFieldsInOrderAndTheirKeys();
    void tablesEnforceSizesRangesAndDefaults();
    void lookupNamesFollowTheLanguageOfCreation();
    void openLoadsTheHeader();
    void openKeepsValuesThatCannotBeConverted();
    void openWithoutAGeneralRow();
    void closeTwiceIsHarmless();
    void unopenableDatabaseIsReportedAndTheProgramGoesOn();
    void uncreatableDatabaseIsReported();
    void leadingNumbers_data();
    void leadingNumbers();

private:
    QList<ShownBox> m_boxes;
};

void TestModBas::init()
{
    appState() = AppState{};
    m_boxes.clear();
    setMsgBoxHandler([this](const QString &prompt, int style, const QString &title) {
        m_boxes.append({prompt, style, title});
        return int(AnsOk);
    });
    setCurrentLanguage(Language::English);
}

void TestModBas::cleanup()
{
    Close_DB();
    QFileInfo info(workingDatabasePath());
    if (info.isDir())
        QDir(info.filePath()).removeRecursively();
    else
        QFile::remove(info.filePath());
}

void TestModBas::newDatabaseHoldsOnlyTheLookupRows()
{
    QVERIFY(Create_DB());
    QCOMPARE(appState().RutaBD, workingDatabasePath());
    QVERIFY2(!BaseDatos().isOpen(), "the new database is closed again");
    QVERIFY(QFile::exists(workingDatabasePath()));
    QVERIFY(m_boxes.isEmpty());
    openForInspection();
    QCOMPARE(scalar(QStringLiteral("SELECT count(*) FROM DIANIT")).toInt(), 3);
    QCOMPARE(scalar(QStringLiteral("SELECT count(*) FROM TIPREL")).toInt(), 6);
    for (const char *table : {"CONFCENTRAL", "IMPCONFCENTRAL", "CONFZONAS", "CONFRELES", "IMPCONFRELES"})
        QCOMPARE(scalar(QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(table))).toInt(), 0);
    QCOMPARE(scalar(QStringLiteral("SELECT group_concat(TIP) FROM (SELECT TIP FROM TIPREL ORDER BY TIP)")).toString(),
             QStringLiteral("0.0,6.0,10.0,16.0,32.0,128.0"));
    QVERIFY(scalar(QStringLiteral("SELECT count(*) FROM TIPREL WHERE \"DESC\" IS NOT NULL")).toInt() == 0);

    // Creating again starts from an empty file: rows added meanwhile are gone.
    QVERIFY(run(QStringLiteral("INSERT INTO CONFZONAS (IDCON, IDZON, ETIZON) VALUES (0, 1, 'A')")));
    Close_DB();
    QVERIFY(Create_DB());
    openForInspection();
    QCOMPARE(scalar(QStringLiteral("SELECT count(*) FROM CONFZONAS")).toInt(), 0);
}

void TestModBas::tablesHaveTheirFieldsInOrderAndTheirKeys()
{
    QVERIFY(Create_DB());
    openForInspection();
    const QList<std::pair<QString, QString>> expected = {
        {"DIANIT", "TIP,NOMTIP"},
        {"TIPREL", "TIP,NOMTIP,DESC"},
        {"CONFCENTRAL", "IDCON,NOMCON,NUMZON,NUMREL,ETIINI,SG1M,SG1S,INIDIA,ININIT,NUMBAR,BAUD,DATBIT,STPBIT,PAR,ECO,"
                        "FLU,PORT"},
        {"IMPCONFCENTRAL", "NOMCON,NUMZON,NUMREL,ETIINI,SG1M,SG1S,INIDIA,ININIT,NUMBAR,BAUD,DATBIT,STPBIT,PAR,ECO,FLU,"
                           "PORT"},
        {"CONFZONAS", "IDCON,IDZON,ETIZON"},
        {"CONFRELES", "IDCON,IDREL,TIP,ETIREL,RMIN,RSEC,DDIA,DNOCH,PDIA,PNOCH,IL1,FL1,IL2,FL2,IL3,FL3,IL4,FL4"},
        {"IMPCONFRELES", "IDCON,IDREL,TIP,ETIREL,RMIN,RSEC,DDIA,DNOCH,PDIA,PNOCH,IL1,IL1Label,FL1,FL1Label,IL2,"
                         "IL2Label,FL2,FL2Label,IL3,IL3Label,FL3,FL3Label,IL4,IL4Label,FL4,FL4Label,ACTGEN"},
    };
    const QMap<QString, QString> keys = {{"DIANIT", "TIP"},           {"TIPREL", "TIP"},
                                         {"CONFCENTRAL", "IDCON"},    {"IMPCONFCENTRAL", ""},
                                         {"CONFZONAS", "IDCON,IDZON"}, {"CONFRELES", "IDCON,IDREL"},
                                         {"IMPCONFRELES", "IDCON,IDREL"}};
    QCOMPARE(scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table'")).toInt(), 7);
    for (const auto &[table, fields] : expected) {
        QSqlQuery info(BaseDatos());
        QVERIFY(info.exec(QStringLiteral("PRAGMA table_info(\"%1\")").arg(table)));
        QStringList names;
        QMap<int, QString> keyByPosition;
        while (info.next()) {
            names << info.value(1).toString();
            if (info.value(5).toInt() > 0)
                keyByPosition.insert(info.value(5).toInt(), info.value(1).toString());
        }
        QCOMPARE(names.join(QLatin1Char(',')), fields);
        QCOMPARE(keyByPosition.values().join(QLatin1Char(',')), keys.value(table));
        const QString sql = scalar(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = '%1'").arg(table)).toString();
        QCOMPARE(sql.contains(QStringLiteral("CONSTRAINT PrimaryKey PRIMARY KEY")), !keys.value(table).isEmpty());
    }
}

void TestModBas::tablesEnforceSizesRangesAndDefaults()
{
    QVERIFY(Create_DB());
    openForInspection();
    const QString zone = QStringLiteral("INSERT INTO CONFZONAS (IDCON, IDZON, ETIZON) VALUES (?, ?, ?)");
    QVERIFY(run(zone, {0, 1, QString(16, QLatin1Char('Z'))}));
    QVERIFY2(!run(zone, {0, 2, QString(17, QLatin1Char('Z'))}), "a 17-character zone label is refused");
    QVERIFY2(run(zone, {0, 3, QString()}), "a zone label may be empty");
    QVERIFY2(!run(zone, {0, 256, QStringLiteral("A")}), "a zone number is a byte");
    QVERIFY2(!run(zone, {0, -1, QStringLiteral("A")}), "a zone number is a byte");
    QVERIFY2(!run(zone, {0, 1, QStringLiteral("again")}), "the key is unique");
    QVERIFY2(!run(QStringLiteral("INSERT INTO CONFZONAS (IDCON, IDZON, ETIZON) VALUES (NULL, 9, 'A')")),
             "IDCON is required");
    QVERIFY2(!run(QStringLiteral("INSERT INTO DIANIT (TIP, NOMTIP) VALUES (7, '')")), "NOMTIP may not be empty");
    QVERIFY(run(QStringLiteral("INSERT INTO DIANIT (TIP) VALUES (7)")));

    // Integer, Long and Text(50) limits of the general row; its defaults.
    QVERIFY(!run(QStringLiteral("INSERT INTO CONFCENTRAL (IDCON, BAUD) VALUES (1, 40000)")));
    QVERIFY(!run(QStringLiteral("INSERT INTO CONFCENTRAL (IDCON, NUMZON) VALUES (1, 3000000000)")));
    QVERIFY(!run(QStringLiteral("INSERT INTO CONFCENTRAL (IDCON, NOMCON) VALUES (1, ?)"), {QString(51, 'n')}));
    QVERIFY(run(QStringLiteral("INSERT INTO CONFCENTRAL (NOMCON) VALUES (?)"), {QString(50, 'n')}));
    QCOMPARE(scalar(QStringLiteral("SELECT IDCON || '/' || NUMZON || '/' || PAR || '/' || PORT FROM CONFCENTRAL")).toString(),
             QStringLiteral("0/0/0/0"));
    QVERIFY(!run(QStringLiteral("INSERT INTO CONFRELES (IDCON, IDREL, TIP) VALUES (0, 1, 256)")));

    // Text fields given a number as default hold its text.
    QVERIFY(run(QStringLiteral("INSERT INTO IMPCONFRELES (IDCON, IDREL) VALUES (0, 1)")));
    QSqlQuery row(BaseDatos());
    QVERIFY(row.exec(QStringLiteral("SELECT DDIA, PNOCH, TIP, IL1Label, ACTGEN, RMIN FROM IMPCONFRELES")));
    QVERIFY(row.next());
    QCOMPARE(row.value(0).toString(), QStringLiteral("20"));
    QCOMPARE(row.value(1).toString(), QStringLiteral("20"));
    QCOMPARE(row.value(2).toString(), QStringLiteral("0"));
    QCOMPARE(row.value(3).toString(), QStringLiteral("16"));
    QCOMPARE(row.value(4).toString(), QStringLiteral("16"));
    QCOMPARE(row.value(5).toInt(), 0);
    QVERIFY(!run(QStringLiteral("INSERT INTO IMPCONFRELES (IDCON, IDREL, ETIREL) VALUES (0, 2, ?)"), {QString(21, 'r')}));
    QVERIFY(!run(QStringLiteral("INSERT INTO IMPCONFRELES (IDCON, IDREL, DDIA) VALUES (0, 3, ?)"), {QString(256, 'd')}));
    QVERIFY(run(QStringLiteral("INSERT INTO IMPCONFCENTRAL (NOMCON) VALUES ('x')")));
    QCOMPARE(scalar(QStringLiteral("SELECT ININIT || PAR FROM IMPCONFCENTRAL")).toString(), QStringLiteral("00"));
}

void TestModBas::lookupNamesFollowTheLanguageOfCreation()
{
    setCurrentLanguage(Language::English);
    QVERIFY(Create_DB());
    openForInspection();
    QCOMPARE(scalar(QStringLiteral("SELECT NOMTIP FROM TIPREL WHERE TIP = 6")).toString(),
             QStringLiteral("EXTINGUISHION PREALARM "));
    QCOMPARE(scalar(QStringLiteral("SELECT NOMTIP FROM DIANIT WHERE TIP = 2")).toString(), QStringLiteral("Delayed"));

    // Opened later under a Spanish interface, the names stay English.
    setCurrentLanguage(Language::Spanish);
    QVERIFY(run(QStringLiteral("INSERT INTO CONFCENTRAL (NOMCON) VALUES ('c')")));
    QCOMPARE(Open_Conf(), OpenResult::Opened);
    QCOMPARE(scalar(QStringLiteral("SELECT NOMTIP FROM TIPREL WHERE TIP = 128")).toString(),
             QStringLiteral("NOT CONFIGURATED"));

    QVERIFY(Create_DB());
    openForInspection();
    QCOMPARE(scalar(QStringLiteral("SELECT NOMTIP FROM TIPREL WHERE TIP = 6")).toString(),
             QStringLiteral("PREALARMA EXTINCIÓN"));
    QCOMPARE(scalar(QStringLiteral("SELECT NOMTIP FROM DIANIT WHERE TIP = 0")).toString(), QStringLiteral("No Activo"));
}

void TestModBas::openLoadsTheHeader()
{
    QVERIFY(Create_DB());
    openForInspection();
    QVERIFY(run(QStringLiteral("INSERT INTO CONFCENTRAL (NOMCON, NUMZON, NUMREL, INIDIA, ININIT, ETIINI) "
                               "VALUES (?, 8, 4, 7, 22, ?)"),
                {QStringLiteral("Hotel O'Neill"), QStringLiteral("CENTRAL PLANTA 1")}));
    Close_DB();
    appState().IdCon = 5;
    QCOMPARE(Open_Conf(), OpenResult::Opened);
    const AppState &s = appState();
    QCOMPARE(s.NomCon, QStringLiteral("Hotel O'Neill"));
    QCOMPARE(s.IdCon, qint16(0));
    QCOMPARE(s.NumZon, quint8(8));
    QCOMPARE(s.NumRel, quint8(4));
    QCOMPARE(s.IniDia, quint8(7));
    QCOMPARE(s.IniNit, quint8(22));
    QCOMPARE(s.EtiIni, QStringLiteral("CENTRAL PLANTA 1"));
    QVERIFY(BaseDatos().isOpen());
    QVERIFY(m_boxes.isEmpty());
}

void TestModBas::openKeepsValuesThatCannotBeConverted()
{
    QVERIFY(Create_DB());
    openForInspection();
    QVERIFY(run(QStringLiteral("INSERT INTO CONFCENTRAL (IDCON, NOMCON, NUMZON, NUMREL, INIDIA, ININIT, ETIINI) "
                               "VALUES (40000, NULL, 300, 12, NULL, -1, NULL)")));
    AppState &s = appState();
    s.IdCon = 5;
    s.NomCon = QStringLiteral("previous");
    s.NumZon = 9;
    s.NumRel = 3;
    s.IniDia = 6;
    s.IniNit = 21;
    s.EtiIni = QStringLiteral("old label");
    QCOMPARE(Open_Conf(), OpenResult::Opened);
    QCOMPARE(s.IdCon, qint16(5));                       // 40000 does not fit 16 bits
    QCOMPARE(s.NomCon, QStringLiteral("previous"));   // Null
    QCOMPARE(s.NumZon, quint8(9));                      // 300 does not fit a byte
    QCOMPARE(s.NumRel, quint8(12));                     // later columns are still read
    QCOMPARE(s.IniDia, quint8(6));                      // Null
    QCOMPARE(s.IniNit, quint8(21));                     // negative
    QCOMPARE(s.EtiIni, QStringLiteral("old label"));
}

void TestModBas::openWithoutAGeneralRow()
{
    QVERIFY(Create_DB());
    AppState &s = appState();
    s.NomCon = QStringLiteral("kept");
    s.NumZon = 17;
    QCOMPARE(Open_Conf(), OpenResult::NoRow);
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes.first().prompt, Str(120));
    QCOMPARE(m_boxes.first().style, int(MsgOk));
    QCOMPARE(m_boxes.first().title, QStringLiteral("ORBITarsis"));
    QCOMPARE(s.NomCon, QStringLiteral("kept"));
    QCOMPARE(s.NumZon, quint8(17));
    QVERIFY2(BaseDatos().isOpen(), "the database stays open");
}

void TestModBas::closeTwiceIsHarmless()
{
    Close_DB();   // nothing ever opened
    QVERIFY(Create_DB());
    QVERIFY(!BaseDatos().isOpen());   // closed after creation
    openForInspection();
    QVERIFY(run(QStringLiteral("INSERT INTO CONFCENTRAL (NOMCON) VALUES ('c')")));
    QCOMPARE(Open_Conf(), OpenResult::Opened);
    Close_DB();
    Close_DB();
    QVERIFY(!BaseDatos().isOpen());
    QVERIFY(m_boxes.isEmpty());
}

void TestModBas::unopenableDatabaseIsReportedAndTheProgramGoesOn()
{
    // A missing file is not created behind the user's back.
    QCOMPARE(Open_Conf(), OpenResult::Failed);
    QVERIFY(!QFile::exists(workingDatabasePath()));
    QCOMPARE(m_boxes.size(), 1);
    QVERIFY(m_boxes.first().prompt.startsWith(Str(1001) + workingDatabasePath() + Str(1) + QStringLiteral("\n\n")));
    QVERIFY(m_boxes.first().prompt.endsWith(QStringLiteral("\n\n") + Str(1002)));

    // A text file is not a database.
    QFile text(workingDatabasePath());
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write(QByteArray("This is a letter, not a configuration.\n").repeated(40));
    text.close();
    appState().NomCon = QStringLiteral("kept");
    QCOMPARE(Open_Conf(), OpenResult::Failed);
    QCOMPARE(m_boxes.size(), 2);
    QCOMPARE(m_boxes.last().prompt, Str(1001) + workingDatabasePath() + Str(1) + QStringLiteral("\n\n26\n\n") + Str(1002));
    QCOMPARE(appState().NomCon, QStringLiteral("kept"));
    QVERIFY(!BaseDatos().isOpen());
}

void TestModBas::uncreatableDatabaseIsReported()
{
    // A folder where the file should be can neither be deleted nor opened.
    QVERIFY(QDir().mkpath(workingDatabasePath() + QStringLiteral("/inside")));
    QVERIFY(!Create_DB());
    QCOMPARE(m_boxes.size(), 1);
    QVERIFY(m_boxes.first().prompt.startsWith(Str(1001) + workingDatabasePath() + Str(1)));
    QVERIFY(!BaseDatos().isOpen());
}

void TestModBas::leadingNumbers_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<double>("number");
    QTest::addColumn<bool>("ok");
    QTest::newRow("plain") << QVariant(QStringLiteral("128")) << 128.0 << true;
    QTest::newRow("blanks and tail") << QVariant(QStringLiteral("  12abc")) << 12.0 << true;
    QTest::newRow("no number") << QVariant(QStringLiteral("abc")) << 0.0 << true;
    QTest::newRow("empty") << QVariant(QString()) << 0.0 << true;
    QTest::newRow("negative") << QVariant(QStringLiteral("-5")) << -5.0 << true;
    QTest::newRow("fraction") << QVariant(QStringLiteral("3.75x")) << 3.75 << true;
    QTest::newRow("integer value") << QVariant(42) << 42.0 << true;
    QTest::newRow("null") << QVariant(QMetaType(QMetaType::QString)) << 0.0 << false;
}

void TestModBas::leadingNumbers()
{
    QFETCH(QVariant, value);
    bool ok = !QTest::currentDataTag();
    const double number = leadingNumber(value, &ok);
    QTEST(number, "number");
    QTEST(ok, "ok");
}

QTEST_GUILESS_MAIN(TestModBas)
#include "test_modbas.moc"
