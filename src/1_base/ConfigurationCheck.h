#pragma once
// The check that a database holds one whole configuration. Open runs it on
// the copy of a document before the copy replaces the working database, and
// a store runs it on the working database before its copy replaces a
// document, so that neither ever puts something else in place of a
// configuration.
//
// A whole configuration has:
// - every table of a configuration with all its columns (case is ignored;
//   extra tables and columns are allowed);
// - exactly one CONFCENTRAL row, with a value in each of its header columns
//   (IDCON, NOMCON, NUMZON, NUMREL, INIDIA, ININIT, ETIINI), IDCON within
//   the 16 bits the header holds, NUMZON and NUMREL within 0..MaxZonas and
//   0..MaxReles, INIDIA and ININIT within 0..MaxHora;
// - exactly the zone rows 1..NUMZON and the relay rows 1..NUMREL, each once
//   and each carrying the IDCON of the CONFCENTRAL row;
// - in CONFCENTRAL, CONFZONAS, CONFRELES, DIANIT and TIPREL every value of
//   its column's kind as the engine holds it (SQLite keeps any type in any
//   column): whole numbers within the range of a Byte, Integer or Long,
//   numbers for a Double, texts within their size and within Windows-1252,
//   and no Null in a key or required column. Other Nulls stay allowed: the
//   program's own documents hold them in port settings that were never
//   looked at and in relay programming.
// The print tables are refilled before every report, so only their columns
// count.

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

namespace orb {

// SQLite result codes used as the error numbers of a file that is not a
// configuration: its contents break the rules above, or it lacks a table or
// column of one (or is no database at all).
inline constexpr int kSqliteConstraint = 19;
inline constexpr int kSqliteNotADb = 26;
// And where the engine gave no number of its own: any error, and a file
// that cannot be opened.
inline constexpr int kSqliteError = 1;
inline constexpr int kSqliteCantOpen = 14;

// How the failures of documents are written for their messages: the error
// number, then its text in brackets when there is one.
QString numberedError(int code, const QString &text);
// The same of an engine error: its native number (fallbackCode when it has
// none) and its text.
QString numberedError(const QSqlError &error, int fallbackCode);
// The same of a system error number (errno) and its text.
QString errnoError(int code);

// True when the database open on db holds one whole configuration.
// Otherwise fills error with the number and the reason, in the language in
// force, naming the table, row and column where that helps
// ("19 (Zone 7 is missing)").
bool checkConfiguration(const QSqlDatabase &db, QString *error = nullptr);

} // namespace orb
