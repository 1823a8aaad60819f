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
#include <memory>
#include <optional>

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
// own: written and dropped with the database, never flushed on its own.
void writePreviousMarks(const WorkingMarks &marks)
{
    announceFileStep("write", previousMarksPath());
    QFile file(previousMarksPath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    QDataStream out(&file);
    out << marks.file << marks.name;
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
    // Written down before the move: a previous database found without it
    // goes back in place, as it would have before.
    const WorkingMarks marks = readWorkingMarks();
    writePreviousMarks(marks);
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
    const WorkingMarks previous = readPreviousMarks().value_or(marks);
    if (previous.file == marks.file && previous.name == marks.name)
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
