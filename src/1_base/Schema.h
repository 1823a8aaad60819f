#pragma once
// The tables of a configuration: every field in its order, with the type,
// size, required and zero-length rules and default the database enforces.
// A document is a copy of a database made from these tables.

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace orb {

enum class FieldType { Byte, Integer, Long, Double, Text };

struct FieldDef {
    const char *name;
    FieldType type;
    int size = 0;                 // Text only; 0 means the engine's default of 255
    bool required = false;        // NOT NULL
    bool allowZeroLength = false; // Text only: may hold ""
    QVariant defaultValue = {};   // none when invalid
};

struct TableDef {
    const char *name;
    QList<FieldDef> fields;
    QStringList primaryKey;       // empty: no key
};

// Size a Text field created without one gets.
inline constexpr int kDefaultTextSize = 255;

// Limits of the general part of a configuration: the name and the labels
// (panel, zone and relay) in characters, the zone and relay counts, and the
// hours at which the day and the night mode start. The panel's memory holds
// no more than this, so neither a new configuration nor a document exceeds
// them.
inline constexpr int LenNomCon = 50;
inline constexpr int LenEtiqueta = 16;
inline constexpr int MaxZonas = 128;
inline constexpr int MaxReles = 128;
inline constexpr int MaxHora = 23;

const TableDef &tabDiaNit();
const TableDef &tabTipRel();
const TableDef &tabConfCentral();
const TableDef &tabImpConfCentral();
const TableDef &tabConfZonas();
const TableDef &tabConfReles();
const TableDef &tabImpConfReles();

// The seven tables in the order they are created.
QList<const TableDef *> allTables();

// CREATE TABLE statement of a table, with CHECK constraints for sizes,
// ranges and zero-length rules and the key as CONSTRAINT PrimaryKey.
QString createTableSql(const TableDef &table);

} // namespace orb
