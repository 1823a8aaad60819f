// The main window: its menus' and toolbar's texts, the states LOAD_MAIN
// gives them with and without an open configuration, the print commands
// following the editing windows, the status panel and the window list.

#include "Captions.h"
#include "MainWindowFixture.h"

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void init() { m_fx.start(); }
    void cleanup() { m_fx.stop(); }
    void captionsFollowTheLanguageButTheTimeCommand();
    void loadMain_data();
    void loadMain();
    void statusTexts();
    void statusPanelCheckMarkAndVisibilityMayDisagree();
    void windowMenuListsAndActivatesTheChildWindows();

private:
    MainWindowFixture m_fx;
};

void TestMainWindow::captionsFollowTheLanguageButTheTimeCommand()
{
    // Every menu caption and toolbar tool tip by its string number (a tool
    // tip without the mnemonic marks).
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
        // Sixteen positions, gaps at 4, 7, 11 and 13; each button with its icon.
        QCOMPARE(main.TolBarBut()->actions().size(), 16);
        for (const auto &[index, id] : tips) {
            const QAction *button = main.toolButton(index);
            QVERIFY(!button->icon().isNull() && !button->toolTip().contains(QLatin1Char('&')));
            QCOMPARE(button->toolTip(), QString(Str(id, language)).remove(QLatin1Char('&')));
        }
        // The time command keeps its own caption in every language.
        QCOMPARE(main.menuItem("MnuComTime")->text(), QStringLiteral("Enviar &Fecha y Hora"));
    }
    QVERIFY(Str(1116, Language::English) != Str(1116, Language::Spanish));
}

void TestMainWindow::loadMain_data()
{
    QTest::addColumn<bool>("open");
    QTest::addColumn<bool>("restored");
    QTest::addColumn<QString>("loaded");   // the one child window loaded
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("enabled");
    QStringList all = FrmMain::menuItemNames();
    all.removeAll("MnuArxImp");   // print and preview follow the editing windows
    all.removeAll("MnuArxVis");
    all << QStringList({"1", "2", "3", "8", "9", "10", "12", "14", "15", "16", "toolbar", "window"});
    const QStringList closed{"MnuArx", "MnuArxNew", "MnuArxOpen", "MnuArxSal", "MnuEdi", "MnuPrg", "MnuCom",
                             "MnuVer", "MnuVen", "MnuHelp", "MnuHelpAbt", "1", "2", "toolbar", "window"};
    const QStringList print{"MnuArxImp", "MnuArxVis", "5", "6"};
    const QString hotel = QStringLiteral("Hotel.vcs - ");
    // The progress box is no editing window.
    QTest::newRow("open, progress box") << true << false << "FrmLoad" << hotel << all;
    QTest::newRow("open, general window") << true << false << "FrmConf" << hotel << all + print;
    QTest::newRow("open, relay window") << true << false << "FrmRel" << hotel << all + print;
    QTest::newRow("nothing open") << false << true << "" << QString() << closed;
    // Print and preview are set last: with nothing open but an editing
    // window still loaded, they stay on.
    QTest::newRow("nothing open, zone window") << false << true << "FrmZon" << QString() << closed + print;
}

void TestMainWindow::loadMain()
{
    QFETCH(bool, open);
    QFETCH(bool, restored);
    QFETCH(QString, loaded);
    QFETCH(QString, title);
    QFETCH(QStringList, enabled);
    AppState &s = appState();
    s.WorkingName = QStringLiteral("Hotel.vcs");
    s.ConfRecup = restored;
    const QList<std::pair<QString, bool *>> flags = {{"FrmConf", &s.FrmConfCargado},
                                                     {"FrmZon", &s.FrmZonCargado},
                                                     {"FrmRel", &s.FrmRelCargado},
                                                     {"FrmLoad", &s.FrmLoadCargado}};
    // From the other state with every window loaded, so that every item's
    // state is LOAD_MAIN's doing.
    for (bool state : {!open, open}) {
        s.ConfCargada = state;
        for (const auto &[name, flag] : flags)
            *flag = state != open || name == loaded;
        m_fx.main->LOAD_MAIN();
    }

    QCOMPARE(m_fx.main->windowTitle(), title + Str(1109));
    // The toolbar as a whole and the check marks are not LOAD_MAIN's.
    QStringList on = m_fx.enabledCommands();
    on.sort();
    enabled.sort();
    QCOMPARE(on, enabled);
    QCOMPARE(m_fx.main->PnlConf()->isHidden(), !open);
    QVERIFY(m_fx.main->menuItem("MnuVerCon")->isChecked());
}

void TestMainWindow::statusTexts()
{
    FrmMain &main = *m_fx.main;
    // With nothing open the design texts stay and the panel keeps its state.
    AppState &s = appState();
    s.NomCon = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ1234");
    main.PnlConf()->hide();
    Show_ConfInfo();
    QVERIFY(main.LblCon(0)->text() == "CONFIGURACION" && main.LblCon(3)->text() == "REL");
    QVERIFY(main.PnlConf()->isHidden());

    // Open: the name cut to 25 characters, the panel shown.
    s.ConfCargada = true;
    s.NumZon = 128;
    s.NumRel = 7;
    s.NumCenInfo = 9;
    Show_ConfInfo();
    QCOMPARE((QStringList{main.LblCon(0)->text(), main.LblCon(1)->text(), main.LblCon(2)->text(),
                          main.LblCon(3)->text()}),
             (QStringList{" Configuration: ABCDEFGHIJKLMNOPQRSTUVWXY", " N. of Panel: 1", " N. of Zones: 128",
                          " N. of Relays: 7"}));
    QVERIFY(!main.PnlConf()->isHidden());
}

void TestMainWindow::statusPanelCheckMarkAndVisibilityMayDisagree()
{
    FrmMain &main = *m_fx.main;
    appState().ConfCargada = true;
    main.LOAD_MAIN();
    QAction *view = main.menuItem("MnuVerCon");
    view->trigger();
    QVERIFY(!view->isChecked() && main.PnlConf()->isHidden());
    // LOAD_MAIN shows the panel again but leaves the check mark alone; the
    // next toggle follows the mark: the panel stays and is checked.
    main.LOAD_MAIN();
    QVERIFY(!main.PnlConf()->isHidden() && !view->isChecked());
    view->trigger();
    QVERIFY(view->isChecked() && !main.PnlConf()->isHidden());
    QAction *tools = main.menuItem("MnuVerHer");
    QVERIFY(tools->isChecked());
    tools->trigger();
    QVERIFY(main.TolBarBut()->isHidden() && !tools->isChecked());
    tools->trigger();
    QVERIFY(!main.TolBarBut()->isHidden());
}

void TestMainWindow::windowMenuListsAndActivatesTheChildWindows()
{
    m_fx.main->show();
    auto *zones = new QWidget;
    zones->setWindowTitle(QStringLiteral("Zones of the hotel"));
    showAsChild(zones);
    showAsChild(new QWidget);
    QMenu *windows = m_fx.main->menu("MnuVen");
    // Shown twice, the list is rebuilt rather than grown.
    emit windows->aboutToShow();
    emit windows->aboutToShow();
    const QList<QAction *> entries = windows->actions();
    QCOMPARE(entries.size(), 4 + 1 + 2);
    QVERIFY(entries.at(4)->isSeparator());
    QCOMPARE(entries.at(5)->text(), QStringLiteral("&1 Zones of the hotel"));
    entries.at(5)->trigger();
    QCOMPARE(m_fx.main->documentArea()->activeSubWindow()->widget(), zones);
}

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
