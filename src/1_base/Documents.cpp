#include "Documents.h"

#include "AppState.h"
#include "ConfigTables.h"
#include "ConfigurationCheck.h"
#include "Marks.h"
#include "ModBas.h"
#include "Schema.h"
#include "Seams.h"
#include "SettingsStore.h"
#include "Strings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

#include <cerrno>
#include <optional>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orb {

namespace {

const QString kTempSuffix = QStringLiteral(".orbtmp");
constexpr int kTempNameChars = 50;
constexpr int kRandomChars = 8;

// SQLite result codes of a file the engine could not write or open.
constexpr int kSqlitePerm = 3;
constexpr int kSqliteReadOnly = 8;
constexpr int kSqliteIoErr = 10;
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteFull = 13;
constexpr int kSqliteBusy = 5;
constexpr int kSqliteLocked = 6;

// How long a store waits for another program to let go of the document it
// replaces: as long as an open waits to read one.
constexpr int kBusyTimeoutMs = 5000;

int primaryCode(const QSqlError &error) { return error.nativeErrorCode().toInt() & 0xff; }

// A compaction that failed because its output could not be written: the
// folder or the disk of the file it wrote refused it. The working database
// was read whole by its check just before, so that is where the fault lies.
bool outputRefused(const QSqlError &error)
{
    const int code = primaryCode(error);
    return code == kSqlitePerm || code == kSqliteReadOnly || code == kSqliteIoErr || code == kSqliteFull
           || code == kSqliteCantOpen;
}

// Runs an integrity check (quick: the pages and records only) on db. On
// failure fills error with the engine's error or its verdict, and code with
// the engine's result code when it could not run the check at all.
bool soundDatabase(QSqlDatabase &db, bool quick, QString *error, int *code = nullptr)
{
    QSqlQuery check(db);
    check.setForwardOnly(true);
    if (!check.exec(quick ? QStringLiteral("PRAGMA quick_check") : QStringLiteral("PRAGMA integrity_check"))) {
        *error = numberedError(check.lastError(), kSqliteNotADb);
        if (code)
            *code = primaryCode(check.lastError());
        return false;
    }
    if (!check.next()) {
        *error = numberedError(kSqliteCorrupt, {});
        return false;
    }
    const QString verdict = check.value(0).toString();
    if (verdict == QLatin1String("ok"))
        return true;
    *error = numberedError(kSqliteCorrupt, verdict);
    return false;
}

// Copies the database open on db, compacted, into the empty file target.
bool compactInto(QSqlDatabase &db, const QString &target, QSqlError *error)
{
    QSqlQuery compact(db);
    if (compact.prepare(QStringLiteral("VACUUM INTO ?"))) {
        compact.addBindValue(target);
        if (compact.exec())
            return true;
    }
    *error = compact.lastError();
    return false;
}

QByteArray native(const QString &path) { return QFile::encodeName(path); }

// The hourglass while a store runs; the default pointer back on every return.
class BusyPointer {
public:
    BusyPointer() { SetPointer(Pointer::Hourglass); }
    ~BusyPointer() { SetPointer(Pointer::Default); }
    BusyPointer(const BusyPointer &) = delete;
    BusyPointer &operator=(const BusyPointer &) = delete;
};

// A private connection to a database file, removed on scope exit: read-only
// unless it is given other options.
class PrivateConnection {
public:
    explicit PrivateConnection(const QString &path,
                               const QString &options = QStringLiteral("QSQLITE_OPEN_READONLY"))
    {
        static quint64 counter = 0;
        m_name = QStringLiteral("orb_document_%1").arg(++counter);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        db.setConnectOptions(options);
    }
    ~PrivateConnection()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    PrivateConnection(const PrivateConnection &) = delete;
    PrivateConnection &operator=(const PrivateConnection &) = delete;

    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }

private:
    QString m_name;
};

// The document a store replaces, held by the engine's own exclusive lock
// from before its copy is made until the copy has taken its place: no other
// program reads or writes it then, and none has a live journal beside it.
// A program that holds it (reading, or writing with its journal beside it)
// is waited on as an open waits, and then the store gives way. A file the
// engine does not take for a database (text, say) is no program's database,
// and a file it can only read cannot be written through by another program
// of this user either: neither is locked, and the store goes on.
class DocumentLock {
public:
    explicit DocumentLock(const QString &target)
        : m_connection(QUrl::fromLocalFile(target).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=rw"),
                       QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs))
    {
    }

    // False, with error filled, when another program holds the document.
    // In WAL mode only a connection that locks the file itself (exclusive
    // locking mode) keeps readers out, so that mode is asked for first.
    bool take(QString *error)
    {
        QSqlDatabase db = m_connection.db();
        if (!db.open())
            return true; // gone, or not ours to open: the rename decides
        QSqlQuery lock(db);
        if (lock.exec(QStringLiteral("PRAGMA locking_mode = EXCLUSIVE"))
            && lock.exec(QStringLiteral("BEGIN EXCLUSIVE")))
            return true;
        const int code = primaryCode(lock.lastError());
        if (code != kSqliteBusy && code != kSqliteLocked)
            return true;
        *error = numberedError(lock.lastError(), kSqliteBusy);
        return false;
    }

private:
    PrivateConnection m_connection;
};

// Prefix of the temporary files of one target: "." + the start of its name + ".".
QString tempPrefix(const QString &targetFileName)
{
    return QLatin1Char('.') + targetFileName.left(kTempNameChars) + QLatin1Char('.');
}

// A file name without the suffix of a journal, when it has one.
QString withoutJournalSuffix(QString fileName)
{
    for (const QString &journal : journalsOf(QString())) {
        if (fileName.endsWith(journal)) {
            fileName.chop(journal.size());
            break;
        }
    }
    return fileName;
}

// The end every temporary file's name has: "." + eight letters or digits +
// ".orbtmp", after a start of its own.
bool endsAsTemp(const QString &fileName)
{
    const qsizetype tail = 1 + kRandomChars + kTempSuffix.size();
    if (fileName.size() <= tail || !fileName.endsWith(kTempSuffix)
        || fileName.at(fileName.size() - tail) != QLatin1Char('.'))
        return false;
    const qsizetype first = fileName.size() - tail + 1;
    for (qsizetype i = first; i < first + kRandomChars; ++i) {
        const QChar c = fileName.at(i);
        if (!((c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('0') && c <= QLatin1Char('9'))))
            return false;
    }
    return true;
}

// A temporary file of the target, or the journal of one, or what the
// settings store's writer leaves beside one of its own ("<temp>.lock" and
// "<temp>.<letters>").
bool isTempOf(const QString &fileName, const QString &targetFileName)
{
    QString name = withoutJournalSuffix(fileName);
    const QString prefix = tempPrefix(targetFileName);
    const qsizetype tempSize = prefix.size() + kRandomChars + kTempSuffix.size();
    if (name.size() > tempSize && name.at(tempSize) == QLatin1Char('.'))
        name.truncate(tempSize);
    return name.startsWith(prefix) && name.size() == tempSize && endsAsTemp(name);
}

// A temporary file of any store or open, or the journal of one.
bool isTempName(const QString &fileName)
{
    const QString name = withoutJournalSuffix(fileName);
    return name.startsWith(QLatin1Char('.')) && name.size() > 2 + kRandomChars + kTempSuffix.size()
           && endsAsTemp(name);
}

} // namespace

void removeStaleTemps(const QString &folder, const QString &targetFileName)
{
    const QDir dir(folder);
    const QStringList names = dir.entryList(QStringList{tempPrefix(targetFileName) + QLatin1Char('*')},
                                            QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        if (isTempOf(name, targetFileName))
            QFile::remove(dir.filePath(name));
    }
}

QString createTemp(const QString &folder, const QString &targetFileName, const QString &replacedPath)
{
    struct stat replaced {};
    const bool keepMode = ::stat(native(replacedPath).constData(), &replaced) == 0;
    static const char alphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        QString name = tempPrefix(targetFileName);
        for (int i = 0; i < kRandomChars; ++i)
            name += QLatin1Char(alphabet[QRandomGenerator::global()->bounded(int(sizeof alphabet - 1))]);
        name += kTempSuffix;
        const QString path = QDir(folder).filePath(name);
        const int fd = ::open(native(path).constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return {};
        }
        if (keepMode)
            ::fchmod(fd, replaced.st_mode & 07777);
        ::close(fd);
        return path;
    }
    errno = EEXIST;
    return {};
}

namespace {

bool sameFile(const QString &a, const QString &b)
{
    struct stat sa {}, sb {};
    if (::stat(native(a).constData(), &sa) != 0 || ::stat(native(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// The document's real place: every symbolic link is followed, through
// chains of them, so that the links stay and the real document is replaced.
// A link whose target does not exist yet is followed link by link.
QString resolvedTarget(const QString &documentPath)
{
    const QFileInfo info(documentPath);
    const QString real = info.canonicalFilePath();
    if (!real.isEmpty())
        return real;
    QFileInfo step(info.absoluteFilePath());
    constexpr int kMaxLinks = 40; // as the system itself follows at most
    for (int links = 0; links < kMaxLinks && step.isSymLink(); ++links) {
        const QString target = step.symLinkTarget();
        if (target.isEmpty())
            break;
        step = QFileInfo(target);
    }
    return step.absoluteFilePath();
}

// The folder of the settings file.
QString settingsFolder() { return QFileInfo(settingsFilePath()).absolutePath(); }

// A file the program keeps for itself, never a document: anything in its
// data folder (the working database, the previous one, their journals and
// temporary files, the marks, the note) or in the folder of its settings
// file, the working database under another name, and the temporary file of
// any store or open, wherever it lies. Links are followed to the real file.
bool programFile(const QString &path)
{
    const QString real = resolvedTarget(path);
    const QString folder = QFileInfo(real).absolutePath();
    return isTempName(QFileInfo(path).fileName()) || isTempName(QFileInfo(real).fileName())
           || sameFile(real, workingDatabasePath()) || sameFile(folder, dataFolder())
           || sameFile(folder, settingsFolder());
}

// The reason a file of the program's own is refused, as a document to open
// or to store into.
QString programFileError() { return numberedError(EINVAL, Str(9022)); }

// Whether the file at path can be a document at all: an existing, non-empty
// file that is not one of the program's own, with nothing but files under
// its journals' names. Fills error and result (the outcome of an open) when
// not. Only the files' types are looked at (nothing is opened), so a pipe
// that no program writes, or a device, is refused without waiting on it,
// whether it is the document or lies where its journal belongs.
bool documentFile(const QString &path, QString *error, OpenDocumentResult *result)
{
    const QFileInfo info(path);
    if (info.exists() && programFile(path)) {
        *result = OpenDocumentResult::CopyFailed;
        *error = programFileError();
        return false;
    }
    if (info.exists() && info.isFile() && info.size() > 0) {
        if (journalsAreFiles(path))
            return true;
        *result = OpenDocumentResult::Invalid;
        *error = numberedError(kSqliteNotADb, Str(9021));
        return false;
    }
    const bool special = info.exists() && !info.isFile() && !info.isDir();
    *result = info.isFile() || special ? OpenDocumentResult::Invalid : OpenDocumentResult::CopyFailed;
    *error = !info.exists() ? errnoError(ENOENT)
             : special      ? numberedError(kSqliteNotADb, Str(9020))
             : info.isDir() ? errnoError(EISDIR)
                            : numberedError(kSqliteNotADb, Str(9018));
    return false;
}

// Opens the document read-only and checks that the engine reads it whole.
// A file the engine cannot open at all could not be copied; one it opens
// but cannot read is no database (or a damaged one). A read that would have
// to write is one that finds a journal still to be applied: another program
// ended while writing the document, and reading it without that would give
// neither its old nor its new contents.
OpenDocumentResult openSound(QSqlDatabase &db, QString *error)
{
    if (!db.open()) {
        *error = numberedError(db.lastError(), kSqliteCantOpen);
        return OpenDocumentResult::CopyFailed;
    }
    int code = 0;
    if (!soundDatabase(db, true, error, &code)) {
        if (code == kSqliteReadOnly)
            *error = numberedError(kSqliteReadOnly, Str(9019));
        return code == kSqliteCantOpen ? OpenDocumentResult::CopyFailed : OpenDocumentResult::Invalid;
    }
    return OpenDocumentResult::Opened;
}

// Fills the empty file temp with the configuration of the document at
// path: the tables as the program makes them, and the document's rows
// copied into them (copyConfigurationRows). The document is attached
// read-only, so it is never written. The copy is private until it is
// flushed and checked, so it is written without a journal.
OpenDocumentResult importDocument(const QString &path, const QString &temp, QString *error)
{
    PrivateConnection copy(temp, QStringLiteral("QSQLITE_OPEN_URI"));
    QSqlDatabase db = copy.db();
    QSqlQuery query(db);
    const auto failed = [error](const QSqlError &engineError, OpenDocumentResult result) {
        *error = numberedError(engineError, kSqliteError);
        return result;
    };
    if (!db.open())
        return failed(db.lastError(), OpenDocumentResult::CopyFailed);
    if (!query.exec(QStringLiteral("PRAGMA journal_mode = OFF"))
        || !query.exec(QStringLiteral("PRAGMA synchronous = OFF")))
        return failed(query.lastError(), OpenDocumentResult::CopyFailed);
    const QString source = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded)
                           + QStringLiteral("?mode=ro");
    if (!query.prepare(QStringLiteral("ATTACH DATABASE ? AS document")))
        return failed(query.lastError(), OpenDocumentResult::CopyFailed);
    query.addBindValue(source);
    if (!query.exec())
        return failed(query.lastError(), OpenDocumentResult::CopyFailed);

    QSqlError copyError;
    const bool copied = [&] {
        Transaction transaction(db);
        if (!transaction.started()) {
            copyError = transaction.error();
            return false;
        }
        for (const TableDef *table : allTables()) {
            if (!query.exec(createTableSql(*table))) {
                copyError = query.lastError();
                return false;
            }
        }
        if (!copyConfigurationRows(db, QStringLiteral("document"), &copyError))
            return false;
        if (!transaction.commit()) {
            copyError = transaction.error();
            return false;
        }
        return true;
    }();
    query.exec(QStringLiteral("DETACH DATABASE document"));
    // A row the program's tables refuse, or a table that cannot be read so,
    // makes the document unfit; a copy that could not be written, a failed
    // copy.
    if (!copied)
        return failed(copyError,
                      outputRefused(copyError) ? OpenDocumentResult::CopyFailed : OpenDocumentResult::Invalid);
    return OpenDocumentResult::Opened;
}

// Reads the document read-only: sound to the engine (openSound), and one
// whole configuration (checkConfiguration).
OpenDocumentResult checkDocument(const QString &path, QString *error)
{
    PrivateConnection connection(path);
    QSqlDatabase db = connection.db();
    const OpenDocumentResult read = openSound(db, error);
    if (read != OpenDocumentResult::Opened)
        return read;
    return checkConfiguration(db, error) ? OpenDocumentResult::Opened : OpenDocumentResult::Invalid;
}

} // namespace

bool storeDocument(const QString &documentPath, QString *error, StoreFailure *failure,
                   const StoreStepHook &simulateFailure)
{
    BusyPointer busy;
    QString temp;
    const QString target = resolvedTarget(documentPath);
    const QString folder = QFileInfo(target).absolutePath();
    const QString targetName = QFileInfo(target).fileName();
    const QString working = workingDatabasePath();

    const auto fail = [&](StoreStep step, StoreFault fault, const QString &message) {
        if (!temp.isEmpty())
            removeDatabaseFile(temp);
        if (error)
            *error = message;
        if (failure)
            *failure = StoreFailure{step, fault, fault == StoreFault::Target ? target : working};
        return false;
    };
    const auto simulated = [&](StoreStep step) { return simulateFailure && simulateFailure(step); };

    // A working database that is missing or cannot be read is a failure to
    // copy it, not a damaged one.
    if (simulated(StoreStep::Read))
        return fail(StoreStep::Read, StoreFault::Working, errnoError(EIO));
    if (!QFileInfo(working).isFile())
        return fail(StoreStep::Read, StoreFault::Working, errnoError(ENOENT));
    if (!journalsAreFiles(working))
        return fail(StoreStep::Read, StoreFault::Working, numberedError(kSqliteCantOpen, Str(9021)));
    if (QFileInfo(target).isDir())
        return fail(StoreStep::CreateTemp, StoreFault::Target, errnoError(EISDIR));
    // A device, pipe or socket is never replaced by a document, nor is a file
    // of the program's own (its settings, the working database and what goes
    // with it).
    if (const QFileInfo info(target); info.exists() && !info.isFile())
        return fail(StoreStep::CreateTemp, StoreFault::Target, numberedError(kSqliteNotADb, Str(9020)));
    if (programFile(documentPath))
        return fail(StoreStep::CreateTemp, StoreFault::Target, programFileError());
    // Nor is a document whose journal is no file: the next open would refuse
    // it, and the engine would wait on a pipe there.
    if (!journalsAreFiles(target))
        return fail(StoreStep::CreateTemp, StoreFault::Target, numberedError(kSqliteNotADb, Str(9021)));

    PrivateConnection source(working);
    QSqlDatabase db = source.db();
    if (!db.open())
        return fail(StoreStep::Read, StoreFault::Working, numberedError(db.lastError(), kSqliteError));

    // The repair: only a sound, whole configuration may replace a document.
    QString broken;
    if (simulated(StoreStep::Check))
        return fail(StoreStep::Check, StoreFault::Check, errnoError(EIO));
    if (!soundDatabase(db, false, &broken) || !checkConfiguration(db, &broken))
        return fail(StoreStep::Check, StoreFault::Check, broken);

    // The old document stays untouched while another program holds it.
    std::optional<DocumentLock> lock;
    if (QFileInfo(target).isFile()) {
        QString locked;
        if (!lock.emplace(target).take(&locked))
            return fail(StoreStep::CreateTemp, StoreFault::Target, locked);
    }

    removeStaleTemps(folder, targetName);
    if (simulated(StoreStep::CreateTemp))
        return fail(StoreStep::CreateTemp, StoreFault::Target, errnoError(EIO));
    temp = createTemp(folder, targetName, target);
    if (temp.isEmpty())
        return fail(StoreStep::CreateTemp, StoreFault::Target, errnoError(errno));

    // The compaction, written straight into the new file.
    if (simulated(StoreStep::Compact))
        return fail(StoreStep::Compact, StoreFault::Target, errnoError(EIO));
    QSqlError compactError;
    if (!compactInto(db, temp, &compactError))
        return fail(StoreStep::Compact, outputRefused(compactError) ? StoreFault::Target : StoreFault::Check,
                    numberedError(compactError, kSqliteError));
    db.close();

    if (simulated(StoreStep::SyncFile))
        return fail(StoreStep::SyncFile, StoreFault::Target, errnoError(EIO));
    if (const int code = syncPath(temp, false))
        return fail(StoreStep::SyncFile, StoreFault::Target, errnoError(code));

    // The old document's journals go first: left beside the new document, a
    // journal of the old one would be applied to it by the next reader.
    if (simulated(StoreStep::Rename))
        return fail(StoreStep::Rename, StoreFault::Target, errnoError(EIO));
    if (!replaceDatabaseFile(temp, target))
        return fail(StoreStep::Rename, StoreFault::Target, errnoError(errno));
    temp.clear(); // it is the document now

    if (simulated(StoreStep::SyncFolder))
        return fail(StoreStep::SyncFolder, StoreFault::Target, errnoError(EIO));
    if (const int code = syncPath(folder, true))
        return fail(StoreStep::SyncFolder, StoreFault::Target, errnoError(code));
    return true;
}

void removeLeftoverTemps(const QString &documentPath)
{
    const QFileInfo working(workingDatabasePath());
    removeStaleTemps(working.absolutePath(), working.fileName());
    if (documentPath.isEmpty())
        return;
    const QFileInfo document(resolvedTarget(documentPath));
    removeStaleTemps(document.absolutePath(), document.fileName());
}

void showStoreFailure(const StoreFailure &failure, const QString &error)
{
    AppState &s = appState();
    if (failure.fault == StoreFault::Check) {
        s.Mensaje = Str(1011) + error;
        MsgBox(s.Mensaje, MsgCritical);
        return;
    }
    showDatabaseFailure(failure.path, error);
}

bool validateDocument(const QString &path, QString *error)
{
    QString message;
    OpenDocumentResult result = OpenDocumentResult::Opened;
    bool valid = documentFile(path, &message, &result);
    if (valid) {
        valid = checkDocument(path, &message) == OpenDocumentResult::Opened;
    }
    if (!valid && error)
        *error = message;
    return valid;
}

OpenDocumentResult openDocument(const QString &path, QString *error, const OpenStepHook &simulateFailure)
{
    AppState &s = appState();
    const QString working = workingDatabasePath();
    const QString folder = QFileInfo(working).absolutePath();
    const QString workingName = QFileInfo(working).fileName();
    const bool wasOpen = BaseDatos().isOpen();
    QString temp;
    QString message;
    const auto fail = [&](OpenDocumentResult result, const QString &text) {
        if (!temp.isEmpty())
            removeDatabaseFile(temp);
        if (error)
            *error = text;
        if (wasOpen && !BaseDatos().isOpen())
            BaseDatos().open();
        return result;
    };
    const auto simulated = [&](OpenStep step) { return simulateFailure && simulateFailure(step); };

    OpenDocumentResult refused = OpenDocumentResult::Opened;
    if (!documentFile(path, &message, &refused))
        return fail(refused, message);

    removeStaleTemps(folder, workingName);
    if (simulated(OpenStep::CreateTemp))
        return fail(OpenDocumentResult::CopyFailed, errnoError(EIO));
    temp = createTemp(folder, workingName, QString());
    if (temp.isEmpty())
        return fail(OpenDocumentResult::CopyFailed, errnoError(errno));

    // The document is read through the engine, never written: what its
    // journal still holds comes with it. Only its rows come, into the
    // program's own tables: a document is input from outside, and its schema
    // would otherwise go on acting on every later edit.
    const OpenDocumentResult read = checkDocument(path, &message);
    if (read != OpenDocumentResult::Opened)
        return fail(read, message);
    if (simulated(OpenStep::Copy))
        return fail(OpenDocumentResult::CopyFailed, errnoError(EIO));
    const OpenDocumentResult imported = importDocument(path, temp, &message);
    if (imported != OpenDocumentResult::Opened)
        return fail(imported, message);

    if (simulated(OpenStep::SyncFile))
        return fail(OpenDocumentResult::CopyFailed, errnoError(EIO));
    if (const int code = syncPath(temp, false))
        return fail(OpenDocumentResult::CopyFailed, errnoError(code));

    // The copy is what becomes the working database, so the copy is checked.
    if (simulated(OpenStep::Validate))
        return fail(OpenDocumentResult::Invalid, numberedError(kSqliteNotADb, QStringLiteral("simulated")));
    {
        PrivateConnection copy(temp);
        QSqlDatabase db = copy.db();
        if (openSound(db, &message) != OpenDocumentResult::Opened || !checkConfiguration(db, &message))
            return fail(OpenDocumentResult::Invalid, message);
    }

    // The old working database waits aside, with its journals, until the
    // marks name the document: an end before then restores it, an end after
    // then the document (settlePreviousDatabase).
    Close_DB();
    if (simulated(OpenStep::SetAside))
        return fail(OpenDocumentResult::CopyFailed, errnoError(EIO));
    if (QString failedPath; !setWorkingDatabaseAside(&failedPath)) {
        const int code = errno;
        return fail(OpenDocumentResult::CopyFailed, errnoError(code) + QLatin1Char(' ') + failedPath);
    }
    // A copy that cannot take its place gives it back to the previous one.
    int renameError = 0;
    if (simulated(OpenStep::Rename))
        renameError = EIO;
    else if (!renameFile(temp, working))
        renameError = errno;
    if (renameError) {
        putPreviousDatabaseBack();
        return fail(OpenDocumentResult::CopyFailed, errnoError(renameError));
    }
    temp.clear();
    syncPath(folder, true);

    // The copy holds exactly one general row, so Open_Conf loads the header
    // unless the file cannot be opened after all. Then the previous one
    // stays aside until the configuration ends (endOpenConfiguration).
    s.RutaBD = working;
    if (Open_Conf() == OpenResult::Opened) {
        writeWorkingMarks(path, documentTitle(path));
        dropPreviousDatabase();
        return OpenDocumentResult::Opened;
    }
    if (error)
        *error = numberedError(kSqliteError, QStringLiteral("working database"));
    return OpenDocumentResult::WorkingOpenFailed;
}

void showOpenFailure(const QString &error)
{
    appState().MensajeAux = QStringLiteral("FALLO DE DASE DE DATOS: ") + error;
    MsgBox(appState().MensajeAux, MsgOk);
}

// ---------------------------------------------------------------------------

QString documentTitle(const QString &fileName) { return QFileInfo(fileName).fileName(); }

void applyOpened(const QString &fileName)
{
    AppState &s = appState();
    s.ConfCargada = true;
    s.ConfModif = false;
    // The configuration opened was not restored, whatever was open before.
    s.ConfRecup = false;
    s.WorkingFile = fileName;
    s.WorkingName = documentTitle(fileName);
}

void applyStored(const QString &fileName, bool saveAs)
{
    AppState &s = appState();
    if (saveAs)
        s.ConfCargada = true;
    s.ConfModif = false;
    s.ConfRecup = false;
    s.WorkingFile = fileName;
    s.WorkingName = documentTitle(fileName);
}

bool asksNewOpenQuestion()
{
    const AppState &s = appState();
    return s.ConfCargada && s.ConfModif;
}

bool asksCloseQuestion() { return appState().ConfModif; }

int askNewOpenQuestion()
{
    AppState &s = appState();
    s.Mensaje = Str(1047) + s.WorkingName;
    s.TituloMsg = Str(1048);
    return MsgBox(s.Mensaje, MsgYesNo, s.TituloMsg);
}

int askCloseQuestion()
{
    AppState &s = appState();
    s.Mensaje = Str(1044);
    s.TituloMsg = Str(1045);
    return MsgBox(s.Mensaje, MsgYesNo, s.TituloMsg);
}

bool saveRunsSaveAs(const QString &dialogFileName)
{
    return dialogFileName.isEmpty() || appState().WorkingFile != dialogFileName;
}

FileDialogRequest documentDialogRequest(bool save)
{
    FileDialogRequest request;
    request.save = save;
    request.filter = Str(1046) + QStringLiteral("(*.vcs)");
    if (save)
        request.proposedName = appState().WorkingName;
    return request;
}

bool confirmReplace(const QString &path)
{
    if (!QFileInfo::exists(path))
        return true;
    return MsgBox(path + QLatin1Char(' ') + Str(6509), MsgYesNo) == AnsYes;
}

} // namespace orb
