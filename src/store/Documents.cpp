#include "Documents.h"

#include "AppState.h"
#include "ModBas.h"
#include "Schema.h"
#include "Seams.h"
#include "Strings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSet>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orb {

namespace {

const QString kTempSuffix = QStringLiteral(".orbtmp");
constexpr int kTempNameChars = 50;
constexpr int kRandomChars = 8;

// SQLite result codes used as error numbers where the engine gave none.
constexpr int kSqliteError = 1;
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteNotADb = 26;

QString errorOf(int code, const QString &text)
{
    return text.isEmpty() ? QString::number(code) : QStringLiteral("%1 (%2)").arg(code).arg(text);
}

QString errnoError(int code) { return errorOf(code, QString::fromLocal8Bit(std::strerror(code))); }

QString sqlError(const QSqlError &error, int fallbackCode)
{
    bool ok = false;
    const int native = error.nativeErrorCode().toInt(&ok);
    QString text = error.databaseText();
    if (text.isEmpty())
        text = error.text();
    return errorOf(ok ? native : fallbackCode, text);
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

// A private read-only connection to a database file, removed on scope exit.
class ReadOnlyConnection {
public:
    explicit ReadOnlyConnection(const QString &path)
    {
        static quint64 counter = 0;
        m_name = QStringLiteral("orb_document_%1").arg(++counter);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    }
    ~ReadOnlyConnection()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    ReadOnlyConnection(const ReadOnlyConnection &) = delete;
    ReadOnlyConnection &operator=(const ReadOnlyConnection &) = delete;

    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }

private:
    QString m_name;
};

// Prefix of the temporary files of one target: "." + the start of its name + ".".
QString tempPrefix(const QString &targetFileName)
{
    return QLatin1Char('.') + targetFileName.left(kTempNameChars) + QLatin1Char('.');
}

// The journal SQLite keeps beside a file while it writes it.
const char *const kJournalSuffixes[] = {"-journal", "-wal", "-shm"};

void removeWithJournals(const QString &path)
{
    QFile::remove(path);
    for (const char *suffix : kJournalSuffixes)
        QFile::remove(path + QLatin1String(suffix));
}

// A temporary file of the target, or the journal of one.
bool isTempOf(QString fileName, const QString &targetFileName)
{
    for (const char *suffix : kJournalSuffixes) {
        if (fileName.endsWith(QLatin1String(suffix))) {
            fileName.chop(qsizetype(std::strlen(suffix)));
            break;
        }
    }
    const QString prefix = tempPrefix(targetFileName);
    if (!fileName.startsWith(prefix) || !fileName.endsWith(kTempSuffix)
        || fileName.size() != prefix.size() + kRandomChars + kTempSuffix.size())
        return false;
    for (qsizetype i = prefix.size(); i < prefix.size() + kRandomChars; ++i) {
        const QChar c = fileName.at(i);
        if (!((c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('0') && c <= QLatin1Char('9'))))
            return false;
    }
    return true;
}

// Removes what an interrupted store or open left beside the target.
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

// Creates a new, empty temporary file beside the target, never reusing an
// existing name. Its permissions are those of the file it replaces, or the
// usual ones for a new file. Returns the path, or an empty string with
// errno set.
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

int syncPath(const QString &path, bool directory)
{
    const int fd = ::open(native(path).constData(), (directory ? O_RDONLY | O_DIRECTORY : O_RDONLY) | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int result = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return result;
}

// Copies the bytes of source into the (empty) file target. Returns 0 or errno.
int copyBytes(const QString &source, const QString &target)
{
    const int in = ::open(native(source).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return errno;
    const int out = ::open(native(target).constData(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (out < 0) {
        const int code = errno;
        ::close(in);
        return code;
    }
    int code = 0;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            code = errno;
            break;
        }
        if (got == 0)
            break;
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(out, buffer + done, size_t(got - done));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                code = errno;
                break;
            }
            done += put;
        }
        if (code)
            break;
    }
    ::close(in);
    if (::close(out) != 0 && !code)
        code = errno;
    return code;
}

bool sameFile(const QString &a, const QString &b)
{
    struct stat sa {}, sb {};
    if (::stat(native(a).constData(), &sa) != 0 || ::stat(native(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// The document's real place: a symbolic link is followed so that the link
// stays and its target is replaced.
QString resolvedTarget(const QString &documentPath)
{
    const QFileInfo info(documentPath);
    if (info.isSymLink()) {
        const QString target = info.symLinkTarget();
        if (!target.isEmpty())
            return QFileInfo(target).absoluteFilePath();
    }
    return info.absoluteFilePath();
}

QStringList columnsOf(QSqlDatabase &db, const QString &table, QString *error)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    QStringList columns;
    if (!query.prepare(QStringLiteral("SELECT name FROM pragma_table_info(?)"))) {
        *error = sqlError(query.lastError(), kSqliteError);
        return {};
    }
    query.addBindValue(table);
    if (!query.exec()) {
        *error = sqlError(query.lastError(), kSqliteError);
        return {};
    }
    while (query.next())
        columns << query.value(0).toString().toUpper();
    return columns;
}

} // namespace

bool isRepairStep(StoreStep step) { return step == StoreStep::Check || step == StoreStep::Compact; }

bool storeDocument(const QString &documentPath, QString *error, StoreStep *failedStep,
                   const StoreStepHook &simulateFailure)
{
    BusyPointer busy;
    QString temp;
    const auto fail = [&](StoreStep step, const QString &message) {
        if (!temp.isEmpty())
            removeWithJournals(temp);
        if (error)
            *error = message;
        if (failedStep)
            *failedStep = step;
        return false;
    };
    const auto simulated = [&](StoreStep step) { return simulateFailure && simulateFailure(step); };

    const QString target = resolvedTarget(documentPath);
    const QString folder = QFileInfo(target).absolutePath();
    const QString targetName = QFileInfo(target).fileName();
    const QString working = workingDatabasePath();

    // A working database that is missing or cannot be read is a failure to
    // copy it, not a damaged one.
    if (simulated(StoreStep::Read))
        return fail(StoreStep::Read, errnoError(EIO));
    if (!QFileInfo(working).isFile())
        return fail(StoreStep::Read, errnoError(ENOENT));
    if (QFileInfo(target).isDir())
        return fail(StoreStep::CreateTemp, errnoError(EISDIR));
    if (sameFile(target, working))
        return fail(StoreStep::CreateTemp, errnoError(EINVAL));

    ReadOnlyConnection source(working);
    QSqlDatabase db = source.db();
    if (!db.open())
        return fail(StoreStep::Read, sqlError(db.lastError(), kSqliteError));

    // The repair: the working database must be sound before it is copied.
    if (simulated(StoreStep::Check))
        return fail(StoreStep::Check, errnoError(EIO));
    {
        QSqlQuery check(db);
        check.setForwardOnly(true);
        if (!check.exec(QStringLiteral("PRAGMA integrity_check")))
            return fail(StoreStep::Check, sqlError(check.lastError(), kSqliteCorrupt));
        if (!check.next())
            return fail(StoreStep::Check, errorOf(kSqliteCorrupt, {}));
        const QString verdict = check.value(0).toString();
        if (verdict != QLatin1String("ok"))
            return fail(StoreStep::Check, errorOf(kSqliteCorrupt, verdict));
    }

    removeStaleTemps(folder, targetName);
    if (simulated(StoreStep::CreateTemp))
        return fail(StoreStep::CreateTemp, errnoError(EIO));
    temp = createTemp(folder, targetName, target);
    if (temp.isEmpty())
        return fail(StoreStep::CreateTemp, errnoError(errno));

    // The compaction, written straight into the new file.
    if (simulated(StoreStep::Compact))
        return fail(StoreStep::Compact, errnoError(EIO));
    {
        QSqlQuery compact(db);
        if (!compact.prepare(QStringLiteral("VACUUM INTO ?")))
            return fail(StoreStep::Compact, sqlError(compact.lastError(), kSqliteError));
        compact.addBindValue(temp);
        if (!compact.exec())
            return fail(StoreStep::Compact, sqlError(compact.lastError(), kSqliteError));
    }
    db.close();

    if (simulated(StoreStep::SyncFile))
        return fail(StoreStep::SyncFile, errnoError(EIO));
    if (const int code = syncPath(temp, false))
        return fail(StoreStep::SyncFile, errnoError(code));

    if (simulated(StoreStep::Rename))
        return fail(StoreStep::Rename, errnoError(EIO));
    if (::rename(native(temp).constData(), native(target).constData()) != 0)
        return fail(StoreStep::Rename, errnoError(errno));
    temp.clear(); // it is the document now

    if (simulated(StoreStep::SyncFolder))
        return fail(StoreStep::SyncFolder, errnoError(EIO));
    if (const int code = syncPath(folder, true))
        return fail(StoreStep::SyncFolder, errnoError(code));
    return true;
}

void showStoreFailure(StoreStep failedStep, const QString &error)
{
    AppState &s = appState();
    if (isRepairStep(failedStep)) {
        s.Mensaje = Str(1011) + error;
        MsgBox(s.Mensaje, MsgCritical);
        return;
    }
    showDatabaseFailure(s.RutaBD.isEmpty() ? workingDatabasePath() : s.RutaBD, error);
}

bool validateDocument(const QString &path, QString *error)
{
    QString message;
    const auto fail = [&](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    const QFileInfo info(path);
    if (!info.exists())
        return fail(errnoError(ENOENT));
    if (!info.isFile())
        return fail(errnoError(EISDIR));
    if (info.size() == 0)
        return fail(errorOf(kSqliteNotADb, QStringLiteral("empty file")));

    ReadOnlyConnection connection(path);
    QSqlDatabase db = connection.db();
    if (!db.open())
        return fail(sqlError(db.lastError(), kSqliteNotADb));

    {
        QSqlQuery check(db);
        check.setForwardOnly(true);
        if (!check.exec(QStringLiteral("PRAGMA quick_check")))
            return fail(sqlError(check.lastError(), kSqliteNotADb));
        if (!check.next() || check.value(0).toString() != QLatin1String("ok"))
            return fail(errorOf(kSqliteCorrupt, check.value(0).toString()));
    }

    QSet<QString> tables;
    {
        QSqlQuery list(db);
        list.setForwardOnly(true);
        if (!list.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'")))
            return fail(sqlError(list.lastError(), kSqliteNotADb));
        while (list.next())
            tables.insert(list.value(0).toString().toUpper());
    }
    for (const TableDef *table : allTables()) {
        const QString name = QString::fromLatin1(table->name);
        if (!tables.contains(name.toUpper()))
            return fail(errorOf(kSqliteNotADb, QStringLiteral("no table %1").arg(name)));
        const QStringList columns = columnsOf(db, name, &message);
        if (!message.isEmpty())
            return fail(message);
        for (const FieldDef &field : table->fields) {
            const QString column = QString::fromLatin1(field.name);
            if (!columns.contains(column.toUpper()))
                return fail(errorOf(kSqliteNotADb, QStringLiteral("no column %1.%2").arg(name, column)));
        }
    }
    return true;
}

bool documentReplacedWorking(OpenDocumentResult result)
{
    return result == OpenDocumentResult::Opened || result == OpenDocumentResult::OpenedNoRow;
}

OpenDocumentResult openDocument(const QString &path, QString *error, const OpenStepHook &simulateFailure)
{
    AppState &s = appState();
    const QString working = workingDatabasePath();
    const QString folder = QFileInfo(working).absolutePath();
    const QString workingName = QFileInfo(working).fileName();
    const bool wasOpen = BaseDatos().isOpen();
    QString temp;
    const auto fail = [&](OpenDocumentResult result, const QString &message) {
        if (!temp.isEmpty())
            removeWithJournals(temp);
        if (error)
            *error = message;
        if (wasOpen && !BaseDatos().isOpen())
            BaseDatos().open();
        return result;
    };
    const auto simulated = [&](OpenStep step) { return simulateFailure && simulateFailure(step); };

    if (!QFileInfo::exists(path))
        return fail(OpenDocumentResult::CopyFailed, errnoError(ENOENT));
    if (!QFileInfo(path).isFile())
        return fail(OpenDocumentResult::CopyFailed, errnoError(EISDIR));
    if (sameFile(path, working))
        return fail(OpenDocumentResult::CopyFailed, errnoError(EINVAL));

    removeStaleTemps(folder, workingName);
    if (simulated(OpenStep::CreateTemp))
        return fail(OpenDocumentResult::CopyFailed, errnoError(EIO));
    temp = createTemp(folder, workingName, QString());
    if (temp.isEmpty())
        return fail(OpenDocumentResult::CopyFailed, errnoError(errno));

    if (simulated(OpenStep::Copy))
        return fail(OpenDocumentResult::CopyFailed, errnoError(EIO));
    if (const int code = copyBytes(path, temp))
        return fail(OpenDocumentResult::CopyFailed, errnoError(code));

    if (simulated(OpenStep::SyncFile))
        return fail(OpenDocumentResult::CopyFailed, errnoError(EIO));
    if (const int code = syncPath(temp, false))
        return fail(OpenDocumentResult::CopyFailed, errnoError(code));

    // The copy is what becomes the working database, so the copy is checked.
    QString invalid;
    if (simulated(OpenStep::Validate))
        return fail(OpenDocumentResult::Invalid, errorOf(kSqliteNotADb, QStringLiteral("simulated")));
    if (!validateDocument(temp, &invalid))
        return fail(OpenDocumentResult::Invalid, invalid);

    Close_DB();
    // A journal beside the old working database belongs to that file, never
    // to the one replacing it.
    for (const char *suffix : kJournalSuffixes)
        QFile::remove(working + QLatin1String(suffix));
    if (simulated(OpenStep::Rename))
        return fail(OpenDocumentResult::CopyFailed, errnoError(EIO));
    if (::rename(native(temp).constData(), native(working).constData()) != 0)
        return fail(OpenDocumentResult::CopyFailed, errnoError(errno));
    temp.clear();
    syncPath(folder, true);

    s.RutaBD = working;
    switch (Open_Conf()) {
    case OpenResult::Opened:
        return OpenDocumentResult::Opened;
    case OpenResult::NoRow:
        return OpenDocumentResult::OpenedNoRow;
    case OpenResult::Failed:
        break;
    }
    if (error)
        *error = errorOf(kSqliteError, QStringLiteral("working database"));
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
