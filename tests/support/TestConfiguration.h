#pragma once
// Whole configurations made in the working database for tests and
// benchmarks: the general row, zones and relays with bound values.

#include "AppState.h"
#include "ModBas.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QString>
#include <QVariant>

namespace orbtest {

inline bool execBound(const QString &sql, const QVariantList &values = {})
{
    QSqlQuery q(orb::BaseDatos());
    if (!q.prepare(sql))
        return false;
    for (const QVariant &v : values)
        q.addBindValue(v);
    return q.exec();
}

// One query's rows on the working database, columns joined by "|".
inline QStringList rows(const QString &sql, const QVariantList &values = {})
{
    QStringList result;
    QSqlQuery q(orb::BaseDatos());
    q.prepare(sql);
    for (const QVariant &v : values)
        q.addBindValue(v);
    q.exec();
    while (q.next()) {
        QStringList values;
        for (int c = 0; c < q.record().count(); ++c)
            values << q.value(c).toString();
        result << values.join(QLatin1Char('|'));
    }
    return result;
}

// Runs fn(db) on a connection of its own to the database file at path
// (read-only when asked) and gives back its result; a default value when the
// file cannot be opened.
template <typename Fn>
auto onSideConnection(const QString &path, bool readOnly, Fn fn)
{
    decltype(fn(std::declval<QSqlDatabase &>())) result{};
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("side"));
        db.setDatabaseName(path);
        if (readOnly)
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open())
            result = fn(db);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("side"));
    return result;
}

inline QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Leaves the database file at path as a program killed while writing it
// leaves it: the statements (separated by ";") ran in a transaction that
// spilled into the file, and the file and its journal are what they were
// at that moment, the journal hot (the next writer applies it).
inline bool leaveHotJournal(const QString &path, const QString &statements)
{
    const QString image = path + QStringLiteral(".image");
    const bool taken = onSideConnection(path, false, [&](QSqlDatabase &db) {
        QSqlQuery q(db);
        bool ok = q.exec(QStringLiteral("PRAGMA cache_size = 1")) && db.transaction();
        for (const QString &statement : statements.split(QLatin1Char(';')))
            ok = ok && q.exec(statement);
        ok = ok && QFile::copy(path, image)
             && QFile::copy(path + QStringLiteral("-journal"), image + QStringLiteral("-journal"));
        db.rollback();
        return ok;
    });
    return taken && QFile::remove(path) && QFile::rename(image, path)
           && QFile::rename(image + QStringLiteral("-journal"), path + QStringLiteral("-journal"));
}

// Creates the working database anew, opens it (without loading the header)
// and fills a configuration of the given size with the default rows (zones
// "ETI ZONA n", relays "ETI RELE n" with TIP 192). Returns false on any
// failure.
inline bool makeConfiguration(int zones, int relays, const QString &name = QStringLiteral("Hotel Plaza"))
{
    QSqlDatabase db = orb::BaseDatos();
    if (!orb::Create_DB() || (db.setDatabaseName(orb::workingDatabasePath()), !db.open()))
        return false;
    db.transaction();
    bool ok = execBound(QStringLiteral("INSERT INTO CONFCENTRAL (NOMCON, NUMZON, NUMREL, ETIINI, INIDIA, ININIT, "
                                       "BAUD, DATBIT, STPBIT, PAR, ECO, FLU, PORT) "
                                       "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                        {name, zones, relays, QStringLiteral("PANEL 1"), 8, 20, 9600, 8, 1, QStringLiteral("N"), 0,
                         0, 1});
    for (int n = 1; ok && n <= zones; ++n)
        ok = execBound(QStringLiteral("INSERT INTO CONFZONAS (IDCON, IDZON, ETIZON) VALUES (0, ?, ?)"),
                       {n, QStringLiteral("ETI ZONA %1").arg(n)});
    for (int n = 1; ok && n <= relays; ++n)
        ok = execBound(QStringLiteral("INSERT INTO CONFRELES (IDCON, IDREL, TIP, ETIREL, RMIN, RSEC, DDIA, DNOCH, "
                                      "PDIA, PNOCH, IL1, FL1, IL2, FL2, IL3, FL3, IL4, FL4) "
                                      "VALUES (0, ?, 192, ?, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0)"),
                       {n, QStringLiteral("ETI RELE %1").arg(n)});
    return ok && db.commit();
}

} // namespace orbtest
