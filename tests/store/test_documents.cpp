// Documents: storing the working database into a document and opening a
// document into the working database, and what a failure of each step
// leaves behind.

#include "Documents.h"
#include "Strings.h"
#include "test_documents_config.h"

#include <QCryptographicHash>
#include <QTemporaryDir>
#include <QtTest>

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

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), qint64(bytes.size()));
}

// Every row of every table of a document, read on a connection of its own.
QStringList dumpDocument(const QString &path)
{
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("inspect"));
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open())
            rows = dumpAllTables(db);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("inspect"));
    return rows;
}

QStringList tempFilesIn(const QString &folder)
{
    return folderEntries(folder).filter(QRegularExpression(QStringLiteral("\\.orbtmp$")));
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
    void oddNamesStoreUnderTheirOwnNameOnly_data();
    void oddNamesStoreUnderTheirOwnNameOnly();
    void failedStoreLeavesTheOldDocument_data();
    void failedStoreLeavesTheOldDocument();
    void storeKeepsPermissionsAndLinksAndSparesTheWorkingDatabase();
    void failureMessages();

private:
    QString doc(const QString &name) const { return m_folder + QLatin1Char('/') + name; }

    QList<ShownBox> m_boxes;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder;
};

void TestDocuments::init()
{
    appState() = AppState{};
    setCurrentLanguage(Language::English);
    setMsgBoxHandler([this](const QString &prompt, int style, const QString &title) {
        m_boxes << ShownBox{prompt, style, title};
        return int(AnsOk);
    });
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_folder = m_dir->path();
    QVERIFY(makeConfiguration(128, 128));
    QVERIFY(Open_Conf() == OpenResult::Opened);
    m_boxes.clear();
}

void TestDocuments::cleanup()
{
    Close_DB();
    QFile::remove(workingDatabasePath());
    setMsgBoxHandler({});
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

    const QString document = doc(QStringLiteral("Hotel.vcs"));
    QString error;
    QVERIFY2(storeDocument(document, &error), qPrintable(error));
    QCOMPARE(digest(workingDatabasePath()), workingBefore); // a store never alters the working database
    QCOMPARE(currentPointer(), Pointer::Default);

    // Another configuration takes the working database's place, then the
    // document comes back.
    QVERIFY(makeConfiguration(4, 2, QStringLiteral("Otra")));
    QVERIFY(Open_Conf() == OpenResult::Opened);
    // What a crash during an earlier open left beside the working database
    // goes too.
    QVERIFY(QFile::copy(document, dataFolder() + QStringLiteral("/.Vuvurov.mdb.0000aaaa.orbtmp")));
    QCOMPARE(openDocument(document, &error), OpenDocumentResult::Opened);
    QCOMPARE(dumpAllTables(BaseDatos()), before);
    QCOMPARE(appState().NomCon, QStringLiteral("Hotel Plaza"));
    QCOMPARE(appState().NumZon, quint8(128));
    QCOMPARE(tempFilesIn(dataFolder()), QStringList());
    QCOMPARE(dumpDocument(document), before); // opening did not change the document
}

void TestDocuments::failedOpenLeavesTheOpenConfigurationAsItWas_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("failingStep"); // an open step made to fail, or -1
    QTest::addColumn<int>("expected");
    const int invalid = int(OpenDocumentResult::Invalid);
    const int copy = int(OpenDocumentResult::CopyFailed);
    QTest::newRow("text file") << "text" << -1 << invalid;
    QTest::newRow("empty file") << "empty" << -1 << invalid;
    QTest::newRow("database without CONFCENTRAL") << "noconf" << -1 << invalid;
    QTest::newRow("database lacking a column") << "nocolumn" << -1 << invalid;
    QTest::newRow("truncated document") << "truncated" << -1 << invalid;
    QTest::newRow("missing file") << "missing" << -1 << copy;
    QTest::newRow("folder") << "folder" << -1 << copy;
    QTest::newRow("temporary file fails") << "good" << int(OpenStep::CreateTemp) << copy;
    QTest::newRow("copy fails") << "good" << int(OpenStep::Copy) << copy;
    QTest::newRow("flush fails") << "good" << int(OpenStep::SyncFile) << copy;
    QTest::newRow("rename fails") << "good" << int(OpenStep::Rename) << copy;
}

void TestDocuments::failedOpenLeavesTheOpenConfigurationAsItWas()
{
    QFETCH(QString, kind);
    QFETCH(int, failingStep);
    QFETCH(int, expected);
    const QString path = doc(QStringLiteral("bad.vcs"));
    if (kind == QLatin1String("text")) {
        writeFile(path, "CONFCENTRAL;Hotel;128;128\nThis is not a configuration document at all.\n");
    } else if (kind == QLatin1String("empty")) {
        writeFile(path, QByteArray());
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(path));
    } else if (kind != QLatin1String("missing")) {
        // A document of another configuration, spoilt as the row says.
        QVERIFY(relabel(7));
        if (kind == QLatin1String("noconf"))
            QVERIFY(execBound(QStringLiteral("DROP TABLE CONFCENTRAL")));
        if (kind == QLatin1String("nocolumn"))
            QVERIFY(execBound(QStringLiteral("DROP TABLE CONFRELES"))
                    && execBound(QStringLiteral("CREATE TABLE CONFRELES (IDCON INTEGER, IDREL INTEGER, ETIREL TEXT)")));
        QVERIFY(storeDocument(path));
        if (kind == QLatin1String("truncated"))
            writeFile(path, fileBytes(path).left(int(QFileInfo(path).size() / 2)));
        QVERIFY(makeConfiguration(128, 128));
        QVERIFY(Open_Conf() == OpenResult::Opened);
        m_boxes.clear();
    }

    const QByteArray workingBefore = digest(workingDatabasePath());
    const QStringList rowsBefore = dumpAllTables(BaseDatos());

    QString error;
    const OpenDocumentResult result =
        openDocument(path, &error, [&](OpenStep s) { return int(s) == failingStep; });
    QCOMPARE(int(result), expected);
    QVERIFY(!error.isEmpty() && error.at(0).isDigit()); // the number the failure message shows comes first

    QCOMPARE(digest(workingDatabasePath()), workingBefore);
    QVERIFY(BaseDatos().isOpen()); // open again when the failure came after it was closed
    QCOMPARE(dumpAllTables(BaseDatos()), rowsBefore);
    QCOMPARE(tempFilesIn(dataFolder()), QStringList());
    QVERIFY(m_boxes.isEmpty()); // the caller shows the failure
}

void TestDocuments::oddNamesStoreUnderTheirOwnNameOnly_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("no extension") << "Hotel";
    QTest::newRow("fewer than four characters") << "ab";
    QTest::newRow("blank and accents") << "Planta Baja ñ.vcs";
    QTest::newRow("very long") << QString(200, QLatin1Char('L')) + QStringLiteral(".vcs");
}

void TestDocuments::oddNamesStoreUnderTheirOwnNameOnly()
{
    QFETCH(QString, name);
    // Files a store must never touch: the names a store that cut four
    // characters off the path would have written over, and files that only
    // look like the temporary files of a store.
    const QStringList others{QStringLiteral("Ho.mdb"), QStringLiteral("Ho1.mdb"), QStringLiteral(".mdb"),
                             QStringLiteral("1.mdb"), QStringLiteral(".Other.vcs.k3j9x0a1.orbtmp"),
                             QStringLiteral("Hotel.vcs.k3j9x0a1.orbtmp"), QStringLiteral(".Hotel.vcs.short.orbtmp")};
    for (const QString &other : others)
        writeFile(doc(other), "user file " + other.toUtf8());
    // What a crash during an earlier store into this document left behind.
    const QString stale = doc(QLatin1Char('.') + name.left(50) + QStringLiteral(".k3j9x0a1.orbtmp"));
    writeFile(stale, "stale");
    writeFile(stale + QStringLiteral("-journal"), "stale");

    const QString document = doc(name);
    QString error;
    QVERIFY2(storeDocument(document, &error), qPrintable(error));
    QVERIFY2(storeDocument(document, &error), qPrintable(error)); // and again over itself

    QStringList expected = others;
    expected << name;
    expected.sort();
    QCOMPARE(folderEntries(m_folder), expected);
    for (const QString &other : others)
        QCOMPARE(fileBytes(doc(other)), "user file " + other.toUtf8());
    QCOMPARE(dumpDocument(document), dumpAllTables(BaseDatos()));
}

void TestDocuments::failedStoreLeavesTheOldDocument_data()
{
    QTest::addColumn<int>("failingStep"); // a store step made to fail with EIO, or -1: a damaged working database
    QTest::newRow("reading the working database") << int(StoreStep::Read);
    QTest::newRow("check") << int(StoreStep::Check);
    QTest::newRow("temporary file") << int(StoreStep::CreateTemp);
    QTest::newRow("compaction") << int(StoreStep::Compact);
    QTest::newRow("flush of the copy") << int(StoreStep::SyncFile);
    QTest::newRow("rename") << int(StoreStep::Rename);
    QTest::newRow("flush of the folder") << int(StoreStep::SyncFolder);
    QTest::newRow("damaged working database") << -1;
}

void TestDocuments::failedStoreLeavesTheOldDocument()
{
    QFETCH(int, failingStep);
    const QString document = doc(QStringLiteral("Hotel.vcs"));
    QVERIFY(relabel(1));
    QVERIFY(storeDocument(document));
    const QByteArray old = fileBytes(document);
    QVERIFY(relabel(2));
    const QStringList newRows = dumpAllTables(BaseDatos());
    QVERIFY(dumpDocument(document) != newRows);
    if (failingStep < 0) {
        // Scribble over the pages of the relay table, leaving the file header.
        Close_DB();
        QFile f(workingDatabasePath());
        QVERIFY(f.open(QIODevice::ReadWrite) && f.size() > 16384 && f.seek(f.size() / 2));
        f.write(QByteArray(int(f.size() / 4), '\x5a'));
    }
    const QByteArray workingBefore = digest(workingDatabasePath());

    QString error;
    StoreStep failed = StoreStep::SyncFolder;
    QVERIFY(!storeDocument(document, &error, &failed, [&](StoreStep s) { return int(s) == failingStep; }));
    if (failingStep < 0) {
        QVERIFY2(isRepairStep(failed), qPrintable(error));
    } else {
        QCOMPARE(int(failed), failingStep);
        QVERIFY(error.startsWith(QLatin1String("5 ("))); // EIO
    }
    QCOMPARE(folderEntries(m_folder), QStringList{QStringLiteral("Hotel.vcs")});
    QCOMPARE(digest(workingDatabasePath()), workingBefore);
    QCOMPARE(currentPointer(), Pointer::Default);
    if (failingStep == int(StoreStep::SyncFolder)) {
        // The new document is already in place, whole; only its durability
        // is in doubt, so the store is still reported as failed.
        QCOMPARE(dumpDocument(document), newRows);
    } else {
        QCOMPARE(fileBytes(document), old);
    }
}

void TestDocuments::storeKeepsPermissionsAndLinksAndSparesTheWorkingDatabase()
{
    const QString document = doc(QStringLiteral("Hotel.vcs"));
    QVERIFY(storeDocument(document));
    QVERIFY(QFile::setPermissions(document, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    const QFile::Permissions permissions = QFile::permissions(document);
    QVERIFY(relabel(3));
    QVERIFY(storeDocument(document));
    QCOMPARE(QFile::permissions(document), permissions);

    // A store through a link writes the document it points to.
    const QString link = doc(QStringLiteral("enlace.vcs"));
    QVERIFY(QFile::link(document, link));
    QVERIFY(relabel(4));
    QVERIFY(storeDocument(link));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(dumpDocument(document), dumpAllTables(BaseDatos()));

    // Neither a store nor an open may take the working database itself.
    const QByteArray before = digest(workingDatabasePath());
    QVERIFY(!storeDocument(workingDatabasePath()));
    QCOMPARE(openDocument(workingDatabasePath()), OpenDocumentResult::CopyFailed);
    QCOMPARE(digest(workingDatabasePath()), before);
    QCOMPARE(tempFilesIn(dataFolder()), QStringList());
    QVERIFY(BaseDatos().isOpen());
}

void TestDocuments::failureMessages()
{
    // A working database that cannot be read is a copy failure, not a
    // failed repair.
    appState().RutaBD = workingDatabasePath();
    showStoreFailure(StoreStep::Read, QStringLiteral("2 (No such file or directory)"));
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes[0].prompt, Str(1001) + workingDatabasePath() + Str(1)
                                    + QStringLiteral("\n\n2 (No such file or directory)\n\n") + Str(1002));
    QVERIFY(m_boxes[0].style == MsgOk && m_boxes[0].title == applicationTitle());
}

QTEST_GUILESS_MAIN(TestDocuments)
#include "test_documents.moc"
