// Documents: storing the working database into a document and opening a
// document into the working database, what a failure of each step leaves
// behind, and stores killed at any moment.

#include "ConfigTables.h"
#include "Documents.h"
#include "Marks.h"
#include "Schema.h"
#include "ScriptedBoxes.h"
#include "SettingsStore.h"
#include "Strings.h"
#include "TestConfiguration.h"
#include "TestHome.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QSqlError>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

using namespace orb;
using namespace orbtest;

namespace {

// The names and label prefixes of generation g, so that a configuration read
// back shows whether all of it comes from one store.
QString generationName(qint64 g) { return QStringLiteral("GEN %1").arg(g); }
QString zonePrefix(qint64 g) { return QStringLiteral("G%1 Z").arg(g); }
QString relayPrefix(qint64 g) { return QStringLiteral("G%1 R").arg(g); }

// Relabels the whole open configuration as generation g in one transaction:
// its name, and every label its prefix and its number.
bool relabel(qint64 g)
{
    QSqlDatabase db = BaseDatos();
    if (!db.transaction())
        return false;
    if (execBound(QStringLiteral("UPDATE CONFCENTRAL SET NOMCON = ?"), {generationName(g)})
        && execBound(QStringLiteral("UPDATE CONFZONAS SET ETIZON = ? || IDZON"), {zonePrefix(g)})
        && execBound(QStringLiteral("UPDATE CONFRELES SET ETIREL = ? || IDREL"), {relayPrefix(g)}))
        return db.commit();
    db.rollback();
    return false;
}

// Every row of every configuration table, in key order, as text.
QStringList dumpAllTables(QSqlDatabase db = BaseDatos())
{
    QStringList rows;
    for (const TableDef *table : allTables()) {
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(QLatin1String(table->name))))
            rows << QStringLiteral("unreadable %1").arg(QLatin1String(table->name));
        while (q.next()) {
            QStringList fields{QLatin1String(table->name)};
            for (int i = 0; i < q.record().count(); ++i)
                fields << (q.value(i).isNull() ? QStringLiteral("<null>") : q.value(i).toString());
            rows << fields.join(QLatin1Char('|'));
        }
    }
    return rows;
}

// Names in a folder, hidden ones included, sorted.
QStringList folderEntries(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::Dirs | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

// Every row of every table of a document, read on a connection of its own.
QStringList dumpDocument(const QString &path) { return onSideConnection(path, true, dumpAllTables); }

// Runs the statements on a document through a connection of its own that
// does not enforce the tables' checks.
bool spoil(const QString &path, const QStringList &statements)
{
    return onSideConnection(path, false, [&statements](QSqlDatabase &db) {
        bool ok = QSqlQuery(db).exec(QStringLiteral("PRAGMA ignore_check_constraints = ON"));
        for (const QString &statement : statements) {
            QSqlQuery query(db);
            if (ok && !query.exec(statement)) {
                qWarning("%s: %s", qPrintable(statement), qPrintable(query.lastError().text()));
                ok = false;
            }
        }
        return ok;
    });
}

// The open configuration as the status panel shows it.
QString header()
{
    const AppState &s = appState();
    return QStringList{s.NomCon, QString::number(s.IdCon), QString::number(s.NumZon), QString::number(s.NumRel),
                       QString::number(s.IniDia), QString::number(s.IniNit), s.EtiIni}
        .join(QLatin1Char('|'));
}

QStringList tempFilesIn(const QString &folder)
{
    return folderEntries(folder).filter(QRegularExpression(QStringLiteral("\\.orbtmp$")));
}

// The child of killedStoresLeaveAWholeDocument: makes the configuration in
// its own working database and stores it into the document over and over, a
// new generation each time, writing a line after each completed store, until
// it is killed.
int storeForever(const QString &document, qint64 generation)
{
    if (!makeConfiguration(128, 128) || Open_Conf() != OpenResult::Opened)
        return 3;
    for (;; ++generation) {
        QString error;
        if (!relabel(generation) || !storeDocument(document, &error)) {
            std::fprintf(stderr, "store failed: %s\n", qPrintable(error));
            return 4;
        }
        std::printf("stored %lld\n", static_cast<long long>(generation));
        std::fflush(stdout);
    }
}

// The child of runBounded: opens the document at path into a working
// database of its own, or stores one into it, and prints the outcome and the
// error on one line.
int openOrStoreOnce(const QString &command, const QString &path)
{
    const ScriptedBoxes boxes;
    if (!makeConfiguration(4, 2) || Open_Conf() != OpenResult::Opened)
        return 3;
    QString error;
    const int outcome = command == QLatin1String("--open-once") ? int(openDocument(path, &error))
                                                                : int(storeDocument(path, &error));
    std::printf("%d|%s\n", outcome, qPrintable(error));
    return 0;
}

// The child of storeOntoADocumentInUseChangesNothing: another program with
// the document open, which runs the statements on it, writes "held" and
// keeps what they took until its input ends.
int holdDocument(const QString &path, const QString &statements)
{
    const QString name = QStringLiteral("holder");
    int code = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open())
            code = 3;
        QSqlQuery query(db);
        for (const QString &statement : statements.split(QLatin1Char(';'))) {
            if (code == 0 && !query.exec(statement)) {
                std::fprintf(stderr, "%s: %s\n", qPrintable(statement), qPrintable(query.lastError().text()));
                code = 4;
            }
        }
        if (code == 0) {
            std::printf("held\n");
            std::fflush(stdout);
            char line[64];
            while (std::fgets(line, sizeof line, stdin)) {
            }
        }
    }
    QSqlDatabase::removeDatabase(name);
    return code;
}

// Runs an open (command "--open-once") or a store ("--store-once") of the
// file at path in a child with a data folder and settings of its own, so
// that an open or store that waits on a pipe or a folder ends as a named
// failure, not as a hung test. Gives the line the child printed: the
// outcome, "|", the error.
QString runBounded(const QString &command, const QString &path, const QString &childFolder)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), childFolder + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), childFolder + QStringLiteral("/config"));
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {command, path});
    if (!child.waitForStarted())
        return QStringLiteral("not started: ") + child.errorString();
    if (!child.waitForFinished(20000)) {
        child.kill();
        child.waitForFinished();
        return QStringLiteral("still waiting after 20 s: it waits on what lies at %1 or beside it").arg(path);
    }
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        return QStringLiteral("ended with %1").arg(child.exitCode());
    return QString::fromLocal8Bit(child.readAllStandardOutput()).trimmed();
}

// What lies in a folder: each entry's name and kind, and a regular file's
// contents (a pipe is never read).
QStringList folderState(const QString &folder)
{
    QStringList state;
    for (const QString &name : folderEntries(folder)) {
        const QFileInfo info(QDir(folder).filePath(name));
        state << name + (info.isDir()    ? QStringLiteral(" folder")
                         : info.isFile() ? QStringLiteral(" ") + QString::fromLatin1(fileBytes(info.filePath()).toHex())
                                         : QStringLiteral(" other"));
    }
    return state;
}

} // namespace

class TestDocuments : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void storedAndReopenedDocumentGivesBackEveryRow();
    void failedOpenLeavesTheOpenConfigurationAsItWas_data();
    void failedOpenLeavesTheOpenConfigurationAsItWas();
    void documentInWalModeOpensWithItsLastChange();
    void openTakesOnlyTheRowsOfADocument_data();
    void openTakesOnlyTheRowsOfADocument();
    void failedStoreLeavesTheOldDocument_data();
    void failedStoreLeavesTheOldDocument();
    void storeReplacesTheDocumentAndNothingElse();
    void storeOntoADocumentInUseChangesNothing_data();
    void storeOntoADocumentInUseChangesNothing();
    void filesOfTheProgramAreNeverDocuments_data();
    void filesOfTheProgramAreNeverDocuments();
    void pipeWhereAJournalOfTheWorkingDatabaseBelongs_data();
    void pipeWhereAJournalOfTheWorkingDatabaseBelongs();
    void fileStepsComeInOrder_data();
    void fileStepsComeInOrder();
    void killedStoresLeaveAWholeDocument();

private:
    QString doc(const QString &name) const { return m_dir->filePath(name); }

    std::unique_ptr<ScriptedBoxes> m_boxes;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestDocuments::init()
{
    appState() = AppState{};
    setCurrentLanguage(Language::English);
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(makeConfiguration(128, 128));
    QVERIFY(Open_Conf() == OpenResult::Opened);
    m_boxes = std::make_unique<ScriptedBoxes>();
}

void TestDocuments::cleanup()
{
    Close_DB();
    QFile::remove(workingDatabasePath());
    m_boxes.reset();
    m_dir.reset();
}

void TestDocuments::storedAndReopenedDocumentGivesBackEveryRow()
{
    // Rows in the report tables and values at their limits travel too.
    QVERIFY(execBound(QStringLiteral("UPDATE CONFRELES SET TIP = 70, RMIN = 255, RSEC = 59, DDIA = 2, IL4 = 128, "
                                     "FL4 = 128, ETIREL = ? WHERE IDREL = 128"),
                      {QStringLiteral("Ñandú ÁÉÍÓÚ 16ch")}));
    QVERIFY(execBound(QStringLiteral("INSERT INTO IMPCONFCENTRAL (NOMCON, NUMZON) VALUES ('Hotel', '128')")));
    QVERIFY(execBound(QStringLiteral("INSERT INTO IMPCONFRELES (IDCON, IDREL, ACTGEN) VALUES (0, 1, 'Si')")));
    const QStringList before = dumpAllTables();
    QCOMPARE(before.size(), 3 + 6 + 1 + 1 + 128 + 128 + 1);
    const QByteArray workingBefore = fileBytes(workingDatabasePath());

    const QString document = doc(QStringLiteral("Planta Baja ñ #2 ¿50%?"));
    QString error;
    QVERIFY2(storeDocument(document, &error), qPrintable(error));
    QCOMPARE(folderEntries(m_dir->path()), QStringList{QStringLiteral("Planta Baja ñ #2 ¿50%?")});
    QCOMPARE(fileBytes(workingDatabasePath()), workingBefore); // a store never alters the working database
    QCOMPARE(currentPointer(), Pointer::Default);

    // Another configuration takes the working database's place, then the
    // document comes back. What a crash during an earlier open left beside
    // the working database goes too.
    QVERIFY(makeConfiguration(4, 2, QStringLiteral("Otra")));
    QVERIFY(Open_Conf() == OpenResult::Opened);
    QVERIFY(QFile::copy(document, dataFolder() + QStringLiteral("/.Vuvurov.mdb.0000aaaa.orbtmp")));
    QCOMPARE(openDocument(document, &error), OpenDocumentResult::Opened);
    QCOMPARE(dumpAllTables(), before);
    QVERIFY(appState().NomCon == QLatin1String("Hotel Plaza") && appState().NumZon == 128);
    QCOMPARE(tempFilesIn(dataFolder()), QStringList());
    QCOMPARE(dumpDocument(document), before); // opening did not change the document
}

void TestDocuments::failedOpenLeavesTheOpenConfigurationAsItWas_data()
{
    QTest::addColumn<QString>("kind");    // "empty", "missing", or a document spoilt as the kind and statements say
    QTest::addColumn<QString>("spoilt");  // statements run on a good document of another configuration
    QTest::addColumn<int>("failingStep"); // an open step made to fail, or -1
    QTest::addColumn<int>("expected");
    QTest::addColumn<QString>("reason");  // the error exactly, where it is the program's own
    const int invalid = int(OpenDocumentResult::Invalid);
    const int copy = int(OpenDocumentResult::CopyFailed);
    const auto bad = [invalid](const char *row, const char *statements, const char *reason) {
        QTest::newRow(row) << "sql" << statements << -1 << invalid << reason;
    };
    // (A text file: the Open command's own test.)
    QTest::newRow("empty file") << "empty" << "" << -1 << invalid << "26 (The file is empty)";
    QTest::newRow("truncated document") << "truncated" << "" << -1 << invalid << "";
    QTest::newRow("missing file") << "missing" << "" << -1 << copy << "";
    // Refused by their kind alone: a pipe no program writes is never waited on.
    QTest::newRow("pipe") << "pipe" << "" << -1 << invalid << "26 (It is not a document but a device, a pipe or a socket)";
    QTest::newRow("device") << "device" << "" << -1 << invalid
                            << "26 (It is not a document but a device, a pipe or a socket)";
    QTest::newRow("left half-written by another program")
        << "hot" << "" << -1 << invalid
        << "8 (Another program left the document half-written, and it cannot be read safely)";
    // A pipe or a folder where a journal of the document belongs: the engine
    // would open it before the document, and wait on a pipe for good.
    for (const char *other : {"pipe", "folder"}) {
        for (const char *journal : {"journal", "wal", "shm"})
            QTest::addRow("%s named as its -%s", other, journal)
                << QStringLiteral("%1-%2").arg(QLatin1String(other), QLatin1String(journal)) << "" << -1 << invalid
                << "26 (A device, a pipe, a socket or a folder lies where its journal belongs)";
    }
    // A temporary file of the program's own, left beside the working
    // database by a crash: refused, and never deleted by the open.
    QTest::newRow("own temporary file") << "own temp" << "" << -1 << copy
                                        << "22 (It is a file ORBITarsis keeps for itself, not a document)";
    // The copy is what is checked last: a document another program changes
    // after its own check never comes in.
    QTest::newRow("changed between its check and its copy")
        << "changed" << "" << -1 << invalid << "19 (Relay 128 is missing)";
    QTest::newRow("set-aside fails") << "sql" << "" << int(OpenStep::SetAside) << copy << "5 (Input/output error)";
    // The working database is already aside then: it goes back.
    QTest::newRow("rename fails") << "sql" << "" << int(OpenStep::Rename) << copy << "5 (Input/output error)";
    bad("no CONFCENTRAL", "DROP TABLE CONFCENTRAL", "26 (Table CONFCENTRAL is missing)");
    bad("a column missing", "DROP TABLE CONFRELES; CREATE TABLE CONFRELES (IDCON INTEGER, IDREL INTEGER, ETIREL TEXT)",
        "26 (CONFRELES: column TIP is missing)");
    bad("no general row", "DELETE FROM CONFCENTRAL", "19 (CONFCENTRAL holds 0 rows instead of one)");
    bad("200 zones", "UPDATE CONFCENTRAL SET NUMZON = 200", "19 (CONFCENTRAL: NUMZON is 200, outside 0 to 128)");
    bad("300 relays", "UPDATE CONFCENTRAL SET NUMREL = 300", "19 (CONFCENTRAL: NUMREL is 300, outside 0 to 128)");
    bad("id beyond 16 bits", "UPDATE CONFCENTRAL SET IDCON = 70000",
        "19 (CONFCENTRAL: IDCON is 70000, outside -32768 to 32767)");
    bad("hour 99", "UPDATE CONFCENTRAL SET INIDIA = 99", "19 (CONFCENTRAL: INIDIA is 99, outside 0 to 23)");
    bad("5 zones over 128 rows", "UPDATE CONFCENTRAL SET NUMZON = 5", "19 (Zone 6 is above NUMZON = 5)");
    bad("relay missing", "DELETE FROM CONFRELES WHERE IDREL = 128", "19 (Relay 128 is missing)");
    bad("zone twice", "CREATE TABLE Z AS SELECT * FROM CONFZONAS; DROP TABLE CONFZONAS; "
                      "ALTER TABLE Z RENAME TO CONFZONAS; INSERT INTO CONFZONAS VALUES (0, 7, 'otra')",
        "19 (Zone 7 appears more than once)");
    bad("zone of another IDCON", "UPDATE CONFZONAS SET IDCON = 5 WHERE IDZON = 4",
        "19 (Zone 4: IDCON 5 is not that of CONFCENTRAL (0))");
    bad("text in a Byte", "UPDATE CONFRELES SET RMIN = 'abc' WHERE IDREL = 3",
        "19 (Relay 3: RMIN is not a whole number)");
    bad("Byte above 255", "UPDATE CONFRELES SET TIP = 256 WHERE IDREL = 3",
        "19 (Relay 3: TIP is 256, outside 0 to 255)");
    bad("text in a Double", "UPDATE TIPREL SET TIP = 'x' WHERE TIP = 6", "19 (TIPREL: TIP is not a number)");
    bad("bytes in a Text", "UPDATE CONFCENTRAL SET ETIINI = X'41'", "19 (CONFCENTRAL: ETIINI is not a text)");
    bad("Null name", "UPDATE CONFCENTRAL SET NOMCON = NULL", "19 (CONFCENTRAL: NOMCON has no value)");
    bad("zone label of 17", "UPDATE CONFZONAS SET ETIZON = '12345678901234567' WHERE IDZON = 7",
        "19 (Zone 7: ETIZON is longer than 16 characters)");
    bad("relay label beyond Windows-1252", "UPDATE CONFRELES SET ETIREL = 'Relé Ж' WHERE IDREL = 3",
        "19 (Relay 3: ETIREL holds characters outside Windows-1252)");
}

void TestDocuments::failedOpenLeavesTheOpenConfigurationAsItWas()
{
    QFETCH(QString, kind);
    QFETCH(QString, spoilt);
    QFETCH(int, failingStep);
    QFETCH(QString, reason);
    const QString path = kind == QLatin1String("device")     ? QStringLiteral("/dev/null")
                         : kind == QLatin1String("own temp") ? dataFolder() + QStringLiteral("/.Vuvurov.mdb.k3j9x0a1.orbtmp")
                                                             : doc(QStringLiteral("bad.vcs"));
    const QString hostileJournal =
        kind.startsWith(QLatin1String("pipe-")) || kind.startsWith(QLatin1String("folder-"))
            ? path + QLatin1Char('-') + kind.section(QLatin1Char('-'), 1)
            : QString();
    if (kind == QLatin1String("empty")) {
        QVERIFY(writeFile(path, QByteArray()));
    } else if (kind == QLatin1String("pipe")) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind != QLatin1String("missing") && kind != QLatin1String("device")) {
        // A document of another configuration, spoilt as the row says.
        QVERIFY(makeConfiguration(128, 128, QStringLiteral("Otra")));
        if (kind == QLatin1String("own temp")) // the copy a killed open was making
            QVERIFY(storeDocument(doc(QStringLiteral("Otra.vcs"))) && QFile::copy(doc(QStringLiteral("Otra.vcs")), path));
        else
            QVERIFY(storeDocument(path));
        QVERIFY(spoilt.isEmpty() || spoil(path, spoilt.split(QLatin1Char(';'))));
        if (kind == QLatin1String("truncated"))
            QVERIFY(writeFile(path, fileBytes(path).left(int(QFileInfo(path).size() / 2))));
        if (kind == QLatin1String("hot"))
            QVERIFY(leaveHotJournal(path, QStringLiteral("UPDATE CONFRELES SET ETIREL = 'half ' || IDREL")));
        if (kind.startsWith(QLatin1String("pipe-")))
            QCOMPARE(::mkfifo(QFile::encodeName(hostileJournal).constData(), 0600), 0);
        else if (kind.startsWith(QLatin1String("folder-")))
            QVERIFY(QDir().mkdir(hostileJournal));
        QVERIFY(makeConfiguration(4, 2));
        QVERIFY(Open_Conf() == OpenResult::Opened);
        m_boxes->shown.clear();
    }

    writeWorkingMarks(doc(QStringLiteral("Hotel.vcs")), QStringLiteral("Hotel.vcs"));
    const QByteArray workingBefore = fileBytes(workingDatabasePath());
    const QStringList rowsBefore = dumpAllTables();
    const QString headerBefore = header();
    const auto contents = [&path] { return QFileInfo(path).isFile() ? fileBytes(path) : QByteArray(); };
    QByteArray documentBefore = contents();

    // What could wait on a pipe is tried in a child first, so that a wait
    // fails this row alone, and soon.
    if (kind.startsWith(QLatin1String("pipe")) || kind.startsWith(QLatin1String("folder"))) {
        const QString line = runBounded(QStringLiteral("--open-once"), path, doc(QStringLiteral("child")));
        QCOMPARE(line, QStringLiteral("%1|%2").arg(int(OpenDocumentResult::Invalid)).arg(reason));
    }

    QString error;
    const auto simulate = [&](OpenStep s) {
        if (kind == QLatin1String("changed") && s == OpenStep::Copy) {
            [&] { QVERIFY(spoil(path, {QStringLiteral("DELETE FROM CONFRELES WHERE IDREL = 128")})); }();
            documentBefore = contents();
        }
        return int(s) == failingStep;
    };
    QTEST(int(openDocument(path, &error, simulate)), "expected");
    QVERIFY(!error.isEmpty() && error.at(0).isDigit()); // the number the failure message shows comes first
    if (!reason.isEmpty())
        QCOMPARE(error, reason);
    if (failingStep < 0 && kind != QLatin1String("missing")) {
        // The command refuses it before anything closes, with the same reason.
        QString refused;
        QVERIFY(!validateDocument(path, &refused));
        QCOMPARE(refused, error);
    }

    QCOMPARE(fileBytes(workingDatabasePath()), workingBefore);
    QVERIFY(BaseDatos().isOpen()); // open again when the failure came after it was closed
    QCOMPARE(dumpAllTables(), rowsBefore);
    QCOMPARE(header(), headerBefore);
    QCOMPARE(contents(), documentBefore);
    if (hostileJournal.isEmpty())
        QCOMPARE(QFile::exists(path + QStringLiteral("-journal")), kind == QLatin1String("hot"));
    else
        QVERIFY(QFileInfo::exists(hostileJournal) && !QFileInfo(hostileJournal).isFile());
    QCOMPARE(tempFilesIn(dataFolder()),
             kind == QLatin1String("own temp") ? QStringList{QFileInfo(path).fileName()} : QStringList());
    // The working database set aside went back, and nothing of it is left
    // aside; the marks still name the open configuration.
    QVERIFY(!QFile::exists(previousDatabasePath()) && !QFile::exists(previousMarksPath()));
    QCOMPARE(readWorkingMarks().file, doc(QStringLiteral("Hotel.vcs")));
    QVERIFY(m_boxes->shown.isEmpty()); // the caller shows the failure
    if (kind == QLatin1String("own temp"))
        QFile::remove(path);
}

void TestDocuments::documentInWalModeOpensWithItsLastChange()
{
    // A document in WAL mode whose last change is still in its -wal file,
    // copied as it lay beside a program that was still writing it.
    const QString source = doc(QStringLiteral("source.vcs"));
    const QString wal = doc(QStringLiteral("wal.vcs"));
    QVERIFY(storeDocument(source));
    QVERIFY(onSideConnection(source, false, [&](QSqlDatabase &db) {
        QSqlQuery query(db);
        return query.exec(QStringLiteral("PRAGMA journal_mode = WAL"))
               && query.exec(QStringLiteral("PRAGMA wal_autocheckpoint = 0"))
               && query.exec(QStringLiteral("UPDATE CONFCENTRAL SET NOMCON = 'Solo en el WAL'"))
               && query.exec(QStringLiteral("UPDATE CONFZONAS SET ETIZON = 'WAL 9' WHERE IDZON = 9"))
               && QFile::copy(source, wal) && QFile::copy(source + QStringLiteral("-wal"), wal + QStringLiteral("-wal"))
               && QFileInfo(wal + QStringLiteral("-wal")).size() > 0;
    }));
    const QByteArray walDocument = fileBytes(wal);
    QString error;
    QVERIFY2(openDocument(wal, &error) == OpenDocumentResult::Opened, qPrintable(error));
    QCOMPARE(appState().NomCon, QStringLiteral("Solo en el WAL"));
    QCOMPARE(rows(QStringLiteral("SELECT ETIZON FROM CONFZONAS WHERE IDZON = 9")), QStringList("WAL 9"));
    QCOMPARE(fileBytes(wal), walDocument);
    // The working database keeps its own journal, not the document's WAL.
    QCOMPARE(rows(QStringLiteral("PRAGMA journal_mode")), QStringList("delete"));
}

void TestDocuments::openTakesOnlyTheRowsOfADocument_data()
{
    QTest::addColumn<QStringList>("statements"); // run on a document of a 128-relay configuration
    QTest::addColumn<QString>("zone3");          // the label of zone 3 once it is open
    const QString plain = QStringLiteral("ETI ZONA 3");
    // Written by the program's own way: Nulls where port settings were never
    // looked at and in relay programming, and every row of another IDCON.
    QTest::newRow("Nulls, and another IDCON")
        << QStringList{"UPDATE CONFCENTRAL SET BAUD = NULL, PAR = NULL, PORT = NULL, IDCON = 5",
                       "UPDATE CONFRELES SET RMIN = NULL, IL1 = NULL, ETIREL = NULL, IDCON = 5",
                       "UPDATE CONFZONAS SET IDCON = 5"}
        << plain;
    QTest::newRow("trigger deleting every relay")
        << QStringList{"CREATE TRIGGER wipe AFTER UPDATE OF ETIZON ON CONFZONAS BEGIN DELETE FROM CONFRELES; END"}
        << plain;
    QTest::newRow("view") << QStringList{"CREATE VIEW ZONAS AS SELECT * FROM CONFZONAS"} << plain;
    QTest::newRow("label column declared INT")
        << QStringList{"CREATE TABLE Z (IDCON INT NOT NULL, IDZON TINYINT NOT NULL, ETIZON INT, "
                       "PRIMARY KEY (IDCON, IDZON))",
                       "INSERT INTO Z SELECT * FROM CONFZONAS", "DROP TABLE CONFZONAS",
                       "ALTER TABLE Z RENAME TO CONFZONAS"}
        << plain;
    // The print tables are refilled before every report.
    QTest::newRow("print row the program's table cannot hold")
        << QStringList{"INSERT INTO IMPCONFRELES (IDCON, IDREL, ETIREL) VALUES (0, 1, 'longer than twenty chars')"}
        << plain;
    // Read from a blank panel: shown and printed as blanks elsewhere.
    QTest::newRow("control characters in a label")
        << QStringList{"UPDATE CONFZONAS SET ETIZON = 'A' || char(0, 7) || 'B' WHERE IDZON = 3"}
        << QStringLiteral("A") + QChar(0) + QChar(7) + QStringLiteral("B");
}

void TestDocuments::openTakesOnlyTheRowsOfADocument()
{
    QFETCH(QStringList, statements);
    const QString path = doc(QStringLiteral("foreign.vcs"));
    QVERIFY(storeDocument(path));
    QVERIFY(spoil(path, statements));
    QVERIFY(makeConfiguration(4, 2, QStringLiteral("Otra")));
    QVERIFY(Open_Conf() == OpenResult::Opened);

    QString error;
    QCOMPARE(openDocument(path, &error), OpenDocumentResult::Opened);
    // The tables exactly as the program makes them, and nothing else.
    QStringList schema;
    for (const TableDef *table : allTables())
        schema << createTableSql(*table);
    QCOMPARE(rows(QStringLiteral("SELECT sql FROM sqlite_master WHERE sql IS NOT NULL ORDER BY rowid")), schema);
    QTEST(zoneRowLabel(3).value_or(QString()), "zone3");
    // So an edit of the document's configuration is stored as typed and
    // touches nothing else.
    QVERIFY(setZoneLabel(appState().IdCon, 3, QStringLiteral("0123")));
    QCOMPARE(rows(QStringLiteral("SELECT typeof(ETIZON) || ETIZON FROM CONFZONAS WHERE IDZON = 3")),
             QStringList(QStringLiteral("text0123")));
    QCOMPARE(rowCount(tabConfReles()), 128);
}

void TestDocuments::failedStoreLeavesTheOldDocument_data()
{
    QTest::addColumn<int>("failingStep"); // a store step made to fail with EIO, or -1: the working database spoilt
    QTest::addColumn<QString>("spoilt");  // how: "damaged" or "emptied"
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("reason");  // the error exactly, where it is the program's own
    // One row for each way a store ends: before the working database is
    // read, with the copy written beside the document, and after the copy
    // took the document's place.
    const int check = int(StoreFault::Check);
    const int target = int(StoreFault::Target);
    QTest::newRow("reading the working database") << int(StoreStep::Read) << "" << int(StoreFault::Working) << "";
    QTest::newRow("rename") << int(StoreStep::Rename) << "" << target << "";
    QTest::newRow("flush of the folder") << int(StoreStep::SyncFolder) << "" << target << "";
    QTest::newRow("damaged working database") << -1 << "damaged" << check << "";
    QTest::newRow("emptied working database") << -1 << "emptied" << check << "26 (Table DIANIT is missing)";
}

void TestDocuments::failedStoreLeavesTheOldDocument()
{
    QFETCH(int, failingStep);
    QFETCH(QString, spoilt);
    QFETCH(int, fault);
    QFETCH(QString, reason);
    const QString document = doc(QStringLiteral("Hotel.vcs"));
    QVERIFY(relabel(1));
    QVERIFY(storeDocument(document));
    const QByteArray old = fileBytes(document);
    QVERIFY(relabel(2));
    const QStringList newRows = dumpAllTables();
    if (spoilt == QLatin1String("damaged")) {
        // Scribble over the pages of the relay table, leaving the file header.
        Close_DB();
        QFile f(workingDatabasePath());
        QVERIFY(f.open(QIODevice::ReadWrite) && f.size() > 16384 && f.seek(f.size() / 2));
        f.write(QByteArray(int(f.size() / 4), '\x5a'));
    } else if (spoilt == QLatin1String("emptied")) {
        QVERIFY(QFile::resize(workingDatabasePath(), 0));
    }
    const QByteArray workingBefore = fileBytes(workingDatabasePath());

    QString error;
    StoreFailure failure;
    QVERIFY(!storeDocument(document, &error, &failure, [&](StoreStep s) { return int(s) == failingStep; }));
    QCOMPARE(int(failure.fault), fault);
    QCOMPARE(failure.path, fault == int(StoreFault::Target) ? document : workingDatabasePath());
    if (failingStep >= 0)
        QVERIFY(int(failure.step) == failingStep && error.startsWith(QLatin1String("5 ("))); // EIO
    else if (!reason.isEmpty())
        QCOMPARE(error, reason);
    // Its message: string 1011 and the reason when the working database is
    // unfit to be stored, else the copy failure naming the file at fault.
    showStoreFailure(failure, error);
    QVERIFY(m_boxes->shown.value(0).prompt.startsWith(
        failure.fault == StoreFault::Check ? Str(1011) + error : Str(1001) + failure.path + Str(1)));
    QCOMPARE(folderEntries(m_dir->path()), QStringList{QStringLiteral("Hotel.vcs")});
    QCOMPARE(fileBytes(workingDatabasePath()), workingBefore);
    QCOMPARE(currentPointer(), Pointer::Default);
    // Once only the flush of the folder failed, the new document is already
    // in place, whole; only its durability is in doubt, so the store is
    // still reported as failed.
    if (failingStep == int(StoreStep::SyncFolder))
        QCOMPARE(dumpDocument(document), newRows);
    else
        QCOMPARE(fileBytes(document), old);
}

void TestDocuments::storeReplacesTheDocumentAndNothingElse()
{
    const QString document = doc(QStringLiteral("Hotel.vcs"));
    QVERIFY(storeDocument(document));
    QVERIFY(QFile::setPermissions(document, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    const QFile::Permissions permissions = QFile::permissions(document);
    QVERIFY(relabel(3));
    QVERIFY(storeDocument(document));
    QCOMPARE(QFile::permissions(document), permissions);

    // A store through a chain of links (the last one relative) writes the
    // document at its end; the links stay links.
    const QString link = doc(QStringLiteral("enlace.vcs"));
    const QString chain = doc(QStringLiteral("cadena.vcs"));
    QVERIFY(QFile::link(document, link));
    QCOMPARE(::symlink("enlace.vcs", QFile::encodeName(chain).constData()), 0);
    QVERIFY(relabel(4));
    QVERIFY(storeDocument(chain));
    QVERIFY(QFileInfo(link).isSymLink() && QFileInfo(chain).isSymLink());
    QCOMPARE(dumpDocument(document), dumpAllTables());

    // A journal another program left hot beside the old document goes with
    // it: the next reader would apply it to the new one.
    QVERIFY(leaveHotJournal(document, QStringLiteral("UPDATE CONFZONAS SET ETIZON = 'old'; "
                                                     "UPDATE CONFRELES SET ETIREL = 'old'")));
    QVERIFY(relabel(5));
    const QStringList stored = dumpAllTables();
    QVERIFY(storeDocument(document));
    QCOMPARE(openDocument(document), OpenDocumentResult::Opened);
    QCOMPARE(dumpAllTables(), stored);

    // A store into a folder that is gone fails against the document, with
    // the reason in the language in force.
    QString error;
    StoreFailure failure;
    QVERIFY(!storeDocument(doc(QStringLiteral("gone/Hotel.vcs")), &error, &failure));
    QCOMPARE(failure.fault, StoreFault::Target);
    setCurrentLanguage(Language::Spanish);
    QVERIFY(execBound(QStringLiteral("DELETE FROM CONFZONAS WHERE IDZON = 7")));
    QVERIFY(!storeDocument(document, &error));
    QCOMPARE(error, QStringLiteral("19 (Falta la zona 7)"));

    // A pipe chosen as the document stays a pipe: nothing is written to it
    // or put in its place.
    const QString pipe = doc(QStringLiteral("tubo.vcs"));
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    QVERIFY(!storeDocument(pipe, &error, &failure));
    QCOMPARE(failure.fault, StoreFault::Target);
    QVERIFY(error.endsWith(Str(9020) + QLatin1Char(')')));
    QVERIFY(!QFileInfo(pipe).isFile() && QFileInfo(pipe).exists());

    // Neither a store nor an open may take the working database itself.
    const QByteArray before = fileBytes(workingDatabasePath());
    QVERIFY(!storeDocument(workingDatabasePath()));
    QCOMPARE(openDocument(workingDatabasePath()), OpenDocumentResult::CopyFailed);
    QCOMPARE(fileBytes(workingDatabasePath()), before);
    QCOMPARE(tempFilesIn(dataFolder()), QStringList());
    QVERIFY(BaseDatos().isOpen());
}

void TestDocuments::storeOntoADocumentInUseChangesNothing_data()
{
    QTest::addColumn<QString>("journal");    // a pipe ("pipe-wal") or a folder ("folder-journal") there
    QTest::addColumn<QString>("statements"); // or another program holding the document after these
    QTest::addColumn<QString>("reason");
    // The next open would refuse the document, and the engine would wait on
    // a pipe.
    const QString notAFile =
        QStringLiteral("26 (A device, a pipe, a socket or a folder lies where its journal belongs)");
    for (const char *journal : {"folder-journal", "folder-wal", "folder-shm", "pipe-journal"})
        QTest::newRow(journal) << journal << "" << notAFile;
    // Waited on for as long as an open waits, then left to that program,
    // its live journal and all.
    const QString locked = QStringLiteral("5 (database is locked)");
    QTest::newRow("writing it, its journal beside it")
        << "" << "BEGIN IMMEDIATE;UPDATE CONFZONAS SET ETIZON = 'otro'" << locked;
    QTest::newRow("writing it alone") << "" << "BEGIN EXCLUSIVE" << locked;
    QTest::newRow("reading it") << "" << "BEGIN;SELECT count(*) FROM CONFZONAS" << locked;
    QTest::newRow("reading it in WAL mode")
        << "" << "PRAGMA journal_mode = WAL;BEGIN;SELECT count(*) FROM CONFZONAS" << locked;
}

void TestDocuments::storeOntoADocumentInUseChangesNothing()
{
    QFETCH(QString, journal);
    QFETCH(QString, statements);
    QFETCH(QString, reason);
    // A name the engine must be given with care.
    const QString document = doc(QStringLiteral("Hotel #1 ¿50%?.vcs"));
    QVERIFY(relabel(1));
    QVERIFY(storeDocument(document));
    QVERIFY(relabel(2));

    const QString inTheWay =
        journal.isEmpty() ? QString() : document + QLatin1Char('-') + journal.section(QLatin1Char('-'), 1);
    if (journal.startsWith(QLatin1String("pipe")))
        QCOMPARE(::mkfifo(QFile::encodeName(inTheWay).constData(), 0600), 0);
    else if (!inTheWay.isEmpty())
        QVERIFY(QDir().mkdir(inTheWay));
    QProcess holder;
    const auto release = qScopeGuard([&holder] {
        holder.closeWriteChannel();
        if (!holder.waitForFinished(10000))
            holder.kill();
        holder.waitForFinished();
    });
    if (!statements.isEmpty()) {
        holder.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        holder.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--hold"), document, statements});
        QVERIFY2(holder.waitForStarted(), qPrintable(holder.errorString()));
        while (!holder.canReadLine())
            QVERIFY2(holder.waitForReadyRead(30000), "the other program never took the document");
        QCOMPARE(holder.readLine().trimmed(), QByteArray("held"));
    } else {
        // The store is tried in a child first, so that a wait on the pipe
        // fails this row alone, and soon.
        QCOMPARE(runBounded(QStringLiteral("--store-once"), document, doc(QStringLiteral("child"))),
                 QStringLiteral("0|") + reason);
    }
    const QStringList before = folderState(m_dir->path());
    const QByteArray workingBefore = fileBytes(workingDatabasePath());

    QString error;
    StoreFailure failure;
    QVERIFY(!storeDocument(document, &error, &failure));
    QCOMPARE(error, reason);
    QCOMPARE(failure.fault, StoreFault::Target);
    QCOMPARE(failure.path, document);
    // Neither the document nor what lies beside it (the other program's
    // journal) changed, and nothing is left behind.
    QCOMPARE(folderState(m_dir->path()), before);
    QCOMPARE(fileBytes(workingDatabasePath()), workingBefore);
    QCOMPARE(currentPointer(), Pointer::Default);

    // Once the other program lets go, or the journal's place is free, the
    // store goes ahead.
    holder.closeWriteChannel();
    QVERIFY(statements.isEmpty() || holder.waitForFinished(10000));
    if (journal.startsWith(QLatin1String("pipe")))
        QVERIFY(QFile::remove(inTheWay));
    else if (!inTheWay.isEmpty())
        QVERIFY(QDir().rmdir(inTheWay));
    QVERIFY2(storeDocument(document, &error), qPrintable(error));
    QCOMPARE(dumpDocument(document), dumpAllTables());
}

void TestDocuments::filesOfTheProgramAreNeverDocuments_data()
{
    QTest::addColumn<QString>("kind");
    for (const char *kind : {"settings file", "link to the settings file", "marks beside the working database",
                             "previous working database", "note beside it", "journal of the working database",
                             "new file in the data folder", "temporary file beside a document"})
        QTest::newRow(kind) << QString::fromLatin1(kind);
}

void TestDocuments::filesOfTheProgramAreNeverDocuments()
{
    QFETCH(QString, kind);
    const QString document = doc(QStringLiteral("Otra.vcs"));
    QVERIFY(storeDocument(document));
    writeWorkingMarks(document, documentTitle(document)); // the settings file is there
    const QString settings = openSettingsStore()->fileName();
    const QMap<QString, QString> paths{
        {"settings file", settings},
        {"link to the settings file", doc(QStringLiteral("enlace.vcs"))},
        {"marks beside the working database", marksBesideDatabasePath()},
        {"previous working database", previousDatabasePath()},
        {"note beside it", previousMarksPath()},
        {"journal of the working database", workingDatabasePath() + QStringLiteral("-journal")},
        {"new file in the data folder", dataFolder() + QStringLiteral("/Otro.vcs")},
        {"temporary file beside a document", doc(QStringLiteral(".Otra.vcs.k3j9x0a1.orbtmp"))}};
    const QString path = paths.value(kind);
    QVERIFY(!path.isEmpty());
    const auto cleanUp = qScopeGuard([&] {
        if (path != settings)
            QFile::remove(path);
        clearWorkingMarks();
    });
    if (kind.startsWith(QLatin1String("link")))
        QVERIFY(QFile::link(settings, path));
    else if (kind.startsWith(QLatin1String("previous")) || kind.startsWith(QLatin1String("temporary")))
        QVERIFY(QFile::copy(document, path));
    else if (kind.startsWith(QLatin1String("marks")) || kind.startsWith(QLatin1String("note")))
        QVERIFY(writeFile(path, "[Properties]\nWorkingFile=x\n"));
    const bool existed = QFileInfo::exists(path);
    const QByteArray before = existed ? fileBytes(path) : QByteArray();

    // Neither stored into nor opened, with the same reason; the file stays
    // as it was, or absent.
    const QString refused = QStringLiteral("22 (It is a file ORBITarsis keeps for itself, not a document)");
    QString error;
    StoreFailure failure;
    QVERIFY(!storeDocument(path, &error, &failure));
    QCOMPARE(failure.fault, StoreFault::Target);
    QCOMPARE(error, refused);
    if (existed) {
        QCOMPARE(openDocument(path, &error), OpenDocumentResult::CopyFailed);
        QCOMPARE(error, refused);
        QCOMPARE(fileBytes(path), before);
    } else {
        QVERIFY(!QFileInfo::exists(path));
    }
    QCOMPARE(tempFilesIn(dataFolder()), QStringList());
    QCOMPARE(tempFilesIn(m_dir->path()),
             kind.startsWith(QLatin1String("temporary")) ? QStringList{QFileInfo(path).fileName()} : QStringList());
    QVERIFY(BaseDatos().isOpen());
}

void TestDocuments::pipeWhereAJournalOfTheWorkingDatabaseBelongs_data()
{
    QTest::addColumn<QString>("journal");
    QTest::newRow("-journal") << "-journal";
    QTest::newRow("-wal") << "-wal";
    QTest::newRow("-shm") << "-shm";
}

void TestDocuments::pipeWhereAJournalOfTheWorkingDatabaseBelongs()
{
    QFETCH(QString, journal);
    const QString pipe = workingDatabasePath() + journal;
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const auto removePipe = qScopeGuard([&pipe] { QFile::remove(pipe); });

    // The working database is neither stored nor opened again, and nothing
    // waits on the pipe.
    const QString reason = QStringLiteral("14 (A device, a pipe, a socket or a folder lies where its journal belongs)");
    QString error;
    StoreFailure failure;
    QVERIFY(!storeDocument(doc(QStringLiteral("Hotel.vcs")), &error, &failure));
    QCOMPARE(failure.fault, StoreFault::Working);
    QCOMPARE(error, reason);
    QVERIFY(!QFile::exists(doc(QStringLiteral("Hotel.vcs"))));
    QCOMPARE(Open_Conf(), OpenResult::Failed);
    QCOMPARE(m_boxes->shown.value(0).prompt, Str(1001) + workingDatabasePath() + Str(1) + QStringLiteral("\n\n")
                                                 + reason + QStringLiteral("\n\n") + Str(1002));
    QVERIFY(QFileInfo::exists(pipe) && !QFileInfo(pipe).isFile());
}

void TestDocuments::fileStepsComeInOrder_data()
{
    QTest::addColumn<bool>("open"); // an open of the document, else a store over it
    QTest::addColumn<QStringList>("steps");
    // A copy is flushed before it takes its place, and the folder after; the
    // note of the marks is whole on disk before the working database goes
    // aside; the marks name the document only once it is in place, and the
    // previous working database goes only after that.
    QTest::newRow("store") << false << QStringList{"sync <temp>", "rename <temp>", "sync <folder>"};
    QTest::newRow("open") << true
                          << QStringList{"sync <temp>",         "write Vuvurov.mdb.prev.marks",
                                         "sync Vuvurov.mdb.prev.marks", "rename Vuvurov.mdb",
                                         "rename <temp>",       "sync <folder>",
                                         "write ORBITarsis.conf", "remove Vuvurov.mdb.prev"};
}

void TestDocuments::fileStepsComeInOrder()
{
    QFETCH(bool, open);
    const QString document = doc(QStringLiteral("Hotel.vcs"));
    QVERIFY(storeDocument(document));
    QStringList steps;
    setDatabaseFileHook([&steps](const char *operation, const QString &path) {
        const QFileInfo info(path);
        const QString name = info.fileName().endsWith(QLatin1String(".orbtmp")) ? QStringLiteral("<temp>")
                             : info.isDir()                                    ? QStringLiteral("<folder>")
                                                                               : info.fileName();
        steps << QLatin1String(operation) + QLatin1Char(' ') + name;
    });
    const auto noHook = qScopeGuard([] { setDatabaseFileHook({}); });
    if (open)
        QCOMPARE(openDocument(document), OpenDocumentResult::Opened);
    else
        QVERIFY(storeDocument(document));
    QTEST(steps, "steps");
}

// A child process (this test, started with "--store-forever") stores a
// 128-zone, 128-relay configuration into one document over and over,
// relabelling all of it with a new generation before each store, and is
// killed (SIGKILL) at moments drawn from a fixed seed. After each kill the
// document must open, hold one configuration whose every row carries the
// same generation, never go back to an older generation, and at most the one
// temporary file the killed store was writing may be left beside it. The next
// store into the document removes that file.
void TestDocuments::killedStoresLeaveAWholeDocument()
{
    constexpr int kills = 30;
    constexpr qint64 generationsPerRound = 1000000;
    const QString folder = doc(QStringLiteral("docs"));
    QVERIFY(QDir().mkpath(folder));
    const QString document = folder + QStringLiteral("/Planta.vcs");
    const auto besideTheDocument = [&folder] {
        QStringList names = folderEntries(folder);
        names.removeAll(QStringLiteral("Planta.vcs"));
        return names;
    };

    const QRegularExpression tempName(QStringLiteral("^\\.Planta\\.vcs\\.[a-z0-9]{8}\\.orbtmp(-journal)?$"));
    QRandomGenerator random(20240611u);
    qint64 lastGeneration = -1;
    int killedMidStore = 0;
    for (int round = 0; round < kills; ++round) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), doc(QStringLiteral("child%1").arg(round)));

        QProcess child;
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--store-forever"), document, QString::number(round * generationsPerRound)});
        QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
        if (round == 0) {
            // The first round runs until a document exists.
            while (!child.canReadLine())
                QVERIFY2(child.waitForReadyRead(60000), "the writer stored nothing");
        } else {
            // Anywhere from the child's start-up to many stores in.
            QThread::usleep(random.bounded(0, 250000));
        }
        child.kill();
        QVERIFY(child.waitForFinished(60000));
        QVERIFY2(child.exitStatus() == QProcess::CrashExit,
                 qPrintable(QStringLiteral("the writer ended by itself with %1").arg(child.exitCode())));

        // At most the file being written and its journal.
        QSet<QString> written;
        for (const QString &name : besideTheDocument()) {
            QVERIFY2(tempName.match(name).hasMatch(), qPrintable(name));
            written.insert(name.section(QLatin1Char('-'), 0, 0));
        }
        QVERIFY(written.size() <= 1);
        killedMidStore += int(written.size());

        QString error;
        QVERIFY2(openDocument(document, &error) == OpenDocumentResult::Opened, qPrintable(error));
        const QString name = appState().NomCon;
        QVERIFY2(name.startsWith(QLatin1String("GEN ")), qPrintable(name));
        const qint64 generation = name.mid(4).toLongLong();
        QVERIFY2(generation >= lastGeneration, "the document went back to an older configuration");
        lastGeneration = generation;
        // Every label its generation's prefix and its number.
        QCOMPARE(rows("SELECT (SELECT count(*) FROM CONFZONAS WHERE ETIZON = ? || IDZON), "
                      "(SELECT count(*) FROM CONFRELES WHERE ETIREL = ? || IDREL)",
                      {zonePrefix(generation), relayPrefix(generation)}),
                 QStringList("128|128"));
    }
    qInfo("%d of %d kills left a temporary file behind; last generation %lld", killedMidStore, kills,
          static_cast<long long>(lastGeneration));

    // The next store cleans up after the last kill, and only that: files
    // that merely look like its temporary files, or belong to another
    // document, stay.
    const QStringList others{QStringLiteral(".Other.vcs.k3j9x0a1.orbtmp"), QStringLiteral(".Planta.vcs.short.orbtmp"),
                             QStringLiteral("Pl.mdb"), QStringLiteral("Planta.vcs.k3j9x0a1.orbtmp")};
    for (const QString &other : others)
        QVERIFY(writeFile(folder + QLatin1Char('/') + other, other.toUtf8()));
    QString error;
    QVERIFY2(storeDocument(document, &error), qPrintable(error));
    QCOMPARE(besideTheDocument(), others);
    QVERIFY(m_boxes->shown.isEmpty());
}

int main(int argc, char **argv)
{
    const orbtest::TestHome home;
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 4 && args.at(1) == QLatin1String("--store-forever"))
        return storeForever(args.at(2), args.at(3).toLongLong());
    if (args.size() == 3 && (args.at(1) == QLatin1String("--open-once") || args.at(1) == QLatin1String("--store-once")))
        return openOrStoreOnce(args.at(1), args.at(2));
    if (args.size() == 4 && args.at(1) == QLatin1String("--hold"))
        return holdDocument(args.at(2), args.at(3));
    TestDocuments test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_documents.moc"
