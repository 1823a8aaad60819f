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
#include <QVariant>

namespace orb {

// Name of the Qt connection of the working database.
inline constexpr const char *kWorkingConnection = "BaseDatos";

// The folder of the working database ($XDG_DATA_HOME/ORBITarsis), created
// when missing, and the database's full path inside it.
QString dataFolder();
QString workingDatabasePath();

// The connection of the working database (open or not).
QSqlDatabase BaseDatos();

// Deletes and recreates the working database with every table and lookup
// row, then closes it. Sets RutaBD. Returns false, after showing the
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

// Shows the database-failure message: string 1001, the path, string 1, two
// line feeds, the error code, two line feeds, string 1002.
void showDatabaseFailure(const QString &path, const QString &errorCode);

// Leading decimal number of a value's text, as user-typed numbers are read:
// leading blanks skipped, an optional sign, digits, an optional fraction;
// 0 when the text has none. Null gives no value (ok = false).
double leadingNumber(const QVariant &value, bool *ok = nullptr);

} // namespace orb
