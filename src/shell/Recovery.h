#pragma once
// The two marks of an open configuration in the settings store ("WorkingFile"
// and "WorkingName" in group "Properties") and the restore after an unclean
// end. While a configuration is open the marks name it; an orderly end
// empties them, so marks found at start-up mean the last run ended some other
// way and its configuration is still in the working database.
//
// No windows here: the question goes through MsgBox, the status panel and
// menus are refreshed by the main window when restoreUnsaved() says so.

#include <QString>

namespace orb {

struct WorkingMarks {
    QString file;   // "WorkingFile": document path, or the made-up path of a new configuration
    QString name;   // "WorkingName": its title
};

// Reads the marks; a missing value reads as empty text.
WorkingMarks readWorkingMarks();
// Writes both marks ("WorkingFile" first). When the settings store cannot be
// written they are kept in marksBesideDatabasePath() instead, which
// readWorkingMarks() then reads, and the user is told once a run (when the
// marks name a configuration) which settings file could not be written.
void writeWorkingMarks(const QString &file, const QString &name);
// Empties both marks.
void clearWorkingMarks();
// The program's own file for the marks, beside the working database.
QString marksBesideDatabasePath();

enum class RestoreOutcome {
    NothingToRestore,   // the marks were empty: the last run ended cleanly
    Declined,           // the user answered No: marks emptied, nothing opened
    Restored,           // the configuration is open again and counts as changed
    OpenFailed,         // the working database could not be opened: message shown, marks kept
    NoRow,              // the working database has no general row: message shown, marks kept
};

// Asks whether to restore the configuration of an unclean end (when the
// marks say there is one) and, on Yes, opens the working database and loads
// its header, sets ConfCargada, ConfModif and ConfRecup and writes the marks
// back. A working database that cannot be opened is reported and the program
// goes on with no configuration open.
RestoreOutcome restoreUnsaved();

// Where the previous working database waits while a new configuration is
// made, so that a failed creation can put it back. Found at start-up in
// place of the working database, it is what an end during that creation
// left: the restore takes it back.
QString previousDatabasePath();

// The orderly end of the open configuration: the document state and the
// marks emptied, the working database closed and deleted.
void endOpenConfiguration();

} // namespace orb
