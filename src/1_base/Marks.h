#pragma once
// The two marks of an open configuration in the settings store ("WorkingFile"
// and "WorkingName" in group "Properties"). While a configuration is open the
// marks name it; an orderly end empties them, so marks found at start-up
// mean the last run ended some other way and its configuration is still in
// the working database. Also the place where the previous working database
// waits while a new configuration is made, and the orderly end of the open
// configuration.

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

// Where the previous working database waits while a new configuration is
// made, so that a failed creation can put it back. Found at start-up in
// place of the working database, it is what an end during that creation
// left: the restore takes it back.
QString previousDatabasePath();

// The orderly end of the open configuration: the document state and the
// marks emptied, the working database closed and deleted.
void endOpenConfiguration();

} // namespace orb
