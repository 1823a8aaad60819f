// The configuration tables: the general row, zone and relay rows and the
// print tables as the rest of the program reads and writes them, and what a
// refused write leaves.

#include "ConfigTables.h"
#include "Schema.h"
#include "TestConfiguration.h"

#include <QtTest>

using namespace orb;
using orbtest::execBound;

namespace {

QStringList column(const QString &sql)
{
    QStringList values;
    QSqlQuery q(BaseDatos());
    q.exec(sql);
    while (q.next())
        values << q.value(0).toString();
    return values;
}

} // namespace

class TestConfigTables : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(orbtest::makeConfiguration(3, 2)); }
    void cleanup()
    {
        Close_DB();
        QFile::remove(workingDatabasePath());
    }
    void generalRowIsTheFirstRow();
    void zoneRowsGrowShrinkAndAreReplaced();
    void relayRowsRoundTrip();
    void refusedPrintRowsKeepThePreviousOnes();
};

void TestConfigTables::generalRowIsTheFirstRow()
{
    // A second general row (a document written elsewhere) is never "the" row.
    QVERIFY(execBound(QStringLiteral("INSERT INTO CONFCENTRAL (IDCON, NOMCON, NUMZON) VALUES (5, 'Second', 9)")));
    QCOMPARE(generalRow()->value(QStringLiteral("NOMCON")).toString(), QStringLiteral("Hotel Plaza"));
    QVERIFY(updateGeneralRow({{"NUMZON", 7}, {"ETIINI", QStringLiteral("NORTE")}}));
    QCOMPARE(column(QStringLiteral("SELECT NOMCON || '|' || NUMZON || '|' || ifnull(ETIINI, '') FROM CONFCENTRAL ORDER BY rowid")),
             (QStringList{QStringLiteral("Hotel Plaza|7|NORTE"), QStringLiteral("Second|9|")}));

    // A value the table refuses writes none of the columns.
    QSqlError error;
    QVERIFY(!updateGeneralRow({{"NUMZON", 8}, {"ETIINI", QString(17, QLatin1Char('x'))}}, &error));
    QVERIFY(error.isValid());
    QCOMPARE(generalRow()->value(QStringLiteral("NUMZON")).toInt(), 7);

    QVERIFY(execBound(QStringLiteral("DELETE FROM CONFCENTRAL")));
    QVERIFY(!generalRow());
    QVERIFY(!updateGeneralRow({{"NUMZON", 1}}, &error));
    QVERIFY(insertGeneralRow({{"NOMCON", QStringLiteral("New")}, {"NUMZON", 2}}));
    QCOMPARE(generalRow()->value(QStringLiteral("IDCON")).toInt(), 0);
}

void TestConfigTables::zoneRowsGrowShrinkAndAreReplaced()
{
    // Rows of another configuration are left alone by the shrinking.
    QVERIFY(execBound(QStringLiteral("INSERT INTO CONFZONAS (IDCON, IDZON, ETIZON) VALUES (4, 9, 'OTHER')")));
    QVERIFY(addDefaultZoneRows(0, 4, 6));
    QVERIFY(deleteZonesAbove(4, 0));
    QCOMPARE(column(QStringLiteral("SELECT IDCON || ':' || IDZON || ':' || ETIZON FROM CONFZONAS ORDER BY IDCON, IDZON")),
             (QStringList{QStringLiteral("0:1:ETI ZONA 1"), QStringLiteral("0:2:ETI ZONA 2"),
                          QStringLiteral("0:3:ETI ZONA 3"), QStringLiteral("0:4:ETI ZONA 4"),
                          QStringLiteral("4:9:OTHER")}));
    QVERIFY(setZoneLabel(0, 2, QStringLiteral("Sótano")));
    QVERIFY(!setZoneLabel(0, 99, QStringLiteral("none")));
    QCOMPARE(zoneRowLabel(2), std::optional<QString>(QStringLiteral("Sótano")));
    QCOMPARE(zoneRowLabel(99), std::nullopt);

    QVERIFY(replaceZones({QStringLiteral("A"), QStringLiteral("B")}, 0));
    const QList<ZoneRow> zones = zoneRows();
    QCOMPARE(zones.size(), 2);
    QVERIFY(zones[1].IDZON == 2 && zones[1].ETIZON == QLatin1String("B"));
    QCOMPARE(rowCount(tabConfZonas()), 2);
}

void TestConfigTables::relayRowsRoundTrip()
{
    std::optional<RelayRow> row = relayRow(2, 0);
    QVERIFY(row);
    QCOMPARE(row->TIP, TipRelNuevo);
    QCOMPARE(row->ETIREL, QStringLiteral("ETI RELE 2"));
    row->TIP = 96;
    row->ETIREL = QStringLiteral("SIRENA HALL");
    row->RMIN = 9;
    row->RSEC = 59;
    row->DDIA = 2;
    row->PNOCH = 1;
    row->IL = {1, 3, 0, 0};
    row->FL = {2, 3, 0, 0};
    QVERIFY(storeRelayRow(*row));
    QCOMPARE(relayRow(2, 0), row);
    QCOMPARE(relayRows().at(1), *row);

    RelayRow missing = *row;
    missing.IDREL = 40;
    QVERIFY(!storeRelayRow(missing));
    QVERIFY(!relayRow(2, 7));

    QVERIFY(addDefaultRelayRows(0, 3, 4));
    QVERIFY(deleteRelaysAbove(3, 0));
    QCOMPARE(column(QStringLiteral("SELECT IDREL || ':' || TIP FROM CONFRELES ORDER BY IDREL")),
             (QStringList{QStringLiteral("1:192"), QStringLiteral("2:96"), QStringLiteral("3:192")}));
    QVERIFY(replaceRelays({*row}));
    QCOMPARE(relayRows(), QList<RelayRow>{*row});
}

void TestConfigTables::refusedPrintRowsKeepThePreviousOnes()
{
    using Row = QList<std::pair<QString, QVariant>>;
    QVERIFY(replacePrintRows(tabImpConfReles(), {Row{{QStringLiteral("IDREL"), 1}, {QStringLiteral("ETIREL"), QStringLiteral("one")}},
                                                 Row{{QStringLiteral("IDREL"), 2}, {QStringLiteral("ETIREL"), QStringLiteral("two")}}}));
    // The second row's label is wider than its column: nothing changes.
    QSqlError error;
    QVERIFY(!replacePrintRows(tabImpConfReles(),
                              {Row{{QStringLiteral("IDREL"), 3}, {QStringLiteral("ETIREL"), QStringLiteral("three")}},
                               Row{{QStringLiteral("IDREL"), 4}, {QStringLiteral("ETIREL"), QString(21, QLatin1Char('x'))}}},
                              &error));
    QVERIFY(error.isValid());
    QCOMPARE(column(QStringLiteral("SELECT ETIREL FROM IMPCONFRELES ORDER BY IDREL")),
             (QStringList{QStringLiteral("one"), QStringLiteral("two")}));
    QCOMPARE(lookupRows(tabDiaNit()).size(), 3);
}

QTEST_GUILESS_MAIN(TestConfigTables)
#include "test_config_tables.moc"
