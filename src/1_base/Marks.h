#pragma once
// The two marks of an open configuration in the settings store ("WorkingFile"
// and "WorkingName" in group "Properties"). While a configuration is open the
// marks name it; an orderly end empties them, so marks found at start-up
// mean the last run ended some other way and its configuration is still in
// the working database. Also the place where the previous working database
// waits while a new configuration or a document takes its place, and the
// orderly end of the open configuration.

#include <QString>
#include <optional>

namespace orb {

struct WorkingMarks {
    QString file;   // "WorkingFile": document path, or the made-up path of a new configuration
    QString name;   // "WorkingName": its title
};

// The file the marks could not be read from, and why (ownFileFault).
struct MarksFault {
    QString path;
    int fault = 0;
};

// Reads the marks; a missing value reads as empty text. nullopt, with
// *fault filled, when the file that keeps them cannot be read: a folder, a
// pipe, a link to nothing or a loop of links where it belongs (never waited
// on). Then nothing tells whether the last run ended properly.
std::optional<WorkingMarks> readWorkingMarks(MarksFault *fault);
// The same, with marks that cannot be read taken as empty.
WorkingMarks readWorkingMarks();
// Writes both marks, each write checked (SettingsStore.h). When the
// settings file cannot take them they are kept in marksBesideDatabasePath()
// instead, which readWorkingMarks() then reads, and the user is told once a
// run (when the marks name a configuration) which settings file could not
// be written, or that neither file could.
void writeWorkingMarks(const QString &file, const QString &name);
// Empties both marks.
void clearWorkingMarks();
// The program's own file for the marks, beside the working database.
QString marksBesideDatabasePath();

// Where the previous working database waits while a new configuration is
// made or a document is opened in its place, so that a failure can put it
// back. Found at start-up, it is what an end during that replacement left:
// settlePreviousDatabase() decides which of the two stays.
QString previousDatabasePath();
// The marks of the configuration the previous working database holds,
// written down before it goes aside.
QString previousMarksPath();

// The previous working database moves with its own journals. While it is
// aside and no working database stands in its place, its journals may still
// carry the working database's names (the end came while they were being
// moved); once a new working database exists, journals of that name are the
// new one's. Every step below keeps that true, so an end between any two
// steps leaves each journal with the file it belongs to.
//
// The replacement names the new configuration in the marks only once it is
// whole in place, and drops the previous one only after that. So while the
// marks still name the previous configuration it is the one to go back, and
// once they name another one the new one stands whole in its place.

// Sets the working database aside (the database first, then its journals),
// after removing an earlier previous one and writing down the marks that
// name it now, whole and flushed to disk. Nothing happens without one.
// False, with errno set and `failedPath` (when given) naming the file, when
// the note could not be written (a full disk, a folder in its place) or the
// working database could not be moved: it stays in place.
bool setWorkingDatabaseAside(QString *failedPath = nullptr);
// Puts the previous working database back in place of the working
// database: whatever stands there (a half-made new one) is removed with its
// journals, then the previous one's journals move back, then the database.
// False when there is no previous one; nothing is touched then.
bool putPreviousDatabaseBack();
// Removes the previous working database and its journals, then what was
// written down about it.
void dropPreviousDatabase();
// The restore of an end during a replacement, given the marks found at
// start-up: the previous working database goes back when those marks still
// name its configuration, or when no working database stands in its place;
// it is dropped when they name the new one, or when the note about it is
// missing or unreadable and a working database stands in place.
void settlePreviousDatabase(const WorkingMarks &marks);

// The orderly end of the open configuration: the document state and the
// marks emptied, the working database closed and deleted with its journals,
// and a previous one still aside dropped.
void endOpenConfiguration();

} // namespace orb
