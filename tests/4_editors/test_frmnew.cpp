// The new-configuration dialog: what its fields take (typed and pasted), the
// range check on leaving a field, the empty-field message, the rows and
// names of new configurations, cancel, and failures that leave the dialog
// and the previous configuration in place.

#include "FrmCommSys.h"
#include "FrmLoad.h"
#include "FrmNew.h"
#include "MainWindowFixture.h"

namespace {

// How many of the commands the open dialog holds (every menu but Help, and
// the toolbar) are enabled: 0 while it is open, 7 once it is gone.
int commandsEnabled(FrmMain &main)
{
    int on = main.TolBarBut()->isEnabled();
    for (const char *menu : {"MnuArx", "MnuCom", "MnuEdi", "MnuPrg", "MnuVen", "MnuVer"})
        on += main.menuItem(QString::fromLatin1(menu))->isEnabled();
    return on;
}

} // namespace

class TestFrmNew : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { m_fx.stop(); }
    void typedAndPastedTextMustFitTheField();
    void deleteAndTabKeys();
    void rangeAndEmptyFieldChecks();
    void onlyLeavingAFieldRunsTheCheck();
    void twoCreatesAndACancelInOneRun();
    void createReplacesTheConfigurationOnlyWhenAllGoesWell();

private:
    MainWindowFixture m_fx;
};

void TestFrmNew::init()
{
    // Nothing a failed earlier run left behind counts.
    for (const QString &path : {workingDatabasePath(), previousDatabasePath()}) {
        QDir(path).removeRecursively();
        QFile::remove(path);
    }
    m_fx.start();
}

void TestFrmNew::typedAndPastedTextMustFitTheField()
{
    FrmNew *dialog = FrmNew::showDialog();
    // Number fields take plain digits only; names and labels stop at their
    // limit unless a selection is typed over; labels take only what the
    // panel's code page holds.
    QLineEdit *zones = dialog->TxtCon(FieldZones);
    QCOMPARE(typeInto(zones, QString::fromUtf8("1a2.- ٣3")), QStringLiteral("123"));
    QTest::keyClick(zones, Qt::Key_Backspace);
    QCOMPARE(typeInto(zones, QStringLiteral("0")), QStringLiteral("120"));
    QLineEdit *name = dialog->TxtCon(FieldName);
    QCOMPARE(typeInto(name, QString(49, 'n') + QString::fromUtf8("Ωx")), QString(49, 'n') + QString::fromUtf8("Ω"));
    QTest::keyClick(name, Qt::Key_Backspace);
    QCOMPARE(typeInto(name, QStringLiteral("yz")), QString(49, 'n') + QStringLiteral("y"));
    name->setSelection(0, 5);
    QCOMPARE(typeInto(name, QStringLiteral("H")), QStringLiteral("H") + QString(44, 'n') + QStringLiteral("y"));
    QCOMPARE(typeInto(dialog->TxtCon(FieldLabel), QString::fromUtf8("CAÑÓN€Ω0123456789X")),
             QString::fromUtf8("CAÑÓN€0123456789"));

    // Pasted text goes in whole or not at all.
    const QList<std::tuple<int, QString, bool>> pastes = {
        {FieldRelays, "12x", false},         {FieldRelays, "-5", false},             {FieldRelays, " 7", false},
        {FieldDayHour, "٣", false},          {FieldRelays, "64", true},              {FieldName, QString(51, 'a'), false},
        {FieldName, QString(50, 'a'), true}, {FieldLabel, QString(17, 'L'), false}, {FieldLabel, "ΑΘΗΝΑ", false},
        {FieldLabel, "ZONA «NORTE» ½", true}};
    for (const auto &[index, text, taken] : pastes)
        QCOMPARE(pasteInto(dialog->TxtCon(index), text), taken ? text : QString());
}

void TestFrmNew::deleteAndTabKeys()
{
    FrmNew *dialog = FrmNew::showDialog();
    QLineEdit *name = dialog->TxtCon(FieldName);
    // Delete takes the character after the caret, nothing at the end; over
    // a selection it takes the selection and then the character after it.
    // The keypad's Delete takes one character too.
    const QList<std::tuple<QString, int, int, Qt::KeyboardModifiers, QString>> presses = {
        {"ABC", 0, 0, {}, "BC"}, {"ABCDE", 1, 2, {}, "AE"}, {"ABCD", 1, 0, Qt::KeypadModifier, "ACD"}};
    for (const auto &[text, start, length, modifiers, after] : presses) {
        name->setText(text);
        name->setSelection(start, length);
        QTest::keyClick(name, Qt::Key_Delete, modifiers);
        QCOMPARE(name->text(), after);
        QCOMPARE(name->cursorPosition(), start);
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

void TestFrmNew::rangeAndEmptyFieldChecks()
{
    FrmNew *dialog = FrmNew::showDialog();
    // Whichever field is left, the four numbers are tested in order: each
    // time the first one above its limit is reported and emptied.
    fill(dialog, {"Hotel", "200", "300", "24", "24", "LABEL"});
    const QString messages[4] = {Str(839), Str(840), Str(841), Str(842)};
    for (int i = 0; i < 4; ++i) {
        QVERIFY(!dialog->TxtCon_LostFocus(i == 0 ? FieldName : FieldLabel));
        QCOMPARE(m_fx.boxes->shown.size(), i + 1);
        QCOMPARE(m_fx.boxes->shown.last().prompt, messages[i]);
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

void TestFrmNew::onlyLeavingAFieldRunsTheCheck()
{
    FrmNew *dialog = FrmNew::showDialog();
    QCOMPARE(commandsEnabled(*m_fx.main), 0);
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
    QCOMPARE(commandsEnabled(*m_fx.main), 7);
}

void TestFrmNew::twoCreatesAndACancelInOneRun()
{
    appState().IdCon = 5; // a document of configuration 5 was open: the new one is 0 throughout
    FrmNew *dialog = FrmNew::showDialog();
    fill(dialog, {"Hotel Plaza", "12", "3", "8", "20", "PLAZA NORTE"});
    dialog->CmdWrConf()->click();
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
    m_fx.main->toolButton(1)->trigger();   // toolbar New
    QVERIFY((dialog = FrmNew::loaded()));
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Configuration of: Hotel Plaza"));
    QCOMPARE(FrmNew::showDialog(), dialog);   // shown again, the same one
    fill(dialog, {"Other", "5", "5", "1", "1", "OTHER"});
    dialog->CmdCan()->click();
    QCOMPARE(commandsEnabled(*m_fx.main), 7);
    QCOMPARE(rows("SELECT NOMCON FROM CONFCENTRAL"), QStringList("Hotel Plaza"));

    // The second one of the run: Config2, replacing the first.
    m_fx.main->menuItem(QStringLiteral("MnuArxNew"))->trigger();
    QVERIFY((dialog = FrmNew::loaded()));
    fill(dialog, {"Station", "128", "128", "0", "23", "ESTACION"});
    dialog->CmdWrConf_Click();
    QCOMPARE(readWorkingMarks().name, QStringLiteral("Config2"));
    QCOMPARE(rows("SELECT NOMCON, (SELECT count(DISTINCT IDZON) || '/' || max(IDZON) FROM CONFZONAS), "
                  "(SELECT count(*) FROM CONFRELES) FROM CONFCENTRAL"),
             QStringList("Station|128/128|128"));
    // In Spanish the name follows its table.
    setCurrentLanguage(Language::Spanish);
    QVERIFY(createConfiguration({"Tres", "1", "1", "1", "1", "T"}));
    QCOMPARE(appState().WorkingName, QStringLiteral("Configuracion3"));
}

void TestFrmNew::createReplacesTheConfigurationOnlyWhenAllGoesWell()
{
    // A folder in the place of the working database, and another in the
    // place its predecessor is kept aside: nothing can be made, the dialog
    // stays open with its texts.
    QVERIFY(QDir().mkpath(workingDatabasePath() + QStringLiteral("/inside")));
    QVERIFY(QDir().mkpath(previousDatabasePath() + QStringLiteral("/inside")));
    FrmNew *dialog = FrmNew::showDialog();
    fill(dialog, {"Old", "2", "2", "8", "20", "OLD"});
    dialog->CmdWrConf_Click();
    QVERIFY(m_fx.boxes->shown.value(0).prompt.startsWith(Str(1001) + workingDatabasePath() + Str(1)));
    QCOMPARE(FrmNew::loaded(), dialog);
    QVERIFY(!appState().ConfCargada);
    QCOMPARE(appState().NumNuevas, 0.0);
    // With the way clear, the same dialog makes it.
    QVERIFY(QDir(workingDatabasePath()).removeRecursively() && QDir(previousDatabasePath()).removeRecursively());
    dialog->CmdWrConf_Click();
    QCOMPARE(appState().NomCon, QStringLiteral("Old"));

    // The windows of the configuration it replaces close first, and so do
    // the port settings and the progress box.
    QPointer<QWidget> zones = new QWidget;
    zones->setObjectName(QStringLiteral("FrmZon"));
    showAsChild(zones);
    QVERIFY(openPortSettings());
    FrmLoad::load();
    dialog = FrmNew::showDialog();
    fill(dialog, {"New", "3", "3", "8", "20", "NEW"});
    dialog->CmdWrConf_Click();
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
    dialog = FrmNew::showDialog();
    fill(dialog, {"Newer", "3", "3", "8", "20", "NEWER"});
    dialog->CmdWrConf_Click();
    QCOMPARE(FrmNew::loaded(), dialog);
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

QTEST_MAIN(TestFrmNew)
#include "test_frmnew.moc"
