#pragma once
// What the tests of the windows share: the main window in English, with or
// without a configuration open in the working database, a scripted user, a
// simulated panel on Com1 with short reply times, and helpers that type,
// paste and look at the commands as the user would.

#include "AppState.h"
#include "FrmComm.h"
#include "FrmMain.h"
#include "GeneralFields.h"
#include "Marks.h"
#include "MdiHost.h"
#include "ModBas.h"
#include "ModCom.h"
#include "PanelSim.h"
#include "Recovery.h"
#include "ScriptedBoxes.h"
#include "Strings.h"
#include "TestConfiguration.h"

#include <QtTest>
#include <QtWidgets>
#include <memory>

using namespace orb;
using namespace orbtest;
using orb::test::PanelSim;

struct MainWindowFixture {
    std::unique_ptr<ScriptedBoxes> boxes;
    std::unique_ptr<PanelSim> sim;
    std::unique_ptr<FrmMain> main;

    // A configuration of `zones` and `relays` open (none when `zones` is
    // negative), then the main window loaded over it.
    void start(int zones = -1, int relays = 0, const QString &name = QStringLiteral("Hotel Plaza"))
    {
        // Nothing a failed earlier run left behind counts.
        for (const QString &path : {workingDatabasePath(), previousDatabasePath()}) {
            QDir(path).removeRecursively();
            QFile::remove(path);
        }
        appState() = AppState{};
        setCurrentLanguage(Language::English);
        clearWorkingMarks();
        boxes = std::make_unique<ScriptedBoxes>();
        sim = std::make_unique<PanelSim>();
        QVERIFY(sim->start());
        test::pointCom1At(sim->devicePath());
        frmComm().setReplyTimeout(50);
        if (zones >= 0) {
            QVERIFY(makeConfiguration(zones, relays, name));
            QCOMPARE(Open_Conf(), OpenResult::Opened);
            appState().ConfCargada = true;
        }
        main = std::make_unique<FrmMain>();
        main->load();
        boxes->shown.clear();   // the empty database's message while it was made
    }

    // Whatever is left open ends without questions.
    void stop()
    {
        appState().ConfModif = false;
        main.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        frmComm().Form_Unload();
        sim.reset();
        boxes.reset();
        Close_DB();
    }

    // The one box shown starts with message `id` under `title`.
    void checkOnlyBox(int id, const QString &title) const
    {
        QCOMPARE(boxes->shown.size(), 1);
        QVERIFY2(boxes->shown.first().prompt.startsWith(Str(id)), qPrintable(boxes->shown.first().prompt));
        QCOMPARE(boxes->shown.first().title, title);
    }

    // The enabled menu items, toolbar buttons (by position), and "toolbar"
    // and "window" when those are enabled as a whole.
    QStringList enabledCommands() const
    {
        QStringList on;
        for (const QString &name : FrmMain::menuItemNames()) {
            if (main->menuItem(name)->isEnabled())
                on << name;
        }
        for (int i = 1; i <= 16; ++i) {
            if (QAction *button = main->toolButton(i); button && button->isEnabled())
                on << QString::number(i);
        }
        if (main->TolBarBut()->isEnabled())
            on << QStringLiteral("toolbar");
        if (main->isEnabled())
            on << QStringLiteral("window");
        return on;
    }
};

// Types text into a box as the keyboard sends it, characters the test
// library has no key for included; the box's text then.
inline QString typeInto(QLineEdit *box, const QString &text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(box, &press);
    }
    return box->text();
}

// Empties a box and pastes text into it; the box's text then.
inline QString pasteInto(QLineEdit *box, const QString &text)
{
    box->clear();
    QGuiApplication::clipboard()->setText(text);
    box->paste();
    return box->text();
}

// Sets the six general boxes TxtCon(0)..TxtCon(5) of a window.
template <typename Window> void fill(Window *window, const GeneralTexts &texts)
{
    for (int i = 0; i < kGeneralFieldCount; ++i)
        window->TxtCon(i)->setText(texts[i]);
}
