#pragma once
// Making and reading whole configurations in the working database, shared by
// the document tests and the crash test.

#include "Schema.h"
#include "TestConfiguration.h"

#include <QDir>
#include <QFile>
#include <QSqlRecord>
#include <QStringList>

namespace orbtest {

// The names and label prefixes of generation g, so that a configuration read
// back shows whether all of it comes from one store.
inline QString generationName(qint64 g) { return QStringLiteral("GEN %1").arg(g); }
inline QString zonePrefix(qint64 g) { return QStringLiteral("G%1 Z").arg(g); }
inline QString relayPrefix(qint64 g) { return QStringLiteral("G%1 R").arg(g); }

// Relabels the whole open configuration as generation g in one transaction:
// its name, and every label its prefix and its number.
inline bool relabel(qint64 g)
{
    QSqlDatabase db = orb::BaseDatos();
    if (!db.transaction())
        return false;
    if (execBound(QStringLiteral("UPDATE CONFCENTRAL SET NOMCON = ?"), {generationName(g)})
        && execBound(QStringLiteral("UPDATE CONFZONAS SET ETIZON = ? || IDZON"), {zonePrefix(g)})
        && execBound(QStringLiteral("UPDATE CONFRELES SET ETIREL = ? || IDREL"), {relayPrefix(g)}))
        return db.commit();
    db.rollback();
    return false;
}

// Every row of every configuration table, in key order, as text.
inline QStringList dumpAllTables(QSqlDatabase &db)
{
    QStringList rows;
    for (const orb::TableDef *table : orb::allTables()) {
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(QLatin1String(table->name))))
            rows << QStringLiteral("unreadable %1").arg(QLatin1String(table->name));
        while (q.next()) {
            QStringList fields{QLatin1String(table->name)};
            for (int i = 0; i < q.record().count(); ++i)
                fields << (q.value(i).isNull() ? QStringLiteral("<null>") : q.value(i).toString());
            rows << fields.join(QLatin1Char('|'));
        }
    }
    return rows;
}

inline QStringList dumpAllTables()
{
    QSqlDatabase db = orb::BaseDatos();
    return dumpAllTables(db);
}

// Names in a folder, hidden ones included, sorted.
inline QStringList folderEntries(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::Dirs | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

} // namespace orbtest
