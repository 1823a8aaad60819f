#pragma once
// Making and reading whole configurations in the working database, shared by
// the document tests and the store-writer helper of the crash test.

#include "AppState.h"
#include "ModBas.h"
#include "Schema.h"
#include "TestConfiguration.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace orbtest {

// The labels of generation g, so that a configuration read back shows
// whether all of it comes from one store.
inline QString generationName(qint64 g) { return QStringLiteral("GEN %1").arg(g); }
inline QString zoneLabel(qint64 g, int n) { return QStringLiteral("G%1 Z%2").arg(g).arg(n); }
inline QString relayLabel(qint64 g, int n) { return QStringLiteral("G%1 R%2").arg(g).arg(n); }


// Relabels the whole open configuration as generation g in one transaction.
inline bool relabel(qint64 g)
{
    QSqlDatabase db = orb::BaseDatos();
    if (!db.transaction())
        return false;
    bool ok = execBound(QStringLiteral("UPDATE CONFCENTRAL SET NOMCON = ?"), {generationName(g)});
    QSqlQuery zones(db);
    ok = ok && zones.prepare(QStringLiteral("UPDATE CONFZONAS SET ETIZON = ? WHERE IDZON = ?"));
    QSqlQuery relays(db);
    ok = ok && relays.prepare(QStringLiteral("UPDATE CONFRELES SET ETIREL = ? WHERE IDREL = ?"));
    for (int n = 1; ok && n <= 128; ++n) {
        zones.bindValue(0, zoneLabel(g, n));
        zones.bindValue(1, n);
        relays.bindValue(0, relayLabel(g, n));
        relays.bindValue(1, n);
        ok = zones.exec() && relays.exec();
    }
    if (!ok) {
        db.rollback();
        return false;
    }
    return db.commit();
}

// Every row of every configuration table, in key order, as text.
inline QStringList dumpAllTables(QSqlDatabase db)
{
    QStringList rows;
    for (const orb::TableDef *table : orb::allTables()) {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(QString::fromLatin1(table->name)))) {
            rows << QStringLiteral("unreadable %1").arg(QString::fromLatin1(table->name));
            continue;
        }
        while (q.next()) {
            QStringList fields{QString::fromLatin1(table->name)};
            for (int i = 0; i < q.record().count(); ++i)
                fields << (q.value(i).isNull() ? QStringLiteral("<null>") : q.value(i).toString());
            rows << fields.join(QLatin1Char('|'));
        }
    }
    return rows;
}

inline QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Names in a folder, hidden ones included.
inline QStringList folderEntries(const QString &folder)
{
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::Dirs
                                               | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

} // namespace orbtest
