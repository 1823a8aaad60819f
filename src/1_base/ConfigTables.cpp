#include "ConfigTables.h"

#include "ModBas.h"
#include "Schema.h"
#include "Strings.h"

#include <QSqlQuery>
#include <QStringList>

namespace orb {

namespace {

// The general row: the first one the table holds.
const QString kTheGeneralRow = QStringLiteral("rowid = (SELECT min(rowid) FROM CONFCENTRAL)");

bool fail(const QSqlQuery &query, QSqlError *error)
{
    if (error)
        *error = query.lastError();
    return false;
}

bool hasColumn(const TableDef &table, const QString &column)
{
    for (const FieldDef &field : table.fields) {
        if (column.compare(QLatin1String(field.name), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// A column name checked against its table, quoted for SQL. Names come from
// the program, never from the user; the check keeps a wrong one from
// reaching the engine.
QString columnName(const TableDef &table, const QString &column)
{
    Q_ASSERT(hasColumn(table, column));
    return QLatin1Char('"') + column + QLatin1Char('"');
}

int number(const QSqlQuery &query, int index) { return query.value(index).toInt(); }

QString text(const QSqlQuery &query, int index)
{
    const QVariant value = query.value(index);
    return value.isNull() ? QString() : value.toString();
}

// The relay columns in the order the queries below read and write them.
const char kRelayColumns[] = "IDCON, IDREL, TIP, ETIREL, RMIN, RSEC, DDIA, DNOCH, PDIA, PNOCH, "
                             "IL1, FL1, IL2, FL2, IL3, FL3, IL4, FL4";

RelayRow relayFrom(const QSqlQuery &q)
{
    RelayRow r;
    r.IDCON = number(q, 0);
    r.IDREL = number(q, 1);
    r.TIP = number(q, 2);
    r.ETIREL = text(q, 3);
    r.RMIN = number(q, 4);
    r.RSEC = number(q, 5);
    r.DDIA = number(q, 6);
    r.DNOCH = number(q, 7);
    r.PDIA = number(q, 8);
    r.PNOCH = number(q, 9);
    for (int i = 0; i < 4; ++i) {
        r.IL[i] = number(q, 10 + 2 * i);
        r.FL[i] = number(q, 11 + 2 * i);
    }
    return r;
}

// The programming columns of a relay after its IDCON and IDREL, in the order
// of kRelayColumns.
QVariantList programmingValues(const RelayRow &r)
{
    QVariantList values{r.TIP, r.ETIREL, r.RMIN, r.RSEC, r.DDIA, r.DNOCH, r.PDIA, r.PNOCH};
    for (int i = 0; i < 4; ++i)
        values << r.IL[i] << r.FL[i];
    return values;
}

bool execBound(QSqlQuery &query, const QVariantList &values, QSqlError *error)
{
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values.at(i));
    return query.exec() || fail(query, error);
}

// Runs an UPDATE that must change a row of `table`; no row changed is a
// failure.
bool updateRows(QSqlQuery &query, const QVariantList &values, const char *table, QSqlError *error)
{
    if (!execBound(query, values, error))
        return false;
    if (query.numRowsAffected() < 1) {
        if (error)
            *error = noRowError(table);
        return false;
    }
    return true;
}

bool insertRelays(const QList<RelayRow> &rows, QSqlError *error)
{
    QSqlQuery insert(BaseDatos());
    if (!insert.prepare(QStringLiteral("INSERT INTO CONFRELES (%1) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                                       "?, ?, ?, ?, ?, ?, ?, ?)")
                            .arg(QLatin1String(kRelayColumns))))
        return fail(insert, error);
    for (const RelayRow &row : rows) {
        if (!execBound(insert, QVariantList{row.IDCON, row.IDREL} + programmingValues(row), error))
            return false;
    }
    return true;
}

} // namespace

QString errorCodeOf(const QSqlError &error)
{
    const QString native = error.nativeErrorCode();
    return native.isEmpty() ? QString::number(int(error.type())) : native;
}

QString databaseErrorText(const QSqlError &error)
{
    // SQLite's primary result codes, whatever extended code came with them.
    enum { Busy = 5, Locked = 6, ReadOnly = 8, IoError = 10, Full = 13 };
    bool numbered = false;
    const int native = error.nativeErrorCode().toInt(&numbered);
    QString cause;
    switch (numbered ? native & 0xFF : -1) {
    case Full: cause = Str(9030); break;
    case ReadOnly: cause = Str(9031); break;
    case IoError: cause = Str(9032); break;
    case Busy:
    case Locked: cause = Str(9033); break;
    default:
        cause = error.databaseText().trimmed();
        if (cause.isEmpty())
            cause = error.driverText().trimmed();
        break;
    }
    return errorCodeOf(error) + QLatin1Char(' ') + cause;
}

namespace {
const QString kNoRow = QStringLiteral("no row");
}

QSqlError noRowError(const char *table)
{
    return QSqlError(QLatin1String(table), kNoRow, QSqlError::StatementError);
}

bool isNoRowError(const QSqlError &error)
{
    return error.type() == QSqlError::StatementError && error.databaseText() == kNoRow;
}

// ---- Transaction ----------------------------------------------------------

Transaction::Transaction(QSqlDatabase db)
    : m_db(std::move(db))
{
    m_started = m_db.transaction();
    if (!m_started)
        m_error = m_db.lastError();
}

Transaction::~Transaction()
{
    if (m_started && !m_done)
        m_db.rollback();
}

bool Transaction::commit()
{
    if (!m_started || m_done)
        return false;
    // Run as a statement, so that a failure keeps the engine's own number
    // and text (a full disk says so).
    QSqlQuery query(m_db);
    if (!query.exec(QStringLiteral("COMMIT"))) {
        m_error = query.lastError();
        return false;
    }
    m_done = true;
    return true;
}

// ---- General row -------------------------------------------------------

std::optional<QSqlRecord> generalRow(QSqlError *error, QSqlDatabase db)
{
    QSqlQuery query(db.isValid() ? db : BaseDatos());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT * FROM CONFCENTRAL ORDER BY rowid LIMIT 1"))) {
        fail(query, error);
        return std::nullopt;
    }
    if (!query.next())
        return std::nullopt;
    return query.record();
}

bool updateGeneralRow(const ColumnValues &columns, QSqlError *error)
{
    QStringList assignments;
    QVariantList values;
    for (const auto &[column, value] : columns) {
        assignments << columnName(tabConfCentral(), QLatin1String(column)) + QStringLiteral(" = ?");
        values << value;
    }
    QSqlQuery query(BaseDatos());
    if (!query.prepare(QStringLiteral("UPDATE CONFCENTRAL SET ") + assignments.join(QStringLiteral(", "))
                       + QStringLiteral(" WHERE ") + kTheGeneralRow))
        return fail(query, error);
    return updateRows(query, values, "CONFCENTRAL", error);
}

bool insertGeneralRow(const ColumnValues &columns, QSqlError *error)
{
    QStringList names, marks;
    QVariantList values;
    for (const auto &[column, value] : columns) {
        names << columnName(tabConfCentral(), QLatin1String(column));
        marks << QStringLiteral("?");
        values << value;
    }
    QSqlQuery query(BaseDatos());
    if (!query.prepare(QStringLiteral("INSERT INTO CONFCENTRAL (%1) VALUES (%2)")
                           .arg(names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")))))
        return fail(query, error);
    return execBound(query, values, error);
}

// ---- Zones -------------------------------------------------------------

QList<ZoneRow> zoneRows(QSqlError *error)
{
    QSqlQuery query(BaseDatos());
    query.setForwardOnly(true);
    QList<ZoneRow> rows;
    if (!query.exec(QStringLiteral("SELECT IDZON, ETIZON FROM CONFZONAS ORDER BY IDZON"))) {
        fail(query, error);
        return rows;
    }
    while (query.next())
        rows.append(ZoneRow{number(query, 0), text(query, 1)});
    return rows;
}

std::optional<QString> zoneRowLabel(int idZon)
{
    QSqlQuery query(BaseDatos());
    query.setForwardOnly(true);
    if (!query.prepare(QStringLiteral("SELECT ETIZON FROM CONFZONAS WHERE IDZON = ? ORDER BY rowid")))
        return std::nullopt;
    query.addBindValue(idZon);
    if (!query.exec())
        return std::nullopt;
    std::optional<QString> label;
    while (query.next())
        label = text(query, 0);
    return label;
}

bool setZoneLabel(int idCon, int idZon, const QString &label, QSqlError *error)
{
    QSqlQuery query(BaseDatos());
    if (!query.prepare(QStringLiteral("UPDATE CONFZONAS SET ETIZON = ? WHERE IDZON = ? AND IDCON = ?")))
        return fail(query, error);
    return updateRows(query, {label, idZon, idCon}, "CONFZONAS", error);
}

QString defaultZoneLabel(int n) { return QStringLiteral("ETI ZONA ") + QString::number(n); }

bool addDefaultZoneRows(int idCon, int from, int to, QSqlError *error)
{
    QSqlQuery insert(BaseDatos());
    if (!insert.prepare(QStringLiteral("INSERT INTO CONFZONAS (IDCON, IDZON, ETIZON) VALUES (?, ?, ?)")))
        return fail(insert, error);
    for (int n = from; n <= to; ++n) {
        if (!execBound(insert, {idCon, n, defaultZoneLabel(n)}, error))
            return false;
    }
    return true;
}

bool deleteZonesAbove(int count, int idCon, QSqlError *error)
{
    QSqlQuery query(BaseDatos());
    if (!query.prepare(QStringLiteral("DELETE FROM CONFZONAS WHERE IDZON > ? AND IDCON = ?")))
        return fail(query, error);
    return execBound(query, {count, idCon}, error);
}

bool replaceZones(const QStringList &labels, int idCon, QSqlError *error)
{
    QSqlQuery query(BaseDatos());
    if (!query.exec(QStringLiteral("DELETE FROM CONFZONAS")))
        return fail(query, error);
    if (!query.prepare(QStringLiteral("INSERT INTO CONFZONAS (IDCON, IDZON, ETIZON) VALUES (?, ?, ?)")))
        return fail(query, error);
    for (int z = 0; z < labels.size(); ++z) {
        if (!execBound(query, {idCon, z + 1, labels.at(z)}, error))
            return false;
    }
    return true;
}

// ---- Relays ------------------------------------------------------------

QList<RelayRow> relayRows(QSqlError *error)
{
    QSqlQuery query(BaseDatos());
    query.setForwardOnly(true);
    QList<RelayRow> rows;
    if (!query.exec(QStringLiteral("SELECT %1 FROM CONFRELES ORDER BY IDREL").arg(QLatin1String(kRelayColumns)))) {
        fail(query, error);
        return rows;
    }
    while (query.next())
        rows.append(relayFrom(query));
    return rows;
}

QList<int> relayNumbers(int idCon, QSqlError *error)
{
    QSqlQuery query(BaseDatos());
    query.setForwardOnly(true);
    QList<int> numbers;
    if (!query.prepare(QStringLiteral("SELECT IDREL FROM CONFRELES WHERE IDCON = ? ORDER BY IDREL"))) {
        fail(query, error);
        return numbers;
    }
    if (!execBound(query, {idCon}, error))
        return numbers;
    while (query.next())
        numbers.append(number(query, 0));
    return numbers;
}

std::optional<RelayRow> relayRow(int idRel, int idCon, QSqlError *error)
{
    QSqlQuery query(BaseDatos());
    query.setForwardOnly(true);
    if (!query.prepare(QStringLiteral("SELECT %1 FROM CONFRELES WHERE IDREL = ? AND IDCON = ?")
                           .arg(QLatin1String(kRelayColumns)))
        || !execBound(query, {idRel, idCon}, error) || !query.next()) {
        if (error && !query.lastError().isValid())
            *error = noRowError("CONFRELES");
        return std::nullopt;
    }
    return relayFrom(query);
}

bool storeRelayRow(const RelayRow &row, QSqlError *error)
{
    QSqlQuery query(BaseDatos());
    if (!query.prepare(QStringLiteral(
            "UPDATE CONFRELES SET TIP = ?, ETIREL = ?, RMIN = ?, RSEC = ?, DDIA = ?, DNOCH = ?, PDIA = ?, PNOCH = ?, "
            "IL1 = ?, FL1 = ?, IL2 = ?, FL2 = ?, IL3 = ?, FL3 = ?, IL4 = ?, FL4 = ? WHERE IDREL = ? AND IDCON = ?")))
        return fail(query, error);
    return updateRows(query, programmingValues(row) << row.IDREL << row.IDCON, "CONFRELES", error);
}

QString defaultRelayLabel(int n) { return QStringLiteral("ETI RELE ") + QString::number(n); }

bool addDefaultRelayRows(int idCon, int from, int to, QSqlError *error)
{
    QList<RelayRow> rows;
    for (int n = from; n <= to; ++n) {
        RelayRow row;
        row.IDCON = idCon;
        row.IDREL = n;
        row.TIP = TipRelNuevo;
        row.ETIREL = defaultRelayLabel(n);
        rows << row;
    }
    return insertRelays(rows, error);
}

bool deleteRelaysAbove(int count, int idCon, QSqlError *error)
{
    QSqlQuery query(BaseDatos());
    if (!query.prepare(QStringLiteral("DELETE FROM CONFRELES WHERE IDREL > ? AND IDCON = ?")))
        return fail(query, error);
    return execBound(query, {count, idCon}, error);
}

bool replaceRelays(const QList<RelayRow> &rows, QSqlError *error)
{
    QSqlQuery query(BaseDatos());
    if (!query.exec(QStringLiteral("DELETE FROM CONFRELES")))
        return fail(query, error);
    return insertRelays(rows, error);
}

// ---- Counts and lookups --------------------------------------------------

int rowCount(const TableDef &table)
{
    Q_ASSERT(&table == &tabConfCentral() || &table == &tabConfZonas() || &table == &tabConfReles());
    QSqlQuery query(BaseDatos());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT count(*) FROM \"%1\"").arg(QLatin1String(table.name))) || !query.next())
        return -1;
    return number(query, 0);
}

QList<std::pair<int, QString>> lookupRows(const TableDef &table, QSqlError *error)
{
    Q_ASSERT(&table == &tabTipRel() || &table == &tabDiaNit());
    QSqlQuery query(BaseDatos());
    query.setForwardOnly(true);
    QList<std::pair<int, QString>> rows;
    if (!query.exec(QStringLiteral("SELECT TIP, NOMTIP FROM \"%1\" ORDER BY rowid").arg(QLatin1String(table.name)))) {
        fail(query, error);
        return rows;
    }
    while (query.next())
        rows.append({number(query, 0), text(query, 1)});
    return rows;
}

// ---- Print tables --------------------------------------------------------

QList<QVariantMap> reportRows(const TableDef &table, QSqlError *error)
{
    const char *order = nullptr;
    if (&table == &tabConfReles())
        order = "IDREL, rowid";
    else if (&table == &tabConfZonas())
        order = "IDCON, IDZON";
    else if (&table == &tabConfCentral() || &table == &tabImpConfCentral() || &table == &tabImpConfReles())
        order = "rowid";
    Q_ASSERT(order);
    QSqlQuery query(BaseDatos());
    query.setForwardOnly(true);
    QList<QVariantMap> rows;
    const QString sql = QStringLiteral("SELECT * FROM \"%1\" ORDER BY %2");
    if (!query.exec(sql.arg(QLatin1String(table.name), QLatin1String(order)))) {
        fail(query, error);
        return rows;
    }
    while (query.next()) {
        const QSqlRecord record = query.record();
        QVariantMap row;
        for (int i = 0; i < record.count(); ++i)
            row.insert(record.fieldName(i), record.value(i));
        rows.append(row);
    }
    return rows;
}

bool replacePrintRows(const TableDef &table, const QList<QList<std::pair<QString, QVariant>>> &rows,
                      QSqlError *error)
{
    Q_ASSERT(&table == &tabImpConfCentral() || &table == &tabImpConfReles());
    const QString name = QLatin1Char('"') + QLatin1String(table.name) + QLatin1Char('"');
    Transaction transaction(BaseDatos());
    if (!transaction.started()) {
        if (error)
            *error = transaction.error();
        return false;
    }
    QSqlQuery query(BaseDatos());
    if (!query.exec(QStringLiteral("DELETE FROM ") + name))
        return fail(query, error);
    for (const auto &row : rows) {
        QStringList names, marks;
        QVariantList values;
        for (const auto &[column, value] : row) {
            names << columnName(table, column);
            marks << QStringLiteral("?");
            values << value;
        }
        if (!query.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                               .arg(name, names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")))))
            return fail(query, error);
        if (!execBound(query, values, error))
            return false;
    }
    if (!transaction.commit()) {
        if (error)
            *error = transaction.error();
        return false;
    }
    return true;
}

// ---- Documents -----------------------------------------------------------

bool copyConfigurationRows(QSqlDatabase db, const QString &schema, QSqlError *error)
{
    const QString from = QLatin1Char('"') + schema + QLatin1Char('"');
    QSqlQuery query(db);
    for (const TableDef *table : allTables()) {
        QStringList columns{QStringLiteral("rowid")};
        for (const FieldDef &field : table->fields)
            columns << columnName(*table, QLatin1String(field.name));
        const bool printTable = table == &tabImpConfCentral() || table == &tabImpConfReles();
        const QString name = QLatin1Char('"') + QLatin1String(table->name) + QLatin1Char('"');
        const QString list = columns.join(QStringLiteral(", "));
        if (!query.exec(QStringLiteral("INSERT %1INTO main.%2 (%3) SELECT %3 FROM %4.%2")
                            .arg(printTable ? QStringLiteral("OR IGNORE ") : QString(), name, list, from)))
            return fail(query, error);
    }
    return true;
}

} // namespace orb
