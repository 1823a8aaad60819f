#include "Recovery.h"

#include "AppState.h"
#include "ModBas.h"
#include "Seams.h"
#include "SettingsStore.h"
#include "Strings.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <memory>

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

RestoreOutcome restoreUnsaved()
{
    AppState &s = appState();
    const WorkingMarks marks = readWorkingMarks();
    if (marks.file.isEmpty())
        return RestoreOutcome::NothingToRestore;

    s.Mensaje = Str(1042);
    s.TituloMsg = Str(1043);
    if (MsgBox(s.Mensaje, MsgYesNoExclamation, s.TituloMsg) != AnsYes) {
        clearWorkingMarks();
        return RestoreOutcome::Declined;
    }

    // A previous working database kept aside means the last run ended while
    // a new configuration was being made: the marks still name the previous
    // one, and what stands in its place (if anything) is the half-made new one.
    if (QFile::exists(previousDatabasePath())) {
        QFile::remove(workingDatabasePath());
        QFile::rename(previousDatabasePath(), workingDatabasePath());
    }

    // Open_Conf reports a database it cannot open or a missing general row
    // itself. Either way the marks stay, so the question comes again at the
    // next start until it is answered No or the database is back.
    switch (Open_Conf()) {
    case OpenResult::Failed:
        return RestoreOutcome::OpenFailed;
    case OpenResult::NoRow:
        return RestoreOutcome::NoRow;
    case OpenResult::Opened:
        break;
    }
    s.ConfCargada = true;
    s.ConfModif = true;
    s.ConfRecup = true;
    s.WorkingFile = marks.file;
    s.WorkingName = marks.name;
    writeWorkingMarks(marks.file, marks.name);
    return RestoreOutcome::Restored;
}

QString previousDatabasePath() { return workingDatabasePath() + QStringLiteral(".prev"); }

void endOpenConfiguration()
{
    AppState &s = appState();
    s.ConfCargada = false;
    s.ConfModif = false;
    s.WorkingFile.clear();
    s.WorkingName.clear();
    clearWorkingMarks();
    Close_DB();
    if (!s.RutaBD.isEmpty())
        QFile::remove(s.RutaBD);
}

} // namespace orb
