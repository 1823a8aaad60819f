// The configuration tables as the rest of the program reads and writes
// them: always the first general row, and the rows of the open configuration
// only; a write that finds no row says so.

#include "ConfigTables.h"
#include "Schema.h"
#include "TestConfiguration.h"

#include <QtTest>

using namespace orb;
using namespace orbtest;

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
    void rowsOfTheOpenConfigurationOnly();
};

void TestConfigTables::generalRowIsTheFirstRow()
{
    // A second general row (a document written elsewhere) is never "the" row.
    QVERIFY(execBound(QStringLiteral("INSERT INTO CONFCENTRAL (IDCON, NOMCON, NUMZON) VALUES (5, 'Second', 9)")));
    QCOMPARE(generalRow()->value(QStringLiteral("NOMCON")).toString(), QStringLiteral("Hotel Plaza"));
    QVERIFY(updateGeneralRow({{"NUMZON", 7}, {"ETIINI", QStringLiteral("NORTE")}}));
    QCOMPARE(rows(QStringLiteral("SELECT NOMCON, NUMZON, ETIINI FROM CONFCENTRAL ORDER BY rowid")),
             (QStringList{QStringLiteral("Hotel Plaza|7|NORTE"), QStringLiteral("Second|9|")}));

    QVERIFY(execBound(QStringLiteral("DELETE FROM CONFCENTRAL")));
    QVERIFY(!generalRow());
    QSqlError error;
    QVERIFY(!updateGeneralRow({{"NUMZON", 1}}, &error));
    QVERIFY(isNoRowError(error));
}

void TestConfigTables::rowsOfTheOpenConfigurationOnly()
{
    // Rows of another configuration are left alone by the shrinking.
    QVERIFY(execBound(QStringLiteral("INSERT INTO CONFZONAS (IDCON, IDZON, ETIZON) VALUES (4, 9, 'OTHER')")));
    QVERIFY(execBound(QStringLiteral("INSERT INTO CONFRELES (IDCON, IDREL, TIP) VALUES (4, 9, 6)")));
    QVERIFY(deleteZonesAbove(1, 0) && deleteRelaysAbove(1, 0));
    QCOMPARE(rows(QStringLiteral("SELECT IDCON, IDZON FROM CONFZONAS UNION ALL SELECT IDCON, IDREL FROM CONFRELES")),
             (QStringList{"0|1", "4|9", "0|1", "4|9"}));
    QVERIFY(!relayRow(9, 0) && relayRow(9, 4));

    // Writes that find no row fail.
    QVERIFY(!setZoneLabel(0, 99, QStringLiteral("none")));
    RelayRow missing = *relayRow(1, 0);
    missing.IDREL = 40;
    QVERIFY(!storeRelayRow(missing));
}

QTEST_GUILESS_MAIN(TestConfigTables)
#include "test_config_tables.moc"
