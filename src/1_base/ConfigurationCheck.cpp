#include "ConfigurationCheck.h"

#include "Cp1252.h"
#include "Schema.h"
#include "Strings.h"

#include <QSet>
#include <QSqlQuery>
#include <QStringList>

#include <algorithm>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <limits>

namespace orb {

namespace {

// The columns of the general row that make the header of a configuration.
const QStringList kHeaderColumns{QStringLiteral("IDCON"),  QStringLiteral("NOMCON"), QStringLiteral("NUMZON"),
                                 QStringLiteral("NUMREL"), QStringLiteral("INIDIA"), QStringLiteral("ININIT"),
                                 QStringLiteral("ETIINI")};

struct Range {
    qint64 low;
    qint64 high;
};

Range kindRange(FieldType type)
{
    switch (type) {
    case FieldType::Byte: return {0, 255};
    case FieldType::Integer: return {std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max()};
    default: return {std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()};
    }
}

QString quoted(const char *identifier) { return QLatin1Char('"') + QLatin1String(identifier) + QLatin1Char('"'); }

QString nameOf(const char *identifier) { return QString::fromLatin1(identifier); }

QString zoneRow(qint64 n) { return Str(9001).arg(n); }
QString relayRow(qint64 n) { return Str(9002).arg(n); }
QString missingZone(qint64 n) { return Str(9015).arg(n); }
QString missingRelay(qint64 n) { return Str(9016).arg(n); }

// One row as read by eachRow: for field i, its typeof() and its value.
class Row {
public:
    explicit Row(const QSqlQuery &query) : m_query(query) {}
    QString type(int field) const { return m_query.value(2 * field).toString(); }
    QVariant value(int field) const { return m_query.value(2 * field + 1); }

private:
    const QSqlQuery &m_query;
};

// The rows of one configuration table and what they must be.
struct NumberedRows {
    const TableDef &table;
    const char *numberColumn; // IDZON, IDREL
    const char *countColumn;  // NUMZON, NUMREL of the general row
    qint64 count;
    QString (*rowName)(qint64);
    QString (*missing)(qint64);
};

class Checker {
public:
    explicit Checker(const QSqlDatabase &db) : m_db(db) {}

    bool run()
    {
        return tablesAndColumns() && generalRow()
               && numberedRows({tabConfZonas(), "IDZON", "NUMZON", m_numZon, zoneRow, missingZone})
               && numberedRows({tabConfReles(), "IDREL", "NUMREL", m_numRel, relayRow, missingRelay})
               && lookupRows(tabDiaNit()) && lookupRows(tabTipRel());
    }

    QString error;

private:
    bool fail(int code, const QString &reason)
    {
        error = numberedError(code, reason);
        return false;
    }
    bool broken(const QString &reason) { return fail(kSqliteConstraint, reason); }
    bool queryFailed(const QSqlQuery &query)
    {
        error = numberedError(query.lastError(), kSqliteError);
        return false;
    }

    bool tablesAndColumns()
    {
        QSqlQuery query(m_db);
        query.setForwardOnly(true);
        QSet<QString> tables;
        if (!query.exec(QStringLiteral("SELECT upper(name) FROM sqlite_master WHERE type = 'table'")))
            return queryFailed(query);
        while (query.next())
            tables.insert(query.value(0).toString());
        for (const TableDef *table : allTables()) {
            const QString name = nameOf(table->name);
            if (!tables.contains(name.toUpper()))
                return fail(kSqliteNotADb, Str(9003).arg(name));
            QSet<QString> columns;
            if (!query.prepare(QStringLiteral("SELECT upper(name) FROM pragma_table_info(?)")))
                return queryFailed(query);
            query.addBindValue(name);
            if (!query.exec())
                return queryFailed(query);
            while (query.next())
                columns.insert(query.value(0).toString());
            for (const FieldDef &field : table->fields) {
                if (!columns.contains(nameOf(field.name).toUpper()))
                    return fail(kSqliteNotADb, Str(9004).arg(name, nameOf(field.name)));
            }
        }
        return true;
    }

    // Calls visit for every row of the table with the type and value of
    // each of its fields, in the table's field order, until visit fails.
    bool eachRow(const TableDef &table, const std::function<bool(const Row &)> &visit)
    {
        QStringList columns;
        for (const FieldDef &field : table.fields)
            columns << QStringLiteral("typeof(%1), %1").arg(quoted(field.name));
        QSqlQuery query(m_db);
        query.setForwardOnly(true);
        const QString select = QStringLiteral("SELECT %1 FROM %2");
        if (!query.exec(select.arg(columns.join(QStringLiteral(", ")), quoted(table.name))))
            return queryFailed(query);
        const Row row(query);
        while (query.next()) {
            if (!visit(row))
                return false;
        }
        return query.lastError().type() == QSqlError::NoError || queryFailed(query);
    }

    // Checks field i of the row, named rowName in the reason, against the
    // kind of its column and range.
    bool value(const QString &rowName, const TableDef &table, int i, const Row &row, Range range)
    {
        const FieldDef &field = table.fields.at(i);
        const auto column = [&field] { return nameOf(field.name); };
        const QString type = row.type(i);
        if (type == QLatin1String("null")) {
            const bool mayBeNull = !field.required && !table.primaryKey.contains(column())
                                   && !(&table == &tabConfCentral() && kHeaderColumns.contains(column()));
            return mayBeNull || broken(Str(9006).arg(rowName, column()));
        }
        switch (field.type) {
        case FieldType::Byte:
        case FieldType::Integer:
        case FieldType::Long: {
            if (type != QLatin1String("integer"))
                return broken(Str(9007).arg(rowName, column()));
            const qint64 number = row.value(i).toLongLong();
            if (number < range.low || number > range.high)
                return broken(Str(9010).arg(rowName, column()).arg(number).arg(range.low).arg(range.high));
            return true;
        }
        case FieldType::Double:
            return type == QLatin1String("integer") || type == QLatin1String("real")
                   || broken(Str(9008).arg(rowName, column()));
        case FieldType::Text: {
            if (type != QLatin1String("text"))
                return broken(Str(9009).arg(rowName, column()));
            const QString text = row.value(i).toString();
            const int size = field.size ? field.size : kDefaultTextSize;
            if (text.isEmpty() && !field.allowZeroLength)
                return broken(Str(9006).arg(rowName, column()));
            if (text.size() > size)
                return broken(Str(9011).arg(rowName, column()).arg(size));
            return fitsCp1252(text) || broken(Str(9012).arg(rowName, column()));
        }
        }
        return true;
    }

    // Every field of the row within the range of its kind but those in
    // `skip` (indexes), which the caller checks.
    bool values(const QString &rowName, const TableDef &table, const Row &row, std::initializer_list<int> skip = {})
    {
        for (int i = 0; i < table.fields.size(); ++i) {
            if (std::find(skip.begin(), skip.end(), i) == skip.end()
                && !value(rowName, table, i, row, kindRange(table.fields.at(i).type)))
                return false;
        }
        return true;
    }

    static int fieldIndex(const TableDef &table, const char *name)
    {
        for (int i = 0; i < table.fields.size(); ++i) {
            if (qstrcmp(table.fields.at(i).name, name) == 0)
                return i;
        }
        return -1;
    }

    bool generalRow()
    {
        const TableDef &table = tabConfCentral();
        QSqlQuery count(m_db);
        if (!count.exec(QStringLiteral("SELECT count(*) FROM ") + quoted(table.name)) || !count.next())
            return queryFailed(count);
        if (count.value(0).toLongLong() != 1)
            return broken(Str(9005).arg(count.value(0).toLongLong()));

        // The counts and hours within what a new configuration may have, and
        // the id within the 16 bits the header keeps of it.
        const int idCon = fieldIndex(table, "IDCON");
        const int numZon = fieldIndex(table, "NUMZON");
        const int numRel = fieldIndex(table, "NUMREL");
        const int iniDia = fieldIndex(table, "INIDIA");
        const int iniNit = fieldIndex(table, "ININIT");
        const QString rowName = nameOf(table.name);
        return eachRow(table, [&](const Row &row) {
            if (!value(rowName, table, idCon, row, kindRange(FieldType::Integer))
                || !value(rowName, table, numZon, row, {0, MaxZonas})
                || !value(rowName, table, numRel, row, {0, MaxReles})
                || !value(rowName, table, iniDia, row, {0, MaxHora})
                || !value(rowName, table, iniNit, row, {0, MaxHora})
                || !values(rowName, table, row, {idCon, numZon, numRel, iniDia, iniNit}))
                return false;
            m_idCon = row.value(idCon).toLongLong();
            m_numZon = row.value(numZon).toLongLong();
            m_numRel = row.value(numRel).toLongLong();
            return true;
        });
    }

    bool numberedRows(const NumberedRows &rows)
    {
        const TableDef &table = rows.table;
        const int idCon = fieldIndex(table, "IDCON");
        const int number = fieldIndex(table, rows.numberColumn);
        const QString tableName = nameOf(table.name);
        QSet<qint64> seen;
        const bool each = eachRow(table, [&](const Row &row) {
            // The key first, named by the table: the row has no name of its
            // own before it.
            if (!value(tableName, table, idCon, row, kindRange(FieldType::Long))
                || !value(tableName, table, number, row, {1, kindRange(FieldType::Byte).high}))
                return false;
            const qint64 n = row.value(number).toLongLong();
            const QString rowName = rows.rowName(n);
            if (row.value(idCon).toLongLong() != m_idCon)
                return broken(Str(9013).arg(rowName).arg(row.value(idCon).toLongLong()).arg(m_idCon));
            if (n > rows.count)
                return broken(Str(9017).arg(rowName, nameOf(rows.countColumn)).arg(rows.count));
            if (seen.contains(n))
                return broken(Str(9014).arg(rowName));
            seen.insert(n);
            return values(rowName, table, row, {idCon, number});
        });
        if (!each)
            return false;
        for (qint64 n = 1; n <= rows.count; ++n) {
            if (!seen.contains(n))
                return broken(rows.missing(n));
        }
        return true;
    }

    bool lookupRows(const TableDef &table)
    {
        const QString rowName = nameOf(table.name);
        return eachRow(table, [&](const Row &row) { return values(rowName, table, row); });
    }

    QSqlDatabase m_db;
    qint64 m_idCon = 0;
    qint64 m_numZon = 0;
    qint64 m_numRel = 0;
};

} // namespace

QString numberedError(int code, const QString &text)
{
    return text.isEmpty() ? QString::number(code) : QStringLiteral("%1 (%2)").arg(code).arg(text);
}

QString errnoError(int code) { return numberedError(code, QString::fromLocal8Bit(std::strerror(code))); }

QString numberedError(const QSqlError &error, int fallbackCode)
{
    bool ok = false;
    const int native = error.nativeErrorCode().toInt(&ok);
    QString text = error.databaseText();
    if (text.isEmpty())
        text = error.text();
    return numberedError(ok ? native : fallbackCode, text);
}

bool checkConfiguration(const QSqlDatabase &db, QString *error)
{
    Checker checker(db);
    if (checker.run())
        return true;
    if (error)
        *error = checker.error;
    return false;
}

} // namespace orb
