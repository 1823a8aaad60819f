#pragma once
// The working database: the file "Vuvurov.mdb" in the per-user data folder
// that holds the open configuration. Create_DB makes it anew with its seven
// tables and lookup rows, Open_Conf opens it and loads the configuration
// header into the application state, Close_DB closes it.
//
// Every query uses its own QSqlQuery with bound values; no user text is ever
// pasted into SQL.

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

namespace orb {

// Name of the Qt connection of the working database.
inline constexpr const char *kWorkingConnection = "BaseDatos";

// The folder of the working database ($XDG_DATA_HOME/ORBITarsis), created
// when missing, and the database's full path inside it.
QString dataFolder();
// Makes the folder at path with every missing folder above it. Returns 0
// when it is there, or the error number of the step that failed (EACCES
// when a parent may not be written, EROFS, ENOSPC, ENOTDIR...).
int makeFolder(const QString &path);
QString workingDatabasePath();

// The connection of the working database (open or not).
QSqlDatabase BaseDatos();

// Deletes (with its journals) and recreates the working database with every
// table and lookup row, then closes it. Sets RutaBD. Returns false, after showing the
// database-failure message, when the file cannot be made; the program goes
// on and the caller keeps what it had.
bool Create_DB();

// Table creation in the open database, in the order Create_DB uses them.
// Each returns false on the first failing step.
bool Create_TabDiaNit();
bool Create_TabTipRel();
bool Create_TabConfCentral();   // CONFCENTRAL, then IMPCONFCENTRAL
bool Create_TabConfZonas();
bool Create_TabConfReles();
bool Create_TabImpConfReles();
// Empties and refills DIANIT and TIPREL from the string table in force.
bool Fill_TabTipos();

enum class OpenResult {
    Opened,     // open, header loaded
    NoRow,      // open, but CONFCENTRAL has no row: message shown, header kept
    Failed,     // not opened: message shown, nothing changed
};

// Opens the working database at RutaBD's usual place and loads the header
// from the first CONFCENTRAL row.
OpenResult Open_Conf();

// Closes the working database; harmless when it is not open.
void Close_DB();

// Checks that a database connection is usable (it is a real database file,
// not a text file the driver would open lazily). Fills errorCode and
// errorText when not.
bool probeDatabase(QSqlDatabase &db, QString *errorCode = nullptr, QString *errorText = nullptr);

// The files SQLite keeps beside a database while it writes it: its rollback
// journal, its write-ahead log and the log's index ("-journal", "-wal",
// "-shm" after the database's own name). They belong to that one file:
// applied to another database, a journal turns it into a mix of both. So a
// database file is never removed, moved or replaced without its own, and
// never meets those of another file.
QStringList journalsOf(const QString &path);

// False when something other than a file (a pipe, a device, a socket, a
// folder) lies under one of the journal names of the database at path. The
// engine opens a journal it finds before it reads the database, and a pipe
// would keep it waiting for good: such a database is never opened.
bool journalsAreFiles(const QString &path);

// Removes a database file and its journals, the journals first (a database
// left without them is one nothing uses any more; journals left without it
// would wait for whatever takes its name next).
void removeDatabaseFile(const QString &path);

// Renames a file over another in one step (an existing target is
// replaced). False with errno set when it fails.
bool renameFile(const QString &from, const QString &to);

// Puts the database file `from`, written whole and closed (it has no
// journal), in place of the database file `to` in one step, after removing
// the journals of the file it replaces. False with errno set when the
// rename fails; `to` is then as it was, without its journals.
bool replaceDatabaseFile(const QString &from, const QString &to);

// Flushes a file, or a folder's entries (directory true), to disk. Returns
// 0, or the error number.
int syncPath(const QString &path, bool directory);

// Test seam: called before each removal or rename of a database file or
// journal that exists, with "remove" or "rename" and the file's path, before
// each write of the marks of the open configuration or of the note beside
// the previous working database (Marks.h), with "write" and the path of the
// file that keeps them, and before each flush (syncPath), with "sync" and
// the path flushed. So the calls come in the order of the file steps.
using DatabaseFileHook = std::function<void(const char *operation, const QString &path)>;
void setDatabaseFileHook(DatabaseFileHook hook);
// Tells the test seam about a file step taken elsewhere (the marks' writes).
void announceFileStep(const char *operation, const QString &path);

// Shows the database-failure message: string 1001, the path, string 1, two
// line feeds, the error code, two line feeds, string 1002.
void showDatabaseFailure(const QString &path, const QString &errorCode);

// Leading decimal number of a value's text, as user-typed numbers are read:
// leading blanks skipped, an optional sign, digits, an optional fraction;
// 0 when the text has none. Null gives no value (ok = false).
double leadingNumber(const QVariant &value, bool *ok = nullptr);

} // namespace orb
