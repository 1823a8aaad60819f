// Documents: storing the working database into a document and opening a
// document into the working database, the failures of each step, and the
// document state after each command.

#include "AppState.h"
#include "Documents.h"
#include "ModBas.h"
#include "Seams.h"
#include "Strings.h"
#include "test_documents_config.h"

#include <QCryptographicHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace orb;
using namespace orbtest;

namespace {

struct ShownBox {
    QString prompt;
    int style;
    QString title;
};

QByteArray digest(const QString &path)
{
    return QCryptographicHash::hash(fileBytes(path), QCryptographicHash::Sha256);
}

// Reads every table of a document through a connection of its own.
QStringList dumpDocument(const QString &path)
{
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("inspect"));
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open())
            rows = dumpAllTables(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("inspect"));
    return rows;
}

QStringList tempFilesIn(const QString &folder)
{
    QStringList temps;
    for (const QString &name : folderEntries(folder)) {
        if (name.endsWith(QLatin1String(".orbtmp")))
            temps << name;
    }
    return temps;
}

// Makes a database at path with the given statements (to build documents
// that lack something).
void makeDatabase(const QString &path, const QStringList &statements)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("maker"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        for (const QString &sql : statements) {
            QSqlQuery q(db);
            QVERIFY2(q.exec(sql), qPrintable(sql));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("maker"));
}

} // namespace

class TestDocuments : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void storedAndReopenedDocumentGivesBackEveryRow();
    void badFilesLeaveTheOpenConfigurationAsItWas_data();
    void badFilesLeaveTheOpenConfigurationAsItWas();
    void documentWithoutGeneralRowOpensWithTheMessage();
    void oddNamesStoreUnderTheirOwnNameOnly_data();
    void oddNamesStoreUnderTheirOwnNameOnly();
    void failingStoreStepLeavesTheOldDocument_data();
    void failingStoreStepLeavesTheOldDocument();
    void damagedWorkingDatabaseIsNotStored();
    void missingWorkingDatabaseIsACopyFailure();
    void failingOpenStepLeavesTheWorkingDatabase_data();
    void failingOpenStepLeavesTheWorkingDatabase();
    void staleTemporaryFilesAreRemovedAndNeverOpened();
    void storeKeepsPermissionsAndLinks();
    void storeOntoTheWorkingDatabaseIsRefused();
    void failureMessages();
    void documentStateAfterEachCommand();
    void saveQuestionsAndSaveTarget();
    void questionsAndDialogs();

private:
    QList<ShownBox> m_boxes;
    QList<Pointer> m_pointers;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder;
};

void TestDocuments::init()
{
    appState() = AppState{};
    setCurrentLanguage(Language::English);
    m_boxes.clear();
    m_pointers.clear();
    setMsgBoxHandler([this](const QString &prompt, int style, const QString &title) {
        m_boxes << ShownBox{prompt, style, title};
        return int(AnsOk);
    });
    setPointerHandler([this](Pointer p) { m_pointers << p; });
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_folder = m_dir->path();
    QVERIFY(makeConfiguration(128, 128));
    m_boxes.clear();
    QVERIFY(Open_Conf() == OpenResult::Opened);
}

void TestDocuments::cleanup()
{
    Close_DB();
    QFile::remove(workingDatabasePath());
    setMsgBoxHandler({});
    setPointerHandler({});
    m_dir.reset();
}

void TestDocuments::storedAndReopenedDocumentGivesBackEveryRow()
{
    // Rows in the report tables and values at their limits travel too.
    QVERIFY(execBound(QStringLiteral("UPDATE CONFRELES SET TIP = 70, RMIN = 255, RSEC = 59, DDIA = 2, IL4 = 128, "
                                     "FL4 = 128, ETIREL = ? WHERE IDREL = 128"),
                      {QStringLiteral("Ñandú ÁÉÍÓÚ 16ch")}));
    QVERIFY(execBound(QStringLiteral("INSERT INTO IMPCONFCENTRAL (NOMCON, NUMZON, ETIINI) VALUES (?, ?, ?)"),
                      {QStringLiteral("Hotel Plaza"), QStringLiteral("128"), QStringLiteral("PANEL 1")}));
    QVERIFY(execBound(QStringLiteral("INSERT INTO IMPCONFRELES (IDCON, IDREL, ETIREL, ACTGEN) VALUES (0, 1, ?, ?)"),
                      {QStringLiteral("ETI RELE 1"), QStringLiteral("Si")}));
    const QStringList before = dumpAllTables(BaseDatos());
    QCOMPARE(before.size(), 3 + 6 + 1 + 1 + 128 + 128 + 1);
    const QByteArray workingBefore = digest(workingDatabasePath());

    const QString document = m_folder + QStringLiteral("/Hotel.vcs");
    QString error;
    QVERIFY2(storeDocument(document, &error), qPrintable(error));
    QCOMPARE(digest(workingDatabasePath()), workingBefore); // a store never alters the working database
    QCOMPARE(folderEntries(m_folder), QStringList{QStringLiteral("Hotel.vcs")});
    QVERIFY(m_pointers.contains(Pointer::Hourglass));
    QCOMPARE(currentPointer(), Pointer::Default);

    // Another configuration takes the working database's place, then the
    // document comes back.
    QVERIFY(makeConfiguration(4, 2, QStringLiteral("Otra")));
    QVERIFY(Open_Conf() == OpenResult::Opened);
    QCOMPARE(appState().NumZon, quint8(4));
    m_boxes.clear();
    QVERIFY(validateDocument(document, &error));
    QCOMPARE(openDocument(document, &error), OpenDocumentResult::Opened);
    QVERIFY(BaseDatos().isOpen());
    QCOMPARE(dumpAllTables(BaseDatos()), before);
    QCOMPARE(appState().NomCon, QStringLiteral("Hotel Plaza"));
    QCOMPARE(appState().NumZon, quint8(128));
    QCOMPARE(appState().NumRel, quint8(128));
    QCOMPARE(appState().IniNit, quint8(20));
    QVERIFY(m_boxes.isEmpty());
    QCOMPARE(tempFilesIn(dataFolder()), QStringList());
    // Opening did not change the document either.
    QCOMPARE(dumpDocument(document), before);
}

void TestDocuments::badFilesLeaveTheOpenConfigurationAsItWas_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("expected");
    const int invalid = int(OpenDocumentResult::Invalid);
    QTest::newRow("text file") << "text" << invalid;
    QTest::newRow("empty file") << "empty" << invalid;
    QTest::newRow("database without CONFCENTRAL") << "noconf" << invalid;
    QTest::newRow("database lacking a column") << "nocolumn" << invalid;
    QTest::newRow("truncated document") << "truncated" << invalid;
    QTest::newRow("missing file") << "missing" << int(OpenDocumentResult::CopyFailed);
    QTest::newRow("folder") << "folder" << int(OpenDocumentResult::CopyFailed);
}

void TestDocuments::badFilesLeaveTheOpenConfigurationAsItWas()
{
    QFETCH(QString, kind);
    QFETCH(int, expected);
    const QString path = m_folder + QStringLiteral("/bad.vcs");
    if (kind == QLatin1String("text")) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("CONFCENTRAL;Hotel;128;128\nThis is not a configuration document at all.\n");
    } else if (kind == QLatin1String("empty")) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
    } else if (kind == QLatin1String("noconf") || kind == QLatin1String("nocolumn")) {
        QStringList statements;
        for (const TableDef *table : allTables()) {
            if (kind == QLatin1String("noconf") && table == &tabConfCentral())
                continue;
            QString sql = createTableSql(*table);
            if (kind == QLatin1String("nocolumn") && table == &tabConfReles())
                sql = QStringLiteral("CREATE TABLE CONFRELES (IDCON INTEGER, IDREL TINYINT, ETIREL VARCHAR(16))");
            statements << sql;
        }
        makeDatabase(path, statements);
    } else if (kind == QLatin1String("truncated")) {
        QVERIFY(storeDocument(path));
        const QByteArray whole = fileBytes(path);
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(whole.left(whole.size() / 2));
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(path));
    }

    appState().ConfCargada = true;
    appState().ConfModif = true;
    appState().WorkingFile = QStringLiteral("/plantas/Hotel.vcs");
    const QByteArray workingBefore = digest(workingDatabasePath());
    const QStringList rowsBefore = dumpAllTables(BaseDatos());

    QString error;
    if (kind != QLatin1String("missing") && kind != QLatin1String("folder"))
        QVERIFY(!validateDocument(path, &error));
    QCOMPARE(int(openDocument(path, &error)), expected);
    QVERIFY(!error.isEmpty());
    QVERIFY(error.at(0).isDigit()); // the number the failure message shows comes first

    QCOMPARE(digest(workingDatabasePath()), workingBefore);
    QVERIFY(BaseDatos().isOpen());
    QCOMPARE(dumpAllTables(BaseDatos()), rowsBefore);
    QCOMPARE(appState().NomCon, QStringLiteral("Hotel Plaza"));
    QCOMPARE(appState().NumZon, quint8(128));
    QVERIFY(appState().ConfModif);
    QCOMPARE(appState().WorkingFile, QStringLiteral("/plantas/Hotel.vcs"));
    QCOMPARE(tempFilesIn(dataFolder()), QStringList());
    QVERIFY(m_boxes.isEmpty()); // the caller shows the failure
}

void TestDocuments::documentWithoutGeneralRowOpensWithTheMessage()
{
    const QString document = m_folder + QStringLiteral("/vacio.vcs");
    QVERIFY(execBound(QStringLiteral("DELETE FROM CONFCENTRAL")));
    QVERIFY(storeDocument(document));
    QVERIFY(makeConfiguration(8, 4, QStringLiteral("Anterior")));
    QVERIFY(Open_Conf() == OpenResult::Opened);
    m_boxes.clear();

    QString error;
    QVERIFY(validateDocument(document, &error));
    QCOMPARE(openDocument(document, &error), OpenDocumentResult::OpenedNoRow);
    QVERIFY(documentReplacedWorking(OpenDocumentResult::OpenedNoRow));
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes.first().prompt, Str(120));
    // The header keeps what it had; the zones are the document's.
    QCOMPARE(appState().NomCon, QStringLiteral("Anterior"));
    QSqlQuery q(BaseDatos());
    QVERIFY(q.exec(QStringLiteral("SELECT count(*) FROM CONFZONAS")) && q.next());
    QCOMPARE(q.value(0).toInt(), 128);
}

void TestDocuments::oddNamesStoreUnderTheirOwnNameOnly_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("no extension") << "Hotel";
    QTest::newRow("fewer than four characters") << "ab";
    QTest::newRow("one character") << "x";
    QTest::newRow("blank and accents") << "Planta Baja ñ.vcs";
    QTest::newRow("very long") << QString(200, QLatin1Char('L')) + QStringLiteral(".vcs");
}

void TestDocuments::oddNamesStoreUnderTheirOwnNameOnly()
{
    QFETCH(QString, name);
    // Files a store must never touch, among them the names a store that cut
    // four characters off the path would have written over.
    const QStringList others{QStringLiteral("Ho.mdb"), QStringLiteral("Ho1.mdb"), QStringLiteral(".mdb"),
                             QStringLiteral("1.mdb")};
    for (const QString &other : others) {
        QFile f(m_folder + QLatin1Char('/') + other);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("user file " + other.toUtf8());
    }
    const QString document = m_folder + QLatin1Char('/') + name;
    QString error;
    QVERIFY2(storeDocument(document, &error), qPrintable(error));
    QVERIFY2(storeDocument(document, &error), qPrintable(error)); // and again over itself

    QStringList expected = others;
    expected << name;
    expected.sort();
    QCOMPARE(folderEntries(m_folder), expected);
    for (const QString &other : others)
        QCOMPARE(fileBytes(m_folder + QLatin1Char('/') + other), "user file " + other.toUtf8());
    QVERIFY2(validateDocument(document, &error), qPrintable(error));
    QCOMPARE(dumpDocument(document), dumpAllTables(BaseDatos()));
}

void TestDocuments::failingStoreStepLeavesTheOldDocument_data()
{
    QTest::addColumn<StoreStep>("step");
    QTest::newRow("reading the working database") << StoreStep::Read;
    QTest::newRow("check") << StoreStep::Check;
    QTest::newRow("temporary file") << StoreStep::CreateTemp;
    QTest::newRow("compaction") << StoreStep::Compact;
    QTest::newRow("flush of the copy") << StoreStep::SyncFile;
    QTest::newRow("rename") << StoreStep::Rename;
    QTest::newRow("flush of the folder") << StoreStep::SyncFolder;
}

void TestDocuments::failingStoreStepLeavesTheOldDocument()
{
    QFETCH(StoreStep, step);
    const QString document = m_folder + QStringLiteral("/Hotel.vcs");
    QVERIFY(relabel(1));
    QVERIFY(storeDocument(document));
    const QByteArray old = fileBytes(document);
    const QStringList oldRows = dumpDocument(document);
    QVERIFY(relabel(2));
    const QStringList newRows = dumpAllTables(BaseDatos());
    QVERIFY(oldRows != newRows);
    const QByteArray workingBefore = digest(workingDatabasePath());

    QList<StoreStep> seen;
    QString error;
    StoreStep failed = StoreStep::Check;
    m_pointers.clear();
    const bool stored = storeDocument(document, &error, &failed, [&](StoreStep s) {
        seen << s;
        return s == step;
    });
    QVERIFY(!stored);
    QCOMPARE(failed, step);
    QVERIFY(error.startsWith(QLatin1String("5 ("))); // EIO
    QCOMPARE(seen.last(), step);                      // nothing after the failing step ran
    QCOMPARE(seen.size(), int(step) + 1);
    QCOMPARE(folderEntries(m_folder), QStringList{QStringLiteral("Hotel.vcs")});
    QCOMPARE(digest(workingDatabasePath()), workingBefore);
    QCOMPARE(currentPointer(), Pointer::Default);
    if (step == StoreStep::SyncFolder) {
        // The new document is already in place, whole; only its durability
        // is in doubt, so the store is still reported as failed.
        QCOMPARE(dumpDocument(document), newRows);
    } else {
        QCOMPARE(fileBytes(document), old);
    }
}

void TestDocuments::damagedWorkingDatabaseIsNotStored()
{
    const QString document = m_folder + QStringLiteral("/Hotel.vcs");
    QVERIFY(storeDocument(document));
    const QByteArray old = fileBytes(document);
    Close_DB();

    // Scribble over the pages of the relay table, leaving the file header.
    QFile f(workingDatabasePath());
    QVERIFY(f.open(QIODevice::ReadWrite));
    const qint64 size = f.size();
    QVERIFY(size > 16384);
    QVERIFY(f.seek(size / 2));
    f.write(QByteArray(int(size / 4), '\x5a'));
    f.close();

    QString error;
    StoreStep failed = StoreStep::SyncFolder;
    QVERIFY(!storeDocument(document, &error, &failed));
    QVERIFY2(isRepairStep(failed), qPrintable(error));
    QCOMPARE(fileBytes(document), old);
    QCOMPARE(folderEntries(m_folder), QStringList{QStringLiteral("Hotel.vcs")});
}

void TestDocuments::missingWorkingDatabaseIsACopyFailure()
{
    const QString document = m_folder + QStringLiteral("/Hotel.vcs");
    QVERIFY(storeDocument(document));
    const QByteArray old = fileBytes(document);
    Close_DB();
    QVERIFY(QFile::remove(workingDatabasePath()));

    QString error;
    StoreStep failed = StoreStep::SyncFolder;
    QVERIFY(!storeDocument(document, &error, &failed));
    QCOMPARE(failed, StoreStep::Read);
    QVERIFY(!isRepairStep(failed));
    QVERIFY(error.startsWith(QLatin1String("2 ("))); // ENOENT
    QCOMPARE(fileBytes(document), old);
    QCOMPARE(folderEntries(m_folder), QStringList{QStringLiteral("Hotel.vcs")});

    // The user reads that there is no database at the working path, not
    // that a repair failed.
    appState().RutaBD = workingDatabasePath();
    m_boxes.clear();
    showStoreFailure(failed, error);
    QCOMPARE(m_boxes.size(), 1);
    const QString lf2 = QStringLiteral("\n\n");
    QCOMPARE(m_boxes[0].prompt, Str(1001) + workingDatabasePath() + Str(1) + lf2 + error + lf2 + Str(1002));
    QCOMPARE(m_boxes[0].style, int(MsgOk));
}

void TestDocuments::failingOpenStepLeavesTheWorkingDatabase_data()
{
    QTest::addColumn<OpenStep>("step");
    QTest::addColumn<int>("expected");
    const int copy = int(OpenDocumentResult::CopyFailed);
    QTest::newRow("temporary file") << OpenStep::CreateTemp << copy;
    QTest::newRow("copy") << OpenStep::Copy << copy;
    QTest::newRow("flush") << OpenStep::SyncFile << copy;
    QTest::newRow("validation") << OpenStep::Validate << int(OpenDocumentResult::Invalid);
    QTest::newRow("rename") << OpenStep::Rename << copy;
}

void TestDocuments::failingOpenStepLeavesTheWorkingDatabase()
{
    QFETCH(OpenStep, step);
    QFETCH(int, expected);
    const QString document = m_folder + QStringLiteral("/Otra.vcs");
    QVERIFY(relabel(7));
    QVERIFY(storeDocument(document));
    QVERIFY(relabel(8));
    const QByteArray workingBefore = digest(workingDatabasePath());

    QString error;
    const OpenDocumentResult result = openDocument(document, &error, [&](OpenStep s) { return s == step; });
    QCOMPARE(int(result), expected);
    QVERIFY(!documentReplacedWorking(result));
    QCOMPARE(digest(workingDatabasePath()), workingBefore);
    QVERIFY(BaseDatos().isOpen()); // open again when the failure came after it was closed
    QSqlQuery q(BaseDatos());
    QVERIFY(q.exec(QStringLiteral("SELECT NOMCON FROM CONFCENTRAL")) && q.next());
    QCOMPARE(q.value(0).toString(), generationName(8));
    QCOMPARE(tempFilesIn(dataFolder()), QStringList());
}

void TestDocuments::staleTemporaryFilesAreRemovedAndNeverOpened()
{
    const QString document = m_folder + QStringLiteral("/Hotel.vcs");
    QVERIFY(storeDocument(document));
    // What a crash during a store leaves, and files that only look alike.
    const QString stale = m_folder + QStringLiteral("/.Hotel.vcs.k3j9x0a1.orbtmp");
    const QStringList lookAlikes{QStringLiteral(".Hotel.vcs.K3J9X0A1.orbtmp"), QStringLiteral(".Hotel.vcs.short.orbtmp"),
                                 QStringLiteral(".Other.vcs.k3j9x0a1.orbtmp"), QStringLiteral("Hotel.vcs.k3j9x0a1.orbtmp")};
    QVERIFY(QFile::copy(document, stale));
    QVERIFY(QFile::copy(document, stale + QStringLiteral("-journal")));
    for (const QString &name : lookAlikes) {
        QFile f(m_folder + QLatin1Char('/') + name);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QVERIFY(!QFileInfo(stale).fileName().endsWith(QLatin1String(".vcs")));

    QVERIFY(storeDocument(document));
    QVERIFY(!QFileInfo::exists(stale));
    QVERIFY(!QFileInfo::exists(stale + QStringLiteral("-journal")));
    QStringList expected = lookAlikes;
    expected << QStringLiteral("Hotel.vcs");
    expected.sort();
    QCOMPARE(folderEntries(m_folder), expected);

    // The same for the working database's own temporary files.
    const QString workingStale = dataFolder() + QStringLiteral("/.Vuvurov.mdb.0000aaaa.orbtmp");
    QVERIFY(QFile::copy(document, workingStale));
    QCOMPARE(openDocument(document), OpenDocumentResult::Opened);
    QVERIFY(!QFileInfo::exists(workingStale));
}

void TestDocuments::storeKeepsPermissionsAndLinks()
{
    const QString document = m_folder + QStringLiteral("/Hotel.vcs");
    QVERIFY(storeDocument(document));
    QVERIFY(::chmod(QFile::encodeName(document).constData(), 0640) == 0);
    QVERIFY(relabel(3));
    QVERIFY(storeDocument(document));
    struct stat st {};
    QVERIFY(::stat(QFile::encodeName(document).constData(), &st) == 0);
    QCOMPARE(int(st.st_mode & 07777), 0640);

    const QString link = m_folder + QStringLiteral("/enlace.vcs");
    QVERIFY(QFile::link(document, link));
    QVERIFY(relabel(4));
    QVERIFY(storeDocument(link));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(dumpDocument(document), dumpAllTables(BaseDatos()));
}

void TestDocuments::storeOntoTheWorkingDatabaseIsRefused()
{
    const QByteArray before = digest(workingDatabasePath());
    QString error;
    StoreStep failed = StoreStep::Check;
    QVERIFY(!storeDocument(workingDatabasePath(), &error, &failed));
    QVERIFY(!isRepairStep(failed));
    QCOMPARE(digest(workingDatabasePath()), before);
    QCOMPARE(tempFilesIn(dataFolder()), QStringList());
    QCOMPARE(openDocument(workingDatabasePath(), &error), OpenDocumentResult::CopyFailed);
    QVERIFY(BaseDatos().isOpen());
}

void TestDocuments::failureMessages()
{
    appState().RutaBD = workingDatabasePath();
    showStoreFailure(StoreStep::Compact, QStringLiteral("13 (database or disk is full)"));
    showStoreFailure(StoreStep::Check, QStringLiteral("11 (row 3 missing)"));
    showStoreFailure(StoreStep::Rename, QStringLiteral("28 (No space left on device)"));
    showOpenFailure(QStringLiteral("26 (file is not a database)"));
    QCOMPARE(m_boxes.size(), 4);
    QCOMPARE(m_boxes[0].prompt, Str(1011) + QStringLiteral("13 (database or disk is full)"));
    QCOMPARE(m_boxes[0].style, int(MsgCritical));
    QCOMPARE(m_boxes[0].title, applicationTitle());
    QCOMPARE(m_boxes[1].prompt, Str(1011) + QStringLiteral("11 (row 3 missing)"));
    const QString lf2 = QStringLiteral("\n\n");
    QCOMPARE(m_boxes[2].prompt, Str(1001) + workingDatabasePath() + Str(1) + lf2
                                    + QStringLiteral("28 (No space left on device)") + lf2 + Str(1002));
    QCOMPARE(m_boxes[2].style, int(MsgOk));
    QCOMPARE(m_boxes[3].prompt, QStringLiteral("FALLO DE DASE DE DATOS: 26 (file is not a database)"));
    QCOMPARE(m_boxes[3].style, int(MsgOk));
    QCOMPARE(m_boxes[3].title, applicationTitle());
}

void TestDocuments::documentStateAfterEachCommand()
{
    AppState &s = appState();
    // Open: loaded, unchanged, restored mark kept.
    s.ConfRecup = true;
    s.ConfModif = true;
    applyOpened(QStringLiteral("/plantas/Hotel.vcs"));
    QVERIFY(s.ConfCargada);
    QVERIFY(!s.ConfModif);
    QVERIFY(s.ConfRecup);
    QCOMPARE(s.WorkingFile, QStringLiteral("/plantas/Hotel.vcs"));
    QCOMPARE(s.WorkingName, QStringLiteral("Hotel.vcs"));

    // Save As: loaded, unchanged, no longer restored.
    s.ConfModif = true;
    s.ConfCargada = false;
    applyStored(QStringLiteral("/otras/Copia"), true);
    QVERIFY(s.ConfCargada);
    QVERIFY(!s.ConfModif);
    QVERIFY(!s.ConfRecup);
    QCOMPARE(s.WorkingFile, QStringLiteral("/otras/Copia"));
    QCOMPARE(s.WorkingName, QStringLiteral("Copia"));

    // Save leaves ConfCargada as it is.
    s.ConfCargada = false;
    s.ConfRecup = true;
    s.ConfModif = true;
    applyStored(QStringLiteral("/otras/Copia"), false);
    QVERIFY(!s.ConfCargada);
    QVERIFY(!s.ConfModif);
    QVERIFY(!s.ConfRecup);
}

void TestDocuments::saveQuestionsAndSaveTarget()
{
    AppState &s = appState();
    s.ConfCargada = true;
    s.ConfModif = false;
    QVERIFY(!asksNewOpenQuestion());
    QVERIFY(!asksCloseQuestion());
    s.ConfModif = true;
    QVERIFY(asksNewOpenQuestion());
    QVERIFY(asksCloseQuestion());
    s.ConfCargada = false; // changed but nothing loaded: only the closing asks
    QVERIFY(!asksNewOpenQuestion());
    QVERIFY(asksCloseQuestion());

    // No file chosen in the dialog yet: Save As.
    s.WorkingFile = QStringLiteral("/plantas/Hotel.vcs");
    QVERIFY(saveRunsSaveAs(QString()));
    // The dialog's file is the configuration's own document: Save writes.
    QVERIFY(!saveRunsSaveAs(QStringLiteral("/plantas/Hotel.vcs")));
    // After New (a made-up path) or Close and another Open: Save As.
    s.WorkingFile = QStringLiteral("/home/u/Config2");
    QVERIFY(saveRunsSaveAs(QStringLiteral("/plantas/Hotel.vcs")));
    s.WorkingFile.clear();
    QVERIFY(saveRunsSaveAs(QStringLiteral("/plantas/Hotel.vcs")));
}

void TestDocuments::questionsAndDialogs()
{
    AppState &s = appState();
    s.WorkingName = QStringLiteral("Hotel.vcs");
    int answer = AnsNo;
    setMsgBoxHandler([&](const QString &prompt, int style, const QString &title) {
        m_boxes << ShownBox{prompt, style, title};
        return answer;
    });
    QCOMPARE(askNewOpenQuestion(), int(AnsNo));
    answer = AnsYes;
    QCOMPARE(askCloseQuestion(), int(AnsYes));
    QCOMPARE(m_boxes.size(), 2);
    QCOMPARE(m_boxes[0].prompt, Str(1047) + QStringLiteral("Hotel.vcs"));
    QCOMPARE(m_boxes[0].title, Str(1048));
    QCOMPARE(m_boxes[0].style, int(MsgYesNo));
    QCOMPARE(m_boxes[1].prompt, Str(1044));
    QCOMPARE(m_boxes[1].title, Str(1045));
    QCOMPARE(s.Mensaje, Str(1044));
    QCOMPARE(s.TituloMsg, Str(1045));

    const FileDialogRequest open = documentDialogRequest(false);
    QVERIFY(!open.save);
    QCOMPARE(open.filter, QStringLiteral("ORBITarsis Files(*.vcs)"));
    QVERIFY(open.proposedName.isEmpty());
    const FileDialogRequest saveAs = documentDialogRequest(true);
    QVERIFY(saveAs.save);
    QCOMPARE(saveAs.proposedName, QStringLiteral("Hotel.vcs"));

    // The replace question only for a file that exists.
    m_boxes.clear();
    const QString existing = m_folder + QStringLiteral("/Hotel.vcs");
    QVERIFY(confirmReplace(existing));
    QVERIFY(m_boxes.isEmpty());
    QVERIFY(storeDocument(existing));
    answer = AnsNo;
    QVERIFY(!confirmReplace(existing));
    answer = AnsYes;
    QVERIFY(confirmReplace(existing));
    QCOMPARE(m_boxes.size(), 2);
    QCOMPARE(m_boxes[0].prompt, existing + QLatin1Char(' ') + Str(6509));
    QCOMPARE(m_boxes[0].style, int(MsgYesNo));
    QCOMPARE(m_boxes[0].title, applicationTitle());
}

QTEST_GUILESS_MAIN(TestDocuments)
#include "test_documents.moc"
