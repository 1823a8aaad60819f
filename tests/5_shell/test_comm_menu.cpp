// The Communication menu of the main window against the simulated panel:
// what the transfers disable while they run, what they give back, and the
// port-settings window opening inside the main window.

#include "AppState.h"
#include "FrmComm.h"
#include "FrmCommSys.h"
#include "FrmLoad.h"
#include "FrmMain.h"
#include "ModBas.h"
#include "ModCom.h"
#include "PanelSim.h"
#include "Recovery.h"
#include "ScriptedBoxes.h"
#include "Strings.h"
#include "TestConfiguration.h"

#include <QAction>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QToolBar>
#include <QtTest>

using namespace orb;
using orb::test::PanelSim;

namespace {

const QStringList kMenus = {"MnuArx", "MnuCom", "MnuEdi", "MnuHelp", "MnuPrg", "MnuVen", "MnuVer"};

// Enabled state of every menu item and toolbar button.
QMap<QString, bool> commandStates(const FrmMain &main)
{
    QMap<QString, bool> states;
    for (const QString &name : FrmMain::menuItemNames())
        states.insert(name, main.menuItem(name)->isEnabled());
    for (int i = 1; i <= 16; ++i) {
        if (QAction *button = main.toolButton(i))
            states.insert(QStringLiteral("button %1").arg(i), button->isEnabled());
    }
    states.insert(QStringLiteral("toolbar"), main.TolBarBut()->isEnabled());
    return states;
}

} // namespace

class TestCommMenu : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void sendDisablesMenusAndToolbarOnlyWhileItRuns();
    void receiveRefreshesTheStatusPanel();
    void clockDisablesTheWholeWindow();
    void portSettingsOpenInsideTheMainWindow();

private:
    std::unique_ptr<ScriptedBoxes> m_boxes;
    std::unique_ptr<FrmMain> m_main;
    std::unique_ptr<PanelSim> m_sim;
};

void TestCommMenu::init()
{
    appState() = AppState{};
    setCurrentLanguage(Language::English);
    clearWorkingMarks();
    m_boxes = std::make_unique<ScriptedBoxes>();
    m_main = std::make_unique<FrmMain>();
    m_main->load();
    QVERIFY(orbtest::makeConfiguration(3, 2, QStringLiteral("Hotel")));
    m_boxes->shown.clear();
    QCOMPARE(Open_Conf(), OpenResult::Opened);
    appState().ConfCargada = true;
    m_main->LOAD_MAIN();
    Show_ConfInfo();
    m_sim = std::make_unique<PanelSim>();
    QVERIFY(m_sim->start());
    test::pointCom1At(m_sim->devicePath());
}

void TestCommMenu::cleanup()
{
    unloadFrmComm();
    m_sim.reset();
    m_main.reset();
    m_boxes.reset();
    Close_DB();
    QFile::remove(workingDatabasePath());
}

void TestCommMenu::sendDisablesMenusAndToolbarOnlyWhileItRuns()
{
    const QMap<QString, bool> before = commandStates(*m_main);
    QVERIFY(before.value(QStringLiteral("MnuComSend")));
    bool checked = false;
    m_boxes->onShow = [&](const ShownBox &box) {
        if (box.prompt != Str(432))
            return;
        checked = true;
        QVERIFY(!m_main->TolBarBut()->isEnabled());
        for (const QString &menu : kMenus)
            QVERIFY2(!m_main->menuItem(menu)->isEnabled(), qPrintable(menu));
        QVERIFY2(m_main->isEnabled(), "the main window itself stays enabled");
    };
    m_main->menuItem(QStringLiteral("MnuComSend"))->trigger();
    QVERIFY(checked);
    QCOMPARE(m_sim->framesReceived('W'), 5 + 3 + 2 * 2);
    QCOMPARE(commandStates(*m_main), before);
}

void TestCommMenu::receiveRefreshesTheStatusPanel()
{
    m_sim->setMemory(AdrNumZon, QByteArray(1, char(7)));
    m_sim->setMemory(AdrNumRel, QByteArray(1, char(1)));
    const QMap<QString, bool> before = commandStates(*m_main);
    m_main->menuItem(QStringLiteral("MnuComRec"))->trigger();
    QCOMPARE(m_boxes->shown.size(), 1);
    QCOMPARE(m_boxes->shown.first().prompt, Str(432));
    QCOMPARE(appState().NumZon, quint8(7));
    QCOMPARE(m_main->LblCon(2)->text(), confInfoTexts().at(2));
    QVERIFY(m_main->LblCon(2)->text().contains(QLatin1Char('7')));
    QCOMPARE(commandStates(*m_main), before);
    QVERIFY(appState().ConfModif);
}

void TestCommMenu::clockDisablesTheWholeWindow()
{
    const QMap<QString, bool> before = commandStates(*m_main);
    bool checked = false;
    m_boxes->onShow = [&](const ShownBox &box) {
        if (box.prompt == Str(432)) {
            checked = true;
            QVERIFY(!m_main->isEnabled());
        }
    };
    m_main->menuItem(QStringLiteral("MnuComTime"))->trigger();
    QVERIFY(checked);
    QVERIFY(m_main->isEnabled());
    QCOMPARE(m_sim->framesReceived(':'), 1);
    QCOMPARE(m_sim->framesReceived(';'), 1);
    QCOMPARE(commandStates(*m_main), before);
}

void TestCommMenu::portSettingsOpenInsideTheMainWindow()
{
    appState().PuertoOk = true;
    m_main->menuItem(QStringLiteral("MnuComConf"))->trigger();
    QVERIFY(!appState().PuertoOk);
    QWidget *window = portSettingsWindow();
    QVERIFY(window);
    QCOMPARE(window->objectName(), QStringLiteral("FrmCommSys"));
    bool inside = false;
    for (QMdiSubWindow *sub : m_main->documentArea()->subWindowList())
        inside = inside || sub->widget() == window;
    QVERIFY2(inside, "the port settings are a child window of the main window");

    // A transfer closes it first.
    m_main->menuItem(QStringLiteral("MnuComSend"))->trigger();
    QVERIFY(!portSettingsWindow());
}

QTEST_MAIN(TestCommMenu)
#include "test_comm_menu.moc"
