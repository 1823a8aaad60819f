// The main window: its menus' and toolbar's texts, the states LOAD_MAIN
// gives them with and without an open configuration, the print commands
// following the editing windows, the status panel and the window list. Its
// commands outside the documents: the toolbar's buttons the other tests do
// not use; the Communication menu against the simulated panel (what the
// transfers disable while they run, what they give back, the port settings
// they close first); print and preview of the report of the editing window
// active last (or of the preview in front), titled with the status panel's
// configuration caption as it stands, and nothing without an editing window;
// the preview's keys working at once; and the About box. And a zone label
// still being typed in its cell, which every command that reads or judges
// the configuration takes as entered, or, when it cannot be stored, stops
// at; and the same for an edit of the relay window that cannot be stored.

#include "Captions.h"
#include "FrmAbt.h"
#include "FrmCommSys.h"
#include "FrmConf.h"
#include "FrmNew.h"
#include "FrmPreview.h"
#include "FrmRel.h"
#include "FrmWel.h"
#include "FrmZon.h"
#include "MainWindowFixture.h"
#include "PrintDialog.h"
#include "QtSeams.h"
#include "ReportCommands.h"
#include "TestHome.h"
#include "ZoneRowsModel.h"

#include <QPrinter>

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    // A configuration open whose name is longer than the status panel shows.
    void init()
    {
        QFile::remove(m_dir.filePath("menu.pdf"));
        m_fx.start(3, 2, QStringLiteral("Hotel Plaza, ala norte, planta"));
        Show_ConfInfo();
        frmComm().setReplyTimeout(FrmComm::ReplyTimeout);
        m_fx.main->show();
    }
    void cleanup()
    {
        setPrintDialogHandler({});
        setPointerHandler({});
        setFileDialogHandler({});
        m_fx.stop();
    }
    void captionsFollowTheLanguageButTheTimeCommand();
    void loadMain_data();
    void loadMain();
    void statusTexts();
    void statusPanelCheckMarkAndVisibilityMayDisagree();
    void windowMenuListsAndActivatesTheChildWindows();
    void toolbarButtonsRunTheirCommands();
    void commandTakesAwayAndGivesBack_data();
    void commandTakesAwayAndGivesBack();
    void printFollowsTheActiveChild_data();
    void printFollowsTheActiveChild();
    void previewTakesTheKeys();
    void aboutBox();
    void labelBeingTypedCountsForEveryCommand_data();
    void labelBeingTypedCountsForEveryCommand();
    void labelThatCannotBeStoredStopsTheCommand_data();
    void labelThatCannotBeStoredStopsTheCommand();
    void relayEditThatCannotBeStoredStopsTheCommand_data();
    void relayEditThatCannotBeStoredStopsTheCommand();

private:
    // Saves the configuration as `name` in the test folder, then changes it
    // without saving; every file or print dialog from then on counts in
    // `dialogs` (file dialogs choose that document). The document's path.
    QString savedThenChanged(const QString &name, int &dialogs);
    // Opens the zone window and types text over zone 1's label, with
    // neither Return nor a move after it; the box it is typed into.
    QLineEdit *typeOverZone1(const QString &text);
    // The box open in zone 1's label cell, or null.
    static QLineEdit *zone1Box();

    MainWindowFixture m_fx;
    QTemporaryDir m_dir;
};

// Zone 1's label in a database.
QString zone1Label(const QSqlDatabase &db)
{
    QSqlQuery query(db);
    query.exec(QStringLiteral("SELECT ETIZON FROM CONFZONAS WHERE IDZON = 1"));
    return query.next() ? query.value(0).toString() : QString();
}

QLineEdit *TestMainWindow::typeOverZone1(const QString &text)
{
    m_fx.main->MnuPrgZon_Click();
    QTableView *grid = FrmZon::loaded()->GrdZon();
    grid->edit(grid->model()->index(0, ZoneRowsModel::ColLabel));
    QLineEdit *editor = zone1Box();
    if (editor) {
        editor->selectAll();
        typeInto(editor, text);
    }
    return editor;
}

QLineEdit *TestMainWindow::zone1Box()
{
    const FrmZon *zones = FrmZon::loaded();
    if (!zones)
        return nullptr;
    QTableView *grid = zones->GrdZon();
    return qobject_cast<QLineEdit *>(grid->indexWidget(grid->model()->index(0, ZoneRowsModel::ColLabel)));
}

void TestMainWindow::captionsFollowTheLanguageButTheTimeCommand()
{
    // Every menu caption and toolbar tool tip by its string number (a tool
    // tip without the mnemonic marks: toolTipText, checked with the shared
    // widgets).
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
            QVERIFY(!button->icon().isNull());
            QCOMPARE(button->toolTip(), toolTipText(Str(id, language)));
        }
        // The time command keeps its own caption in every language.
        QCOMPARE(main.menuItem("MnuComTime")->text(), QStringLiteral("Enviar &Fecha y Hora"));
    }
    QVERIFY(Str(1116, Language::English) != Str(1116, Language::Spanish));
}

void TestMainWindow::loadMain_data()
{
    QTest::addColumn<bool>("open");
    QTest::addColumn<QString>("loaded");   // the one child window loaded
    QTest::addColumn<QStringList>("enabled");
    QStringList all = FrmMain::menuItemNames();
    all.removeAll("MnuArxImp");   // print and preview follow the editing windows
    all.removeAll("MnuArxVis");
    all << QStringList({"1", "2", "3", "8", "9", "10", "12", "14", "15", "16", "toolbar", "window"});
    const QStringList closed{"MnuArx", "MnuArxNew", "MnuArxOpen", "MnuArxSal", "MnuEdi", "MnuPrg", "MnuCom",
                             "MnuVer", "MnuVen", "MnuHelp", "MnuHelpAbt", "1", "2", "toolbar", "window"};
    const QStringList print{"MnuArxImp", "MnuArxVis", "5", "6"};
    // The progress box is no editing window.
    QTest::newRow("open, progress box") << true << "FrmLoad" << all;
    QTest::newRow("open, general window") << true << "FrmConf" << all + print;
    QTest::newRow("open, relay window") << true << "FrmRel" << all + print;
    QTest::newRow("nothing open") << false << "" << closed;
    // Print and preview are set last: with nothing open but an editing
    // window still loaded, they stay on.
    QTest::newRow("nothing open, zone window") << false << "FrmZon" << closed + print;
}

void TestMainWindow::loadMain()
{
    QFETCH(bool, open);
    QFETCH(QString, loaded);
    QFETCH(QStringList, enabled);
    AppState &s = appState();
    s.WorkingName = QStringLiteral("Hotel.vcs");
    // The restored mark names nothing when nothing is open.
    s.ConfRecup = !open;
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

    QCOMPARE(m_fx.main->windowTitle(), (open ? QStringLiteral("Hotel.vcs - ") : QString()) + Str(1109));
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
    const auto texts = [&main] {
        return QStringList{main.LblCon(0)->text(), main.LblCon(1)->text(), main.LblCon(2)->text(),
                           main.LblCon(3)->text()};
    };
    // Open: the name cut to 25 characters, the panel always number 1, the
    // panel shown.
    appState().NumCenInfo = 9;
    main.PnlConf()->hide();
    Show_ConfInfo();
    const QStringList open{" Configuration: Hotel Plaza, ala norte, p", " N. of Panel: 1", " N. of Zones: 3",
                           " N. of Relays: 2"};
    QCOMPARE(texts(), open);
    QVERIFY(!main.PnlConf()->isHidden());

    // With nothing open the texts stay and the panel keeps its state.
    appState().ConfCargada = false;
    appState().NumZon = 9;
    main.PnlConf()->hide();
    Show_ConfInfo();
    QCOMPARE(texts(), open);
    QVERIFY(main.PnlConf()->isHidden());
}

void TestMainWindow::statusPanelCheckMarkAndVisibilityMayDisagree()
{
    FrmMain &main = *m_fx.main;
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
    tools->trigger();
    QVERIFY(main.TolBarBut()->isHidden() && !tools->isChecked());
    tools->trigger();
    QVERIFY(!main.TolBarBut()->isHidden());
}

void TestMainWindow::windowMenuListsAndActivatesTheChildWindows()
{
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

void TestMainWindow::toolbarButtonsRunTheirCommands()
{
    // The buttons of the File and Programming menus' commands run in the
    // tests of those commands; print and preview in printFollowsTheActiveChild.
    // Here the edit commands, on a box of the general window with "123" in
    // it, its "2" selected, and the port settings, a child window of the main
    // window.
    QLineEdit *box = FrmConf::showWindow()->findChild<QLineEdit *>(QStringLiteral("TxtCon_1"));
    const QList<std::pair<int, QString>> rows = {{8, "13|2"}, {9, "123|2"}, {10, "143|4"}};
    for (const auto &[button, after] : rows) {
        box->setText(QStringLiteral("123"));
        box->setFocus();
        box->setSelection(1, 1);
        QGuiApplication::clipboard()->setText(QStringLiteral("4"));
        m_fx.main->toolButton(button)->trigger();
        QCOMPARE(box->text() + QLatin1Char('|') + QGuiApplication::clipboard()->text(), after);
    }
    appState().PuertoOk = true;
    m_fx.main->toolButton(12)->trigger();
    QVERIFY(!appState().PuertoOk && portSettingsWindow() && m_fx.main->activeChild() == portSettingsWindow());
}

void TestMainWindow::commandTakesAwayAndGivesBack_data()
{
    // Send and receive disable the toolbar and the seven menus, the clock
    // the whole window. (The frames each command sends: the transfers' own
    // test.)
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("off"); // disabled when the end is told
    QTest::addColumn<QStringList>("on");  // still enabled then
    const QStringList menus{"MnuArx", "MnuCom", "MnuEdi", "MnuHelp", "MnuPrg", "MnuVen", "MnuVer", "toolbar"};
    const QStringList window{"window"};
    QTest::newRow("send") << "MnuComSend" << menus << window;
    QTest::newRow("receive") << "MnuComRec" << menus << window;
    QTest::newRow("clock") << "MnuComTime" << window << QStringList();
}

void TestMainWindow::commandTakesAwayAndGivesBack()
{
    QFETCH(QString, command);
    QFETCH(QStringList, off);
    QFETCH(QStringList, on);
    m_fx.sim->setMemory(AdrNumZon, QByteArray::fromHex("0701")); // 7 zones, 1 relay
    const QStringList before = m_fx.enabledCommands();
    QStringList during;
    m_fx.boxes->onShow = [&](const ShownBox &) { during = m_fx.enabledCommands(); };
    QVERIFY(openPortSettings());
    m_fx.main->menuItem(command)->trigger();
    m_fx.checkOnlyBox(432, Str(414));
    QVERIFY2(!portSettingsWindow(), "the port settings close first");
    for (const QString &item : off + on)
        QCOMPARE(during.contains(item), on.contains(item));
    QCOMPARE(m_fx.enabledCommands(), before);
    // A receive shows the panel's counts in the status panel at once.
    QCOMPARE(m_fx.main->LblCon(2)->text().endsWith(QLatin1Char('7')), command == QLatin1String("MnuComRec"));
}

void TestMainWindow::printFollowsTheActiveChild_data()
{
    QTest::addColumn<QString>("behind");   // the editing window behind; empty: none
    QTest::addColumn<QString>("active");   // the window in front; "preview": the relay report's
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("report");   // title of what is printed or previewed; empty: nothing
    QTest::newRow("general, print") << "FrmZon" << "FrmConf" << 5 << "General Report of Planta 2";
    QTest::newRow("zones, preview") << "" << "FrmZon" << 6 << "Zones Report of Planta 2";
    QTest::newRow("relays, preview") << "FrmZon" << "FrmRel" << 6 << "Relays Report of Planta 2";
    // Another window in front: the editing window active last, or the
    // report a preview in front shows.
    QTest::newRow("About box in front") << "FrmZon" << "FrmAbt" << 5 << "Zones Report of Planta 2";
    QTest::newRow("preview in front") << "FrmZon" << "preview" << 5 << "Relays Report of Planta 2";
    QTest::newRow("port settings, no editing window") << "" << "FrmCommSys" << 6 << "";
    QTest::newRow("name in other case") << "" << "frmconf" << 6 << "";
}

void TestMainWindow::printFollowsTheActiveChild()
{
    QFETCH(QString, behind);
    QFETCH(QString, active);
    QFETCH(int, button);
    QFETCH(QString, report);
    setPrintDialogHandler([this](QPrinter &printer, const QString &) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(m_dir.filePath("menu.pdf"));
        return true;
    });
    // The caption as it stands, whatever the configuration is named.
    m_fx.main->LblCon(0)->setText(QStringLiteral("Planta 2"));
    for (const QString &name : {behind, active}) {
        if (name == QLatin1String("preview")) {
            QVERIFY(runReport(ReportKind::Relays, ReportOutput::Preview));
        } else if (!name.isEmpty()) {
            auto *window = new QWidget;
            window->setObjectName(name);
            m_fx.main->documentArea()->setActiveSubWindow(showAsChild(window));
        }
    }
    QList<Pointer> pointer;
    setPointerHandler([&pointer](Pointer p) { pointer << p; });

    m_fx.main->TolBarBut_ButtonClick(button);
    const QMdiSubWindow *current = m_fx.main->documentArea()->currentSubWindow();
    const auto *preview = current ? qobject_cast<const FrmPreview *>(current->widget()) : nullptr;
    QString shown = preview ? preview->windowTitle() : QString();
    if (button == 5) {
        shown = m_fx.main->reportPrinter()->docName();   // the title of the report printed
        QCOMPARE(QFileInfo(m_dir.filePath("menu.pdf")).size() > 0, !report.isEmpty());
    }
    QCOMPARE(shown, report);
    // The hourglass while the report is made, the default pointer after.
    QCOMPARE(pointer.isEmpty(), report.isEmpty());
    QVERIFY(pointer.isEmpty() || (pointer.first() == Pointer::Hourglass && pointer.last() == Pointer::Default));
    QVERIFY(m_fx.boxes->shown.isEmpty());
}

void TestMainWindow::previewTakesTheKeys()
{
    // The relay report of two relays on two pages. Its keys work without a
    // click on the page: when the preview opens, when it is brought forward
    // again, and when it was minimised (it comes back to its size).
    QApplication::setActiveWindow(m_fx.main.get());
    m_fx.main->MnuPrgRel_Click();
    QWidget *relays = m_fx.main->activeChild();
    FrmPreview *preview = nullptr;
    for (const char *step : {"opens", "forward again", "minimised"}) {
        if (qstrcmp(step, "forward again") == 0)
            bringForward(relays);
        if (qstrcmp(step, "minimised") == 0)
            frameOf(preview)->showMinimized();
        m_fx.main->MnuArxVis_Click();
        preview = qobject_cast<FrmPreview *>(m_fx.main->activeChild());
        QVERIFY2(preview && !frameOf(preview)->isMinimized(), step);
        QTRY_COMPARE(preview->pageCount(), 2);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_End, Qt::ControlModifier);
        QVERIFY2(preview->currentPage() == 2, step);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageUp);
        QVERIFY2(preview->currentPage() == 1, step);
    }
}

void TestMainWindow::aboutBox()
{
    setCurrentLanguage(Language::Spanish);
    m_fx.main->menuItem(QStringLiteral("MnuHelpAbt"))->trigger();
    auto *box = qobject_cast<FrmAbt *>(m_fx.main->activeChild());
    QVERIFY(box && box->isVisible());
    QCOMPARE(box->LblVer()->text(), Str(109) + QStringLiteral("     (") + programVersion() + QLatin1Char(')'));
    // 300 twips from the top, centred on the main window's width.
    const QWidget *frame = frameOf(box);
    QCOMPARE(frame->pos(), QPoint(m_fx.main->width() / 2 - frame->width() / 2, 20));
    // One box at a time; OK closes it.
    m_fx.main->MnuHelpAbt_Click();
    QCOMPARE(m_fx.main->documentArea()->subWindowList().size(), 1);
    box->CmdOK()->click();
    QTRY_VERIFY(m_fx.main->documentArea()->subWindowList().isEmpty());
}

void TestMainWindow::labelBeingTypedCountsForEveryCommand_data()
{
    // What the command reads of the configuration: the document it writes
    // (after the save question, answered Yes, where one comes), the zone
    // labels when the report starts being made, or those sent to the panel.
    QTest::addColumn<QString>("command");   // a menu item; "closed": the main window closes
    QTest::addColumn<QString>("reads");
    QTest::newRow("save") << "MnuArxSav" << "document";
    QTest::newRow("save after save as") << "MnuArxSav" << "stored document";
    QTest::newRow("save as") << "MnuArxSavAs" << "document";
    QTest::newRow("close") << "MnuArxClose" << "document";
    QTest::newRow("exit") << "MnuArxSal" << "document";
    QTest::newRow("main window closed") << "closed" << "document";
    QTest::newRow("new") << "MnuArxNew" << "document";
    QTest::newRow("open") << "MnuArxOpen" << "document";
    QTest::newRow("print") << "MnuArxImp" << "report";
    QTest::newRow("preview") << "MnuArxVis" << "report";
    QTest::newRow("send") << "MnuComSend" << "panel";
}

void TestMainWindow::labelBeingTypedCountsForEveryCommand()
{
    QFETCH(QString, command);
    QFETCH(QString, reads);
    // The label is stored through the grid that shows its box, however
    // often the commands ask for it.
    QTest::failOnWarning(QRegularExpression(QStringLiteral("commitData")));
    const QString document = m_dir.filePath(QStringLiteral("typed.vcs"));
    QFile::remove(document);
    int dialogs = 0;
    setFileDialogHandler([&](const FileDialogRequest &request) {
        ++dialogs;
        return request.save ? document : QString();
    });
    setPrintDialogHandler([](QPrinter &, const QString &) { return false; });
    if (reads == QLatin1String("stored document")) {
        // Save writes at once to the document the configuration has.
        m_fx.main->MnuArxSavAs_Click();
        QCOMPARE(appState().WorkingFile, document);
        dialogs = 0;
        reads = QStringLiteral("document");
    }
    QString reported;
    setPointerHandler([&](Pointer pointer) {
        if (pointer == Pointer::Hourglass && reported.isNull())
            reported = zone1Label(BaseDatos());
    });
    m_fx.boxes->answers = {AnsYes};

    // "NORTE" typed over zone 1's label, neither Return nor a move after it.
    QLineEdit *editor = typeOverZone1(QStringLiteral("NORTE"));
    QVERIFY(editor);
    QCOMPARE(editor->text(), QStringLiteral("NORTE"));
    QVERIFY(!appState().ConfModif);

    if (command == QLatin1String("closed"))
        m_fx.main->close();
    else
        m_fx.main->menuItem(command)->trigger();
    if (reads == QLatin1String("document"))
        QCOMPARE(onSideConnection(document, true, zone1Label), QStringLiteral("NORTE"));
    else if (reads == QLatin1String("report"))
        QCOMPARE(reported, QStringLiteral("NORTE"));
    else
        QCOMPARE(m_fx.sim->memory(AreaZon, LenEtiqueta), QByteArray("NORTE").leftJustified(LenEtiqueta, ' '));
    if (QTest::currentDataTag() == QLatin1String("save after save as"))
        QCOMPARE(dialogs, 0);
}

void TestMainWindow::labelThatCannotBeStoredStopsTheCommand_data()
{
    // A menu item; "closed": the main window closes; or a button of the
    // zone window.
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("realBox"); // the failure told in a real box, which takes the focus
    // Or the box's own ends: Return, Tab, a move to another cell.
    for (const char *command : {"MnuArxSav", "MnuArxSavAs", "MnuArxClose", "MnuArxSal", "closed", "MnuArxNew",
                                "MnuArxOpen", "MnuArxImp", "MnuArxVis", "MnuComSend", "CmdWr2", "CmdCan", "Return",
                                "Tab", "another cell"})
        QTest::newRow(command) << command << false;
    QTest::newRow("MnuArxSav, real box") << "MnuArxSav" << true;
}

QString TestMainWindow::savedThenChanged(const QString &name, int &dialogs)
{
    const QString document = m_dir.filePath(name);
    QFile::remove(document);
    setFileDialogHandler([&dialogs, document](const FileDialogRequest &) {
        ++dialogs;
        return document;
    });
    setPrintDialogHandler([&dialogs](QPrinter &, const QString &) { return bool(++dialogs); });
    m_fx.main->MnuArxSavAs_Click();
    if (!execBound(QStringLiteral("UPDATE CONFCENTRAL SET NOMCON = 'Hotel edited'")))
        return {};
    appState().ConfModif = true;
    dialogs = 0;
    return document;
}

void TestMainWindow::labelThatCannotBeStoredStopsTheCommand()
{
    QFETCH(QString, command);
    // The configuration has its document, and a change not yet saved in it.
    int dialogs = 0;
    const QString document = savedThenChanged(QStringLiteral("kept.vcs"), dialogs);
    QVERIFY(QFile::exists(document));
    const QByteArray stored = fileBytes(document);
    const QString label = zone1Label(BaseDatos());
    bool busy = false;
    setPointerHandler([&](Pointer pointer) { busy = busy || pointer == Pointer::Hourglass; });

    // "NORTE" typed over zone 1's label; the working database refuses every
    // write from then on, as a full disk does.
    QVERIFY(typeOverZone1(QStringLiteral("NORTE")));
    QVERIFY(execBound(QStringLiteral("PRAGMA query_only = ON")));
    m_fx.boxes->answers = {AnsYes, AnsYes};
    QFETCH(bool, realBox);
    if (realBox) {
        // The real box, recorded as the scripted user records it, and
        // answered once it has taken the focus, as on a desktop.
        zone1Box()->setFocus();
        setMsgBoxHandler([this](const QString &prompt, int style, const QString &title) {
            m_fx.boxes->shown.append({prompt, style, title});
            const auto box = buildMessageBox(prompt, style, title, m_fx.main.get());
            QTimer::singleShot(0, box.get(), [&box] {
                const bool active = QTest::qWaitForWindowActive(box.get());
                box->buttons().constFirst()->click();
                QVERIFY(active);
            });
            box->exec();
            return int(AnsOk);
        });
    }
    QTableView *grid = FrmZon::loaded()->GrdZon();
    if (command == QLatin1String("closed")) {
        m_fx.main->close();
    } else if (command == QLatin1String("Return") || command == QLatin1String("Tab")) {
        QTest::keyClick(zone1Box(), command == QLatin1String("Tab") ? Qt::Key_Tab : Qt::Key_Return);
        // (The grid stores after Return once the box has taken the key.)
        QTRY_COMPARE(m_fx.boxes->shown.size(), 1);
    } else if (command == QLatin1String("another cell")) {
        grid->selectionModel()->setCurrentIndex(grid->model()->index(0, ZoneRowsModel::ColLabel),
                                                QItemSelectionModel::NoUpdate);
        grid->setCurrentIndex(grid->model()->index(1, ZoneRowsModel::ColLabel));
    } else if (QAction *item = m_fx.main->menuItem(command))
        item->trigger();
    else
        FrmZon::loaded()->findChild<QPushButton *>(command)->click();
    QCoreApplication::processEvents();

    // The failure is told, and nothing else is asked or begun: the document
    // and the panel stay as they were, the change stays marked, and the text
    // stays in its cell.
    m_fx.checkOnlyBox(120, applicationTitle());
    QVERIFY(!busy);
    QCOMPARE(dialogs, 0);
    QCOMPARE(m_fx.sim->framesReceived(), 0);
    QCOMPARE(fileBytes(document), stored);
    QVERIFY(appState().ConfCargada && appState().ConfModif && m_fx.main->isVisible());
    QCOMPARE(zone1Label(BaseDatos()), label);
    QVERIFY(zone1Box());
    QCOMPARE(zone1Box()->text(), QStringLiteral("NORTE"));
    QVERIFY(!FrmNew::loaded());

    // Once the database takes writes again, the label is stored as typed.
    QVERIFY(execBound(QStringLiteral("PRAGMA query_only = OFF")));
    QVERIFY(m_fx.main->storeTypedEdits());
    QCOMPARE(zone1Label(BaseDatos()), QStringLiteral("NORTE"));
    QVERIFY(!zone1Box());
}

// Relay 1's programming columns in a database, joined by "|".
QString relay1Row(const QSqlDatabase &db)
{
    QSqlQuery query(db);
    query.exec(QStringLiteral("SELECT TIP, ETIREL, RMIN, DDIA, IL1, FL1 FROM CONFRELES WHERE IDREL = 1"));
    QStringList values;
    for (int c = 0; c < 6 && (c > 0 || query.next()); ++c)
        values << query.value(c).toString();
    return values.join(QLatin1Char('|'));
}

void TestMainWindow::relayEditThatCannotBeStoredStopsTheCommand_data()
{
    // The edit: the label typed and neither left nor entered, a type picked,
    // or minutes typed. The command: a menu item, "closed" (the main window
    // closes), a button of the relay window clicked, or pressed with the
    // mouse (which takes the focus from the box first).
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("kept");   // relay 1's row once it is stored
    const QString label = "6|NORTE|0|0|1|3";
    for (const char *command : {"MnuArxSav", "MnuArxSavAs", "MnuArxClose", "MnuArxSal", "closed", "MnuArxNew",
                                "MnuArxOpen", "MnuArxImp", "MnuArxVis", "MnuComSend", "CmdSendConfRel", "CmdCancel",
                                "DatRelNext", "CmdCancel by mouse", "CmdSendConfRel by mouse"})
        QTest::addRow("label, %s", command) << "label" << command << label;
    for (const char *command : {"MnuArxSav", "MnuComSend", "CmdCancel"}) {
        QTest::addRow("type, %s", command) << "type" << command << "32|ETI RELE 1|0|0|1|3";
        QTest::addRow("minutes, %s", command) << "minutes" << command << "6|ETI RELE 1|7|0|1|3";
    }
}

void TestMainWindow::relayEditThatCannotBeStoredStopsTheCommand()
{
    QFETCH(QString, edit);
    QFETCH(QString, command);
    QFETCH(QString, kept);
    // The configuration has its document, and a change not yet saved in it.
    QVERIFY(execBound(QStringLiteral("UPDATE CONFRELES SET TIP = 6, IL1 = 1, FL1 = 3 WHERE IDREL = 1")));
    int dialogs = 0;
    const QString document = savedThenChanged(QStringLiteral("relay.vcs"), dialogs);
    QVERIFY(QFile::exists(document));
    const QByteArray saved = fileBytes(document);
    const QString before = relay1Row(BaseDatos());
    bool busy = false;
    setPointerHandler([&](Pointer pointer) { busy = busy || pointer == Pointer::Hourglass; });

    // The working database refuses every write from here on, as a full disk
    // does; the edit is made then.
    m_fx.main->MnuPrgRel_Click();
    const QPointer<FrmRel> window = FrmRel::loaded();
    QVERIFY(window);
    QTRY_VERIFY(window->TxtEti()->hasFocus());
    QVERIFY(execBound(QStringLiteral("PRAGMA query_only = ON")));
    QLineEdit *box = edit == QLatin1String("minutes") ? window->TxtRetMin() : window->TxtEti();
    if (edit == QLatin1String("type")) {
        window->CmbTip()->setCurrentIndex(window->CmbTip()->findText(QStringLiteral("SIREN")));
        emit window->CmbTip()->activated(window->CmbTip()->currentIndex());
        // The pick is told at once.
        m_fx.checkOnlyBox(120, applicationTitle());
        m_fx.boxes->shown.clear();
    } else {
        box->setFocus();
        QTRY_VERIFY(box->hasFocus());
        box->selectAll();
        typeInto(box, edit == QLatin1String("label") ? QStringLiteral("NORTE") : QStringLiteral("7"));
        QVERIFY(m_fx.boxes->shown.isEmpty());
    }
    const QString shows = box->text() + QLatin1Char('|') + window->CmbTip()->currentText();
    m_fx.boxes->answers = {AnsYes, AnsYes};

    if (command == QLatin1String("closed")) {
        m_fx.main->close();
    } else if (command.endsWith(QLatin1String(" by mouse"))) {
        QTest::mouseClick(window->findChild<QAbstractButton *>(command.section(' ', 0, 0)), Qt::LeftButton);
    } else if (QAction *item = m_fx.main->menuItem(command)) {
        item->trigger();
    } else {
        window->findChild<QAbstractButton *>(command)->click();
    }
    QCoreApplication::processEvents();

    // The failure is told once, with its cause, and nothing else is asked or
    // begun: the document and the panel stay as they were, the change stays
    // marked, the relay window stays on relay 1 showing the edit.
    m_fx.checkOnlyBox(120, applicationTitle());
    QCOMPARE(m_fx.boxes->shown.value(0).prompt, Str(120) + QStringLiteral("\n\n8 ") + Str(9031));
    QVERIFY(!busy);
    QCOMPARE(dialogs, 0);
    QCOMPARE(m_fx.sim->framesReceived(), 0);
    QCOMPARE(fileBytes(document), saved);
    QVERIFY(appState().ConfCargada && appState().ConfModif && m_fx.main->isVisible());
    QVERIFY(!FrmNew::loaded());
    QVERIFY(window && FrmRel::loaded() == window);
    QCOMPARE(window->relayNumber(), 1);
    QCOMPARE(box->text() + QLatin1Char('|') + window->CmbTip()->currentText(), shows);
    QCOMPARE(relay1Row(BaseDatos()), before);

    // Once the database takes writes again, Close asks the save question,
    // and Yes saves the edit into the document.
    QVERIFY(execBound(QStringLiteral("PRAGMA query_only = OFF")));
    m_fx.boxes->shown.clear();
    m_fx.boxes->answers = {AnsYes, AnsYes};
    m_fx.main->MnuArxClose_Click();
    QVERIFY(!m_fx.boxes->shown.isEmpty());
    QVERIFY(!appState().ConfCargada && !FrmRel::loaded());
    QCOMPARE(onSideConnection(document, true, relay1Row), kept);
}

ORB_TEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
