// One relay: its editing rules without the window (type picks, key
// filters, the rules on leaving a list or delay box); and the relay window
// inside the main window: opening it, the type list and the
// general-activation box on the stored type byte, moving between relays
// without carrying anything of one relay into another, edits stored as they
// are made and when the window closes, and reads and writes of the relay
// shown against the simulated panel (the frames each phase sends, the one
// message each ending shows, what a read stores and shows, and that every
// ending gives the window back with the progress closed, the ticker stopped
// and the port closed). And edits the database refuses (as on a full disk):
// told once, kept in their controls, and stored by the next store that can.

#include "Cp1252.h"
#include "FrmCommSys.h"
#include "FrmLoad.h"
#include "FrmRel.h"
#include "MainWindowFixture.h"
#include "RelayRules.h"
#include "TestHome.h"

namespace {
// The programming columns of one relay, joined by "|".
QString stored(int relay)
{
    return rows(QStringLiteral("SELECT TIP, ETIREL, RMIN, RSEC, DDIA, DNOCH, PDIA, PNOCH, IL1, FL1, IL2, FL2, IL3, "
                               "FL3, IL4, FL4 FROM CONFRELES WHERE IDREL = %1").arg(relay)).value(0);
}

enum Setup { AllWell, Type67, SilentRecord, NoPort, RowGoneAfterLabel, RecordRefused };

} // namespace

class TestFrmRel : public QObject {
    Q_OBJECT
private slots:
    void init() { m_fx.start(8, 4); }
    void cleanup() { m_fx.stop(); }
    void picksKeyFiltersAndDelayBoxes();
    void leavingListBoxes_data();
    void leavingListBoxes();
    void openedFromTheProgramMenu();
    void typeAndGeneralActivation_data();
    void typeAndGeneralActivation();
    void movingCarriesNothingIntoAnotherRelay();
    void editsAreStoredAndNothingShownIsLost();
    void transfersOfTheRelayShown_data();
    void transfersOfTheRelayShown();
    void editsTheDatabaseRefusesWaitInTheirControls_data();
    void editsTheDatabaseRefusesWaitInTheirControls();

private:
    // Opens the relay window from the toolbar, in the main window shown and
    // active.
    FrmRel *open();

    MainWindowFixture m_fx;
};

void TestFrmRel::picksKeyFiltersAndDelayBoxes()
{
    // A pick writes the bare code, general activation kept when checked:
    // siren on a new relay is 96, not configured while checked 192.
    const QList<std::tuple<int, bool, int>> picks = {{32, true, 96}, {128, true, 192}, {6, false, 6}, {0, true, 64}};
    for (const auto &[code, general, tip] : picks)
        QCOMPARE(tipAfterPick(code, general), tip);
    // A type without its row, and no not-defined row either, shows nothing.
    QCOMPARE(typeRowShown(LookupRows{{6, "PREALARM"}}, 3), -1);

    // List box, 8 zones: digits while the number before is not above 8.
    const QList<std::tuple<QChar, QString, bool>> list = {
        {'1', "", true}, {'5', "1", true}, {'0', "8", true}, {'0', "9", false}, {'3', "15", false},
        {'a', "", false}, {'-', "", false}, {QChar(8), "99", true}, {QChar(27), "99", true}, {QChar(0x0663), "", false}};
    for (const auto &[key, before, accepted] : list)
        QVERIFY2(listKeyAccepted(key, before, 8) == accepted, qPrintable(before + key));
    // Delay box: digits while it holds fewer than two characters.
    const QList<std::tuple<QChar, QString, bool>> delay = {
        {'5', "", true}, {'9', "5", true}, {'1', "59", false}, {QChar(8), "59", true}, {' ', "", false}};
    for (const auto &[key, before, accepted] : delay)
        QVERIFY2(delayKeyAccepted(key, before) == accepted, qPrintable(before + key));
    // Label: a 17th character only over a selection.
    QVERIFY(labelKeyAccepted('A', 15, 0) && !labelKeyAccepted('A', 16, 0) && labelKeyAccepted('A', 16, 3));
    // A delay box left above its limit, minutes or seconds, holds 0.
    const QList<std::tuple<QString, int, QString>> left = {
        {"12", MaxRetMin, "0"}, {"9", MaxRetMin, "9"}, {"10", MaxRetMin, "0"}, {"75", MaxRetSeg, "0"},
        {"59", MaxRetSeg, "59"}, {"60", MaxRetSeg, "0"}, {"", MaxRetSeg, "0"}, {"05", MaxRetSeg, "05"}};
    for (const auto &[text, maximum, after] : left)
        QCOMPARE(delayBoxLeft(text, maximum), after);
}

void TestFrmRel::leavingListBoxes_data()
{
    QTest::addColumn<int>("zones");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<QString>("previousEnd");   // "-" for list 1
    QTest::addColumn<QString>("startAfter");    // the start box left, and its end box then
    QTest::addColumn<QString>("endAfter");
    QTest::addColumn<QString>("endLeft");       // the end box left instead
    QTest::newRow("15 of 8 zones") << 8 << "15" << "15" << "-" << "0" << "0" << "15";
    QTest::newRow("end above the zones") << 8 << "3" << "15" << "-" << "3" << "15" << "3";
    QTest::newRow("below the list before") << 8 << "3" << "4" << "5" << "0" << "0" << "4";
    QTest::newRow("equal to the list before") << 8 << "5" << "6" << "5" << "5" << "6" << "6";
    QTest::newRow("list 3 from 9 to 10") << 10 << "9" << "10" << "2" << "9" << "10" << "10";
    QTest::newRow("end below the start") << 10 << "9" << "8" << "2" << "9" << "8" << "9";
    QTest::newRow("empty boxes") << 8 << "" << "" << "-" << "0" << "0" << "0";
    QTest::newRow("empty end") << 8 << "4" << "" << "-" << "4" << "" << "4";
    QTest::newRow("start 0") << 8 << "0" << "7" << "-" << "0" << "0" << "0";
    QTest::newRow("no zones") << 0 << "1" << "1" << "-" << "0" << "0" << "1";
}

void TestFrmRel::leavingListBoxes()
{
    QFETCH(int, zones);
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(QString, previousEnd);
    QFETCH(QString, startAfter);
    QFETCH(QString, endAfter);
    const std::optional<QString> previous = previousEnd == "-" ? std::nullopt : std::optional<QString>(previousEnd);
    QCOMPARE(startBoxLeft({start, end}, previous, zones), (ListTexts{startAfter, endAfter}));
    QTEST(endBoxLeft({start, end}, zones), "endLeft");
}

FrmRel *TestFrmRel::open()
{
    m_fx.main->show();
    QApplication::setActiveWindow(m_fx.main.get());
    m_fx.main->toolButton(16)->trigger();
    return FrmRel::loaded();
}

void TestFrmRel::openedFromTheProgramMenu()
{
    appState().PuertoOk = true;
    FrmRel *window = open();
    QVERIFY(window && appState().FrmRelCargado && !appState().PuertoOk);
    QVERIFY(m_fx.main->menuItem(QStringLiteral("MnuArxImp"))->isEnabled());
    QCOMPARE(window->DatRel()->caption(), QStringLiteral("1"));
    QVERIFY2(appState().ConfModif, "showing a relay counts as an edit");
    QCOMPARE(open(), window);   // the same window, brought forward
    QVERIFY(qobject_cast<QMdiSubWindow *>(window->parentWidget())->close());
    QVERIFY(!appState().FrmRelCargado && !m_fx.main->menuItem(QStringLiteral("MnuArxImp"))->isEnabled());

    // No relay: message 1212 under the application's title, nothing opens;
    // the port flag is cleared either way.
    QVERIFY(execBound(QStringLiteral("DELETE FROM CONFRELES")));
    appState().PuertoOk = true;
    m_fx.main->menuItem(QStringLiteral("MnuPrgRel"))->trigger();
    m_fx.checkOnlyBox(1212, applicationTitle());
    QVERIFY(!FrmRel::loaded() && !appState().PuertoOk);
}

void TestFrmRel::typeAndGeneralActivation_data()
{
    QTest::addColumn<int>("tip");
    QTest::addColumn<QString>("action");   // a type picked, "check", "uncheck" or nothing
    QTest::addColumn<int>("after");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("configured");   // delays, responses, general activation enabled
    QTest::addColumn<bool>("lists");
    QTest::newRow("new relay") << 192 << "" << 192 << "NOT CONFIGURATED" << false << false;
    QTest::newRow("siren on a new relay") << 192 << "SIREN" << 96 << "SIREN" << true << false;
    QTest::newRow("general off") << 70 << "uncheck" << 6 << "EXTINGUISHION PREALARM " << true << true;
    QTest::newRow("general on") << 6 << "check" << 70 << "EXTINGUISHION PREALARM " << true << false;
    QTest::newRow("not configured with type 6") << 134 << "" << 134 << "NOT CONFIGURATED" << false << false;
    QTest::newRow("type the table lacks") << 67 << "" << 67 << "NOT DEFINED" << true << false;
}

void TestFrmRel::typeAndGeneralActivation()
{
    QFETCH(int, tip);
    QFETCH(QString, action);
    QFETCH(int, after);
    QFETCH(bool, configured);
    QFETCH(bool, lists);
    QVERIFY(execBound(QStringLiteral("UPDATE CONFRELES SET TIP = ? WHERE IDREL = 1"), {tip}));
    FrmRel *window = open();
    if (action == QLatin1String("check") || action == QLatin1String("uncheck"))
        window->ChkGen()->click();
    else if (!action.isEmpty())
        emit window->CmbTip()->activated(window->CmbTip()->findText(action));
    QCOMPARE(stored(1).section('|', 0, 0).toInt(), after);
    QTEST(window->CmbTip()->currentText(), "shown");
    QCOMPARE(window->ChkGen()->isChecked(), bool(after & 64));
    for (QWidget *w : QList<QWidget *>{window->ChkGen(), window->TxtRetMin(), window->TxtRetSeg(),
                                        window->responseList(FrmRel::PulNit)})
        QCOMPARE(w->isEnabled(), configured);
    QCOMPARE(window->TxtIniLL(1)->isEnabled(), lists);
    QCOMPARE(window->TxtFiLL(4)->isEnabled(), lists);
    QVERIFY(window->CmbTip()->isEnabled() && window->TxtEti()->isEnabled());
}

void TestFrmRel::movingCarriesNothingIntoAnotherRelay()
{
    // Relay 1 configured with its lists open, 2 new, 3 with general
    // activation; the focus stays in a list box of relay 1 while Page Down
    // and Page Up walk over relays that disable it.
    QVERIFY(execBound(QStringLiteral("UPDATE CONFRELES SET TIP = 6, IL1 = 1, FL1 = 2, IL2 = 3, FL2 = 5, "
                                              "RMIN = 4 WHERE IDREL = 1")));
    QVERIFY(execBound(QStringLiteral("UPDATE CONFRELES SET TIP = 96, RSEC = 9 WHERE IDREL = 3")));
    const QStringList before = {stored(1), stored(2), stored(3), stored(4)};
    FrmRel *window = open();
    // The focus that a move takes from a box stays in the window, on an
    // enabled control, and never on a button that starts a transfer.
    const auto focusIsSafe = [window] {
        const QWidget *focus = QApplication::focusWidget();
        return focus && window->isAncestorOf(focus) && focus->isEnabled() && focus != window->CmdSendConfRel()
               && focus != window->CmdRecConfRel();
    };
    window->TxtIniLL(2)->setFocus();
    QTRY_VERIFY(window->TxtIniLL(2)->hasFocus());
    for (Qt::Key key : {Qt::Key_PageDown, Qt::Key_PageDown, Qt::Key_PageDown, Qt::Key_PageUp}) {
        QTest::keyClick(QApplication::focusWidget(), key);
        QVERIFY(focusIsSafe());
    }
    QCOMPARE(window->DatRel()->caption(), QStringLiteral("3"));
    QVERIFY(window->ChkGen()->isChecked());
    window->DatRel()->button(RelayNavigator::First)->click();
    QCOMPARE(window->DatRel()->caption(), QStringLiteral("1"));
    QVERIFY(!window->ChkGen()->isChecked());
    QCOMPARE(window->TxtIniLL(2)->text(), QStringLiteral("3"));
    // A click on the navigator does the same; Space then moves on again
    // and sends nothing to the panel.
    window->TxtRetMin()->setFocus();
    QTRY_VERIFY(window->TxtRetMin()->hasFocus());
    QTest::mouseClick(window->DatRel()->button(RelayNavigator::Next), Qt::LeftButton);
    QVERIFY(focusIsSafe());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QCOMPARE(window->relayNumber(), 3);
    QCOMPARE(m_fx.sim->framesReceived(), 0);
    window->DatRel()->button(RelayNavigator::Last)->click();
    QCOMPARE(window->relayNumber(), 4);
    QCOMPARE((QStringList{stored(1), stored(2), stored(3), stored(4)}), before);
}

void TestFrmRel::editsAreStoredAndNothingShownIsLost()
{
    QVERIFY(execBound(QStringLiteral("UPDATE CONFRELES SET TIP = 6, IL1 = 2, FL1 = 5 WHERE IDREL = 1")));
    FrmRel *window = open();
    window->TxtIniLL(2)->setFocus();
    QTRY_VERIFY(window->TxtIniLL(2)->hasFocus());
    // Typed "15" with 8 zones: stored at once as leaving would store it,
    // shown as typed until the box is left. "8" takes a further digit.
    window->TxtIniLL(2)->clear();
    appState().ConfModif = false;
    QTest::keyClicks(window->TxtIniLL(2), QStringLiteral("15"));
    QVERIFY(appState().ConfModif);
    QCOMPARE(window->TxtIniLL(2)->text(), QStringLiteral("15"));
    QCOMPARE(stored(1).section('|', 8, 11), QStringLiteral("2|5|0|0"));
    window->TxtRetMin()->setFocus();
    QCOMPARE(window->TxtIniLL(2)->text(), QStringLiteral("0"));
    window->TxtRetMin()->clear();
    QTest::keyClicks(window->TxtRetMin(), QStringLiteral("123"));
    QCOMPARE(window->TxtRetMin()->text(), QStringLiteral("12"));
    window->TxtRetSeg()->setFocus();
    QCOMPARE(window->TxtRetMin()->text(), QStringLiteral("0"));

    // Pasted text that is not a plain number is refused whole. (What the
    // label takes: test_editors' namesAndLabelsRefuseControlCharacters.)
    const QList<std::tuple<QLineEdit *, QString, bool>> pastes = {
        {window->TxtFiLL(1), "7x", false}, {window->TxtFiLL(1), "7", true},
        {window->TxtRetSeg(), "-5", false}, {window->TxtEti(), "SÓTANO €", true}};
    for (const auto &[box, text, taken] : pastes)
        QCOMPARE(pasteInto(box, text), taken ? text : QString());
    // The close box stores what the window shows, the box being edited
    // with its rule applied.
    window->TxtRetSeg()->setFocus();
    window->TxtRetSeg()->setText(QStringLiteral("75"));
    QVERIFY(qobject_cast<QMdiSubWindow *>(window->parentWidget())->close());
    QCOMPARE(stored(1), QStringLiteral("6|SÓTANO €|0|0|0|0|0|0|2|7|0|0|0|0|0|0"));
}

void TestFrmRel::transfersOfTheRelayShown_data()
{
    QTest::addColumn<char>("button");       // r read, w write
    QTest::addColumn<int>("setup");
    QTest::addColumn<QString>("frames");    // the panel saw: L the relay's label, R its record
    QTest::addColumn<int>("message");       // the one message shown
    QTest::addColumn<QString>("stored");    // the relay's row then
    QTest::addColumn<QString>("shown");     // type, general activation, day detector, day call point
    const QString zeros = "|0|0|0|0|0|0|0|0|0|0|0|0|0|0";
    const QString arrived = "192|PLANTA 2 ñ      " + zeros;
    const QString typed = "192|ESCRITA" + zeros;   // the box being edited is stored first
    const QString ten(10, 'R');
    // Type byte 0x60, mode 0xAD: siren with general activation, stored at
    // once; a type the table lacks is stored as received.
    QTest::newRow("read") << 'r' << int(AllWell) << "LR" << 432 << "96|PLANTA 2 ñ      |5|30|2|1|0|2|1|2|3|4|5|6|7|8"
                          << "SIREN|1|Delayed|No Active";
    QTest::newRow("read, type 67") << 'r' << int(Type67) << "LR" << 432 << "67|PLANTA 2 ñ      " + zeros
                                   << "NOT DEFINED|1|No Active|No Active";
    // The label that arrived before a record that did not is stored.
    QTest::newRow("read, record never answered") << 'r' << int(SilentRecord) << "L" + ten << 405 << arrived << "";
    QTest::newRow("read, no port") << 'r' << int(NoPort) << "" << 401 << typed << "";
    // Read, but not into the configuration: no "O.K." for it.
    QTest::newRow("read, the database refuses the record") << 'r' << int(RecordRefused) << "LR" << 120 << typed << "";
    // The label being typed is sent, and the record of the stored row.
    QTest::newRow("write") << 'w' << int(AllWell) << "LR" << 432 << typed << "";
    QTest::newRow("write, record never answered") << 'w' << int(SilentRecord) << "L" + ten << 405 << typed << "";
    // No half-built record frame goes out.
    QTest::newRow("write, row gone after the label") << 'w' << int(RowGoneAfterLabel) << "L" << 120 << "" << "";
}

void TestFrmRel::transfersOfTheRelayShown()
{
    QFETCH(char, button);
    QFETCH(int, setup);
    QFETCH(QString, shown);
    PanelSim &sim = *m_fx.sim;
    sim.setMemory(PanelSim::relayLabel(2), toCp1252(QStringLiteral("PLANTA 2 ñ      ")));
    sim.setMemory(PanelSim::relayRecord(2), QByteArray::fromHex(setup == Type67 ? "430000000000000000000000"
                                                                    : "60AD051E0102030405060708"));
    if (setup == SilentRecord)
        sim.misbehave(PanelSim::Misbehaviour::Silent, PanelSim::kAlways, PanelSim::relayRecord(2));
    if (setup == NoPort)
        test::pointCom1At(QStringLiteral("/dev/orbitarsis-no-such-port"));
    if (setup == RecordRefused)
        QVERIFY(execBound("CREATE TRIGGER refuse BEFORE UPDATE ON CONFRELES WHEN NEW.TIP = 96 "
                          "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    FrmRel *window = open();
    window->DatRel()->button(RelayNavigator::Next)->click();
    if (setup == RowGoneAfterLabel) {
        // The row goes while the label's late reply is awaited.
        frmComm().setReplyTimeout(2000);
        sim.setLateDelayMs(200);
        sim.misbehave(PanelSim::Misbehaviour::Late, 1, PanelSim::relayLabel(2));
        QTimer::singleShot(50, window, [] { QVERIFY(execBound("DELETE FROM CONFRELES WHERE IDREL = 2")); });
    }
    QVERIFY(openPortSettings());
    window->TxtEti()->setFocus();
    window->TxtEti()->setText(QStringLiteral("ESCRITA"));
    (button == 'r' ? window->CmdRecConfRel() : window->CmdSendConfRel())->click();

    QString frames;
    for (const QByteArray &frame : sim.receivedFrames()) {
        const int address = quint8(frame.at(4)) << 8 | quint8(frame.at(5));
        frames += address == PanelSim::relayLabel(2) ? 'L' : address == PanelSim::relayRecord(2) ? 'R' : '?';
    }
    QTEST(frames, "frames");
    QFETCH(int, message);
    m_fx.checkOnlyBox(message, message == 405 || message == 432 ? exchangeMessageTitle() : applicationTitle());
    QTEST(stored(2), "stored");
    // Whichever way it ended, the window is given back with the progress
    // closed, the ticker stopped, the port and the port settings closed.
    QVERIFY(window->CmdRecConfRel()->isEnabled() && !FrmLoad::loaded() && !window->TimBarCom3().isActive());
    QVERIFY(!frmComm().MSComm1().PortOpen() && !portSettingsWindow());
    if (!shown.isEmpty())
        QCOMPARE(QStringList({window->CmbTip()->currentText(), QString::number(window->ChkGen()->isChecked()),
                              window->responseList(FrmRel::DetDia)->currentText(),
                              window->responseList(FrmRel::PulDia)->currentText()}).join('|'), shown);
    if (button == 'w' && message == 432) {
        QCOMPARE(sim.memory(PanelSim::relayLabel(2), 16), QByteArray("ESCRITA         "));
        QCOMPARE(sim.memory(PanelSim::relayRecord(2), 12).toHex(), QByteArray("c00000000000000000000000"));
    }
}

void TestFrmRel::editsTheDatabaseRefusesWaitInTheirControls_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<int>("column");     // of stored(1)
    QTest::addColumn<QString>("value");  // stored there at last
    QTest::addColumn<QString>("shown");  // what the edited control shows
    QTest::newRow("label typed") << "label" << 1 << "NORTE" << "NORTE";
    QTest::newRow("type picked") << "type" << 0 << "32" << "SIREN";
    QTest::newRow("day detector picked") << "mode" << 4 << "2" << "Delayed";
    QTest::newRow("minutes typed") << "delay" << 2 << "7" << "7";
    QTest::newRow("list start typed") << "range" << 8 << "2" << "2";
}

void TestFrmRel::editsTheDatabaseRefusesWaitInTheirControls()
{
    QFETCH(QString, edit);
    QFETCH(QString, shown);
    QVERIFY(execBound(QStringLiteral("UPDATE CONFRELES SET TIP = 6, IL1 = 1, FL1 = 3 WHERE IDREL = 1")));
    FrmRel *window = open();
    const QString before = stored(1);
    // The working database refuses every write from here on.
    QVERIFY(execBound(QStringLiteral("PRAGMA query_only = ON")));
    appState().ConfModif = false;
    const bool picked = edit == QLatin1String("type") || edit == QLatin1String("mode");
    const QHash<QString, QWidget *> controls = {{"label", window->TxtEti()},
                                                {"type", window->CmbTip()},
                                                {"mode", window->responseList(FrmRel::DetDia)},
                                                {"delay", window->TxtRetMin()},
                                                {"range", window->TxtIniLL(1)}};
    QWidget *control = controls.value(edit);
    const auto showing = [control] {
        if (auto *box = qobject_cast<QLineEdit *>(control))
            return box->text();
        return qobject_cast<QComboBox *>(control)->currentText();
    };
    control->setFocus();
    QTRY_VERIFY(control->hasFocus());
    if (auto *box = qobject_cast<QLineEdit *>(control)) {
        box->selectAll();
        typeInto(box, shown);
    } else {
        // As a pick with the mouse: the list shows it, then says so.
        auto *list = qobject_cast<QComboBox *>(control);
        list->setCurrentIndex(list->findText(shown));
        emit list->activated(list->currentIndex());
    }
    // A pick is told at once; what is typed when its box is left, and not
    // again when the next control is left with nothing new.
    QCOMPARE(m_fx.boxes->shown.size(), picked ? 1 : 0);
    QTest::keyClick(control, Qt::Key_Tab);
    QVERIFY(!control->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(m_fx.boxes->shown.size(), 1);
    const QString told = Str(120) + QStringLiteral("\n\n8 ") + Str(9031);
    QCOMPARE(m_fx.boxes->shown.first().prompt, told);
    QVERIFY(appState().ConfModif);
    QCOMPARE(stored(1), before);
    QCOMPARE(showing(), shown);

    // Moving to another relay and closing the window stop, each told.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown);
    QCOMPARE(window->relayNumber(), 1);
    QVERIFY(!qobject_cast<QMdiSubWindow *>(window->parentWidget())->close());
    QCOMPARE(FrmRel::loaded(), window);
    QCOMPARE(m_fx.boxes->shown.size(), 3);
    QCOMPARE(m_fx.boxes->shown.last().prompt, told);
    QCOMPARE(stored(1), before);
    QCOMPARE(showing(), shown);

    // Once the database takes writes again, the next move stores it.
    QVERIFY(execBound(QStringLiteral("PRAGMA query_only = OFF")));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown);
    QCOMPARE(window->relayNumber(), 2);
    QFETCH(int, column);
    QTEST(stored(1).section('|', column, column), "value");
    QCOMPARE(m_fx.boxes->shown.size(), 3);
}

ORB_TEST_MAIN(TestFrmRel)
#include "test_frmrel.moc"
