// The working database: its creation with every table and lookup row, the
// limits its tables enforce, opening it into the configuration header, and
// its configuration tables as the rest of the program reads and writes them
// (always the first general row, and the rows of the open configuration only;
// a write that finds no row says so), and the cause a failed write is told
// by, in the user's language. And that this test, started by hand
// in a user's session, leaves the user's working database and settings
// alone.

#include "AppState.h"
#include "ConfigTables.h"
#include "ModBas.h"
#include "ScriptedBoxes.h"
#include "Strings.h"
#include "TestConfiguration.h"
#include "TestHome.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

using namespace orb;
using namespace orbtest;

namespace {

// Makes the working database and opens it for direct inspection.
void createAndOpen()
{
    QVERIFY(Create_DB());
    QSqlDatabase db = BaseDatos();
    QVERIFY2(!db.isOpen(), "the new database is closed again");
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
    void tablesEnforceSizesAndRanges_data();
    void tablesEnforceSizesAndRanges();
    void openLoadsTheHeader_data();
    void openLoadsTheHeader();
    void leadingNumbers_data();
    void leadingNumbers();
    void generalRowIsTheFirstRow();
    void rowsOfTheOpenConfigurationOnly();
    void startedByHandLeavesTheUsersFilesAlone_data();
    void startedByHandLeavesTheUsersFilesAlone();
    void failedWritesAreToldByTheirCause_data();
    void failedWritesAreToldByTheirCause();

private:
    std::unique_ptr<ScriptedBoxes> m_boxes;
};

void TestModBas::init()
{
    appState() = AppState{};
    m_boxes = std::make_unique<ScriptedBoxes>();
    setCurrentLanguage(Language::English);
}

void TestModBas::cleanup()
{
    m_boxes.reset();
    Close_DB();
    QFile::remove(workingDatabasePath());
}

void TestModBas::newDatabaseHoldsOnlyTheLookupRows()
{
    createAndOpen();
    QVERIFY(m_boxes->shown.isEmpty());
    QCOMPARE(rows("SELECT group_concat(TIP) FROM (SELECT TIP FROM TIPREL ORDER BY TIP)"),
             QStringList("0.0,6.0,10.0,16.0,32.0,128.0"));
    QCOMPARE(rows("SELECT (SELECT count(*) FROM DIANIT), (SELECT count(*) FROM CONFCENTRAL) + (SELECT count(*) FROM "
                  "IMPCONFCENTRAL) + (SELECT count(*) FROM CONFZONAS) + (SELECT count(*) FROM CONFRELES) + (SELECT "
                  "count(*) FROM IMPCONFRELES)"),
             QStringList("3|0"));

    // Their names are in the language of creation: opened later under a
    // Spanish interface, they stay English.
    QCOMPARE(rows("SELECT NOMTIP FROM TIPREL WHERE TIP = 6"), QStringList(Str(4919)));
    setCurrentLanguage(Language::Spanish);
    QVERIFY(execBound(QStringLiteral("INSERT INTO CONFCENTRAL (NOMCON) VALUES ('c')")));
    QCOMPARE(Open_Conf(), OpenResult::Opened);
    QCOMPARE(rows("SELECT NOMTIP FROM TIPREL WHERE TIP = 128"), QStringList(Str(4923, Language::English)));

    // Made anew (from an empty file: no row of before is left), in Spanish.
    createAndOpen();
    QCOMPARE(rows("SELECT NOMTIP FROM DIANIT WHERE TIP = 0"), QStringList("No Activo"));
    QCOMPARE(rows("SELECT count(*) FROM CONFCENTRAL"), QStringList("0"));
}

void TestModBas::tablesEnforceSizesAndRanges_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QVariantList>("values");
    QTest::addColumn<bool>("accepted");
    const auto row = [](const char *name, const char *sql, const QVariantList &values, bool accepted) {
        QTest::newRow(name) << QString::fromLatin1(sql) << values << accepted;
    };
    const char *zone = "INSERT INTO CONFZONAS (IDCON, IDZON, ETIZON) VALUES (?, ?, ?)";
    row("zone label of 16", zone, {0, 2, QString(16, QLatin1Char('Z'))}, true);
    row("zone label of 17", zone, {0, 2, QString(17, QLatin1Char('Z'))}, false);
    row("zone 256", zone, {0, 256, QStringLiteral("A")}, false);
    row("zone twice", zone, {0, 1, QStringLiteral("again")}, false);
    row("no IDCON", zone, {QVariant(), 9, QStringLiteral("A")}, false);
    row("empty lookup name", "INSERT INTO DIANIT (TIP, NOMTIP) VALUES (7, '')", {}, false);
    row("Integer of 40000", "INSERT INTO CONFCENTRAL (IDCON, BAUD) VALUES (1, 40000)", {}, false);
    row("Long of 3000000000", "INSERT INTO CONFCENTRAL (IDCON, NUMZON) VALUES (1, 3000000000)", {}, false);
}

void TestModBas::tablesEnforceSizesAndRanges()
{
    QFETCH(QString, sql);
    QFETCH(QVariantList, values);
    createAndOpen();
    QVERIFY(execBound(QStringLiteral("INSERT INTO CONFZONAS (IDCON, IDZON, ETIZON) VALUES (0, 1, 'A')")));
    QTEST(execBound(sql, values), "accepted");
}

void TestModBas::openLoadsTheHeader_data()
{
    QTest::addColumn<QString>("values");  // IDCON, NOMCON, NUMZON, NUMREL, INIDIA, ININIT, ETIINI; empty: no row;
                                          // "missing", "text": no database in its place
    QTest::addColumn<QString>("header");  // the same as the header holds them then
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("message"); // the one message shown, if any
    const QString previous = QStringLiteral("5|previous|9|3|6|21|old label");
    const QString lf2 = QStringLiteral("\n\n");
    const QString failure = Str(1001, Language::English) + workingDatabasePath() + Str(1, Language::English) + lf2
                            + QStringLiteral("%1") + lf2 + Str(1002, Language::English);
    const int opened = int(OpenResult::Opened);
    const int failed = int(OpenResult::Failed);
    QTest::newRow("a configuration") << "0, 'Hotel Plaza', 8, 4, 7, 22, 'CENTRAL PLANTA 1'"
                                     << "0|Hotel Plaza|8|4|7|22|CENTRAL PLANTA 1" << opened << "";
    // What does not fit its slot (a number too big or negative, a Null)
    // leaves what the header held; later columns are still read.
    QTest::newRow("values that cannot be converted")
        << "40000, NULL, 300, 12, NULL, -1, NULL" << "5|previous|9|12|6|21|old label" << opened << "";
    QTest::newRow("no general row") << "" << previous << int(OpenResult::NoRow) << Str(120, Language::English);
    // A missing file is not created behind the user's back.
    QTest::newRow("missing file") << "missing" << previous << failed << failure.arg(14);
    QTest::newRow("text file") << "text" << previous << failed << failure.arg(26);
}

void TestModBas::openLoadsTheHeader()
{
    QFETCH(QString, values);
    QFETCH(int, result);
    QFETCH(QString, message);
    const auto insert = [](const QString &values) {
        return execBound(QStringLiteral("INSERT INTO CONFCENTRAL (IDCON, NOMCON, NUMZON, NUMREL, INIDIA, ININIT, "
                                        "ETIINI) VALUES (%1)").arg(values));
    };
    // The header of the configuration opened before.
    createAndOpen();
    QVERIFY(insert(QStringLiteral("5, 'previous', 9, 3, 6, 21, 'old label'")));
    QCOMPARE(Open_Conf(), OpenResult::Opened);
    QVERIFY(execBound(QStringLiteral("DELETE FROM CONFCENTRAL")));
    if (result == int(OpenResult::Failed)) {
        Close_DB();
        QVERIFY(QFile::remove(workingDatabasePath()));
        if (values == QLatin1String("text"))
            QVERIFY(writeFile(workingDatabasePath(), QByteArray("This is a letter, not a configuration.\n").repeated(40)));
    } else {
        QVERIFY(values.isEmpty() || insert(values));
    }

    QCOMPARE(int(Open_Conf()), result);
    const AppState &s = appState();
    QTEST(QStringList({QString::number(s.IdCon), s.NomCon, QString::number(s.NumZon), QString::number(s.NumRel),
                       QString::number(s.IniDia), QString::number(s.IniNit), s.EtiIni})
              .join(QLatin1Char('|')),
          "header");
    QCOMPARE(BaseDatos().isOpen(), result != int(OpenResult::Failed));
    QCOMPARE(QFile::exists(workingDatabasePath()), values != QLatin1String("missing"));
    QCOMPARE(m_boxes->shown.size(), message.isEmpty() ? 0 : 1);
    QCOMPARE(m_boxes->shown.value(0).prompt, message);
}

void TestModBas::leadingNumbers_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<double>("number");
    QTest::addColumn<bool>("ok");
    // Signs and whole numbers as the database gives them: openLoadsTheHeader.
    QTest::newRow("blanks and tail") << QVariant(QStringLiteral("  12abc")) << 12.0 << true;
    QTest::newRow("no number") << QVariant(QStringLiteral("abc")) << 0.0 << true;
    QTest::newRow("fraction") << QVariant(QStringLiteral("3.75x")) << 3.75 << true;
    QTest::newRow("null") << QVariant(QMetaType(QMetaType::QString)) << 0.0 << false;
}

void TestModBas::leadingNumbers()
{
    QFETCH(QVariant, value);
    QFETCH(bool, ok);
    bool got = !ok;
    QTEST(leadingNumber(value, &got), "number");
    QCOMPARE(got, ok);
}

void TestModBas::generalRowIsTheFirstRow()
{
    QVERIFY(makeConfiguration(3, 2));
    // A second general row (a document written elsewhere) is never "the" row.
    QVERIFY(execBound(QStringLiteral("INSERT INTO CONFCENTRAL (IDCON, NOMCON, NUMZON) VALUES (5, 'Second', 9)")));
    QCOMPARE(generalRow()->value(QStringLiteral("NOMCON")).toString(), QStringLiteral("Hotel Plaza"));
    QVERIFY(updateGeneralRow({{"NUMZON", 7}, {"ETIINI", QStringLiteral("NORTE")}}));
    QCOMPARE(rows(QStringLiteral("SELECT NOMCON, NUMZON, ETIINI FROM CONFCENTRAL ORDER BY rowid")),
             (QStringList{QStringLiteral("Hotel Plaza|7|NORTE"), QStringLiteral("Second|9|")}));

    QVERIFY(execBound(QStringLiteral("DELETE FROM CONFCENTRAL")));
    QVERIFY(!generalRow());
    QSqlError error;
    QVERIFY(!updateGeneralRow({{"NUMZON", 1}}, &error));
    QVERIFY(isNoRowError(error));
}

void TestModBas::rowsOfTheOpenConfigurationOnly()
{
    QVERIFY(makeConfiguration(3, 2));
    // Rows of another configuration are left alone by the shrinking.
    QVERIFY(execBound(QStringLiteral("INSERT INTO CONFZONAS (IDCON, IDZON, ETIZON) VALUES (4, 9, 'OTHER')")));
    QVERIFY(execBound(QStringLiteral("INSERT INTO CONFRELES (IDCON, IDREL, TIP) VALUES (4, 9, 6)")));
    QVERIFY(deleteZonesAbove(1, 0) && deleteRelaysAbove(1, 0));
    QCOMPARE(rows(QStringLiteral("SELECT IDCON, IDZON FROM CONFZONAS UNION ALL SELECT IDCON, IDREL FROM CONFRELES")),
             (QStringList{"0|1", "4|9", "0|1", "4|9"}));
    QVERIFY(!relayRow(9, 0) && relayRow(9, 4));

    // Writes that find no row fail.
    QVERIFY(!setZoneLabel(0, 99, QStringLiteral("none")));
    RelayRow missing = *relayRow(1, 0);
    missing.IDREL = 40;
    QVERIFY(!storeRelayRow(missing));
}

namespace {

// Every file under a folder with its contents, and every folder.
QMap<QString, QByteArray> filesUnder(const QString &folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        QByteArray contents("folder");
        if (!it.fileInfo().isDir())
            contents = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("unreadable");
        files.insert(QDir(folder).relativeFilePath(path), contents);
    }
    return files;
}

} // namespace

void TestModBas::startedByHandLeavesTheUsersFilesAlone_data()
{
    // Where a user's session keeps the data and settings: the default
    // folders under the home, or XDG folders of its own.
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("config");
    QTest::newRow("home") << ".local/share" << ".config";
    QTest::newRow("XDG") << "xdg/data" << "xdg/config";
}

void TestModBas::startedByHandLeavesTheUsersFilesAlone()
{
    QFETCH(QString, data);
    QFETCH(QString, config);
    // A user's working database and marks naming it.
    QTemporaryDir user;
    QVERIFY(QDir(user.path()).mkpath(data + QStringLiteral("/ORBITarsis")));
    QVERIFY(QDir(user.path()).mkpath(config + QStringLiteral("/ORBITarsis")));
    QFile working(user.filePath(data + QStringLiteral("/ORBITarsis/Vuvurov.mdb")));
    QVERIFY(working.open(QIODevice::WriteOnly) && working.write("the user's configuration") > 0);
    working.close();
    QFile marks(user.filePath(config + QStringLiteral("/ORBITarsis/ORBITarsis.conf")));
    QVERIFY(marks.open(QIODevice::WriteOnly)
            && marks.write("[Properties]\nWorkingFile=/home/user/Planta.vcs\nWorkingName=Planta.vcs\n") > 0);
    marks.close();
    const QMap<QString, QByteArray> before = filesUnder(user.path());

    // This program started in that session, without what a test program
    // hands to the programs it starts, runs a test that makes and deletes
    // the working database.
    QProcessEnvironment session = QProcessEnvironment::systemEnvironment();
    for (const QString &name : session.keys()) {
        if (name == QLatin1String("HOME") || name.startsWith(QLatin1String("XDG_"))
            || name == QLatin1String(TestHome::kInherited))
            session.remove(name);
    }
    session.insert(QStringLiteral("HOME"), user.path());
    if (!data.startsWith(QLatin1Char('.'))) {
        session.insert(QStringLiteral("XDG_DATA_HOME"), user.filePath(data));
        session.insert(QStringLiteral("XDG_CONFIG_HOME"), user.filePath(config));
    }
    QProcess test;
    test.setProcessEnvironment(session);
    test.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    test.start(QCoreApplication::applicationFilePath(), {QStringLiteral("newDatabaseHoldsOnlyTheLookupRows")});
    QVERIFY(test.waitForFinished(120000));
    QVERIFY2(test.exitStatus() == QProcess::NormalExit && test.exitCode() == 0, test.readAllStandardOutput());

    QCOMPARE(filesUnder(user.path()), before);
}

void TestModBas::failedWritesAreToldByTheirCause_data()
{
    // Zone rows written in a transaction: "full", new ones in a database
    // that may grow no more; "disk", a label while the disk takes no write
    // beyond its first 1000 bytes; "read-only", a label in a database that
    // takes no write. Otherwise the error an engine gives, as code, engine
    // text and Qt's text.
    QTest::addColumn<QString>("failure");
    QTest::addColumn<bool>("spanish");
    QTest::addColumn<QString>("told");
    for (const bool spanish : {false, true}) {
        const char *language = spanish ? "Spanish" : "English";
        QTest::addRow("full disk, %s", language)
            << "full" << spanish << (spanish ? "13 La base de datos o el disco está lleno"
                                             : "13 The database or the disk is full");
        QTest::addRow("read-only, %s", language)
            << "read-only" << spanish << (spanish ? "8 No se puede escribir en la base de datos"
                                                  : "8 The database cannot be written to");
        QTest::addRow("disk error, %s", language)
            << "disk" << spanish
            << (spanish ? "778 No se ha podido leer o escribir en el disco" : "778 The disk could not be read or written");
        QTest::addRow("busy, %s", language) << "5|database is locked|Unable to fetch row" << spanish
                                            << (spanish ? "5 La base de datos está bloqueada" : "5 The database is locked");
        QTest::addRow("table locked, %s", language)
            << "6|database table is locked|Unable to fetch row" << spanish
            << (spanish ? "6 La base de datos está bloqueada" : "6 The database is locked");
    }
    // Another cause in the engine's words, without Qt's; Qt's words only
    // when the engine gave none.
    QTest::newRow("other cause") << "19|UNIQUE constraint failed: T.A|Unable to fetch row" << true
                                 << "19 UNIQUE constraint failed: T.A";
    QTest::newRow("no engine text") << "|  |Unable to begin transaction" << true << "3 Unable to begin transaction";
}

void TestModBas::failedWritesAreToldByTheirCause()
{
    QFETCH(QString, failure);
    QFETCH(bool, spanish);
    setCurrentLanguage(spanish ? Language::Spanish : Language::English);
    QSqlError error;
    if (!failure.contains(QLatin1Char('|'))) {
        QVERIFY(makeConfiguration(2, 0));
        QSqlQuery pragma(BaseDatos());
        if (failure == QLatin1String("full")) {
            QVERIFY(pragma.exec(QStringLiteral("PRAGMA page_count")) && pragma.next());
            QVERIFY(pragma.exec(QStringLiteral("PRAGMA max_page_count = %1").arg(pragma.value(0).toInt())));
        } else if (failure == QLatin1String("read-only")) {
            QVERIFY(pragma.exec(QStringLiteral("PRAGMA query_only = ON")));
        }
        rlimit unlimited{};
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &unlimited) == 0);
        std::signal(SIGXFSZ, SIG_IGN);
        const auto restore = qScopeGuard([&unlimited] {
            ::setrlimit(RLIMIT_FSIZE, &unlimited);
            std::signal(SIGXFSZ, SIG_DFL);
        });
        const rlimit small{1000, unlimited.rlim_max};
        QVERIFY(failure != QLatin1String("disk") || ::setrlimit(RLIMIT_FSIZE, &small) == 0);
        Transaction transaction(BaseDatos());
        QVERIFY(transaction.started());
        const bool written = failure == QLatin1String("full")
                                 ? addDefaultZoneRows(0, 3, 255, &error)
                                 : setZoneLabel(0, 1, QStringLiteral("NORTE"), &error);
        QVERIFY(!written || !transaction.commit());
        if (!error.isValid())
            error = transaction.error();
    } else {
        const QStringList parts = failure.split(QLatin1Char('|'));
        error = QSqlError(parts.at(2), parts.at(1), QSqlError::TransactionError, parts.at(0));
    }
    QTEST(databaseErrorText(error), "told");
}

ORB_TEST_GUILESS_MAIN(TestModBas)
#include "test_modbas.moc"
