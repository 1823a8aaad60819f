#include "Marks.h"

#include "AppState.h"
#include "ModBas.h"
#include "Seams.h"
#include "SettingsStore.h"
#include "Strings.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace orb {

namespace {

const QString kFileKey = QStringLiteral("Properties/WorkingFile");
const QString kNameKey = QStringLiteral("Properties/WorkingName");

WorkingMarks readMarks(const QSettings &store)
{
    WorkingMarks marks;
    marks.file = store.value(kFileKey, QString()).toString();
    marks.name = store.value(kNameKey, QString()).toString();
    return marks;
}

// Writes both marks through at once into the settings file at path: they
// must survive an end that never reaches a later flush. False, with *fault
// set, when the file could not take them whole.
bool writeMarks(const QString &path, const QString &file, const QString &name, int *fault)
{
    announceFileStep("write", path);
    return writeSettingsFile(path, {{kFileKey, file}, {kNameKey, name}}, fault);
}

// Something of any kind lies at path (a link to nothing as well).
bool entryExists(const QString &path)
{
    struct stat entry {};
    return ::lstat(QFile::encodeName(path).constData(), &entry) == 0 || errno != ENOENT;
}

// The note of the marks that name the previous working database. It lives
// only while that database is aside, so it is a plain file of the program's
// own. It is written whole and flushed to disk before the database moves:
// found beside the previous database, it always says which configuration the
// marks named then. False, with errno set and no note left, when it could
// not be written so (a full disk).
bool writePreviousMarks(const WorkingMarks &marks)
{
    QByteArray bytes;
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out << marks.file << marks.name;
    }
    const QString path = previousMarksPath();
    const QByteArray native = QFile::encodeName(path);
    announceFileStep("write", path);
    int code = 0;
    // Never through a link, and never waiting on a pipe put in its place.
    const int fd =
        ::open(native.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    for (qsizetype done = 0; done < bytes.size() && !code;) {
        const ssize_t written = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (written >= 0)
            done += written;
        else if (errno != EINTR)
            code = errno;
    }
    if (::close(fd) != 0 && !code)
        code = errno;
    if (!code)
        code = syncPath(path, false);
    if (!code)
        return true;
    QFile::remove(path);
    errno = code;
    return false;
}

// The note read back; nullopt when there is none or it cannot be read. Only
// a file is read: a pipe, a device or a folder in its place is not waited
// on, and tells nothing.
std::optional<WorkingMarks> readPreviousMarks()
{
    const int fd = ::open(QFile::encodeName(previousMarksPath()).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat opened {};
    QFile file;
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)
        || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return std::nullopt;
    }
    QDataStream in(&file);
    WorkingMarks marks;
    in >> marks.file >> marks.name;
    if (in.status() != QDataStream::Ok)
        return std::nullopt;
    return marks;
}

} // namespace

std::optional<WorkingMarks> readWorkingMarks(MarksFault *fault)
{
    // The copy beside the working database, while there is one, is newer
    // than what the settings file could keep; whatever lies in its place
    // may be that copy, so it is never passed over.
    const QString beside = marksBesideDatabasePath();
    const QString path = entryExists(beside) ? beside : settingsFilePath();
    int code = 0;
    const auto store = readSettingsFile(path, &code);
    if (store)
        return readMarks(*store);
    if (fault)
        *fault = MarksFault{path, code};
    return std::nullopt;
}

WorkingMarks readWorkingMarks() { return readWorkingMarks(nullptr).value_or(WorkingMarks{}); }

void writeWorkingMarks(const QString &file, const QString &name)
{
    const QString settings = settingsFilePath();
    int settingsFault = 0;
    if (writeMarks(settings, file, name, &settingsFault)) {
        QFile::remove(marksBesideDatabasePath());
        return;
    }
    // Without the marks a crash would go unnoticed at the next start and the
    // configuration in the working database would be lost to the next New
    // or Open: they go beside the working database instead. Told once a run,
    // when a configuration is open.
    const QString beside = marksBesideDatabasePath();
    int besideFault = 0;
    const bool kept = writeMarks(beside, file, name, &besideFault);
    AppState &s = appState();
    if (file.isEmpty() || s.MarksNotStoredShown)
        return;
    s.MarksNotStoredShown = true;
    if (kept)
        MsgBox(Str(9101) + QDir::toNativeSeparators(settings) + Str(9102), MsgExclamation, Str(109));
    else
        MsgBox(Str(9043).arg(QDir::toNativeSeparators(settings), ownFileFaultText(settingsFault),
                             QDir::toNativeSeparators(beside), ownFileFaultText(besideFault)),
               MsgExclamation, Str(109));
}

void clearWorkingMarks() { writeWorkingMarks(QString(), QString()); }

QString marksBesideDatabasePath() { return dataFolder() + QStringLiteral("/ORBITarsis.marks"); }

QString previousDatabasePath() { return workingDatabasePath() + QStringLiteral(".prev"); }

QString previousMarksPath() { return previousDatabasePath() + QStringLiteral(".marks"); }

bool setWorkingDatabaseAside(QString *failedPath)
{
    const QString working = workingDatabasePath();
    const QString previous = previousDatabasePath();
    dropPreviousDatabase();
    if (!QFile::exists(working))
        return true;
    // Written down before the move, or no move: without the note an end
    // further on could not tell which configuration the marks name.
    if (failedPath)
        *failedPath = previousMarksPath();
    if (!writePreviousMarks(readWorkingMarks()))
        return false;
    if (failedPath)
        *failedPath = working;
    if (!renameFile(working, previous)) {
        const int code = errno;
        QFile::remove(previousMarksPath());
        errno = code;
        return false;
    }
    const QStringList from = journalsOf(working);
    const QStringList to = journalsOf(previous);
    for (qsizetype i = 0; i < from.size(); ++i) {
        if (QFile::exists(from.at(i)))
            renameFile(from.at(i), to.at(i));
    }
    return true;
}

bool putPreviousDatabaseBack()
{
    const QString working = workingDatabasePath();
    const QString previous = previousDatabasePath();
    if (!QFile::exists(previous))
        return false;
    // A working database in place is the half-made new one, and so are the
    // journals of its name. Without one, those journals are the previous
    // one's, left where they were when the set-aside was cut short.
    if (QFile::exists(working))
        removeDatabaseFile(working);
    const QStringList from = journalsOf(previous);
    const QStringList to = journalsOf(working);
    for (qsizetype i = 0; i < from.size(); ++i) {
        if (QFile::exists(from.at(i)))
            renameFile(from.at(i), to.at(i));
    }
    renameFile(previous, working);
    QFile::remove(previousMarksPath());
    return true;
}

void dropPreviousDatabase()
{
    // The database first: what was written down about it decides only
    // while it is there.
    removeDatabaseFile(previousDatabasePath());
    QFile::remove(previousMarksPath());
}

void settlePreviousDatabase(const WorkingMarks &marks)
{
    if (!QFile::exists(previousDatabasePath())) {
        QFile::remove(previousMarksPath());
        return;
    }
    // With no working database in place the previous one is the only
    // configuration left, and the one the marks name: they name a new one
    // only once it stands whole in place. With one in place, only the note
    // tells which of the two the marks name; a note that is missing or cannot
    // be read tells nothing, and the one in place stays.
    const std::optional<WorkingMarks> previous = readPreviousMarks();
    const bool agree = previous && previous->file == marks.file && previous->name == marks.name;
    if (agree || !QFile::exists(workingDatabasePath()))
        putPreviousDatabaseBack();
    else
        dropPreviousDatabase();
}

void endOpenConfiguration()
{
    AppState &s = appState();
    s.ConfCargada = false;
    s.ConfModif = false;
    s.UnreadMarksKeepDatabase = false;
    s.WorkingFile.clear();
    s.WorkingName.clear();
    clearWorkingMarks();
    dropPreviousDatabase();
    Close_DB();
    if (!s.RutaBD.isEmpty())
        removeDatabaseFile(s.RutaBD);
}

} // namespace orb
