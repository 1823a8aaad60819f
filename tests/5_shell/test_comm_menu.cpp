// The Communication menu of the main window against the simulated panel:
// what the transfers disable while they run, what they give back, and the
// port-settings window opening inside the main window.

#include "AppState.h"
#include "FrmComm.h"
#include "FrmCommSys.h"
#include "FrmMain.h"
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

class TestCommMenu : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void commandTakesAwayAndGivesBack_data();
    void commandTakesAwayAndGivesBack();
    void portSettingsOpenInsideTheMainWindow();

private:
    // Enabled state of every menu item and toolbar button, and of the
    // toolbar and the window themselves.
    QStringList enabledCommands() const;

    std::unique_ptr<ScriptedBoxes> m_boxes;
    std::unique_ptr<FrmMain> m_main;
    std::unique_ptr<orb::test::PanelSim> m_sim;
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
    QCOMPARE(Open_Conf(), OpenResult::Opened);
    m_boxes->shown.clear();
    appState().ConfCargada = true;
    m_main->LOAD_MAIN();
    Show_ConfInfo();
    m_sim = std::make_unique<orb::test::PanelSim>();
    QVERIFY(m_sim->start());
    orb::test::pointCom1At(m_sim->devicePath());
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

QStringList TestCommMenu::enabledCommands() const
{
    QStringList on;
    for (const QString &name : FrmMain::menuItemNames()) {
        if (m_main->menuItem(name)->isEnabled())
            on << name;
    }
    for (int i = 1; i <= 16; ++i) {
        if (QAction *button = m_main->toolButton(i); button && button->isEnabled())
            on << QString::number(i);
    }
    if (m_main->TolBarBut()->isEnabled())
        on << QStringLiteral("toolbar");
    if (m_main->isEnabled())
        on << QStringLiteral("window");
    return on;
}

void TestCommMenu::commandTakesAwayAndGivesBack_data()
{
    // Send and receive disable the toolbar and the seven menus, the clock
    // the whole window; the frames of the command reach the panel.
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("off"); // disabled when the end is told
    QTest::addColumn<QStringList>("on");  // still enabled then
    QTest::addColumn<QString>("frames");  // function codes of the frames the panel saw
    const QStringList menus{"MnuArx", "MnuCom", "MnuEdi", "MnuHelp", "MnuPrg", "MnuVen", "MnuVer", "toolbar"};
    const QStringList window{"window"};
    QTest::newRow("send") << "MnuComSend" << menus << window << QString(5 + 3 + 2 * 2, QLatin1Char('W'));
    QTest::newRow("receive") << "MnuComRec" << menus << window << QString(5 + 7 + 2 * 1, QLatin1Char('R'));
    QTest::newRow("clock") << "MnuComTime" << window << QStringList() << ":;";
}

void TestCommMenu::commandTakesAwayAndGivesBack()
{
    QFETCH(QString, command);
    QFETCH(QStringList, off);
    QFETCH(QStringList, on);
    m_sim->setMemory(AdrNumZon, QByteArray::fromHex("0701")); // 7 zones, 1 relay
    const QStringList before = enabledCommands();
    QVERIFY(before.contains(command));
    QStringList during;
    m_boxes->onShow = [&](const ShownBox &) { during = enabledCommands(); };
    m_main->menuItem(command)->trigger();
    QCOMPARE(m_boxes->shown.size(), 1);
    QCOMPARE(m_boxes->shown.first().prompt, Str(432));
    for (const QString &item : off + on)
        QCOMPARE(during.contains(item), on.contains(item));
    QCOMPARE(enabledCommands(), before);
    QString frames;
    for (const QByteArray &frame : m_sim->receivedFrames())
        frames += QLatin1Char(frame.at(2));
    QTEST(frames, "frames");
    // A receive shows the panel's counts in the status panel at once.
    QCOMPARE(m_main->LblCon(2)->text(), confInfoTexts().at(2));
    QCOMPARE(m_main->LblCon(2)->text().endsWith(QLatin1Char('7')), command == QLatin1String("MnuComRec"));
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
