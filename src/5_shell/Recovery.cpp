#include "Recovery.h"

#include "AppState.h"
#include "Documents.h"
#include "ModBas.h"
#include "Seams.h"
#include "Strings.h"

namespace orb {

RestoreOutcome restoreUnsaved()
{
    AppState &s = appState();
    const WorkingMarks marks = readWorkingMarks();
    // What an open or store cut short left goes first, whatever the answer:
    // beside the working database, and beside the document the marks name,
    // which is the one a store names in them before it writes it.
    removeLeftoverTemps(marks.file);
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
