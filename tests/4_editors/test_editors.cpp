// The editors of the general part and of the zone labels. The
// new-configuration dialog: what its number fields take (typed and pasted),
// its keys, the range check on leaving a field, the empty-field message, the
// rows and names of new configurations, cancel, and failures that leave the
// dialog and the previous configuration in place. The general-configuration
// window: the store with its row changes, what it closes and disables, and
// the read and write of the general part against the simulated panel. Every
// box that takes a name or label, in any window: what it takes typed and
// pasted, and labels stored with control characters. The zone-label window:
// labels edited in the grid, the Edit menu's Copy and Paste on a label cell
// not being edited, the zone box, the Program menu's refusal of an
// empty zone table, and the all-zone and single-zone transfers against the
// simulated panel. Every read of a label (those two windows, the relay
// window and the whole receive) takes the bytes of a blank panel as blanks.

#include "Cp1252.h"
#include "FrmCommSys.h"
#include "FrmConf.h"
#include "FrmLoad.h"
#include "FrmNew.h"
#include "FrmRel.h"
#include "FrmZon.h"
#include "MainWindowFixture.h"
#include "TestHome.h"
#include "ZoneRowsModel.h"

namespace {

// How the simulated panel or the port is made to behave.
enum Panel { Answers, SilentAtLabel, SilentAtZone5, Zones200, NightHour30, NoPort, Unstorable, StoreRefused };

// The commands the open dialog holds: every menu but Help, and the toolbar.
const QRegularExpression kHeld(QStringLiteral("^(Mnu(Arx|Com|Edi|Prg|Ven|Ver)|toolbar)$"));

QString panelLabel(int zone) { return QStringLiteral("PANEL ZONA %1").arg(zone).leftJustified(16); }

// The stored label of every zone, in zone order.
QStringList labels() { return rows(QStringLiteral("SELECT ETIZON FROM CONFZONAS ORDER BY IDZON")); }

// Fills the new-configuration dialog and asks it to create: the dialog when
// it stays open (nothing was made), null once it made the configuration.
FrmNew *createInDialog(const GeneralTexts &texts)
{
    FrmNew *dialog = FrmNew::showDialog();
    fill(dialog, texts);
    dialog->CmdWrConf_Click();
    return FrmNew::loaded();
}

// Opens the window of a box that takes a name or label and gives the box:
// "zone label" (the grid's editor on zone 1), "relay label" (relay 1),
// "general name" or "general label" (the general window), "new name" or
// "new label" (the new-configuration dialog).
QLineEdit *openBox(const QString &which)
{
    if (which == QLatin1String("zone label")) {
        QTableView *grid = FrmZon::showWindow()->GrdZon();
        grid->edit(grid->model()->index(0, ZoneRowsModel::ColLabel));
        return grid->viewport()->findChild<QLineEdit *>();
    }
    if (which == QLatin1String("relay label"))
        return FrmRel::showWindow()->TxtEti();
    const int field = which.endsWith(QLatin1String("name")) ? FieldName : FieldLabel;
    if (which.startsWith(QLatin1String("general")))
        return FrmConf::showWindow()->TxtCon(field);
    return FrmNew::showDialog()->TxtCon(field);
}

} // namespace

class TestEditors : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { m_fx.stop(); }
    void numberFieldsAndKeysOfTheDialog();
    void rangeAndEmptyFieldChecks();
    void onlyLeavingAFieldRunsTheCheck();
    void twoCreatesAndACancelInOneRun();
    void createReplacesTheConfigurationOnlyWhenAllGoesWell();
    void storeMatchesTheRowsToTheCounts_data();
    void storeMatchesTheRowsToTheCounts();
    void storeClosesAndDisablesTheOtherWindowsAndFailsWhole();
    void generalPartAgainstThePanel_data();
    void generalPartAgainstThePanel();
    void namesAndLabelsRefuseControlCharacters_data();
    void namesAndLabelsRefuseControlCharacters();
    void pasteKeepsWhatTypingKeeps_data();
    void pasteKeepsWhatTypingKeeps();
    void labelsStoredWithControlCharacters_data();
    void labelsStoredWithControlCharacters();
    void zoneGridAndZoneBox();
    void copyAndPasteOnAZoneCell();
    void zoneLabelsAgainstThePanel_data();
    void zoneLabelsAgainstThePanel();
    void noSecondExchangeWhileOneWaits();
    void labelBytesThatAreNoCharacterReadAsBlanks_data();
    void labelBytesThatAreNoCharacterReadAsBlanks();
    void writesToAPanelThatAnswersTwice_data();
    void writesToAPanelThatAnswersTwice();

private:
    MainWindowFixture m_fx;
};

void TestEditors::numberFieldsAndKeysOfTheDialog()
{
    m_fx.start();
    FrmNew *dialog = FrmNew::showDialog();
    // Number fields take plain digits only; pasted text goes in whole or not
    // at all. (Names and labels: namesAndLabelsRefuseControlCharacters.)
    QLineEdit *zones = dialog->TxtCon(FieldZones);
    QCOMPARE(typeInto(zones, QString::fromUtf8("1a2.- ٣3")), QStringLiteral("123"));
    QTest::keyClick(zones, Qt::Key_Backspace);
    QCOMPARE(typeInto(zones, QStringLiteral("0")), QStringLiteral("120"));
    const QList<std::tuple<int, QString, bool>> pastes = {{FieldRelays, "12x", false}, {FieldRelays, "-5", false},
                                                          {FieldRelays, " 7", false},  {FieldDayHour, "٣", false},
                                                          {FieldRelays, "64", true}};
    for (const auto &[index, text, taken] : pastes)
        QCOMPARE(pasteInto(dialog->TxtCon(index), text), taken ? text : QString());

    QLineEdit *name = dialog->TxtCon(FieldName);
    // Delete takes the character after the caret, nothing at the end; over
    // a selection it takes the selection and then the character after it.
    // The keypad's Delete takes one character too; another key takes nothing
    // when it is released. The caret shows as "|".
    const QList<std::tuple<QString, int, int, Qt::Key, Qt::KeyboardModifiers, QString>> presses = {
        {"ABC", 0, 0, Qt::Key_Delete, {}, "|BC"},       {"ABCDE", 1, 2, Qt::Key_Delete, {}, "A|E"},
        {"ABCD", 1, 0, Qt::Key_Delete, Qt::KeypadModifier, "A|CD"}, {"ABC", 3, 0, Qt::Key_Delete, {}, "ABC|"},
        {"", 0, 0, Qt::Key_Delete, {}, "|"},            {"ABC", 1, 0, Qt::Key_Backspace, {}, "|BC"}};
    for (const auto &[text, start, length, key, modifiers, after] : presses) {
        name->setText(text);
        name->setSelection(start, length);
        QTest::keyClick(name, key, modifiers);
        QCOMPARE(name->text().insert(name->cursorPosition(), QLatin1Char('|')), after);
    }

    // Tab goes through the six fields, create and cancel; Shift+Tab back.
    dialog->window()->show();
    QApplication::setActiveWindow(dialog->window());
    name->setFocus(Qt::OtherFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), name);
    for (QWidget *next : QWidgetList{dialog->TxtCon(1), dialog->TxtCon(2), dialog->TxtCon(3), dialog->TxtCon(4),
                                     dialog->TxtCon(5), dialog->CmdWrConf(), dialog->CmdCan()}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), dialog->CmdWrConf());
}

void TestEditors::rangeAndEmptyFieldChecks()
{
    m_fx.start();
    FrmNew *dialog = FrmNew::showDialog();
    // Whichever field is left, the four numbers are tested in order: each
    // time the first one above its limit is reported and emptied.
    fill(dialog, {"Hotel", "200", "300", "24", "24", "LABEL"});
    for (int i = 0; i < 4; ++i) {
        QVERIFY(!dialog->TxtCon_LostFocus(i == 0 ? FieldName : FieldLabel));
        QCOMPARE(m_fx.boxes->shown.size(), i + 1);
        QCOMPARE(m_fx.boxes->shown.last().prompt, Str(839 + i));
        QCOMPARE(m_fx.boxes->shown.last().title, Str(109));
        QVERIFY(dialog->TxtCon(FieldZones + i)->text().isEmpty());
        QCOMPARE(dialog->TxtCon(FieldNightHour)->text().isEmpty(), i == 3);
    }
    // The limits themselves pass.
    fill(dialog, {"Hotel", "128", "128", "23", "23", "LABEL"});
    QVERIFY(dialog->TxtCon_LostFocus(FieldDayHour));

    // Any empty field stops the create; blanks and zeros are not empty.
    m_fx.boxes->shown.clear();
    for (int empty = 0; empty < kGeneralFieldCount; ++empty) {
        GeneralTexts texts{"Hotel", "2", "2", "8", "20", "LABEL"};
        texts[empty].clear();
        fill(dialog, texts);
        dialog->CmdWrConf()->click();
        QCOMPARE(m_fx.boxes->shown.size(), empty + 1);
        QCOMPARE(m_fx.boxes->shown.last().prompt, Str(801));
    }
    QCOMPARE(m_fx.boxes->shown.last().title, Str(802));
    QCOMPARE(FrmNew::loaded(), dialog);
    fill(dialog, {" ", "0", "000", "0", "0", " "});
    dialog->CmdWrConf()->click();
    QCOMPARE(rows("SELECT (SELECT count(*) FROM CONFZONAS) + (SELECT count(*) FROM CONFRELES)"), QStringList("0"));
}

void TestEditors::onlyLeavingAFieldRunsTheCheck()
{
    m_fx.start();
    FrmNew *dialog = FrmNew::showDialog();
    QCOMPARE(m_fx.enabledCommands().filter(kHeld).size(), 0);
    QVERIFY(m_fx.main->menuItem(QStringLiteral("MnuHelp"))->isEnabled());
    auto *sub = qobject_cast<QMdiSubWindow *>(dialog->parentWidget());
    const auto sendFocusOut = [](QWidget *field, Qt::FocusReason reason) {
        QFocusEvent out(QEvent::FocusOut, reason);
        QCoreApplication::sendEvent(field, &out);
    };
    m_fx.main->show();
    QApplication::setActiveWindow(m_fx.main.get());
    QLineEdit *zones = dialog->TxtCon(FieldZones);
    zones->setFocus(Qt::OtherFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), zones);
    zones->setText(QStringLiteral("200"));

    // Focus taken by another window or a menu, or by the frame for a moment
    // on a click on the title bar, is no leaving.
    sendFocusOut(zones, Qt::ActiveWindowFocusReason);
    sendFocusOut(zones, Qt::PopupFocusReason);
    QTest::mouseClick(sub, Qt::LeftButton, {}, QPoint(sub->width() / 2, 4));
    QVERIFY(m_fx.boxes->shown.isEmpty());

    // Moving to another field is; a focus move while the message is up runs
    // no second check, and the focus comes back to the emptied field.
    m_fx.boxes->onShow = [=](const ShownBox &) { sendFocusOut(dialog->TxtCon(FieldRelays), Qt::TabFocusReason); };
    dialog->TxtCon(FieldRelays)->setFocus(Qt::TabFocusReason);
    QCOMPARE(m_fx.boxes->shown.size(), 1);
    QCOMPARE(m_fx.boxes->shown.first().prompt, Str(839));
    QCOMPARE(QApplication::focusWidget(), zones);

    // The close box closes the dialog at once, with no check on the way,
    // and gives the main window back.
    zones->setText(QStringLiteral("300"));
    QVERIFY(sub->close());
    QCOMPARE(m_fx.boxes->shown.size(), 1);
    QCOMPARE(m_fx.enabledCommands().filter(kHeld).size(), 7);
}

void TestEditors::twoCreatesAndACancelInOneRun()
{
    m_fx.start();
    appState().IdCon = 5; // a document of configuration 5 was open: the new one is 0 throughout
    QVERIFY(!createInDialog({"Hotel Plaza", "12", "3", "8", "20", "PLAZA NORTE"}));
    QVERIFY(appState().ConfCargada && appState().ConfModif && appState().IdCon == 0);
    QCOMPARE(appState().WorkingFile, dataFolder() + QStringLiteral("/Config1"));
    QCOMPARE(m_fx.main->windowTitle(), QStringLiteral("Config1 - ") + Str(1109));
    // Configuration 0 throughout, with the default zone and relay rows.
    QCOMPARE(rows("SELECT IDCON, NOMCON, NUMZON, NUMREL, INIDIA, ININIT, ETIINI FROM CONFCENTRAL UNION ALL "
                  "SELECT max(IDCON), count(*), max(IDZON), min(ETIZON), max(ETIZON), 0, 0 FROM CONFZONAS UNION ALL "
                  "SELECT max(IDCON), count(*), max(IDREL), min(TIP), max(TIP), min(ETIREL), max(RMIN) FROM CONFRELES"),
             (QStringList{"0|Hotel Plaza|12|3|8|20|PLAZA NORTE", "0|12|12|ETI ZONA 1|ETI ZONA 9|0|0",
                          "0|3|3|192|192|ETI RELE 1|0"}));
    // Cancel changes nothing and gives the main window back.
    FrmNew *dialog = FrmNew::showDialog();
    fill(dialog, {"Other", "5", "5", "1", "1", "OTHER"});
    dialog->CmdCan()->click();
    QCOMPARE(m_fx.enabledCommands().filter(kHeld).size(), 7);
    QCOMPARE(rows("SELECT NOMCON FROM CONFCENTRAL"), QStringList("Hotel Plaza"));

    // The second one of the run: Config2, replacing the first.
    QVERIFY(!createInDialog({"Station", "128", "128", "0", "23", "ESTACION"}));
    QCOMPARE(readWorkingMarks().name, QStringLiteral("Config2"));
    QCOMPARE(rows("SELECT NOMCON, (SELECT count(DISTINCT IDZON) || '/' || max(IDZON) FROM CONFZONAS), "
                  "(SELECT count(*) FROM CONFRELES) FROM CONFCENTRAL"),
             QStringList("Station|128/128|128"));
    // In Spanish the name follows its table.
    setCurrentLanguage(Language::Spanish);
    QVERIFY(createConfiguration({"Tres", "1", "1", "1", "1", "T"}));
    QCOMPARE(appState().WorkingName, QStringLiteral("Configuracion3"));
}

void TestEditors::createReplacesTheConfigurationOnlyWhenAllGoesWell()
{
    m_fx.start();
    // A folder in the place of the working database, and another in the
    // place its predecessor is kept aside: nothing can be made, the dialog
    // stays open with its texts.
    QVERIFY(QDir().mkpath(workingDatabasePath() + QStringLiteral("/inside")));
    QVERIFY(QDir().mkpath(previousDatabasePath() + QStringLiteral("/inside")));
    FrmNew *dialog = createInDialog({"Old", "2", "2", "8", "20", "OLD"});
    QVERIFY(dialog);
    QVERIFY(m_fx.boxes->shown.value(0).prompt.startsWith(Str(1001) + workingDatabasePath() + Str(1)));
    QVERIFY(!appState().ConfCargada);
    QCOMPARE(appState().NumNuevas, 0.0);
    // With the way clear, the same dialog makes it.
    QVERIFY(QDir(workingDatabasePath()).removeRecursively() && QDir(previousDatabasePath()).removeRecursively());
    dialog->CmdWrConf_Click();
    QCOMPARE(appState().NomCon, QStringLiteral("Old"));

    // The windows of the configuration it replaces close first, and so do
    // the port settings and the progress box.
    const QPointer<FrmZon> zones = FrmZon::showWindow();
    QVERIFY(openPortSettings());
    FrmLoad::load();
    QVERIFY(!createInDialog({"New", "3", "3", "8", "20", "NEW"}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(zones.isNull());
    QVERIFY2(!portSettingsWindow(), "the old configuration's port settings are not stored into the new one");
    QVERIFY(!FrmLoad::loaded());

    // A window that will not close stops the create before anything changes.
    class Stubborn : public QWidget {
        void closeEvent(QCloseEvent *e) override { e->ignore(); }
    };
    auto *stubborn = new Stubborn;
    stubborn->setObjectName(QStringLiteral("FrmConf"));
    showAsChild(stubborn);
    QVERIFY(createInDialog({"Newer", "3", "3", "8", "20", "NEWER"}));
    QCOMPARE(rows("SELECT NOMCON FROM CONFCENTRAL"), QStringList("New"));

    // A store the database refuses (a name the dialog never lets through)
    // brings the previous working database back.
    QVERIFY(!createConfiguration({QString(60, 'x'), "2", "2", "8", "20", "LABEL"}));
    QVERIFY(m_fx.boxes->shown.last().prompt.startsWith(Str(1001)));
    QCOMPARE(appState().NomCon, QStringLiteral("New"));
    QCOMPARE(readWorkingMarks().name, QStringLiteral("Config2"));
    QCOMPARE(rows("SELECT NOMCON, NUMZON, (SELECT count(*) FROM CONFZONAS) FROM CONFCENTRAL"), QStringList("New|3|3"));
    QVERIFY(!QFile::exists(previousDatabasePath()));
}

void TestEditors::storeMatchesTheRowsToTheCounts_data()
{
    QTest::addColumn<int>("zones");
    QTest::addColumn<int>("relays");
    QTest::addColumn<int>("newZones");
    QTest::addColumn<int>("newRelays");
    QTest::newRow("zones 12 to 20") << 12 << 3 << 20 << 3;
    QTest::newRow("relays 20 to 8") << 2 << 20 << 2 << 8;
    QTest::newRow("zone count 0") << 5 << 1 << 0 << 1;
    QTest::newRow("counts unchanged") << 4 << 4 << 4 << 4;
}

void TestEditors::storeMatchesTheRowsToTheCounts()
{
    QFETCH(int, zones);
    QFETCH(int, relays);
    QFETCH(int, newZones);
    QFETCH(int, newRelays);
    m_fx.start(zones, relays);
    // The user's own label and programming of zone and relay 1 stay.
    QVERIFY(execBound(QStringLiteral("UPDATE CONFZONAS SET ETIZON = 'KEPT' WHERE IDZON = 1")));
    QVERIFY(execBound(QStringLiteral("UPDATE CONFRELES SET RMIN = 7 WHERE IDREL = 1")));
    FrmConf *window = FrmConf::showWindow();
    // Stored numbers show after the blank of a sign.
    QCOMPARE(window->TxtCon(FieldZones)->text(), QLatin1Char(' ') + QString::number(zones));
    QCOMPARE(window->LblCon(FieldZones)->text(), QLatin1Char(' ') + QString::number(zones));

    fill(window, {"Renamed", QString::number(newZones), QString::number(newRelays), "7", "22", "LABEL  "});
    window->CmdWrConf()->click();
    QVERIFY(m_fx.boxes->shown.isEmpty());

    QStringList zoneRows, relayRows;
    for (int n = 1; n <= newZones; ++n)
        zoneRows << (n == 1 ? QStringLiteral("1|KEPT") : QStringLiteral("%1|ETI ZONA %1").arg(n));
    for (int n = 1; n <= newRelays; ++n)
        relayRows << QStringLiteral("%1|192|ETI RELE %1|%2").arg(n).arg(n == 1 ? 7 : 0);
    QCOMPARE(rows("SELECT IDZON, ETIZON FROM CONFZONAS ORDER BY IDZON"), zoneRows);
    QCOMPARE(rows("SELECT IDREL, TIP, ETIREL, RMIN FROM CONFRELES ORDER BY IDREL"), relayRows);
    const QString general = QStringLiteral("Renamed|%1|%2|7|22|LABEL  ").arg(newZones).arg(newRelays);
    QCOMPARE(rows("SELECT NOMCON, NUMZON, NUMREL, INIDIA, ININIT, ETIINI FROM CONFCENTRAL"), QStringList(general));
    const AppState &s = appState();
    QCOMPARE(QStringLiteral("%1|%2|%3|%4|%5|%6").arg(s.NomCon).arg(s.NumZon).arg(s.NumRel).arg(s.IniDia).arg(s.IniNit).arg(s.EtiIni),
             general);
    QVERIFY(s.ConfModif);
    for (int i = 0; i < kGeneralFieldCount; ++i)
        QCOMPARE(window->LblCon(i)->text(), window->TxtCon(i)->text());
}

void TestEditors::storeClosesAndDisablesTheOtherWindowsAndFailsWhole()
{
    m_fx.start(3, 3);
    FrmMain &main = *m_fx.main;
    FrmZon::showWindow();
    FrmRel *relays = FrmRel::showWindow();
    const auto commands = [&main] {
        return QList<bool>{main.menuItem(QStringLiteral("MnuPrgZon"))->isEnabled(), main.toolButton(15)->isEnabled(),
                           main.menuItem(QStringLiteral("MnuPrgRel"))->isEnabled(), main.toolButton(16)->isEnabled()};
    };
    main.toolButton(14)->trigger();
    FrmConf *window = FrmConf::loaded();
    QVERIFY(window && appState().FrmConfCargado && main.menuItem(QStringLiteral("MnuArxImp"))->isEnabled());
    QVERIFY(!childWindow(QStringLiteral("FrmZon"))->isEnabled() && !relays->isEnabled());
    QCOMPARE(commands(), QList<bool>(4, false));

    // A store the engine refuses changes nothing, but the zone and relay
    // windows have closed first.
    QVERIFY(execBound(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON CONFZONAS "
                                     "BEGIN SELECT RAISE(ABORT, 'refused'); END")));
    fill(window, {"Other", "9", "3", "8", "20", "PANEL 1"});
    window->CmdWrConf_Click();
    m_fx.checkOnlyBox(120, applicationTitle());
    QVERIFY(m_fx.boxes->shown.first().prompt.contains(QStringLiteral("refused")));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!childWindow(QStringLiteral("FrmZon")) && !childWindow(QStringLiteral("FrmRel")));
    QVERIFY(!appState().FrmZonCargado);
    QCOMPARE(rows("SELECT NOMCON, NUMZON, (SELECT count(*) FROM CONFZONAS) FROM CONFCENTRAL"),
             QStringList(QStringLiteral("Hotel Plaza|3|3")));
    QCOMPARE(appState().NumZon, quint8(3));
    QCOMPARE(window->LblCon(FieldZones)->text(), QStringLiteral(" 3"));

    // Closing gives the commands back and refreshes the status line.
    main.setEnabled(false);
    window->CmdCan_Click();
    QVERIFY(!appState().FrmConfCargado && main.isEnabled() && !main.menuItem(QStringLiteral("MnuArxImp"))->isEnabled());
    QCOMPARE(commands(), QList<bool>(4, true));
    QCOMPARE(main.LblCon(2)->text(), Str(4911) + QStringLiteral("3"));
}

void TestEditors::generalPartAgainstThePanel_data()
{
    QTest::addColumn<char>("command");
    QTest::addColumn<int>("panel");
    QTest::addColumn<int>("frames");   // frames of the command's kind the panel saw
    QTest::addColumn<int>("message");  // the one message shown
    // A read that completes stores the panel's values; one that stops
    // stores nothing and the boxes keep what they had.
    QTest::newRow("read 40 zones where 64 are stored") << 'R' << int(Answers) << 5 << 432;
    QTest::newRow("read, label never answers") << 'R' << int(SilentAtLabel) << 4 + 10 << 405;
    QTest::newRow("read, 200 zones") << 'R' << int(Zones200) << 1 << 839;
    QTest::newRow("read, night hour 30") << 'R' << int(NightHour30) << 4 << 842;
    QTest::newRow("read, port cannot be opened") << 'R' << int(NoPort) << 0 << 401;
    // Read, but not into the configuration: no "O.K." for it, and the boxes
    // keep what was read for the next store.
    QTest::newRow("read, the database refuses it") << 'R' << int(StoreRefused) << 5 << 120;
    // A write sends the stored values, not the boxes.
    QTest::newRow("write") << 'W' << int(Answers) << 5 << 432;
    QTest::newRow("write, label never acknowledged") << 'W' << int(SilentAtLabel) << 4 + 10 << 405;
}

void TestEditors::generalPartAgainstThePanel()
{
    QFETCH(char, command);
    QFETCH(int, panel);
    QFETCH(int, message);
    m_fx.start(64, 3);
    PanelSim &sim = *m_fx.sim;
    // Day 9, night 21 (or 30), 40 zones (or 200), 2 relays.
    sim.setMemory(PanelSim::kDayHour, QByteArray::fromHex(panel == NightHour30 ? "091E2802"
                                                          : panel == Zones200 ? "0915C802"
                                                                              : "09152802"));
    sim.setMemory(PanelSim::kLabel, QByteArray("PANEL NORTE     "));
    if (panel == SilentAtLabel)
        sim.misbehave(PanelSim::Misbehaviour::Silent, PanelSim::kAlways, PanelSim::kLabel);
    if (panel == NoPort)
        test::pointCom1At(QStringLiteral("/dev/orbitarsis-no-such-port"));
    if (panel == StoreRefused)
        QVERIFY(execBound(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON CONFCENTRAL "
                                         "BEGIN SELECT RAISE(ABORT, 'refused'); END")));
    FrmConf *window = FrmConf::showWindow();
    fill(window, {"Hotel Plaza", "50", "3", "8", "20", "BOX LABEL"});
    (command == 'R' ? window->CmdLeerConf() : window->CmdSendConf())->click();

    QTEST(sim.framesReceived(command), "frames");
    const bool exchangeMessage = message == 405 || message == 432;
    m_fx.checkOnlyBox(message, exchangeMessage ? Str(414) : message == 401 || message == 120 ? applicationTitle() : Str(109));
    QVERIFY(!FrmLoad::loaded() && !frmComm().MSComm1().PortOpen());

    const bool stored = command == 'R' && message == 432;
    QCOMPARE(rows("SELECT NUMZON, NUMREL, INIDIA, ININIT, ETIINI, (SELECT count(*) FROM CONFZONAS) FROM CONFCENTRAL"),
             QStringList(stored ? QStringLiteral("40|2|9|21|PANEL NORTE     |40") : QStringLiteral("64|3|8|20|PANEL 1|64")));
    QCOMPARE(appState().EtiIni, stored ? QStringLiteral("PANEL NORTE     ") : QStringLiteral("PANEL 1"));
    QCOMPARE(window->TxtCon(FieldZones)->text(), stored || panel == StoreRefused ? QStringLiteral("40") : QStringLiteral("50"));
    QCOMPARE(window->LblCon(FieldLabel)->text(), stored ? QStringLiteral("PANEL NORTE     ") : QStringLiteral("PANEL 1"));
    // A complete write sends the stored values, zone count, relay count, day
    // and night hours and the label blank-padded, in these five frames.
    if (command == 'W' && message == 432)
        QCOMPARE(sim.receivedFrames(), (QList<QByteArray>{
                     QByteArray::fromHex("10 C0 57 03 00 22 40 BC"), QByteArray::fromHex("10 C0 57 03 00 23 03 80"),
                     QByteArray::fromHex("10 C0 57 03 00 20 08 82"), QByteArray::fromHex("10 C0 57 03 00 21 14 8F"),
                     QByteArray::fromHex("10 C0 57 12 00 10 50 41 4E 45 4C 20 31 20 20 20 20 20 20 20 20 20 5A")}));
}

void TestEditors::namesAndLabelsRefuseControlCharacters_data()
{
    QTest::addColumn<QString>("box");
    for (const char *box : {"zone label", "relay label", "general name", "general label", "new name", "new label"})
        QTest::newRow(box) << QString::fromLatin1(box);
}

void TestEditors::namesAndLabelsRefuseControlCharacters()
{
    QFETCH(QString, box);
    m_fx.start(12, 2);
    QLineEdit *edit = openBox(box);
    QVERIFY(edit);
    const bool label = box.endsWith(QLatin1String("label"));
    const int limit = label ? 16 : 50;
    // A tab, a line break or another control character pasted into a box
    // that takes a name or label is refused with the rest of the text (the
    // Edit menu's Paste is the box's own paste); so is a text of which
    // typing would keep nothing, every character being one Windows-1252
    // lacks (a document could not hold it, nor the panel show it). What
    // typing keeps of the others: pasteKeepsWhatTypingKeeps.
    const QStringList refused = {"ZONA\tNORTE", "ZONA\nNORTE", "NORTE\r", QString(3, QChar(0)),
                                 QStringLiteral("A") + QChar(0x81), QStringLiteral("A\x7f"),
                                 QString::fromUtf8("ΑΘΗΝΑ"), QString::fromUtf8("🔥")};
    for (const QString &text : refused)
        QVERIFY2(pasteInto(edit, text).isEmpty(), qPrintable(text.toUtf8().toHex()));
    for (const QString &text : {QString::fromUtf8("ZONA «NORTE» ½"), QString(limit, 'A'),
                                QString(limit - 1, 'A') + QString::fromUtf8("€")})
        QCOMPARE(pasteInto(edit, text), text);

    // Typed, a box drops what Windows-1252 lacks (Ω, 🔥 as one key, or
    // composed by an input method; not Ñ or €), and nothing goes past the
    // limit unless it replaces a selection.
    edit->clear();
    QKeyEvent fire(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8("🔥"));
    QCoreApplication::sendEvent(edit, &fire);
    QInputMethodEvent composed;
    composed.setCommitString(QString::fromUtf8("Кир"));
    QCoreApplication::sendEvent(edit, &composed);
    QCOMPARE(edit->text(), QString());
    const QString full = QString(limit - 1, QChar(0xD1)) + QString::fromUtf8("€");
    QCOMPARE(typeInto(edit, QString(limit - 1, QChar(0xD1)) + QString::fromUtf8("Ω€Y")), full);
    QTest::keyClick(edit, Qt::Key_Backspace);
    const QString kept = full.chopped(1) + QLatin1Char('Y');
    QCOMPARE(typeInto(edit, QStringLiteral("YZ")), kept);
    edit->setSelection(0, 5);
    QCOMPARE(typeInto(edit, QStringLiteral("H")), QLatin1Char('H') + kept.mid(5));
}

void TestEditors::pasteKeepsWhatTypingKeeps_data()
{
    // The box's text, a selection in it (from, length; the caret at its
    // end), what is pasted over it and the box's text then. "#" in a text
    // stands for two "B" fewer than the box holds (a label box 16
    // characters, a name box 50).
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("after");
    for (const char *box : {"zone label", "relay label", "general name", "general label", "new name", "new label"}) {
        const auto row = [box](const char *what) -> QTestData & { return QTest::addRow("%s, %s", box, what); };
        row("outside Windows-1252, into an empty box") << box << "" << 0 << 0 << "Planta 🔥 Кир" << "Planta  ";
        row("longer than the box") << box << "" << 0 << 0 << "Ω#AZY" << "#AZ";
        row("into the middle, up to the limit") << box << "A#" << 1 << 0 << "xΩyz" << "Ax#";
        row("over a selection") << box << "ABCDE" << 1 << 3 << "1€Кир2" << "A1€2E";
        row("over a selection, up to the limit") << box << "AB#" << 1 << 1 << "Ñ😀12" << "AÑ#";
        row("nothing kept over a selection") << box << "ABCD" << 1 << 2 << "Кир😀" << "ABCD";
    }
}

void TestEditors::pasteKeepsWhatTypingKeeps()
{
    QFETCH(QString, box);
    QFETCH(int, from);
    QFETCH(int, length);
    QFETCH(QString, pasted);
    m_fx.start(12, 2);
    QLineEdit *edit = openBox(box);
    QVERIFY(edit);
    const int limit = box.endsWith(QLatin1String("label")) ? 16 : 50;
    const auto filled = [limit](QString text) { return text.replace('#', QString(limit - 2, 'B')); };
    QFETCH(QString, before);
    before = filled(before);
    pasted = filled(pasted);
    const auto setUp = [&] {
        edit->setText(before);
        edit->setSelection(from, length);
    };

    // Ctrl+V, with the text on the clipboard.
    setUp();
    QGuiApplication::clipboard()->setText(pasted);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    QFETCH(QString, after);
    after = filled(after);
    QCOMPARE(edit->text(), after);
    // A paste refused whole leaves the selection as it was; otherwise the
    // caret follows what was kept, as it would follow typing.
    const QString kept = edit->text();
    const int caret = edit->cursorPosition();
    const QString selected = edit->selectedText();
    if (after == before)
        QCOMPARE(selected, before.mid(from, length));
    else
        QCOMPARE(caret, from + int(after.size()) - (int(before.size()) - length));

    // The same characters typed one by one over the same selection.
    setUp();
    typeInto(edit, pasted);
    QCOMPARE(edit->text(), kept);
    QCOMPARE(edit->cursorPosition(), caret);
}

void TestEditors::labelsStoredWithControlCharacters_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<bool>("edited");
    for (const char *window : {"zone", "relay", "general"}) {
        QTest::addRow("%s, left as it shows", window) << QString::fromLatin1(window) << false;
        QTest::addRow("%s, edited", window) << QString::fromLatin1(window) << true;
    }
}

void TestEditors::labelsStoredWithControlCharacters()
{
    QFETCH(QString, window);
    QFETCH(bool, edited);
    // A document made before reads from the panel turned NUL characters
    // into blanks: zone 1, relay 1 and the panel label hold 16 of them.
    m_fx.start(12, 2);
    const QString nuls(16, QChar(0));
    const QString blanks(16, QLatin1Char(' '));
    QVERIFY(execBound(QStringLiteral("UPDATE CONFZONAS SET ETIZON = ? WHERE IDZON = 1"), {nuls}));
    QVERIFY(execBound(QStringLiteral("UPDATE CONFRELES SET ETIREL = ? WHERE IDREL = 1"), {nuls}));
    QVERIFY(execBound(QStringLiteral("UPDATE CONFCENTRAL SET ETIINI = ?"), {nuls}));
    appState().EtiIni = nuls;

    // The label shows blanks; left so it stays as stored, and an edit
    // stores what the user sees (here the first blank typed over).
    QLineEdit *box = openBox(window + QStringLiteral(" label"));
    QVERIFY(box);
    QCOMPARE(box->text(), blanks);
    if (window == QLatin1String("zone"))
        QCOMPARE(FrmZon::loaded()->DatZon()->index(0, ZoneRowsModel::ColLabel).data().toString(), blanks);
    if (window == QLatin1String("general"))
        QCOMPARE(FrmConf::loaded()->LblCon(FieldLabel)->text(), blanks);
    if (edited) {
        box->setSelection(0, 1);
        typeInto(box, QStringLiteral("X"));
    }
    QString stored = QStringLiteral("SELECT ETIINI FROM CONFCENTRAL");
    if (window == QLatin1String("zone")) {
        const QPointer<QLineEdit> editor = box;
        QTest::keyClick(box, Qt::Key_Return);
        QTRY_VERIFY(!editor);   // committed and closed once the key is handled
        stored = QStringLiteral("SELECT ETIZON FROM CONFZONAS WHERE IDZON = 1");
    } else if (window == QLatin1String("relay")) {
        QVERIFY(frameOf(FrmRel::loaded())->close());
        stored = QStringLiteral("SELECT ETIREL FROM CONFRELES WHERE IDREL = 1");
    } else {
        FrmConf::loaded()->CmdWrConf()->click();
    }
    QCOMPARE(rows(stored), QStringList{edited ? QStringLiteral("X") + QString(15, QLatin1Char(' ')) : nuls});
    QVERIFY(m_fx.boxes->shown.isEmpty());
}

void TestEditors::zoneGridAndZoneBox()
{
    m_fx.start(0, 1);
    m_fx.main->menuItem(QStringLiteral("MnuPrgZon"))->trigger();
    m_fx.checkOnlyBox(1213, applicationTitle());
    QVERIFY(!FrmZon::loaded());
    m_fx.stop();

    m_fx.start(12, 1);
    m_fx.main->toolButton(15)->trigger();
    FrmZon *window = FrmZon::loaded();
    QVERIFY(window && appState().FrmZonCargado);
    QTableView *grid = window->GrdZon();
    QVERIFY(!(grid->model()->flags(grid->model()->index(0, 0)) & Qt::ItemIsEditable));

    // A click on a zone number: the cursor goes to its label and the zone
    // box names the zone.
    grid->setCurrentIndex(grid->model()->index(3, 0));
    QCOMPARE(window->TxZon1()->text(), QStringLiteral("4"));
    QTRY_COMPARE(grid->currentIndex().column(), 1);
    QCOMPARE(grid->selectionModel()->selectedIndexes(), QModelIndexList{grid->currentIndex()});

    // F2 opens the label (what it takes: namesAndLabelsRefuseControlCharacters;
    // its Delete key works as the dialog's: numberFieldsAndKeysOfTheDialog).
    QTest::keyClick(grid, Qt::Key_F2);
    auto *editor = grid->viewport()->findChild<QLineEdit *>();
    QVERIFY(editor && editor->text() == QStringLiteral("ETI ZONA 4"));
    editor->setText(QStringLiteral("CAÑÓN €"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(labels().value(3), QString::fromUtf8("CAÑÓN €"));   // committed once the key is handled
    QVERIFY(appState().ConfModif);

    // The zone box takes digits, and a zone above the count is refused.
    QLineEdit *box = window->TxZon1();
    box->clear();
    QTest::keyClicks(box, QStringLiteral("1a3"));
    QCOMPARE(box->text(), QStringLiteral("13"));
    QVERIFY(!window->TxZon1_LostFocus());
    m_fx.checkOnlyBox(839, Str(109));
    QVERIFY(box->text().isEmpty());
    box->setText(QStringLiteral("12"));
    QVERIFY(window->TxZon1_LostFocus());
    // An empty box and zone 0 send nothing.
    for (const char *zone : {"", "0"}) {
        m_fx.boxes->shown.clear();
        box->setText(QLatin1String(zone));
        window->CmdRd1()->click();
        m_fx.checkOnlyBox(801, Str(802));
    }
    QCOMPARE(m_fx.sim->framesReceived(), 0);

    // The ticker moves the bar towards MaxProg and stops there.
    QProgressBar *bar = FrmLoad::load()->ProBar();
    appState().MaxProg = 2;
    for (int tick = 0; tick < 5; ++tick)
        window->TimBarCom2_Timer();
    QCOMPARE(bar->value(), 2);
}

void TestEditors::copyAndPasteOnAZoneCell()
{
    // Zone 4's label cell selected, not being edited: Copy takes its label,
    // Paste gives it the clipboard's text with a label box's rule (a text
    // refused changes nothing) and stores it as an edit does.
    m_fx.start(12, 1);
    m_fx.main->show();
    QTableView *grid = FrmZon::showWindow()->GrdZon();
    grid->setCurrentIndex(grid->model()->index(3, ZoneRowsModel::ColLabel));
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("before"));
    m_fx.main->menuItem(QStringLiteral("MnuEdiCop"))->trigger();
    QCOMPARE(clipboard->text(), QStringLiteral("ETI ZONA 4"));
    appState().ConfModif = false;
    for (const QString &refused : {QStringLiteral("ZONA\tNORTE"), QString::fromUtf8("ΑΘΗΝΑ")}) {
        clipboard->setText(refused);
        m_fx.main->menuItem(QStringLiteral("MnuEdiPas"))->trigger();
    }
    QCOMPARE(labels().value(3), QStringLiteral("ETI ZONA 4"));
    QVERIFY(!appState().ConfModif);
    // What typing the text into the label's box keeps: no character
    // Windows-1252 lacks, none past the 16th.
    for (const auto &[text, label] : {std::pair{QString(17, 'A'), QString(16, 'A')},
                                      std::pair{QString::fromUtf8("Planta 🔥 Кир"), QStringLiteral("Planta  ")}}) {
        clipboard->setText(text);
        m_fx.main->menuItem(QStringLiteral("MnuEdiPas"))->trigger();
        QCOMPARE(labels().value(3), label);
    }
    clipboard->setText(QString::fromUtf8("ESCALERA Ñ €"));
    m_fx.main->menuItem(QStringLiteral("MnuEdiPas"))->trigger();
    QCOMPARE(labels().value(3), QString::fromUtf8("ESCALERA Ñ €"));
    QCOMPARE(grid->currentIndex().data().toString(), QString::fromUtf8("ESCALERA Ñ €"));
    QVERIFY(appState().ConfModif);
}

void TestEditors::zoneLabelsAgainstThePanel_data()
{
    QTest::addColumn<char>("button");     // R/W all zones, r/w the zone in the box
    QTest::addColumn<QString>("zone");
    QTest::addColumn<int>("panel");
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("message");
    QTest::addColumn<QList<int>>("moved");   // zones whose label went across
    const QList<int> all = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    QTest::newRow("read all") << 'R' << "" << int(Answers) << 12 << 432 << all;
    QTest::newRow("read all, zone 5 fails 11 times") << 'R' << "" << int(SilentAtZone5) << 4 + 11 << 405
                                                      << QList<int>{1, 2, 3, 4};
    QTest::newRow("read all, port cannot be opened") << 'R' << "" << int(NoPort) << 0 << 401 << QList<int>{};
    QTest::newRow("read all, labels cannot be stored") << 'R' << "" << int(Unstorable) << 12 << 120 << QList<int>{};
    QTest::newRow("write all") << 'W' << "" << int(Answers) << 12 << 432 << all;
    QTest::newRow("read zone 7") << 'r' << "7" << int(Answers) << 1 << 432 << QList<int>{7};
    QTest::newRow("read zone 5, fails 10 times") << 'r' << "5" << int(SilentAtZone5) << 10 << 405 << QList<int>{};
    QTest::newRow("write zone 3") << 'w' << "3" << int(Answers) << 1 << 432 << QList<int>{3};
}

void TestEditors::zoneLabelsAgainstThePanel()
{
    QFETCH(char, button);
    QFETCH(QString, zone);
    QFETCH(int, panel);
    QFETCH(int, message);
    QFETCH(QList<int>, moved);
    m_fx.start(12, 1);
    PanelSim &sim = *m_fx.sim;
    for (int z = 1; z <= 12; ++z)
        sim.setMemory(PanelSim::zoneLabel(z), toCp1252(panelLabel(z)));
    if (panel == SilentAtZone5)
        sim.misbehave(PanelSim::Misbehaviour::Silent, PanelSim::kAlways, PanelSim::zoneLabel(5));
    if (panel == NoPort)
        test::pointCom1At(QStringLiteral("/dev/orbitarsis-no-such-port"));
    if (panel == Unstorable)
        QVERIFY(orbtest::execBound(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON CONFZONAS "
                                                  "BEGIN SELECT RAISE(ABORT, 'refused'); END")));
    const QStringList before = labels();
    FrmZon *window = FrmZon::showWindow();
    window->GrdZon()->setCurrentIndex(window->DatZon()->index(0, 1));
    window->TxZon1()->setText(zone);
    // The window stays while its transfer runs.
    bool closed = true;
    m_fx.boxes->onShow = [&](const ShownBox &) { closed = frameOf(window)->close(); };
    const bool read = button == 'R' || button == 'r';
    QPushButton *buttons[] = {window->CmdRd(), window->CmdWr2(), window->CmdRd1(), window->CmdWr1()};
    buttons[QByteArrayLiteral("RWrw").indexOf(button)]->click();

    QVERIFY(!closed && FrmZon::loaded() == window && window->isEnabled());
    QTEST(sim.framesReceived(read ? 'R' : 'W'), "frames");
    m_fx.checkOnlyBox(message, message == 401 || message == 120 ? applicationTitle() : Str(414));
    QVERIFY(!FrmLoad::loaded() && !frmComm().MSComm1().PortOpen() && !window->TimBarCom2().isActive());
    // A read stores the labels as they came, trailing blanks kept, and the
    // grid shows them; a write puts the stored labels, blank-padded, where
    // the panel keeps them.
    QStringList expected = before;
    for (int z = 1; z <= 12; ++z) {
        const bool across = moved.contains(z);
        if (read && across)
            expected[z - 1] = panelLabel(z);
        const QString onPanel = !read && across ? before.at(z - 1).leftJustified(16) : panelLabel(z);
        QCOMPARE(sim.memory(PanelSim::zoneLabel(z), 16), toCp1252(onPanel));
        QCOMPARE(window->DatZon()->label(z), expected.at(z - 1));
    }
    QCOMPARE(labels(), expected);
    QCOMPARE(appState().ConfModif, read && !moved.isEmpty());
}

void TestEditors::noSecondExchangeWhileOneWaits()
{
    m_fx.start(12, 1);
    m_fx.sim->setLateDelayMs(40);   // within the reply time
    m_fx.sim->misbehave(PanelSim::Misbehaviour::Late);
    m_fx.sim->setMemory(PanelSim::zoneLabel(2), toCp1252(panelLabel(2)));
    FrmZon *window = FrmZon::showWindow();
    window->TxZon1()->setText(QStringLiteral("2"));
    // While the read of zone 2 waits, every other transfer is asked for and
    // a general part is stored: the general window says why it does nothing.
    QTimer::singleShot(10, window, [window] {
        for (QPushButton *button : {window->CmdRd1(), window->CmdWr1(), window->CmdRd(), window->CmdWr2()})
            button->click();
        FrmConf *general = FrmConf::showWindow();
        general->TxtCon(FieldZones)->setText(QStringLiteral("20"));
        for (QPushButton *button : {general->CmdLeerConf(), general->CmdSendConf(), general->CmdWrConf()})
            button->click();
    });
    window->CmdRd1()->click();
    QCOMPARE(m_fx.sim->framesReceived(), 1);
    QStringList shown;
    for (const ShownBox &box : std::as_const(m_fx.boxes->shown))
        shown << box.title + QLatin1Char('|') + box.prompt;
    const QString busy = Str(109) + QLatin1Char('|') + Str(9205);
    QCOMPARE(shown, (QStringList{busy, busy, busy, Str(414) + QLatin1Char('|') + Str(432)}));
    QCOMPARE(labels().value(1), panelLabel(2));
    QCOMPARE(FrmZon::loaded(), window);
    QCOMPARE(rows(QStringLiteral("SELECT NUMZON FROM CONFCENTRAL")), QStringList{QStringLiteral("12")});
}

void TestEditors::labelBytesThatAreNoCharacterReadAsBlanks_data()
{
    QTest::addColumn<char>("read");        // g general window, z zone window, r relay window, w whole receive
    QTest::addColumn<QString>("labels");   // the query of every label the read stores
    QTest::addColumn<QByteArray>("panel"); // at 0x0020 (hours and counts) and in every label
    QTest::addColumn<QByteArray>("label");
    QTest::addColumn<QStringList>("stored");
    // A panel never labelled holds zero bytes (and no zones or relays).
    const QByteArray blank(16, '\0');
    const QByteArray control = QByteArray("\x01ZONA\tN\x1F\x7F\x80 2", 12) + QByteArray(4, '\0');
    const QString blanks(16, ' '), shown = QStringLiteral(" ZONA N  € 2    ");
    const QList<std::pair<char, QString>> reads = {
        {'g', "SELECT ETIINI FROM CONFCENTRAL"},
        {'z', "SELECT ETIZON FROM CONFZONAS"},
        {'r', "SELECT ETIREL FROM CONFRELES WHERE IDREL = 1"},
        {'w', "SELECT ETIINI FROM CONFCENTRAL UNION ALL SELECT ETIZON FROM CONFZONAS UNION ALL "
              "SELECT ETIREL FROM CONFRELES"}};
    for (const auto &[read, labels] : reads) {
        // The receive stores the panel label, then two zones and two relays.
        const int count = read == 'z' ? 2 : 1;
        QTest::addRow("%c, blank panel", read) << read << labels << QByteArray(4, '\0') << blank
                                               << QStringList(count, blanks);
        QTest::addRow("%c, control bytes", read) << read << labels << QByteArray::fromHex("08140202") << control
                                                 << QStringList(read == 'w' ? 5 : count, shown);
    }
}

void TestEditors::labelBytesThatAreNoCharacterReadAsBlanks()
{
    QFETCH(char, read);
    QFETCH(QByteArray, panel);
    QFETCH(QByteArray, label);
    m_fx.start(2, 2);
    m_fx.sim->setMemory(PanelSim::kDayHour, panel);
    for (int address : {PanelSim::kLabel, PanelSim::zoneLabel(1), PanelSim::zoneLabel(2), PanelSim::relayLabel(1),
                        PanelSim::relayLabel(2)})
        m_fx.sim->setMemory(address, label);
    if (read == 'g')
        FrmConf::showWindow()->CmdLeerConf()->click();
    else if (read == 'z')
        FrmZon::showWindow()->CmdRd()->click();
    else if (read == 'r')
        FrmRel::showWindow()->CmdRecConfRel()->click();
    else
        m_fx.main->menuItem(QStringLiteral("MnuComRec"))->trigger();
    m_fx.checkOnlyBox(432, Str(414));
    QFETCH(QString, labels);
    QTEST(rows(labels), "stored");
}

void TestEditors::writesToAPanelThatAnswersTwice_data()
{
    QTest::addColumn<char>("write");   // g general window, z every zone, r the relay shown
    QTest::addColumn<int>("gap");      // ms between the two acknowledges of a frame
    for (const char write : {'g', 'z', 'r'}) {
        for (const int gap : {5, 15, 30})
            QTest::addRow("%c, %d ms", write, gap) << write << gap;
    }
}

void TestEditors::writesToAPanelThatAnswersTwice()
{
    // On a 9600 baud line, a write that a good panel takes whole is reported
    // done; to a panel that acknowledges every frame twice and loses every
    // 5th frame it may fail, but is never reported done unless the panel
    // ends up holding what the good one did.
    QFETCH(char, write);
    QFETCH(int, gap);
    m_fx.start(12, 2);
    PanelSim &sim = *m_fx.sim;
    sim.setBaud(9600);
    const auto run = [write] {
        if (write == 'g')
            FrmConf::showWindow()->CmdSendConf()->click();
        else if (write == 'z')
            FrmZon::showWindow()->CmdWr2()->click();
        else
            FrmRel::showWindow()->CmdSendConfRel()->click();
    };
    run();
    m_fx.checkOnlyBox(432, Str(414));
    const QByteArray whole = sim.memory(0, PanelSim::kMemorySize);

    sim.setMemory(0, QByteArray(PanelSim::kMemorySize, '\0'));
    m_fx.boxes->shown.clear();
    sim.setDoubleGapMs(gap);
    sim.misbehave(PanelSim::Misbehaviour::Doubled, PanelSim::kAlways);
    sim.loseEvery(5);
    run();
    QCOMPARE(m_fx.boxes->shown.size(), 1);
    if (!m_fx.boxes->shown.first().prompt.startsWith(Str(405))) {
        m_fx.checkOnlyBox(432, Str(414));
        QCOMPARE(sim.memory(0, PanelSim::kMemorySize), whole);
    }
    QVERIFY(!FrmLoad::loaded() && !frmComm().MSComm1().PortOpen());
}

ORB_TEST_MAIN(TestEditors)
#include "test_editors.moc"
