#include "Recovery.h"

#include "AppState.h"
#include "Documents.h"
#include "ModBas.h"
#include "Seams.h"
#include "SettingsStore.h"
#include "Strings.h"

#include <QDir>
#include <QFileInfo>

namespace orb {

RestoreOutcome restoreUnsaved()
{
    AppState &s = appState();
    MarksFault fault;
    const std::optional<WorkingMarks> read = readWorkingMarks(&fault);
    const WorkingMarks marks = read.value_or(WorkingMarks{});
    // What an open or store cut short left goes first, whatever the answer:
    // beside the working database, and beside the document the marks name,
    // which is the one a store names in them before it writes it; and what
    // a write of the marks left beside the files that keep them.
    removeLeftoverTemps(marks.file);
    removeLeftoverSettingsTemps(settingsFilePath());
    removeLeftoverSettingsTemps(marksBesideDatabasePath());
    if (!read) {
        // Nothing tells whether the last run ended properly. A configuration
        // it may have left stays as it lies, working database and previous
        // one alike, to be offered back once the file can be read again;
        // New, Open and the end of this run leave it alone unless told to.
        const QString file = QDir::toNativeSeparators(fault.path);
        const QString cause = ownFileFaultText(fault.fault);
        if (QFileInfo::exists(workingDatabasePath()) || QFileInfo::exists(previousDatabasePath())) {
            s.UnreadMarksKeepDatabase = true;
            MsgBox(Str(9041).arg(file, cause, QDir::toNativeSeparators(dataFolder())), MsgExclamation, Str(109));
            return RestoreOutcome::MarksUnreadable;
        }
        MsgBox(Str(9042).arg(file, cause), MsgExclamation, Str(109));
        return RestoreOutcome::NothingToRestore;
    }
    // A previous working database kept aside means the last run ended while
    // a new configuration was being made. With nothing to restore it must
    // not wait either: a later restore would put it back over whatever
    // configuration is open by then.
    if (marks.file.isEmpty()) {
        dropPreviousDatabase();
        return RestoreOutcome::NothingToRestore;
    }

    s.Mensaje = Str(1042);
    s.TituloMsg = Str(1043);
    if (MsgBox(s.Mensaje, MsgYesNoExclamation, s.TituloMsg) != AnsYes) {
        clearWorkingMarks();
        dropPreviousDatabase();
        return RestoreOutcome::Declined;
    }

    // An end while New or Open replaced the working database: the marks
    // tell whether the previous configuration or the new one is restored.
    settlePreviousDatabase(marks);

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

} // namespace orb
