#pragma once
// The configuration tables of the working database: the general row of
// CONFCENTRAL, the zone rows of CONFZONAS, the relay rows of CONFRELES, the
// lookup rows of TIPREL and DIANIT and the print tables. Every query the
// program runs on them is here, each with bound values; the rest of the
// program asks for rows and gives rows.
//
// "The" general row is the first one the table holds (the lowest row id);
// a configuration has exactly one.
//
// Every function works on the working database's connection unless another
// is given, and reports a failure by returning false (or an empty result)
// with the engine's error in *error.

#include <QList>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlRecord>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <array>
#include <optional>
#include <utility>

namespace orb {

struct TableDef;

// The error code a message shows for an engine error: SQLite's own code
// when there is one, else the kind of error as a number.
QString errorCodeOf(const QSqlError &error);

// What a message shows of an engine error: its code (as errorCodeOf) and
// the engine's cause for the statement that failed. The causes a user can
// do something about (a full disk, a database that may not be written, a
// disk that cannot be read or written, a database another program holds)
// are given in the language in force; any other as the engine words it.
// Qt's words for the step that failed ("Unable to fetch row") are no cause
// and are shown only when the engine gave none.
QString databaseErrorText(const QSqlError &error);

// The error of a write that found no row to change.
QSqlError noRowError(const char *table);
bool isNoRowError(const QSqlError &error);

// A transaction on a connection that is rolled back unless committed.
class Transaction {
public:
    explicit Transaction(QSqlDatabase db);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    // False when the transaction could not start (error() tells why).
    bool started() const { return m_started; }
    bool commit();
    QSqlError error() const { return m_error; }

private:
    QSqlDatabase m_db;
    bool m_started = false;
    bool m_done = false;
    QSqlError m_error;
};

// ---- General row -------------------------------------------------------

// The general row with every column by name; nullopt when the table has no
// row or cannot be read.
std::optional<QSqlRecord> generalRow(QSqlError *error = nullptr, QSqlDatabase db = {});

// Columns of the general row and their new values, in the order they are
// written. Only columns of CONFCENTRAL may be named.
using ColumnValues = QList<std::pair<const char *, QVariant>>;

// Writes columns of the general row. False when the table has no row or the
// engine refuses a value; nothing is written then.
bool updateGeneralRow(const ColumnValues &columns, QSqlError *error = nullptr);

// Adds a general row with these columns (the others take their defaults).
bool insertGeneralRow(const ColumnValues &columns, QSqlError *error = nullptr);

// ---- Zones -------------------------------------------------------------

struct ZoneRow {
    int IDZON = 0;
    QString ETIZON;   // a Null label reads as empty text
};

// Every zone row in zone order, whatever its IDCON. Empty on failure (with
// *error set) or when there is none.
QList<ZoneRow> zoneRows(QSqlError *error = nullptr);

// The label of zone idZon, whatever its IDCON; nullopt when there is no such
// row (with more than one, the last one read).
std::optional<QString> zoneRowLabel(int idZon);

// Writes the label of zone idZon of configuration idCon. False when there is
// no such row.
bool setZoneLabel(int idCon, int idZon, const QString &label, QSqlError *error = nullptr);

// Labels of the default zone rows.
QString defaultZoneLabel(int n);

// Adds the default zone rows from..to (label "ETI ZONA n") of idCon.
bool addDefaultZoneRows(int idCon, int from, int to, QSqlError *error = nullptr);

// Deletes the zone rows of idCon numbered above count.
bool deleteZonesAbove(int count, int idCon, QSqlError *error = nullptr);

// Empties CONFZONAS and fills it with zones 1..labels.size() of idCon.
bool replaceZones(const QStringList &labels, int idCon, QSqlError *error = nullptr);

// ---- Relays ------------------------------------------------------------

// One relay row; a Null number reads as 0 and a Null label as empty text.
struct RelayRow {
    int IDCON = 0;
    int IDREL = 0;
    int TIP = 0;
    QString ETIREL;
    int RMIN = 0;
    int RSEC = 0;
    int DDIA = 0;
    int DNOCH = 0;
    int PDIA = 0;
    int PNOCH = 0;
    std::array<int, 4> IL{};
    std::array<int, 4> FL{};
    bool operator==(const RelayRow &) const = default;
};

// Every relay row in relay order, whatever its IDCON.
QList<RelayRow> relayRows(QSqlError *error = nullptr);

// The relay numbers (IDREL) of configuration idCon, in relay order.
QList<int> relayNumbers(int idCon, QSqlError *error = nullptr);

// Relay idRel of configuration idCon; nullopt when there is no such row.
std::optional<RelayRow> relayRow(int idRel, int idCon, QSqlError *error = nullptr);

// Writes every column of the row named by row.IDREL and row.IDCON. False
// when there is no such row or the engine refuses a value.
bool storeRelayRow(const RelayRow &row, QSqlError *error = nullptr);

// Labels of the default relay rows and the type of a new relay (not
// configured, general activation).
QString defaultRelayLabel(int n);
inline constexpr int TipRelNuevo = 192;

// Adds the default relay rows from..to of idCon: label "ETI RELE n", type
// TipRelNuevo, every other column 0.
bool addDefaultRelayRows(int idCon, int from, int to, QSqlError *error = nullptr);

// Deletes the relay rows of idCon numbered above count.
bool deleteRelaysAbove(int count, int idCon, QSqlError *error = nullptr);

// Empties CONFRELES and fills it with the rows given.
bool replaceRelays(const QList<RelayRow> &rows, QSqlError *error = nullptr);

// ---- Counts and lookups --------------------------------------------------

// Rows of one of the configuration tables (CONFCENTRAL, CONFZONAS,
// CONFRELES); -1 when it cannot be counted.
int rowCount(const TableDef &table);

// The rows of a lookup table (TIPREL or DIANIT) as they are stored: code and
// name.
QList<std::pair<int, QString>> lookupRows(const TableDef &table, QSqlError *error = nullptr);

// ---- Print tables --------------------------------------------------------

// Every row of a table the reports are made from, each column by name (a
// Null value stays Null): CONFCENTRAL in the order its rows were added,
// CONFRELES in relay order, CONFZONAS by configuration and zone, and the
// print tables IMPCONFCENTRAL and IMPCONFRELES in the order their rows were
// added. Empty on failure (with *error set) or when there is none.
QList<QVariantMap> reportRows(const TableDef &table, QSqlError *error = nullptr);

// Empties a print table (IMPCONFCENTRAL or IMPCONFRELES) and adds the rows
// given, each as column name and value (other columns take their defaults),
// all in one transaction.
bool replacePrintRows(const TableDef &table, const QList<QList<std::pair<QString, QVariant>>> &rows,
                      QSqlError *error = nullptr);

// ---- Documents -----------------------------------------------------------

// Copies every row of the seven tables of a configuration from the database
// attached to db under the name `schema` into db's own tables, which are
// empty and made as the program makes them. Each row keeps its row id (the
// order the rows were added in) and only the columns the program's table
// has, converted by that table's column types; the attached database's own
// schema (its column types, triggers, views, other tables and columns)
// plays no part. A row the program's table refuses fails the copy, except
// in the print tables, which are refilled before every report: such a row
// is left out there. Run it inside a transaction.
bool copyConfigurationRows(QSqlDatabase db, const QString &schema, QSqlError *error = nullptr);

} // namespace orb
