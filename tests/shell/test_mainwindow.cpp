// The main window: its menus, toolbar and status panel, the states LOAD_MAIN
// gives them with and without an open configuration, the print commands
// following the editing windows, and the status texts.

#include "AppState.h"
#include "FrmLoad.h"
#include "FrmMain.h"
#include "MdiHost.h"
#include "ModBas.h"
#include "Recovery.h"
#include "ScriptedBoxes.h"
#include "Strings.h"

#include <QAction>
#include <QFile>
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

namespace {

const QStringList kMenus = {"MnuArx", "MnuEdi", "MnuPrg", "MnuCom", "MnuVer", "MnuVen", "MnuHelp"};

// Items enabled with no configuration open.
const QStringList kEnabledWithoutConfiguration = {"MnuArx",    "MnuEdi",     "MnuPrg",    "MnuCom",
                                                  "MnuVer",    "MnuVen",     "MnuHelp",   "MnuArxNew",
                                                  "MnuArxOpen", "MnuArxSal", "MnuHelpAbt"};

QStringList itemsOf(QMenu *menu, bool withSeparators)
{
    QStringList names;
    for (QAction *a : menu->actions()) {
        if (a->isSeparator() && !withSeparators)
            continue;
        names << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
    }
    return names;
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void menuBarHoldsTheSevenMenusInOrder();
    void captionsShortcutsAndCheckMarks();
    void everyCaptionAndTipComesFromItsString();
    void designCaptionOfTheTimeCommandStaysInEveryLanguage();
    void toolbarPositionsGapsAndTips();
    void statusPanelSitsUnderTheToolbar();
    void loadMainWithoutConfiguration();
    void loadMainWithConfiguration();
    void titleOfARestoredConfiguration();
    void printFollowsTheEditingWindows();
    void statusTextsOfTheOpenConfiguration();
    void statusTextsWithNothingOpen();
    void statusPanelCheckMarkAndVisibilityMayDisagree();
    void windowMenuListsTheChildWindows();
    void closingEditingWindowsLeavesOthersOpen();
    void orderlyCloseEndsTheConfiguration();
    void progressBoxOfOneRelayCentresOnTheMainWindow();

private:
    std::unique_ptr<ScriptedBoxes> m_boxes;
};

void TestMainWindow::init()
{
    appState() = AppState{};
    setCurrentLanguage(Language::English);
    clearWorkingMarks();
    m_boxes = std::make_unique<ScriptedBoxes>();
}

void TestMainWindow::cleanup()
{
    m_boxes.reset();
    Close_DB();
    QFile::remove(workingDatabasePath());
}

void TestMainWindow::menuBarHoldsTheSevenMenusInOrder()
{
    FrmMain main;
    QStringList top;
    for (QAction *a : main.menuBar()->actions())
        top << a->objectName();
    QCOMPARE(top, kMenus);

    QCOMPARE(itemsOf(main.menu("MnuArx"), true),
             QStringList({"MnuArxNew", "MnuArxOpen", "MnuArxClose", "-", "MnuArxSav", "MnuArxSavAs", "-",
                          "MnuArxVis", "MnuArxImp", "-", "MnuArxSal"}));
    QCOMPARE(itemsOf(main.menu("MnuEdi"), true),
             QStringList({"MnuEdiCut", "MnuEdiCop", "MnuEdiPas", "-", "MnuEdiDel"}));
    QCOMPARE(itemsOf(main.menu("MnuPrg"), true), QStringList({"MnuPrgCon", "MnuPrgZon", "MnuPrgRel"}));
    QCOMPARE(itemsOf(main.menu("MnuCom"), true),
             QStringList({"MnuComConf", "-", "MnuComSend", "MnuComRec", "-", "MnuComTime"}));
    QCOMPARE(itemsOf(main.menu("MnuVer"), true), QStringList({"MnuVerHer", "MnuVerCon"}));
    QCOMPARE(itemsOf(main.menu("MnuVen"), true),
             QStringList({"MnuVenMHz", "MnuVenVrt", "MnuVenCas", "MnuVenOIc"}));
    QCOMPARE(itemsOf(main.menu("MnuHelp"), true), QStringList({"MnuHelpAbt"}));

    int items = 0, separators = 0;
    for (const QString &m : kMenus) {
        for (QAction *a : main.menu(m)->actions())
            (a->isSeparator() ? separators : items) += 1;
    }
    QCOMPARE(items, 26);
    QCOMPARE(separators, 6);
    QCOMPARE(FrmMain::menuItemNames().size(), 33);
    for (const QString &name : FrmMain::menuItemNames())
        QVERIFY2(main.menuItem(name), qPrintable(name));
    QVERIFY(!main.menuItem("EmtyArx1"));
    QVERIFY(!main.menuItem("Empty5"));
}

void TestMainWindow::captionsShortcutsAndCheckMarks()
{
    FrmMain main;
    main.load();
    QCOMPARE(main.menuItem("MnuArx")->text(), QStringLiteral("&File"));
    QCOMPARE(main.menuItem("MnuArxSavAs")->text(), QStringLiteral("Sa&ve As"));
    QCOMPARE(main.menuItem("MnuComConf")->text(), Str(1129));
    QCOMPARE(main.menuItem("MnuHelpAbt")->text(), QStringLiteral("&About ORBITarsis..."));

    const QList<QPair<QString, QKeySequence>> shortcuts = {
        {"MnuArxNew", QKeySequence("Ctrl+U")},  {"MnuArxOpen", QKeySequence("Ctrl+A")},
        {"MnuArxSav", QKeySequence("Ctrl+G")},  {"MnuArxImp", QKeySequence("Ctrl+P")},
        {"MnuEdiCut", QKeySequence("Ctrl+X")},  {"MnuEdiCop", QKeySequence("Ctrl+C")},
        {"MnuEdiPas", QKeySequence("Ctrl+V")},  {"MnuEdiDel", QKeySequence(Qt::Key_Delete)},
    };
    int withShortcut = 0;
    for (const QString &name : FrmMain::menuItemNames()) {
        if (!main.menuItem(name)->shortcut().isEmpty())
            ++withShortcut;
    }
    QCOMPARE(withShortcut, shortcuts.size());
    for (const auto &[name, keys] : shortcuts)
        QCOMPARE(main.menuItem(name)->shortcut(), keys);

    QVERIFY(main.menuItem("MnuVerHer")->isChecked());
    QVERIFY(main.menuItem("MnuVerCon")->isChecked());
    QVERIFY(!main.menuItem("MnuArxNew")->isCheckable());
}

void TestMainWindow::everyCaptionAndTipComesFromItsString()
{
    FrmMain main;
    main.load();
    // The English texts of the menu items, toolbar buttons and status fields.
    const QList<QPair<QString, QString>> captions = {
        {"MnuArx", "&File"},
        {"MnuArxNew", "&New"},
        {"MnuArxOpen", "&Open"},
        {"MnuArxClose", "&Close"},
        {"MnuArxSav", "&Save"},
        {"MnuArxSavAs", "Sa&ve As"},
        {"MnuArxVis", "P&rint Preview."},
        {"MnuArxImp", "&Print"},
        {"MnuArxSal", "&Exit"},
        {"MnuEdi", "&Edit"},
        {"MnuEdiCut", "&Cut"},
        {"MnuEdiCop", "C&opy"},
        {"MnuEdiPas", "&Paste"},
        {"MnuEdiDel", "&Delete"},
        {"MnuPrg", "&Program"},
        {"MnuPrgCon", "&Panel's Configuration"},
        {"MnuPrgZon", "&Zones"},
        {"MnuPrgRel", "&Relays"},
        {"MnuCom", "&Comunication"},
        {"MnuComConf", "&Port's Configuration "},
        {"MnuComSend", "&Send All Config"},
        {"MnuComRec", "&Receive All Config"},
        {"MnuComTime", "Enviar &Fecha y Hora"},
        {"MnuVer", "&Show"},
        {"MnuVerHer", "Show T&ools"},
        {"MnuVerCon", "Show &Configuration Panel"},
        {"MnuVen", "&Window"},
        {"MnuVenMHz", "&Horizontal Mosaic"},
        {"MnuVenVrt", "&Vertical Mosaic"},
        {"MnuVenCas", "&Cascade"},
        {"MnuVenOIc", "&Organize Icons"},
        {"MnuHelp", "&Help"},
        {"MnuHelpAbt", "&About ORBITarsis..."},
    };
    QCOMPARE(captions.size(), FrmMain::menuItemNames().size());
    for (const auto &[name, text] : captions)
        QCOMPARE(main.menuItem(name)->text(), text);
    for (const QString &name : kMenus)
        QCOMPARE(main.menu(name)->title(), main.menuItem(name)->text());

    const QMap<int, QString> tips = {
        {1, "New Configuration"},        {2, "Open Configuration"},      {3, "Save Configuration As..."},
        {5, "&Print"},                   {6, "Print Preview"},           {8, "&Cut"},
        {9, "C&opy"},                    {10, "&Paste"},                 {12, "Configure comunication"},
        {14, "Configurate Panel"},       {15, "Configurate Zones"},      {16, "Configurate Relays"},
    };
    for (auto it = tips.cbegin(); it != tips.cend(); ++it)
        QCOMPARE(main.toolButton(it.key())->toolTip(), it.value());
    QCOMPARE(main.LblCon(0)->toolTip(), QStringLiteral(" Name of Configurartion in PC"));
    QCOMPARE(main.LblCon(3)->toolTip(), QString::fromUtf8(" Númber of Relays in actual configuration "));
}

void TestMainWindow::designCaptionOfTheTimeCommandStaysInEveryLanguage()
{
    for (Language language : {Language::English, Language::Spanish}) {
        setCurrentLanguage(language);
        FrmMain main;
        main.load();
        QCOMPARE(main.menuItem("MnuComTime")->text(), QStringLiteral("Enviar &Fecha y Hora"));
        QCOMPARE(main.windowTitle(), Str(1109));
    }
    setCurrentLanguage(Language::Spanish);
    FrmMain main;
    main.load();
    QCOMPARE(main.menuItem("MnuArx")->text(), QStringLiteral("&Archivo"));
    QCOMPARE(main.menuItem("MnuPrgRel")->text(), QStringLiteral("&Relés"));
    QCOMPARE(main.toolButton(1)->toolTip(), QStringLiteral("Nueva Configuración"));
}

void TestMainWindow::toolbarPositionsGapsAndTips()
{
    FrmMain main;
    main.load();
    QCOMPARE(main.TolBarBut()->objectName(), QStringLiteral("TolBarBut"));
    const QList<QAction *> positions = main.TolBarBut()->actions();
    QCOMPARE(positions.size(), 16);
    const QMap<int, int> tips = {{1, 1151}, {2, 1152}, {3, 1153},  {5, 1154},  {6, 1206},  {8, 1208},
                                 {9, 1209}, {10, 1210}, {12, 1157}, {14, 1158}, {15, 1159}, {16, 1160}};
    for (int index = 1; index <= 16; ++index) {
        QAction *at = positions.at(index - 1);
        if (tips.contains(index)) {
            QCOMPARE(main.toolButton(index), at);
            QVERIFY(!at->isSeparator());
            QCOMPARE(at->toolTip(), Str(tips.value(index)));
            QVERIFY(!at->icon().isNull());
        } else {
            QVERIFY2(at->isSeparator(), qPrintable(QString::number(index)));
            QVERIFY(!main.toolButton(index));
        }
    }
    QVERIFY(!main.toolButton(0));
    QVERIFY(!main.toolButton(17));
    QCOMPARE(main.TolBarBut()->height(), 630 / 15);
}

void TestMainWindow::statusPanelSitsUnderTheToolbar()
{
    FrmMain main;
    main.load();
    QCOMPARE(main.PnlConf()->objectName(), QStringLiteral("PnlConf"));
    QCOMPARE(main.PnlConf()->height(), 450 / 15);
    const QRect expected[4] = {QRect(7, 7, 247, 16), QRect(264, 8, 105, 16), QRect(380, 8, 113, 16),
                               QRect(496, 8, 105, 16)};
    const char *const captions[4] = {"CONFIGURACION", "CENTRAL", "ZON", "REL"};
    for (int i = 0; i < 4; ++i) {
        QLabel *label = main.findChild<QLabel *>(QStringLiteral("LblCon_%1").arg(i));
        QCOMPARE(label, main.LblCon(i));
        QCOMPARE(label->parentWidget(), main.PnlConf());
        QCOMPARE(label->geometry(), expected[i]);
        QCOMPARE(label->text(), QString::fromLatin1(captions[i]));
        QCOMPARE(label->toolTip(), Str(1189 + i));
    }
    // The document area is the one other windows are shown in.
    QCOMPARE(mdiArea(), main.documentArea());
    QCOMPARE(main.centralWidget()->layout()->indexOf(main.PnlConf()), 0);
}

void TestMainWindow::loadMainWithoutConfiguration()
{
    FrmMain main;
    main.load();
    // Start from everything enabled so that every disabled item is LOAD_MAIN's doing.
    for (const QString &name : FrmMain::menuItemNames())
        main.menuItem(name)->setEnabled(true);
    main.PnlConf()->show();
    main.LOAD_MAIN();

    QCOMPARE(main.windowTitle(), Str(1109));
    for (const QString &name : FrmMain::menuItemNames())
        QVERIFY2(main.menuItem(name)->isEnabled() == kEnabledWithoutConfiguration.contains(name), qPrintable(name));
    for (int index : {1, 2})
        QVERIFY(main.toolButton(index)->isEnabled());
    for (int index : {3, 5, 6, 8, 9, 10, 12, 14, 15, 16})
        QVERIFY2(!main.toolButton(index)->isEnabled(), qPrintable(QString::number(index)));
    QVERIFY(main.PnlConf()->isHidden());
    // The toolbar as a whole and the check marks are not LOAD_MAIN's.
    QVERIFY(main.TolBarBut()->isEnabled());
    QVERIFY(main.menuItem("MnuVerCon")->isChecked());
}

void TestMainWindow::loadMainWithConfiguration()
{
    FrmMain main;
    main.load();
    AppState &s = appState();
    s.ConfCargada = true;
    s.WorkingName = QStringLiteral("Hotel.vcs");
    main.LOAD_MAIN();

    QCOMPARE(main.windowTitle(), QStringLiteral("Hotel.vcs - ") + Str(1109));
    for (const QString &name : FrmMain::menuItemNames()) {
        // Print and preview stay with Chk_PrnBut: no editing window is open.
        const bool expected = name != QLatin1String("MnuArxImp") && name != QLatin1String("MnuArxVis");
        QVERIFY2(main.menuItem(name)->isEnabled() == expected, qPrintable(name));
    }
    for (int index : {1, 2, 3, 8, 9, 10, 12, 14, 15, 16})
        QVERIFY(main.toolButton(index)->isEnabled());
    QVERIFY(!main.toolButton(5)->isEnabled());
    QVERIFY(!main.toolButton(6)->isEnabled());
    QVERIFY(!main.PnlConf()->isHidden());

    // Back to no configuration: the same items go off again.
    s.ConfCargada = false;
    main.LOAD_MAIN();
    QVERIFY(!main.menuItem("MnuComSend")->isEnabled());
    QVERIFY(!main.toolButton(3)->isEnabled());
    QVERIFY(main.PnlConf()->isHidden());
}

void TestMainWindow::titleOfARestoredConfiguration()
{
    FrmMain main;
    main.load();
    AppState &s = appState();
    s.ConfCargada = true;
    s.ConfRecup = true;
    s.WorkingName = QStringLiteral("Config1");
    main.LOAD_MAIN();
    QCOMPARE(main.windowTitle(), QStringLiteral("Config1 (Restored) - ") + Str(1109));
    // The mark stays until a LOAD_MAIN runs with the flag cleared.
    s.WorkingName = QStringLiteral("Config2");
    main.LOAD_MAIN();
    QCOMPARE(main.windowTitle(), QStringLiteral("Config2 (Restored) - ") + Str(1109));
    s.ConfRecup = false;
    main.LOAD_MAIN();
    QCOMPARE(main.windowTitle(), QStringLiteral("Config2 - ") + Str(1109));
}

void TestMainWindow::printFollowsTheEditingWindows()
{
    FrmMain main;
    main.load();
    const auto printState = [&main] {
        return QList<bool>{main.menuItem("MnuArxImp")->isEnabled(), main.toolButton(5)->isEnabled(),
                           main.menuItem("MnuArxVis")->isEnabled(), main.toolButton(6)->isEnabled()};
    };
    const QList<bool> on{true, true, true, true};
    const QList<bool> off{false, false, false, false};
    AppState &s = appState();

    for (bool *flag : {&s.FrmConfCargado, &s.FrmZonCargado, &s.FrmRelCargado}) {
        *flag = true;
        main.Chk_PrnBut();
        QCOMPARE(printState(), on);
        *flag = false;
        main.Chk_PrnBut();
        QCOMPARE(printState(), off);
    }

    // With no configuration but an editing window still loaded, print stays
    // on because Chk_PrnBut runs last.
    s.FrmZonCargado = true;
    main.LOAD_MAIN();
    QCOMPARE(printState(), on);
    QVERIFY(!main.menuItem("MnuArxSav")->isEnabled());
    // The progress box is no editing window.
    s.FrmZonCargado = false;
    s.FrmLoadCargado = true;
    s.ConfCargada = true;
    main.LOAD_MAIN();
    QCOMPARE(printState(), off);
}

void TestMainWindow::statusTextsOfTheOpenConfiguration()
{
    FrmMain main;
    main.load();
    AppState &s = appState();
    s.ConfCargada = true;
    s.NomCon = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ1234");
    s.NumZon = 128;
    s.NumRel = 7;
    s.NumCenInfo = 9;
    main.PnlConf()->hide();
    Show_ConfInfo();
    QCOMPARE(main.LblCon(0)->text(), Str(4909) + QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXY"));
    QCOMPARE(main.LblCon(1)->text(), QStringLiteral(" N. of Panel: 1"));
    QCOMPARE(main.LblCon(2)->text(), QStringLiteral(" N. of Zones: 128"));
    QCOMPARE(main.LblCon(3)->text(), QStringLiteral(" N. of Relays: 7"));
    QCOMPARE(s.NumCenInfo, qint16(1));
    QVERIFY(!main.PnlConf()->isHidden());

    s.NomCon = QStringLiteral("Short");
    Show_ConfInfo();
    QCOMPARE(main.LblCon(0)->text(), QStringLiteral(" Configuration: Short"));
}

void TestMainWindow::statusTextsWithNothingOpen()
{
    FrmMain main;
    main.load();
    AppState &s = appState();
    s.NomCon = QStringLiteral("Closed one");
    s.NumCenInfo = 0;
    main.PnlConf()->hide();
    Show_ConfInfo();
    QCOMPARE(main.LblCon(0)->text(), QStringLiteral("CONFIGURACION"));
    QCOMPARE(main.LblCon(3)->text(), QStringLiteral("REL"));
    QVERIFY(main.PnlConf()->isHidden());
    QCOMPARE(s.NumCenInfo, qint16(0));
    main.PnlConf()->show();
    Show_ConfInfo();
    QVERIFY(!main.PnlConf()->isHidden());
}

void TestMainWindow::statusPanelCheckMarkAndVisibilityMayDisagree()
{
    FrmMain main;
    main.load();
    appState().ConfCargada = true;
    main.LOAD_MAIN();
    QAction *view = main.menuItem("MnuVerCon");
    view->trigger();
    QVERIFY(!view->isChecked());
    QVERIFY(main.PnlConf()->isHidden());

    // LOAD_MAIN shows the panel again but leaves the check mark alone.
    main.LOAD_MAIN();
    QVERIFY(!main.PnlConf()->isHidden());
    QVERIFY(!view->isChecked());
    // The next toggle follows the check mark: the panel stays and is checked.
    view->trigger();
    QVERIFY(view->isChecked());
    QVERIFY(!main.PnlConf()->isHidden());

    QAction *tools = main.menuItem("MnuVerHer");
    tools->trigger();
    QVERIFY(main.TolBarBut()->isHidden());
    tools->trigger();
    QVERIFY(!main.TolBarBut()->isHidden());

    // With nothing open the panel is hidden whatever the mark says.
    appState().ConfCargada = false;
    main.LOAD_MAIN();
    QVERIFY(main.PnlConf()->isHidden());
    QVERIFY(view->isChecked());
}

void TestMainWindow::windowMenuListsTheChildWindows()
{
    FrmMain main;
    main.load();
    QWidget *child = new QWidget;
    child->setObjectName(QStringLiteral("FrmZon"));
    child->setWindowTitle(QStringLiteral("Zones of the hotel"));
    showAsChild(child);
    QMenu *windows = main.menu("MnuVen");
    emit windows->aboutToShow();
    QStringList texts;
    for (QAction *a : windows->actions())
        texts << a->text();
    QCOMPARE(texts.size(), 4 + 2);
    QVERIFY(texts.last().endsWith(QStringLiteral("Zones of the hotel")));
    // Shown twice, the list is rebuilt rather than grown.
    emit windows->aboutToShow();
    QCOMPARE(windows->actions().size(), 6);
}

void TestMainWindow::closingEditingWindowsLeavesOthersOpen()
{
    FrmMain main;
    main.load();
    QPointer<QWidget> zones = new QWidget;
    zones->setObjectName(QStringLiteral("FrmZon"));
    QPointer<QWidget> relays = new QWidget;
    relays->setObjectName(QStringLiteral("FrmRel"));
    QPointer<QWidget> other = new QWidget;
    other->setObjectName(QStringLiteral("FrmCommSys"));
    showAsChild(zones);
    showAsChild(relays);
    showAsChild(other);

    QVERIFY(main.closeEditingWindows(relays));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(zones.isNull());
    QVERIFY(!relays.isNull());
    QVERIFY(!other.isNull());

    // A window that refuses to close is reported.
    class Stubborn : public QWidget {
    protected:
        void closeEvent(QCloseEvent *e) override { e->ignore(); }
    };
    auto *stubborn = new Stubborn;
    stubborn->setObjectName(QStringLiteral("FrmConf"));
    showAsChild(stubborn);
    QVERIFY(!main.closeEditingWindows());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(relays.isNull());
    QVERIFY(!other.isNull());
}

void TestMainWindow::orderlyCloseEndsTheConfiguration()
{
    QVERIFY(Create_DB());
    AppState &s = appState();
    s.ConfCargada = true;
    s.ConfModif = true;
    s.WorkingFile = QStringLiteral("/plans/Hotel.vcs");
    s.WorkingName = QStringLiteral("Hotel.vcs");
    writeWorkingMarks(s.WorkingFile, s.WorkingName);
    {
        FrmMain main;
        main.load();
        main.show();
        QVERIFY(main.close());
    }
    QVERIFY(!s.ConfCargada);
    QVERIFY(!s.ConfModif);
    QVERIFY(s.WorkingFile.isEmpty());
    QCOMPARE(readWorkingMarks().file, QString());
    QCOMPARE(readWorkingMarks().name, QString());
    QVERIFY(!QFile::exists(workingDatabasePath()));
    QVERIFY(!frmMain());
}

void TestMainWindow::progressBoxOfOneRelayCentresOnTheMainWindow()
{
    FrmMain main;
    main.load();
    main.showNormal();
    main.resize(1000, 700);
    QCoreApplication::processEvents();
    appState().MaxProg = 100;
    FrmLoad::load();
    Show_Load();
    QWidget *frame = FrmLoad::loaded()->parentWidget();
    QCOMPARE(frame->parentWidget()->parentWidget(), main.documentArea());
    // Half the main window's size less half the box's, inside the document
    // area; the main window's own position plays no part.
    QCOMPARE(frame->pos(), QPoint(main.width() / 2 - frame->width() / 2, main.height() / 2 - frame->height() / 2));
    FrmLoad::unload();
}

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
