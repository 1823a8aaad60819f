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
#include <unistd.h>

namespace orb {

namespace {

const QString kGroup = QStringLiteral("Properties");
const QString kFileKey = QStringLiteral("WorkingFile");
const QString kNameKey = QStringLiteral("WorkingName");

WorkingMarks readMarks(QSettings &store)
{
    store.beginGroup(kGroup);
    WorkingMarks marks;
    marks.file = store.value(kFileKey, QString()).toString();
    marks.name = store.value(kNameKey, QString()).toString();
    store.endGroup();
    return marks;
}

// Writes both marks ("WorkingFile" first) through at once: they must survive
// an end that never reaches the store's own flush. False when the store
// could not take them.
bool writeMarks(QSettings &store, const QString &file, const QString &name)
{
    announceFileStep("write", store.fileName());
    store.beginGroup(kGroup);
    store.setValue(kFileKey, file);
    store.setValue(kNameKey, name);
    store.endGroup();
    store.sync();
    return store.status() == QSettings::NoError;
}

// The program's own copy of the marks beside the working database, for when
// the settings store cannot be written.
std::unique_ptr<QSettings> openMarksBesideDatabase()
{
    return std::make_unique<QSettings>(marksBesideDatabasePath(), QSettings::IniFormat);
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
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
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

// The note read back; nullopt when there is none or it cannot be read.
std::optional<WorkingMarks> readPreviousMarks()
{
    QFile file(previousMarksPath());
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QDataStream in(&file);
    WorkingMarks marks;
    in >> marks.file >> marks.name;
    if (in.status() != QDataStream::Ok)
        return std::nullopt;
    return marks;
}

} // namespace

WorkingMarks readWorkingMarks()
{
    // The copy beside the working database, while there is one, is newer
    // than what the settings store could keep.
    if (QFile::exists(marksBesideDatabasePath()))
        return readMarks(*openMarksBesideDatabase());
    return readMarks(*openSettingsStore());
}

void writeWorkingMarks(const QString &file, const QString &name)
{
    const auto settings = openSettingsStore();
    if (writeMarks(*settings, file, name)) {
        QFile::remove(marksBesideDatabasePath());
        return;
    }
    // Without the marks a crash would go unnoticed at the next start and the
    // configuration in the working database would be lost to the next New
    // or Open: they go beside the working database instead. Told once a run,
    // when a configuration is open.
    writeMarks(*openMarksBesideDatabase(), file, name);
    AppState &s = appState();
    if (file.isEmpty() || s.MarksNotStoredShown)
        return;
    s.MarksNotStoredShown = true;
    MsgBox(Str(9101) + QDir::toNativeSeparators(settings->fileName()) + Str(9102), MsgExclamation, Str(109));
}

void clearWorkingMarks() { writeWorkingMarks(QString(), QString()); }

QString marksBesideDatabasePath() { return dataFolder() + QStringLiteral("/ORBITarsis.marks"); }

QString previousDatabasePath() { return workingDatabasePath() + QStringLiteral(".prev"); }

QString previousMarksPath() { return previousDatabasePath() + QStringLiteral(".marks"); }

bool setWorkingDatabaseAside()
{
    const QString working = workingDatabasePath();
    const QString previous = previousDatabasePath();
    dropPreviousDatabase();
    if (!QFile::exists(working))
        return true;
    // Written down before the move, or no move: without the note an end
    // further on could not tell which configuration the marks name.
    if (!writePreviousMarks(readWorkingMarks()))
        return false;
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
    s.WorkingFile.clear();
    s.WorkingName.clear();
    clearWorkingMarks();
    dropPreviousDatabase();
    Close_DB();
    if (!s.RutaBD.isEmpty())
        removeDatabaseFile(s.RutaBD);
}

} // namespace orb
