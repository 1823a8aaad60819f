#pragma once
// The restore after an unclean end: at start-up, marks that name a
// configuration (see Marks.h) mean the last run did not end in order and its
// configuration is still in the working database.
//
// No windows here: the question goes through MsgBox, the status panel and
// menus are refreshed by the main window when restoreUnsaved() says so.

#include "Marks.h"

namespace orb {

enum class RestoreOutcome {
    NothingToRestore,   // the marks were empty: the last run ended cleanly
    Declined,           // the user answered No: marks emptied, nothing opened
    Restored,           // the configuration is open again and counts as changed
    OpenFailed,         // the working database could not be opened: message shown, marks kept
    NoRow,              // the working database has no general row: message shown, marks kept
    MarksUnreadable,    // the marks cannot be read while a working database is there: message
                        // shown, the database kept (UnreadMarksKeepDatabase)
};

// Removes the temporary files an unclean end left (removeLeftoverTemps), then
// asks whether to restore the configuration of an unclean end (when the
// marks say there is one) and, on Yes, opens the working database and loads
// its header, sets ConfCargada, ConfModif and ConfRecup and writes the marks
// back. A working database that cannot be opened is reported and the program
// goes on with no configuration open. Marks that cannot be read (a folder,
// a pipe or a broken link where their file belongs) are reported, never
// waited on, and a working database that may hold the configuration they
// name is left where it is.
RestoreOutcome restoreUnsaved();

} // namespace orb
