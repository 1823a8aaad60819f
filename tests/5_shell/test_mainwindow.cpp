// The main window: its menus, toolbar and status panel, the states LOAD_MAIN
// gives them with and without an open configuration, the print commands
// following the editing windows, the status texts and the window list.

#include "AppState.h"
#include "FrmLoad.h"
#include "FrmMain.h"
#include "MdiHost.h"
#include "ModBas.h"
#include "Recovery.h"
#include "ScriptedBoxes.h"
#include "Strings.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QtTest>

using namespace orb;

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void menusToolbarAndStatusPanelLayout();
    void captionsFollowTheLanguageButTheTimeCommand();
    void loadMain_data();
    void loadMain();
    void printFollowsTheEditingWindows();
    void statusTexts();
    void statusPanelCheckMarkAndVisibilityMayDisagree();
    void windowMenuListsAndActivatesTheChildWindows();
    void progressBoxOfOneRelayCentresOnTheMainWindow();

private:
    // LOAD_MAIN's part of the state: enabled menu items and toolbar buttons.
    QStringList enabledItems() const;
    std::unique_ptr<ScriptedBoxes> m_boxes;
    std::unique_ptr<FrmMain> m_main;
};

void TestMainWindow::init()
{
    appState() = AppState{};
    setCurrentLanguage(Language::English);
    clearWorkingMarks();
    m_boxes = std::make_unique<ScriptedBoxes>();
    m_main = std::make_unique<FrmMain>();
    m_main->load();
}

void TestMainWindow::cleanup()
{
    m_main.reset();
    m_boxes.reset();
    Close_DB();
    QFile::remove(workingDatabasePath());
}

QStringList TestMainWindow::enabledItems() const
{
    QStringList on;
    for (const QString &name : FrmMain::menuItemNames()) {
        if (m_main->menuItem(name)->isEnabled())
            on << name;
    }
    for (int index = 1; index <= 16; ++index) {
        if (QAction *button = m_main->toolButton(index); button && button->isEnabled())
            on << QString::number(index);
    }
    return on;
}

void TestMainWindow::menusToolbarAndStatusPanelLayout()
{
    // Seven menus holding the 26 items and 6 separators; eight shortcuts, no
    // more; the two view items checked.
    int items = 0, separators = 0;
    QStringList shortcuts;
    for (QAction *menu : m_main->menuBar()->actions()) {
        for (QAction *a : m_main->menu(menu->objectName())->actions()) {
            (a->isSeparator() ? separators : items) += 1;
            if (!a->shortcut().isEmpty())
                shortcuts << a->objectName() + '=' + a->shortcut().toString();
        }
    }
    QCOMPARE(m_main->menuBar()->actions().size(), 7);
    QCOMPARE(items, 26);
    QCOMPARE(separators, 6);
    QCOMPARE(shortcuts.join(' '), QStringLiteral("MnuArxNew=Ctrl+U MnuArxOpen=Ctrl+A MnuArxSav=Ctrl+G MnuArxImp=Ctrl+P "
                                                 "MnuEdiCut=Ctrl+X MnuEdiCop=Ctrl+C MnuEdiPas=Ctrl+V MnuEdiDel=Del"));
    QVERIFY(m_main->menuItem("MnuVerHer")->isChecked() && m_main->menuItem("MnuVerCon")->isChecked());

    // Sixteen toolbar positions, gaps at 4, 7, 11 and 13; the status panel
    // under the toolbar, above the document area.
    const QList<QAction *> positions = m_main->TolBarBut()->actions();
    QCOMPARE(positions.size(), 16);
    for (int index = 1; index <= 16; ++index) {
        QAction *at = positions.at(index - 1);
        QCOMPARE(at->isSeparator(), QList<int>({4, 7, 11, 13}).contains(index));
        QCOMPARE(m_main->toolButton(index), at->isSeparator() ? nullptr : at);
        QVERIFY(at->isSeparator() || (!at->icon().isNull() && !at->toolTip().isEmpty()));
    }
    QCOMPARE(m_main->centralWidget()->layout()->indexOf(m_main->PnlConf()), 0);
}

void TestMainWindow::captionsFollowTheLanguageButTheTimeCommand()
{
    // Every menu caption and toolbar tool tip by its string number.
    const QList<std::pair<const char *, int>> captions = {
        {"MnuArx", 1116},    {"MnuArxNew", 1119},  {"MnuArxOpen", 1120}, {"MnuArxClose", 1217},
        {"MnuArxSav", 1122}, {"MnuArxSavAs", 1218}, {"MnuArxVis", 1205}, {"MnuArxImp", 1118},
        {"MnuArxSal", 1121}, {"MnuEdi", 1207},     {"MnuEdiCut", 1208},  {"MnuEdiCop", 1209},
        {"MnuEdiPas", 1210}, {"MnuEdiDel", 1211},  {"MnuPrg", 1123},     {"MnuPrgCon", 1124},
        {"MnuPrgZon", 1125}, {"MnuPrgRel", 1126},  {"MnuCom", 1128},     {"MnuComConf", 1129},
        {"MnuComSend", 1219}, {"MnuComRec", 1220}, {"MnuVer", 1132},     {"MnuVerHer", 1134},
        {"MnuVerCon", 1133}, {"MnuVen", 1144},     {"MnuVenMHz", 1146},  {"MnuVenVrt", 1148},
        {"MnuVenCas", 1145}, {"MnuVenOIc", 1147},  {"MnuHelp", 1149},    {"MnuHelpAbt", 1150},
    };
    const QList<std::pair<int, int>> tips = {{1, 1151}, {2, 1152},  {3, 1153},  {5, 1154},  {6, 1206},  {8, 1208},
                                             {9, 1209}, {10, 1210}, {12, 1157}, {14, 1158}, {15, 1159}, {16, 1160}};
    for (const Language language : {Language::English, Language::Spanish}) {
        setCurrentLanguage(language);
        FrmMain main;
        main.load();
        for (const auto &[name, id] : captions)
            QCOMPARE(main.menuItem(QLatin1String(name))->text(), Str(id, language));
        QCOMPARE(main.menu("MnuArx")->title(), Str(1116, language));
        for (const auto &[index, id] : tips)
            QCOMPARE(main.toolButton(index)->toolTip(), Str(id, language));
        // The time command keeps its own caption in every language.
        QCOMPARE(main.menuItem("MnuComTime")->text(), QStringLiteral("Enviar &Fecha y Hora"));
    }
    QVERIFY(Str(1116, Language::English) != Str(1116, Language::Spanish));
}

void TestMainWindow::loadMain_data()
{
    QTest::addColumn<bool>("open");
    QTest::addColumn<bool>("restored");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("enabled");
    QStringList all = FrmMain::menuItemNames();
    all.removeAll("MnuArxImp");   // print and preview stay with Chk_PrnBut
    all.removeAll("MnuArxVis");
    all << QStringList({"1", "2", "3", "8", "9", "10", "12", "14", "15", "16"});
    QTest::newRow("open") << true << false << QStringLiteral("Hotel.vcs - ") << all;
    QTest::newRow("restored") << true << true << QStringLiteral("Hotel.vcs (Restored) - ") << all;
    QTest::newRow("nothing open") << false << true << QString()
                                  << QStringList({"MnuArx", "MnuArxNew", "MnuArxOpen", "MnuArxSal", "MnuEdi", "MnuPrg",
                                                  "MnuCom", "MnuVer", "MnuVen", "MnuHelp", "MnuHelpAbt", "1", "2"});
}

void TestMainWindow::loadMain()
{
    QFETCH(bool, open);
    QFETCH(bool, restored);
    QFETCH(QString, title);
    QFETCH(QStringList, enabled);
    appState().WorkingName = QStringLiteral("Hotel.vcs");
    appState().ConfRecup = restored;
    // From the other state, so that every item's state is LOAD_MAIN's doing.
    for (bool state : {!open, open}) {
        appState().ConfCargada = state;
        m_main->LOAD_MAIN();
    }

    QCOMPARE(m_main->windowTitle(), title + Str(1109));
    QStringList on = enabledItems();
    on.sort();
    enabled.sort();
    QCOMPARE(on, enabled);
    QCOMPARE(m_main->PnlConf()->isHidden(), !open);
    // The toolbar as a whole and the check marks are not LOAD_MAIN's.
    QVERIFY(m_main->TolBarBut()->isEnabled());
    QVERIFY(m_main->menuItem("MnuVerCon")->isChecked());
}

void TestMainWindow::printFollowsTheEditingWindows()
{
    const auto printOn = [this] {
        const QList<bool> state{m_main->menuItem("MnuArxImp")->isEnabled(), m_main->toolButton(5)->isEnabled(),
                                m_main->menuItem("MnuArxVis")->isEnabled(), m_main->toolButton(6)->isEnabled()};
        return state.count(true) == 4 ? 1 : state.count(false) == 4 ? 0 : -1;
    };
    AppState &s = appState();
    for (bool *flag : {&s.FrmConfCargado, &s.FrmZonCargado, &s.FrmRelCargado}) {
        *flag = true;
        m_main->Chk_PrnBut();
        QCOMPARE(printOn(), 1);
        *flag = false;
        m_main->Chk_PrnBut();
        QCOMPARE(printOn(), 0);
    }
    // Chk_PrnBut runs last in LOAD_MAIN: with nothing open but an editing
    // window still loaded, print stays on.
    s.FrmZonCargado = true;
    m_main->LOAD_MAIN();
    QCOMPARE(printOn(), 1);
    QVERIFY(!m_main->menuItem("MnuArxSav")->isEnabled());
    // The progress box is no editing window.
    s.FrmZonCargado = false;
    s.FrmLoadCargado = true;
    s.ConfCargada = true;
    m_main->LOAD_MAIN();
    QCOMPARE(printOn(), 0);
}

void TestMainWindow::statusTexts()
{
    // With nothing open the design texts stay and the panel keeps its state.
    AppState &s = appState();
    s.NomCon = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ1234");
    m_main->PnlConf()->hide();
    Show_ConfInfo();
    QCOMPARE(m_main->LblCon(0)->text(), QStringLiteral("CONFIGURACION"));
    QCOMPARE(m_main->LblCon(3)->text(), QStringLiteral("REL"));
    QVERIFY(m_main->PnlConf()->isHidden());

    // Open: the name cut to 25 characters, the panel shown.
    s.ConfCargada = true;
    s.NumZon = 128;
    s.NumRel = 7;
    s.NumCenInfo = 9;
    Show_ConfInfo();
    QCOMPARE(m_main->LblCon(0)->text(), QStringLiteral(" Configuration: ABCDEFGHIJKLMNOPQRSTUVWXY"));
    QCOMPARE(m_main->LblCon(1)->text(), QStringLiteral(" N. of Panel: 1"));
    QCOMPARE(m_main->LblCon(2)->text(), QStringLiteral(" N. of Zones: 128"));
    QCOMPARE(m_main->LblCon(3)->text(), QStringLiteral(" N. of Relays: 7"));
    QVERIFY(!m_main->PnlConf()->isHidden());
}

void TestMainWindow::statusPanelCheckMarkAndVisibilityMayDisagree()
{
    appState().ConfCargada = true;
    m_main->LOAD_MAIN();
    QAction *view = m_main->menuItem("MnuVerCon");
    view->trigger();
    QVERIFY(!view->isChecked());
    QVERIFY(m_main->PnlConf()->isHidden());
    // LOAD_MAIN shows the panel again but leaves the check mark alone; the
    // next toggle follows the mark: the panel stays and is checked.
    m_main->LOAD_MAIN();
    QVERIFY(!m_main->PnlConf()->isHidden());
    QVERIFY(!view->isChecked());
    view->trigger();
    QVERIFY(view->isChecked());
    QVERIFY(!m_main->PnlConf()->isHidden());
    QAction *tools = m_main->menuItem("MnuVerHer");
    tools->trigger();
    QVERIFY(m_main->TolBarBut()->isHidden());
    tools->trigger();
    QVERIFY(!m_main->TolBarBut()->isHidden());
    // With nothing open the panel is hidden whatever the mark says.
    appState().ConfCargada = false;
    m_main->LOAD_MAIN();
    QVERIFY(m_main->PnlConf()->isHidden());
}

void TestMainWindow::windowMenuListsAndActivatesTheChildWindows()
{
    m_main->show();
    auto *zones = new QWidget;
    zones->setWindowTitle(QStringLiteral("Zones of the hotel"));
    showAsChild(zones);
    showAsChild(new QWidget);
    QMenu *windows = m_main->menu("MnuVen");
    // Shown twice, the list is rebuilt rather than grown.
    emit windows->aboutToShow();
    emit windows->aboutToShow();
    const QList<QAction *> entries = windows->actions();
    QCOMPARE(entries.size(), 4 + 1 + 2);
    QVERIFY(entries.at(4)->isSeparator());
    QCOMPARE(entries.at(5)->text(), QStringLiteral("&1 Zones of the hotel"));
    entries.at(5)->trigger();
    QCOMPARE(m_main->documentArea()->activeSubWindow()->widget(), zones);
}

void TestMainWindow::progressBoxOfOneRelayCentresOnTheMainWindow()
{
    m_main->showNormal();
    m_main->resize(1000, 700);
    QCoreApplication::processEvents();
    appState().MaxProg = 100;
    FrmLoad::load();
    Show_Load();
    QWidget *frame = FrmLoad::loaded()->parentWidget();
    QCOMPARE(frame->parentWidget()->parentWidget(), m_main->documentArea());
    // Half the main window's size less half the box's, inside the document
    // area; the main window's own position plays no part.
    QCOMPARE(frame->pos(),
             QPoint(m_main->width() / 2 - frame->width() / 2, m_main->height() / 2 - frame->height() / 2));
    FrmLoad::unload();
}

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
