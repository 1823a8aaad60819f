#pragma once
// A small panel for the tests of reads: every value and text in it is its
// own, so that an answer taken for another item's shows in what is stored.
// Day 9, night 21, up to three zones labelled "ZONA UNO" to "ZONA TRES", up
// to two relays labelled "RELE UNO" and "RELE DOS" with records of their own,
// the panel label "PANEL NORTE".

#include "Cp1252.h"
#include "ModBas.h"
#include "ModCom.h"
#include "PanelSim.h"
#include "TestConfiguration.h"

#include <QSqlQuery>
#include <QStringList>

namespace orbtest {

inline const QStringList kSmallPanelZones = {QStringLiteral("ZONA UNO        "), QStringLiteral("ZONA DOS        "),
                                             QStringLiteral("ZONA TRES       ")};
inline const QStringList kSmallPanelRelays = {QStringLiteral("RELE UNO        "), QStringLiteral("RELE DOS        ")};
// Type, mode byte, minutes, seconds, the four zone ranges.
inline const QList<QByteArray> kSmallPanelRecords = {QByteArray::fromHex("0A0001020102000000000000"),
                                                     QByteArray::fromHex("200003040202000000000000")};

inline void setUpSmallPanel(orb::test::PanelSim &sim, int zones, int relays)
{
    using Map = orb::test::PanelSim;
    sim.setMemory(Map::kDayHour, QByteArray::fromHex("0915") + char(zones) + char(relays));
    sim.setMemory(Map::kLabel, "PANEL NORTE     ");
    for (int z = 1; z <= zones; ++z)
        sim.setMemory(Map::zoneLabel(z), kSmallPanelZones.at(z - 1).toLatin1());
    for (int r = 1; r <= relays; ++r) {
        sim.setMemory(Map::relayLabel(r), kSmallPanelRelays.at(r - 1).toLatin1());
        sim.setMemory(Map::relayRecord(r), kSmallPanelRecords.at(r - 1));
    }
}

// The open configuration as a receive stores it: counts, hours, panel label,
// the zone labels, the relay labels, and each relay's type, minutes,
// seconds and first zone range.
inline QStringList storedConfiguration()
{
    return rows("SELECT NUMZON, NUMREL, INIDIA, ININIT, ETIINI, "
                "(SELECT group_concat(ETIZON, ',') FROM (SELECT ETIZON FROM CONFZONAS ORDER BY IDZON)), "
                "(SELECT group_concat(ETIREL, ',') FROM (SELECT ETIREL FROM CONFRELES ORDER BY IDREL)), "
                "(SELECT group_concat(r, ',') FROM (SELECT TIP || '.' || RMIN || '.' || RSEC || '.' || IL1 || '.' || FL1 "
                "AS r FROM CONFRELES ORDER BY IDREL)) FROM CONFCENTRAL");
}

// Every row of the configuration tables, to show that nothing was stored.
inline QStringList everyRow()
{
    return rows("SELECT * FROM CONFCENTRAL") + rows("SELECT * FROM CONFZONAS ORDER BY rowid")
           + rows("SELECT * FROM CONFRELES ORDER BY rowid");
}

// What storedConfiguration() gives after a whole receive from the panel.
inline QStringList smallPanelStored(int zones, int relays)
{
    QStringList records;
    for (int r = 0; r < relays; ++r) {
        const QByteArray &b = kSmallPanelRecords.at(r);
        records << QStringLiteral("%1.%2.%3.%4.%5").arg(quint8(b[0])).arg(quint8(b[2])).arg(quint8(b[3]))
                       .arg(quint8(b[4])).arg(quint8(b[5]));
    }
    return {QStringLiteral("%1|%2|9|21|PANEL NORTE     |").arg(zones).arg(relays) + kSmallPanelZones.mid(0, zones).join(',')
            + QLatin1Char('|') + kSmallPanelRelays.mid(0, relays).join(',') + QLatin1Char('|') + records.join(',')};
}

inline QByteArray padded(const QString &text) { return orb::toCp1252(text).left(16).leftJustified(16, ' '); }

// The panel memory a complete send of the working database must leave.
inline QByteArray expectedImage()
{
    using Map = orb::test::PanelSim;
    QByteArray image(Map::kMemorySize, '\0');
    QSqlQuery q(orb::BaseDatos());
    q.exec(QStringLiteral("SELECT INIDIA, ININIT, NUMZON, NUMREL, ETIINI FROM CONFCENTRAL"));
    q.next();
    for (int address : {Map::kDayHour, Map::kNightHour, Map::kZoneCount, Map::kRelayCount})
        image[address] = char(q.value(address - Map::kDayHour).toInt());
    image.replace(Map::kLabel, 16, padded(q.value(4).toString()));
    q.exec(QStringLiteral("SELECT IDZON, ETIZON FROM CONFZONAS"));
    while (q.next())
        image.replace(Map::zoneLabel(q.value(0).toInt()), 16, padded(q.value(1).toString()));
    q.exec(QStringLiteral("SELECT IDREL, ETIREL, TIP, DDIA, DNOCH, PDIA, PNOCH, RMIN, RSEC, IL1, FL1, IL2, FL2, IL3, "
                          "FL3, IL4, FL4 FROM CONFRELES"));
    while (q.next()) {
        const auto at = [&q](int c) { return q.value(c).toInt(); };
        image.replace(Map::relayLabel(at(0)), 16, padded(q.value(1).toString()));
        QByteArray record = QByteArray(1, char(at(2))) + char(orb::ModeByte(at(3), at(4), at(5), at(6)));
        for (int c = 7; c <= 16; ++c)
            record.append(char(at(c)));
        image.replace(Map::relayRecord(at(0)), 12, record);
    }
    return image;
}

} // namespace orbtest
