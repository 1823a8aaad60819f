// The new-configuration dialog: what its fields take (typed and pasted), the
// range check on leaving a field, the empty-field message, the rows and
// names of new configurations, cancel, and failures that leave the dialog
// and the previous configuration in place.

#include "FrmCommUi.h"
#include "FrmLoad.h"
#include "AppState.h"
#include "FrmMain.h"
#include "FrmNew.h"
#include "GeneralFields.h"
#include "MdiHost.h"
#include "ModBas.h"
#include "Recovery.h"
#include "ScriptedBoxes.h"
#include "Strings.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QMdiArea>
#include <QToolBar>
#include <QtTest>

using namespace orb;

namespace {

const QStringList kHeldMenus = {"MnuArx", "MnuCom", "MnuEdi", "MnuPrg", "MnuVen", "MnuVer"};

void fill(FrmNew *dialog, const GeneralTexts &texts)
{
    for (int i = 0; i < kGeneralFieldCount; ++i)
        dialog->TxtCon(i)->setText(texts[i]);
}

QList<QVariantList> rows(const QString &sql)
{
    QList<QVariantList> result;
    QSqlQuery q(BaseDatos());
    if (!q.exec(sql))
        return result;
    while (q.next()) {
        QVariantList row;
        for (int i = 0; i < q.record().count(); ++i)
            row << q.value(i);
        result << row;
    }
    return result;
}

// Types characters the test library has no key for: a key press and release
// carrying the character.
void typeText(QWidget *field, const QString &text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(field, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(field, &release);
    }
}

void sendFocusOut(QWidget *field, Qt::FocusReason reason)
{
    QFocusEvent out(QEvent::FocusOut, reason);
    QCoreApplication::sendEvent(field, &out);
}

} // namespace

class TestFrmNew : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void keyFilter_data();
    void keyFilter();
    void typedKeysReachTheFields();
    void tabMovesBetweenTheFields();
    void pastedTextMustFitTheField();
    void deleteKeyRemovesTheCharacterAfterTheCaret();
    void layoutNamesAndTexts();
    void dialogHoldsTheMainWindowWhileOpen();
    void rangeCheckOnLeavingAField();
    void rangeChecksReportOneFieldAtATime();
    void focusTakenByAMessageIsNoLeaving();
    void frameClicksAndClosingAreNoLeaving();
    void emptyFieldStopsTheCreate();
    void twoCreatesInOneRun();
    void zeroZonesAndRelaysCreateNoRows();
    void cancelChangesNothing();
    void createClosesTheReplacedConfigurationsWindows();
    void failedCreateLeavesTheDialogOpen();
    void failedStoreBringsThePreviousDatabaseBack();

private:
    std::unique_ptr<ScriptedBoxes> m_boxes;
    std::unique_ptr<FrmMain> m_main;
};

void TestFrmNew::init()
{
    appState() = AppState{};
    setCurrentLanguage(Language::English);
    clearWorkingMarks();
    m_boxes = std::make_unique<ScriptedBoxes>();
    m_main = std::make_unique<FrmMain>();
    m_main->load();
}

void TestFrmNew::cleanup()
{
    m_main.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_boxes.reset();
    Close_DB();
    for (const QString &path : {workingDatabasePath(), workingDatabasePath() + QStringLiteral(".prev")}) {
        QFileInfo info(path);
        if (info.isDir())
            QDir(path).removeRecursively();
        else
            QFile::remove(path);
    }
    clearWorkingMarks();
}

void TestFrmNew::keyFilter_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("selection");
    QTest::addColumn<bool>("accepted");

    for (int index = FieldZones; index <= FieldNightHour; ++index) {
        const QByteArray f = QByteArray::number(index);
        QTest::newRow("digit " + f) << index << "7" << 0 << 0 << true;
        QTest::newRow("zero " + f) << index << "0" << 0 << 0 << true;
        QTest::newRow("letter " + f) << index << "a" << 0 << 0 << false;
        QTest::newRow("minus " + f) << index << "-" << 0 << 0 << false;
        QTest::newRow("point " + f) << index << "." << 0 << 0 << false;
        QTest::newRow("blank " + f) << index << " " << 0 << 0 << false;
        QTest::newRow("arabic digit " + f) << index << QString(QChar(0x0663)) << 0 << 0 << false;
        QTest::newRow("backspace " + f) << index << "\b" << 3 << 0 << true;
        QTest::newRow("escape " + f) << index << "\x1b" << 3 << 0 << true;
        QTest::newRow("no length limit " + f) << index << "9" << 400 << 0 << true;
    }
    QTest::newRow("name takes any key") << 0 << "%" << 10 << 0 << true;
    QTest::newRow("name takes letters beyond the panel's") << 0 << QString(QChar(0x03A9)) << 10 << 0 << true;
    QTest::newRow("name full") << 0 << "x" << 50 << 0 << false;
    QTest::newRow("name full, backspace") << 0 << "\b" << 50 << 0 << true;
    QTest::newRow("name full, selection") << 0 << "x" << 50 << 3 << true;
    QTest::newRow("name 49") << 0 << "x" << 49 << 0 << true;
    QTest::newRow("label 15") << 5 << "Z" << 15 << 0 << true;
    QTest::newRow("label full") << 5 << "Z" << 16 << 0 << false;
    QTest::newRow("label full, backspace") << 5 << "\b" << 16 << 0 << true;
    QTest::newRow("label full, selection") << 5 << "Z" << 16 << 1 << true;
    QTest::newRow("label accent") << 5 << QString::fromUtf8("Ñ") << 0 << 0 << true;
    QTest::newRow("label euro") << 5 << QString::fromUtf8("€") << 0 << 0 << true;
    QTest::newRow("label greek") << 5 << QString(QChar(0x03A9)) << 0 << 0 << false;
    QTest::newRow("label cyrillic") << 5 << QString(QChar(0x0416)) << 0 << 0 << false;
}

void TestFrmNew::keyFilter()
{
    QFETCH(int, index);
    QFETCH(QString, key);
    QFETCH(int, length);
    QFETCH(int, selection);
    QFETCH(bool, accepted);
    QCOMPARE(generalKeyAccepted(index, key.at(0), length, selection), accepted);
}

void TestFrmNew::typedKeysReachTheFields()
{
    FrmNew *dialog = FrmNew::showDialog();
    QLineEdit *zones = dialog->TxtCon(FieldZones);
    QTest::keyClicks(zones, QStringLiteral("1a2.-3"));
    QCOMPARE(zones->text(), QStringLiteral("123"));
    QTest::keyClick(zones, Qt::Key_Backspace);
    QCOMPARE(zones->text(), QStringLiteral("12"));

    QLineEdit *name = dialog->TxtCon(FieldName);
    QTest::keyClicks(name, QString(50, QLatin1Char('n')));
    QCOMPARE(name->text().size(), 50);
    QTest::keyClicks(name, QStringLiteral("x"));
    QCOMPARE(name->text(), QString(50, QLatin1Char('n')));
    QTest::keyClick(name, Qt::Key_Backspace);
    QCOMPARE(name->text().size(), 49);
    QTest::keyClicks(name, QStringLiteral("y"));
    QCOMPARE(name->text().size(), 50);
    // A letter typed over a selection replaces it.
    name->setSelection(0, 5);
    QTest::keyClicks(name, QStringLiteral("H"));
    QCOMPARE(name->text(), QStringLiteral("H") + QString(44, QLatin1Char('n')) + QStringLiteral("y"));

    QLineEdit *label = dialog->TxtCon(FieldLabel);
    typeText(label, QString::fromUtf8("CAÑÓN€") + QChar(0x03A9) + QStringLiteral("1"));
    QCOMPARE(label->text(), QString::fromUtf8("CAÑÓN€1"));
}

void TestFrmNew::tabMovesBetweenTheFields()
{
    FrmNew *dialog = FrmNew::showDialog();
    QLineEdit *zones = dialog->TxtCon(FieldZones);
    QWidget *top = dialog->window();
    top->show();
    QApplication::setActiveWindow(top);
    zones->setFocus(Qt::OtherFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), zones);
    QTest::keyClick(zones, Qt::Key_Tab);
    QVERIFY(QApplication::focusWidget() != zones);
    QVERIFY2(zones->text().isEmpty(), "the Tab key is not typed into the field");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), zones);
}

void TestFrmNew::pastedTextMustFitTheField()
{
    FrmNew *dialog = FrmNew::showDialog();
    QClipboard *clipboard = QGuiApplication::clipboard();
    const auto paste = [clipboard](QLineEdit *field, const QString &text) {
        clipboard->setText(text);
        field->paste();
        return field->text();
    };
    QLineEdit *relays = dialog->TxtCon(FieldRelays);
    QCOMPARE(paste(relays, QStringLiteral("12x")), QString());
    QCOMPARE(paste(relays, QStringLiteral("-5")), QString());
    QCOMPARE(paste(relays, QStringLiteral("3.5")), QString());
    QCOMPARE(paste(relays, QStringLiteral(" 7")), QString());
    QCOMPARE(paste(relays, QStringLiteral("64")), QStringLiteral("64"));
    QCOMPARE(paste(dialog->TxtCon(FieldDayHour), QStringLiteral("٣")), QString());

    QLineEdit *name = dialog->TxtCon(FieldName);
    QCOMPARE(paste(name, QString(51, QLatin1Char('a'))), QString());
    QCOMPARE(paste(name, QString(50, QLatin1Char('a'))), QString(50, QLatin1Char('a')));

    QLineEdit *label = dialog->TxtCon(FieldLabel);
    QCOMPARE(paste(label, QString(17, QLatin1Char('L'))), QString());
    QCOMPARE(paste(label, QStringLiteral("ΑΘΗΝΑ")), QString());
    QCOMPARE(paste(label, QString::fromUtf8("ZONA «NORTE» ½")), QString::fromUtf8("ZONA «NORTE» ½"));
}

void TestFrmNew::deleteKeyRemovesTheCharacterAfterTheCaret()
{
    FrmNew *dialog = FrmNew::showDialog();
    QLineEdit *name = dialog->TxtCon(FieldName);
    name->setText(QStringLiteral("ABC"));
    name->setCursorPosition(0);
    QTest::keyClick(name, Qt::Key_Delete);
    QCOMPARE(name->text(), QStringLiteral("BC"));
    QCOMPARE(name->cursorPosition(), 0);
    name->setCursorPosition(1);
    QTest::keyClick(name, Qt::Key_Delete);
    QCOMPARE(name->text(), QStringLiteral("B"));
    // At the end there is nothing to remove.
    QTest::keyClick(name, Qt::Key_Delete);
    QCOMPARE(name->text(), QStringLiteral("B"));
    QCOMPARE(name->cursorPosition(), 1);
    // With a selection the press clears it and the release still takes the
    // character after the caret.
    name->setText(QStringLiteral("ABCDE"));
    name->setSelection(1, 2);
    QTest::keyClick(name, Qt::Key_Delete);
    QCOMPARE(name->text(), QStringLiteral("AE"));
    QCOMPARE(name->cursorPosition(), 1);
    // The keypad's Delete key removes one character too, not two.
    name->setText(QStringLiteral("ABCD"));
    name->setCursorPosition(1);
    QTest::keyClick(name, Qt::Key_Delete, Qt::KeypadModifier);
    QCOMPARE(name->text(), QStringLiteral("ACD"));
    QCOMPARE(name->cursorPosition(), 1);
    // A full stop has nothing to do with the Delete key.
    name->setText(QStringLiteral("XY"));
    name->setCursorPosition(0);
    QTest::keyClicks(name, QStringLiteral("."));
    QCOMPARE(name->text(), QStringLiteral(".XY"));
}

void TestFrmNew::layoutNamesAndTexts()
{
    appState().NomCon = QStringLiteral("Previous");
    FrmNew *dialog = FrmNew::showDialog();
    QCOMPARE(dialog->objectName(), QStringLiteral("FrmNew"));
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Configuration of: Previous"));
    QCOMPARE(dialog->size(), QSize(5415 / 15, 3915 / 15));
    QVERIFY(qobject_cast<QMdiSubWindow *>(dialog->parentWidget()));
    QVERIFY(dialog->findChild<QFrame *>(QStringLiteral("PnlTop")));
    const int captions[7] = {808, 809, 810, 827, 828, 813, 814};
    const int tips[6] = {819, 820, 821, 822, 823, 824};
    for (int i = 0; i < 7; ++i) {
        QLabel *label = dialog->findChild<QLabel *>(QStringLiteral("LblCon_%1").arg(i + 6));
        QCOMPARE(label, dialog->LblCon(i + 6));
        QCOMPARE(label->text(), Str(captions[i]));
    }
    for (int i = 0; i < kGeneralFieldCount; ++i) {
        QLineEdit *field = dialog->findChild<QLineEdit *>(QStringLiteral("TxtCon_%1").arg(i));
        QCOMPARE(field, dialog->TxtCon(i));
        QVERIFY(field->text().isEmpty());
        QCOMPARE(field->toolTip(), Str(tips[i]));
        QCOMPARE(field->x(), 2280 / 15);
        // Each caption ends just left of its field.
        if (i < 6)
            QVERIFY(dialog->LblCon(i + 6)->geometry().right() < field->x());
    }
    QCOMPARE(dialog->CmdWrConf()->objectName(), QStringLiteral("CmdWrConf"));
    QCOMPARE(dialog->CmdWrConf()->text(), Str(829));
    QCOMPARE(dialog->CmdWrConf()->toolTip(), Str(831));
    QCOMPARE(dialog->CmdCan()->text(), Str(830));
    QCOMPARE(dialog->CmdCan()->toolTip(), Str(832));
    QCOMPARE(dialog->CmdCan()->geometry(), QRect(3120 / 15, 3240 / 15, 1935 / 15, 495 / 15));
    // Tab order: the six fields, then create and cancel.
    QWidget *w = dialog->TxtCon(0);
    for (int i = 1; i < kGeneralFieldCount; ++i) {
        w = w->nextInFocusChain();
        QCOMPARE(w, dialog->TxtCon(i));
    }
    QCOMPARE(w->nextInFocusChain(), dialog->CmdWrConf());
    QCOMPARE(dialog->CmdWrConf()->nextInFocusChain(), dialog->CmdCan());

    // Shown again while open, the same dialog comes forward.
    QCOMPARE(FrmNew::showDialog(), dialog);
    QCOMPARE(m_main->documentArea()->subWindowList().size(), 1);
}

void TestFrmNew::dialogHoldsTheMainWindowWhileOpen()
{
    m_main->toolButton(1)->trigger();   // toolbar New
    FrmNew *dialog = FrmNew::loaded();
    QVERIFY(dialog);
    for (const QString &menu : kHeldMenus)
        QVERIFY2(!m_main->menuItem(menu)->isEnabled(), qPrintable(menu));
    QVERIFY(m_main->menuItem(QStringLiteral("MnuHelp"))->isEnabled());
    QVERIFY(!m_main->TolBarBut()->isEnabled());

    // The close box gives them back, as cancel does.
    qobject_cast<QMdiSubWindow *>(dialog->parentWidget())->close();
    for (const QString &menu : kHeldMenus)
        QVERIFY(m_main->menuItem(menu)->isEnabled());
    QVERIFY(m_main->TolBarBut()->isEnabled());
    QVERIFY(!FrmNew::loaded());
    // Single items keep what LOAD_MAIN gave them.
    QVERIFY(!m_main->menuItem(QStringLiteral("MnuArxSav"))->isEnabled());
}

void TestFrmNew::rangeCheckOnLeavingAField()
{
    FrmNew *dialog = FrmNew::showDialog();
    fill(dialog, {"Hotel", "128", "128", "23", "23", "LABEL"});
    QVERIFY(dialog->TxtCon_LostFocus(0));
    QVERIFY(m_boxes->shown.isEmpty());

    struct Case {
        int field;
        const char *value;
        int message;
    };
    const Case cases[] = {{1, "129", 839}, {2, "129", 840}, {3, "24", 841}, {4, "24", 842}};
    for (const Case &c : cases) {
        m_boxes->shown.clear();
        fill(dialog, {"Hotel", "128", "128", "23", "23", "LABEL"});
        dialog->TxtCon(c.field)->setText(QString::fromLatin1(c.value));
        // Whichever field is left, the four are tested.
        QVERIFY(!dialog->TxtCon_LostFocus(5));
        QCOMPARE(m_boxes->shown.size(), 1);
        QCOMPARE(m_boxes->shown.first().prompt, Str(c.message));
        QCOMPARE(m_boxes->shown.first().style, 48);
        QCOMPARE(m_boxes->shown.first().title, Str(109));
        QCOMPARE(appState().Mensaje, Str(c.message));
        QVERIFY(dialog->TxtCon(c.field)->text().isEmpty());
    }
    // Day 20, night 8 stand as they are.
    m_boxes->shown.clear();
    fill(dialog, {"Hotel", "0", "0", "20", "8", "LABEL"});
    QVERIFY(dialog->TxtCon_LostFocus(3));
    QVERIFY(m_boxes->shown.isEmpty());
}

void TestFrmNew::rangeChecksReportOneFieldAtATime()
{
    FrmNew *dialog = FrmNew::showDialog();
    fill(dialog, {"Hotel", "200", "300", "99", "24", "LABEL"});
    // Leaving a field through the keyboard runs the check.
    sendFocusOut(dialog->TxtCon(FieldName), Qt::TabFocusReason);
    QCOMPARE(m_boxes->shown.size(), 1);
    QCOMPARE(m_boxes->shown.last().prompt, Str(839));
    QVERIFY(dialog->TxtCon(FieldZones)->text().isEmpty());
    QCOMPARE(dialog->TxtCon(FieldRelays)->text(), QStringLiteral("300"));

    sendFocusOut(dialog->TxtCon(FieldZones), Qt::MouseFocusReason);
    QCOMPARE(m_boxes->shown.size(), 2);
    QCOMPARE(m_boxes->shown.last().prompt, Str(840));
    QCOMPARE(dialog->TxtCon(FieldDayHour)->text(), QStringLiteral("99"));
    dialog->TxtCon_LostFocus(2);
    QCOMPARE(m_boxes->shown.last().prompt, Str(841));
    dialog->TxtCon_LostFocus(3);
    QCOMPARE(m_boxes->shown.last().prompt, Str(842));
    QVERIFY(dialog->TxtCon_LostFocus(4));
    QCOMPARE(m_boxes->shown.size(), 4);
    // An emptied field then stops the create.
    dialog->CmdWrConf_Click();
    QCOMPARE(m_boxes->shown.last().prompt, Str(801));
    QVERIFY(!appState().ConfCargada);
}

void TestFrmNew::focusTakenByAMessageIsNoLeaving()
{
    FrmNew *dialog = FrmNew::showDialog();
    fill(dialog, {"Hotel", "200", "1", "1", "1", "LABEL"});
    sendFocusOut(dialog->TxtCon(FieldZones), Qt::ActiveWindowFocusReason);
    sendFocusOut(dialog->TxtCon(FieldZones), Qt::PopupFocusReason);
    QVERIFY(m_boxes->shown.isEmpty());
    QCOMPARE(dialog->TxtCon(FieldZones)->text(), QStringLiteral("200"));
    // A focus move while the message is up runs no second check.
    m_boxes->onShow = [dialog](const ShownBox &) { sendFocusOut(dialog->TxtCon(FieldRelays), Qt::TabFocusReason); };
    sendFocusOut(dialog->TxtCon(FieldZones), Qt::TabFocusReason);
    QCOMPARE(m_boxes->shown.size(), 1);
}

void TestFrmNew::frameClicksAndClosingAreNoLeaving()
{
    FrmNew *dialog = FrmNew::showDialog();
    auto *sub = qobject_cast<QMdiSubWindow *>(dialog->parentWidget());
    QVERIFY(sub);
    m_main->show();
    QApplication::setActiveWindow(m_main.get());
    QLineEdit *zones = dialog->TxtCon(FieldZones);
    zones->setFocus(Qt::OtherFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), zones);
    zones->setText(QStringLiteral("200"));

    // A click on the title bar takes the focus to the frame for a moment (it
    // hands it back to the field): no field was left.
    QTest::mouseClick(sub, Qt::LeftButton, {}, QPoint(sub->width() / 2, 4));
    QVERIFY(m_boxes->shown.isEmpty());
    QCOMPARE(zones->text(), QStringLiteral("200"));

    // Moving to another field of the dialog is leaving one.
    zones->setFocus(Qt::MouseFocusReason);
    dialog->TxtCon(FieldRelays)->setFocus(Qt::TabFocusReason);
    QCOMPARE(m_boxes->shown.size(), 1);
    QCOMPARE(m_boxes->shown.first().prompt, Str(839));
    QCOMPARE(QApplication::focusWidget(), zones);

    // The close box closes the dialog at once, with no check on the way.
    zones->setText(QStringLiteral("300"));
    m_boxes->shown.clear();
    QVERIFY(sub->close());
    QVERIFY(m_boxes->shown.isEmpty());
    QVERIFY(!FrmNew::loaded());
    QVERIFY(m_main->TolBarBut()->isEnabled());
}

void TestFrmNew::emptyFieldStopsTheCreate()
{
    FrmNew *dialog = FrmNew::showDialog();
    for (int empty = 0; empty < kGeneralFieldCount; ++empty) {
        m_boxes->shown.clear();
        GeneralTexts texts{"Hotel", "2", "2", "8", "20", "LABEL"};
        texts[empty].clear();
        fill(dialog, texts);
        dialog->CmdWrConf()->click();
        QCOMPARE(m_boxes->shown.size(), 1);
        QCOMPARE(m_boxes->shown.first().prompt, Str(801));
        QCOMPARE(m_boxes->shown.first().title, Str(802));
        QCOMPARE(m_boxes->shown.first().style, 48);
        QCOMPARE(FrmNew::loaded(), dialog);
    }
    QVERIFY(!appState().ConfCargada);
    QVERIFY(!QFile::exists(workingDatabasePath()));
    QCOMPARE(readWorkingMarks().file, QString());
    // Blanks and a zero are not empty.
    m_boxes->shown.clear();
    fill(dialog, {" ", "0", "0", "0", "0", " "});
    dialog->CmdWrConf()->click();
    QVERIFY(m_boxes->shown.isEmpty());
    QVERIFY(appState().ConfCargada);
}

void TestFrmNew::twoCreatesInOneRun()
{
    appState().IdCon = 0;
    FrmNew *dialog = FrmNew::showDialog();
    fill(dialog, {"Hotel Plaza", "12", "3", "8", "20", "PLAZA NORTE"});
    dialog->CmdWrConf()->click();
    QVERIFY(m_boxes->shown.isEmpty());
    QVERIFY(!FrmNew::loaded());

    const AppState &s = appState();
    QVERIFY(s.ConfCargada);
    QVERIFY(s.ConfModif);
    QCOMPARE(s.NomCon, QStringLiteral("Hotel Plaza"));
    QCOMPARE(s.NumZon, quint8(12));
    QCOMPARE(s.NumRel, quint8(3));
    QCOMPARE(s.IniDia, quint8(8));
    QCOMPARE(s.IniNit, quint8(20));
    QCOMPARE(s.EtiIni, QStringLiteral("PLAZA NORTE"));
    QCOMPARE(s.WorkingName, QStringLiteral("Config1"));
    QCOMPARE(s.WorkingFile, dataFolder() + QStringLiteral("/Config1"));
    QVERIFY(!QFile::exists(s.WorkingFile));
    QCOMPARE(readWorkingMarks().file, s.WorkingFile);
    QCOMPARE(readWorkingMarks().name, QStringLiteral("Config1"));
    QCOMPARE(m_main->windowTitle(), QStringLiteral("Config1 - ") + Str(1109));
    QCOMPARE(m_main->LblCon(0)->text(), Str(4909) + QStringLiteral("Hotel Plaza"));
    QCOMPARE(m_main->LblCon(2)->text(), Str(4911) + QStringLiteral("12"));
    QVERIFY(!m_main->PnlConf()->isHidden());
    QVERIFY(m_main->menuItem(QStringLiteral("MnuArx"))->isEnabled());
    QVERIFY(m_main->menuItem(QStringLiteral("MnuArxSav"))->isEnabled());
    QVERIFY(m_main->TolBarBut()->isEnabled());
    QVERIFY(BaseDatos().isOpen());

    QCOMPARE(rows("SELECT IDCON, NOMCON, NUMZON, NUMREL, INIDIA, ININIT, ETIINI FROM CONFCENTRAL"),
             QList<QVariantList>({{0, "Hotel Plaza", 12, 3, 8, 20, "PLAZA NORTE"}}));
    const auto zones = rows("SELECT IDCON, IDZON, ETIZON FROM CONFZONAS ORDER BY IDZON");
    QCOMPARE(zones.size(), 12);
    QCOMPARE(zones.at(11), QVariantList({0, 12, "ETI ZONA 12"}));
    QCOMPARE(zones.at(6), QVariantList({0, 7, "ETI ZONA 7"}));
    const auto relays = rows("SELECT * FROM CONFRELES ORDER BY IDREL");
    QCOMPARE(relays.size(), 3);
    QVariantList third{0, 3, 192, "ETI RELE 3"};
    for (int i = 0; i < 14; ++i)
        third << 0;
    QCOMPARE(relays.at(2), third);
    // The lookup rows are there too.
    QCOMPARE(rows("SELECT count(*) FROM TIPREL").first().first().toInt(), 6);

    // The second one of the run: Config2, replacing the first.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_main->menuItem(QStringLiteral("MnuArxNew"))->trigger();
    dialog = FrmNew::loaded();
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Configuration of: Hotel Plaza"));
    fill(dialog, {"Station", "128", "128", "0", "23", "ESTACION"});
    dialog->CmdWrConf_Click();
    QCOMPARE(s.WorkingName, QStringLiteral("Config2"));
    QCOMPARE(readWorkingMarks().name, QStringLiteral("Config2"));
    QCOMPARE(rows("SELECT NOMCON FROM CONFCENTRAL"), QList<QVariantList>({{"Station"}}));
    QCOMPARE(rows("SELECT count(*), min(IDZON), max(IDZON) FROM CONFZONAS"), QList<QVariantList>({{128, 1, 128}}));
    QCOMPARE(rows("SELECT ETIZON FROM CONFZONAS WHERE IDZON = 128"), QList<QVariantList>({{"ETI ZONA 128"}}));
    QCOMPARE(rows("SELECT count(*) FROM CONFRELES WHERE TIP = 192"), QList<QVariantList>({{128}}));
    QCOMPARE(m_main->windowTitle(), QStringLiteral("Config2 - ") + Str(1109));

    // In Spanish the name follows its table.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    setCurrentLanguage(Language::Spanish);
    QVERIFY(createConfiguration({"Tres", "1", "1", "1", "1", "T"}));
    QCOMPARE(s.WorkingName, QStringLiteral("Configuracion3"));
}

void TestFrmNew::zeroZonesAndRelaysCreateNoRows()
{
    FrmNew *dialog = FrmNew::showDialog();
    fill(dialog, {"Empty", "0", "000", "0", "0", "E"});
    dialog->CmdWrConf_Click();
    QVERIFY(m_boxes->shown.isEmpty());
    QCOMPARE(rows("SELECT count(*) FROM CONFZONAS"), QList<QVariantList>({{0}}));
    QCOMPARE(rows("SELECT count(*) FROM CONFRELES"), QList<QVariantList>({{0}}));
    QCOMPARE(appState().NumRel, quint8(0));
    QCOMPARE(m_main->LblCon(3)->text(), Str(4912) + QStringLiteral("0"));
}

void TestFrmNew::cancelChangesNothing()
{
    QVERIFY(createConfiguration({"Kept", "2", "2", "8", "20", "KEPT"}));
    m_main->LOAD_MAIN();
    const QString before = appState().WorkingFile;
    FrmNew *dialog = FrmNew::showDialog();
    fill(dialog, {"Other", "5", "5", "1", "1", "OTHER"});
    dialog->CmdCan()->click();
    QVERIFY(!FrmNew::loaded());
    QVERIFY(m_boxes->shown.isEmpty());
    for (const QString &menu : kHeldMenus)
        QVERIFY(m_main->menuItem(menu)->isEnabled());
    QVERIFY(m_main->TolBarBut()->isEnabled());
    QCOMPARE(appState().NomCon, QStringLiteral("Kept"));
    QCOMPARE(appState().WorkingFile, before);
    QCOMPARE(readWorkingMarks().file, before);
    QCOMPARE(appState().NumNuevas, 1.0);
    QCOMPARE(rows("SELECT NOMCON, NUMZON FROM CONFCENTRAL"), QList<QVariantList>({{"Kept", 2}}));
}

void TestFrmNew::createClosesTheReplacedConfigurationsWindows()
{
    QVERIFY(createConfiguration({"Old", "2", "2", "8", "20", "OLD"}));
    QPointer<QWidget> zones = new QWidget;
    zones->setObjectName(QStringLiteral("FrmZon"));
    showAsChild(zones);
    QVERIFY(openPortSettings());
    FrmLoad::load();
    FrmNew *dialog = FrmNew::showDialog();
    fill(dialog, {"New", "3", "3", "8", "20", "NEW"});
    dialog->CmdWrConf_Click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(zones.isNull());
    QVERIFY2(!portSettingsWindow(), "the old configuration's port settings are not stored into the new one");
    QVERIFY(!FrmLoad::loaded());
    QCOMPARE(appState().NomCon, QStringLiteral("New"));

    // A window that will not close stops the create before anything changes.
    class Stubborn : public QWidget {
    protected:
        void closeEvent(QCloseEvent *e) override { e->ignore(); }
    };
    auto *stubborn = new Stubborn;
    stubborn->setObjectName(QStringLiteral("FrmConf"));
    showAsChild(stubborn);
    dialog = FrmNew::showDialog();
    fill(dialog, {"Newer", "3", "3", "8", "20", "NEWER"});
    dialog->CmdWrConf_Click();
    QCOMPARE(FrmNew::loaded(), dialog);
    QCOMPARE(appState().NomCon, QStringLiteral("New"));
    QCOMPARE(rows("SELECT NOMCON FROM CONFCENTRAL"), QList<QVariantList>({{"New"}}));
}

void TestFrmNew::failedCreateLeavesTheDialogOpen()
{
    // A folder in the place of the working database, and another in the
    // place its predecessor is kept aside: nothing can be made.
    QVERIFY(QDir().mkpath(workingDatabasePath() + QStringLiteral("/inside")));
    QVERIFY(QDir().mkpath(workingDatabasePath() + QStringLiteral(".prev/inside")));
    FrmNew *dialog = FrmNew::showDialog();
    fill(dialog, {"Hotel", "2", "2", "8", "20", "LABEL"});
    dialog->CmdWrConf_Click();
    QCOMPARE(m_boxes->shown.size(), 1);
    QVERIFY(m_boxes->shown.first().prompt.startsWith(Str(1001) + workingDatabasePath() + Str(1)));
    QCOMPARE(FrmNew::loaded(), dialog);
    QCOMPARE(dialog->TxtCon(FieldName)->text(), QStringLiteral("Hotel"));
    QVERIFY(!appState().ConfCargada);
    QCOMPARE(appState().NumNuevas, 0.0);
    QCOMPARE(readWorkingMarks().file, QString());
    QVERIFY(!m_main->TolBarBut()->isEnabled());
}

void TestFrmNew::failedStoreBringsThePreviousDatabaseBack()
{
    QVERIFY(createConfiguration({"Previous", "4", "1", "8", "20", "PREV"}));
    const AppState before = appState();
    // A name the database refuses (the dialog itself never lets one through).
    QVERIFY(!createConfiguration({QString(60, QLatin1Char('x')), "2", "2", "8", "20", "LABEL"}));
    QCOMPARE(m_boxes->shown.size(), 1);
    QVERIFY(m_boxes->shown.first().prompt.startsWith(Str(1001)));
    QCOMPARE(appState().NomCon, before.NomCon);
    QCOMPARE(appState().NumNuevas, before.NumNuevas);
    QCOMPARE(appState().WorkingName, QStringLiteral("Config1"));
    QCOMPARE(readWorkingMarks().name, QStringLiteral("Config1"));
    QVERIFY(BaseDatos().isOpen());
    QCOMPARE(rows("SELECT NOMCON, NUMZON FROM CONFCENTRAL"), QList<QVariantList>({{"Previous", 4}}));
    QCOMPARE(rows("SELECT count(*) FROM CONFZONAS"), QList<QVariantList>({{4}}));
    QVERIFY(!QFile::exists(workingDatabasePath() + QStringLiteral(".prev")));
}

QTEST_MAIN(TestFrmNew)
#include "test_frmnew.moc"
