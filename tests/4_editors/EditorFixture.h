#pragma once
// What the tests of the editing windows share: a main window, a scripted
// user, a simulated panel on Com1 with short reply times, and queries on the
// working database.

#include "AppState.h"
#include "FrmComm.h"
#include "FrmMain.h"
#include "Marks.h"
#include "ModBas.h"
#include "PanelSim.h"
#include "ScriptedBoxes.h"
#include "Strings.h"
#include "TestConfiguration.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>
#include <memory>

struct EditorFixture {
    std::unique_ptr<ScriptedBoxes> boxes;
    std::unique_ptr<orb::test::PanelSim> sim;
    std::unique_ptr<orb::FrmMain> main;

    // A configuration of `zones` and `relays` open in the working database.
    void start(int zones, int relays)
    {
        orb::appState() = orb::AppState{};
        orb::setCurrentLanguage(orb::Language::English);
        boxes = std::make_unique<ScriptedBoxes>();
        sim = std::make_unique<orb::test::PanelSim>();
        QVERIFY(sim->start());
        orb::test::pointCom1At(sim->devicePath());
        orb::frmComm().setReplyTimeout(50);
        QVERIFY(orbtest::makeConfiguration(zones, relays));
        QCOMPARE(orb::Open_Conf(), orb::OpenResult::Opened);
        orb::appState().ConfCargada = true;
        main = std::make_unique<orb::FrmMain>();
        main->load();
        boxes->shown.clear();   // the empty database's message while it was made
    }

    void stop()
    {
        main.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        orb::frmComm().Form_Unload();
        sim.reset();
        boxes.reset();
        orb::Close_DB();
        QFile::remove(orb::workingDatabasePath());
        orb::clearWorkingMarks();
    }

    // The one box shown starts with message `id` under `title`.
    void checkOnlyBox(int id, const QString &title) const
    {
        QCOMPARE(boxes->shown.size(), 1);
        QVERIFY2(boxes->shown.first().prompt.startsWith(orb::Str(id)), qPrintable(boxes->shown.first().prompt));
        QCOMPARE(boxes->shown.first().title, title);
    }
};

// One query's rows, columns joined by "|".
inline QStringList rows(const QString &sql)
{
    QStringList result;
    QSqlQuery q(orb::BaseDatos());
    q.exec(sql);
    while (q.next()) {
        QStringList values;
        for (int c = 0; c < q.record().count(); ++c)
            values << q.value(c).toString();
        result << values.join(QLatin1Char('|'));
    }
    return result;
}
