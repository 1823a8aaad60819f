// Port settings of a configuration: the settings text as the window reads
// it, the defaults of a new configuration, storing the choices, the window
// itself (brought forward when opened again, out of its icon when
// minimised), and what the next exchange opens.

#include "CommSys.h"
#include "FrmComm.h"
#include "FrmCommSys.h"
#include "MdiHost.h"
#include "ScriptedBoxes.h"
#include "Strings.h"
#include "TestConfiguration.h"
#include "TestHome.h"

#include <QtTest>
#include <QtWidgets>

using namespace orb;

namespace {

// PORT, BAUD, PAR, DATBIT, STPBIT, FLU, ECO of the stored row.
QString storedRow()
{
    return orbtest::rows(QStringLiteral("SELECT PORT, BAUD, PAR, DATBIT, STPBIT, FLU, ECO FROM CONFCENTRAL")).value(0);
}

// What the window is told to show: baud, parity position, data bits, stop
// bits, port position, flow and echo ("-" for a part left as it is).
QString shown(const CommSysView &v)
{
    const auto part = [](const auto &value) { return value ? QVariant(*value).toString() : QStringLiteral("-"); };
    return QStringList{part(v.baud), part(v.parity), part(v.dataBits), part(v.stopBits), part(v.port),
                       part(v.flow), QString::number(v.echo)}.join(QLatin1Char(' '));
}

// A control of the window by its name.
template <typename T> T *child(QWidget *w, const char *name) { return w->findChild<T *>(QString::fromLatin1(name)); }

} // namespace

class TestPortSettings : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void settingsTextByPosition_data();
    void settingsTextByPosition();
    void defaultsThenStoringIsAllOrNothing();
    void windowShowsAndStores();
    void openedAgainComesForward();
    void openedAgainLeavesItsIcon();

private:
    ScriptedBoxes m_boxes;
    QMainWindow m_main;
};

void TestPortSettings::initTestCase()
{
    auto *area = new QMdiArea(&m_main);
    m_main.setCentralWidget(area);
    m_main.show();
    setMdiArea(area);
}

void TestPortSettings::init()
{
    m_boxes.shown.clear();
    QVERIFY(Create_DB());
    QSqlDatabase db = BaseDatos();
    db.setDatabaseName(workingDatabasePath());
    QVERIFY(db.open());
    QVERIFY(QSqlQuery(db).exec(QStringLiteral("INSERT INTO CONFCENTRAL (IDCON, NOMCON, ETIINI) VALUES (0, 'C', 'P')")));
}

void TestPortSettings::cleanup()
{
    unloadPortSettings();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Close_DB();
}

void TestPortSettings::settingsTextByPosition_data()
{
    // The settings text is the row's name; the view baud, parity position,
    // data bits and stop bits.
    QTest::addColumn<QString>("view");
    QTest::newRow("28800,e,7,2") << "28800 0 7 2";
    QTest::newRow("9600,N,8,1.5") << "9600 2 8 1.5";
    QTest::newRow("4800,X,8,1") << "4800 -1 8 1";   // no such parity: none selected
}

void TestPortSettings::settingsTextByPosition()
{
    QFETCH(QString, view);
    const QString text = QString::fromLatin1(QTest::currentDataTag());
    QCOMPARE(shown(parseComSettings(text)), view + QStringLiteral(" - - 0"));
}

void TestPortSettings::defaultsThenStoringIsAllOrNothing()
{
    // The new row's "0,0,0,0": the defaults are shown and stored, and the
    // port shown is the port stored.
    appState().ComEco = true;
    const CommSysView view = Load_CommSys();
    QCOMPARE(appState().ComSettings, QStringLiteral("0,0,0,0"));
    QVERIFY(!appState().ComEco);
    QVERIFY(view.defaults);
    QCOMPARE(shown(view), QStringLiteral("9600 2 8 1 0 0 0"));
    const QString defaults = QStringLiteral("1|9600|N|8|1|0|0");
    QCOMPARE(storedRow(), defaults);
    // No parity chosen: the parity column refuses an empty letter, and no
    // other column changes.
    CommSysChoice choice{3, QStringLiteral("4800"), QString(), QStringLiteral("7"), QStringLiteral("2"), 0, 0};
    QString error;
    QVERIFY(!storeCommSys(choice, &error) && !error.isEmpty());
    QCOMPARE(storedRow(), defaults);
    // Without a working database: the defaults are shown, nothing is stored.
    Close_DB();
    QVERIFY(Load_CommSys().defaults);
    QCOMPARE(appState().ComSettings, QString());
    choice.parity = Str(628);
    QVERIFY(!storeCommSys(choice, &error));
    QCOMPARE(error, Str(120));
}

void TestPortSettings::windowShowsAndStores()
{
    // A new row's "0,0,0,0", port 0: the port refuses them all and keeps its
    // start values.
    MSComm &port = frmComm().MSComm1();
    frmComm().Form_Load();
    QVERIFY(port.CommPort() == 1 && port.Settings() == QLatin1String("9600,N,8,1") && port.Handshaking() == 0);
    FrmCommSys *w = openPortSettings();
    QCOMPARE(openPortSettings(), w);   // one window only
    // A dialog of one size: no arrangement of the child windows stretches it.
    const QSize designed = frameOf(w)->size();
    for (Arrangement arrangement : {Arrangement::TileHorizontally, Arrangement::TileVertically, Arrangement::Cascade}) {
        arrangeChildren(arrangement);
        QCOMPARE(frameOf(w)->size(), designed);
    }
    child<QComboBox>(w, "CmbPort")->setCurrentIndex(1);
    child<QComboBox>(w, "CmbBaud")->setCurrentText(QStringLiteral("4800"));
    child<QComboBox>(w, "CmbParity")->setCurrentIndex(0);
    child<QComboBox>(w, "CmbDataBits")->setCurrentText(QStringLiteral("7"));
    child<QComboBox>(w, "CmbStopBits")->setCurrentText(QStringLiteral("1.5"));
    child<QRadioButton>(w, "OpcFlow_1")->click();
    child<QRadioButton>(w, "OpcEcho_1")->click();
    child<QPushButton>(w, "CmdEnt")->click();
    QTRY_VERIFY(portSettingsWindow() == nullptr);
    // 1.5 stop bits are kept as the whole number 2.
    const QString stored = QStringLiteral("2|4800|E|7|2|1|-1");
    QCOMPARE(storedRow(), stored);
    // That, Xon/Xoff on Com2 and the echo are what the next exchange opens.
    appState().ComEco = false;
    frmComm().Form_Load();
    QVERIFY(port.CommPort() == 2 && port.Settings() == QLatin1String("4800,E,7,2") && port.Handshaking() == 1);
    QVERIFY(appState().ComEco);
    QCOMPARE(deviceForPort(2), QStringLiteral("/dev/ttyS1"));

    // Opened again it shows what was stored, the whole number of stop bits.
    w = openPortSettings();
    QCOMPARE(child<QComboBox>(w, "CmbPort")->currentIndex(), 1);
    QCOMPARE(child<QComboBox>(w, "CmbStopBits")->currentText(), QStringLiteral("2"));
    QVERIFY(child<QRadioButton>(w, "OpcFlow_1")->isChecked());
    QVERIFY(child<QRadioButton>(w, "OpcEcho_1")->isChecked());

    // A choice that cannot be stored is shown, and the window stays open;
    // Exit then stores nothing.
    // Letters cannot be typed as a baud rate; a number too big for the
    // column is refused when stored.
    QComboBox *baud = child<QComboBox>(w, "CmbBaud");
    baud->lineEdit()->clear();
    QTest::keyClicks(baud->lineEdit(), QStringLiteral("q9x9999"));
    QCOMPARE(baud->currentText(), QStringLiteral("99999"));
    child<QPushButton>(w, "CmdEnt")->click();
    QCOMPARE(m_boxes.shown.size(), 1);
    QCOMPARE(m_boxes.shown.first().prompt, Str(120) + QStringLiteral("\n\n99999"));
    QCOMPARE(portSettingsWindow(), w);
    child<QPushButton>(w, "CmdSal")->click();
    QTRY_VERIFY(portSettingsWindow() == nullptr);
    QCOMPARE(storedRow(), stored);
    // A transfer closes it the same way.
    child<QComboBox>(openPortSettings(), "CmbBaud")->setCurrentText(QStringLiteral("1200"));
    unloadPortSettings();
    QCOMPARE(storedRow(), stored);
}

void TestPortSettings::openedAgainComesForward()
{
    // Another child window in front, the keyboard in its box: the window
    // opened again is the active one, with the keyboard.
    QApplication::setActiveWindow(&m_main);
    FrmCommSys *w = openPortSettings();
    auto *other = new QLineEdit;
    mdiArea()->setActiveSubWindow(showAsChild(other));
    other->setFocus();
    QVERIFY(other->hasFocus());
    QCOMPARE(openPortSettings(), w);
    QCOMPARE(mdiArea()->activeSubWindow(), frameOf(w));
    QVERIFY(w->isAncestorOf(QApplication::focusWidget()));
    delete frameOf(other);
}

void TestPortSettings::openedAgainLeavesItsIcon()
{
    // Minimised (by the Window menu's arrangement of icons, say), the window
    // opened again shows restored, at its own size, the active one.
    QApplication::setActiveWindow(&m_main);
    FrmCommSys *w = openPortSettings();
    QWidget *frame = frameOf(w);
    const QSize size = frame->size();
    frame->showMinimized();
    QTRY_VERIFY(frame->isMinimized());
    QCOMPARE(openPortSettings(), w);
    QVERIFY(!frame->isMinimized() && w->isVisible());
    QCOMPARE(frame->size(), size);
    QCOMPARE(mdiArea()->activeSubWindow(), frame);
}

ORB_TEST_MAIN(TestPortSettings)
#include "test_port_settings.moc"
