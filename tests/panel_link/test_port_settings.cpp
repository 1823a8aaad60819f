// Port settings of a configuration: the settings text as the window reads
// it, the defaults of a new configuration, storing the choices, the window
// itself, and the progress box around an exchange sequence.

#include "AppState.h"
#include "CommSys.h"
#include "FrmComm.h"
#include "FrmCommUi.h"
#include "FrmLoad.h"
#include "MdiHost.h"
#include "ModBas.h"
#include "Seams.h"
#include "Strings.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlQuery>
#include <QtTest>

using namespace orb;

namespace {

struct Box {
    QString prompt;
    int style;
    QString title;
};

QVariantMap storedRow()
{
    QSqlQuery q(BaseDatos());
    q.exec(QStringLiteral("SELECT PORT, BAUD, PAR, DATBIT, STPBIT, FLU, ECO FROM CONFCENTRAL"));
    QVariantMap row;
    if (q.next()) {
        for (const char *c : {"PORT", "BAUD", "PAR", "DATBIT", "STPBIT", "FLU", "ECO"})
            row.insert(QString::fromLatin1(c), q.value(QString::fromLatin1(c)).toString());
    }
    return row;
}

QVariantMap row(const char *port, const char *baud, const char *par, const char *dat, const char *stp,
                const char *flu, const char *eco)
{
    return {{QStringLiteral("PORT"), QString::fromLatin1(port)},   {QStringLiteral("BAUD"), QString::fromLatin1(baud)},
            {QStringLiteral("PAR"), QString::fromLatin1(par)},     {QStringLiteral("DATBIT"), QString::fromLatin1(dat)},
            {QStringLiteral("STPBIT"), QString::fromLatin1(stp)},  {QStringLiteral("FLU"), QString::fromLatin1(flu)},
            {QStringLiteral("ECO"), QString::fromLatin1(eco)}};
}

} // namespace

class TestPortSettings : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void settingsTextByPosition_data();
    void settingsTextByPosition();
    void newConfigurationGetsDefaults();
    void storedSettingsShownAgain();
    void storingIsAllOrNothing();
    void handshakingReachesThePort();
    void windowShowsAndStores();
    void windowExitStoresNothing();
    void windowReportsAStoreFailure();
    void progressBoxAroundAnExchange();

private:
    template <typename T>
    T *child(QWidget *window, const char *name)
    {
        return window->findChild<T *>(QString::fromLatin1(name));
    }
    QList<Box> m_boxes;
    QMainWindow *m_main = nullptr;
};

void TestPortSettings::initTestCase()
{
    setCurrentLanguage(Language::English);
    setMsgBoxHandler([this](const QString &prompt, int style, const QString &title) {
        m_boxes << Box{prompt, style, title};
        return int(AnsOk);
    });
    m_main = new QMainWindow;
    auto *area = new QMdiArea(m_main);
    m_main->setCentralWidget(area);
    m_main->resize(900, 600);
    m_main->show();
    setMdiArea(area);
}

void TestPortSettings::init()
{
    m_boxes.clear();
    QVERIFY(Create_DB());
    QSqlDatabase db = BaseDatos();
    db.setDatabaseName(workingDatabasePath());
    QVERIFY(db.open());
    QSqlQuery q(db);
    QVERIFY(q.exec(QStringLiteral("INSERT INTO CONFCENTRAL (IDCON, NOMCON, ETIINI) VALUES (0, 'CONF', 'PANEL')")));
}

void TestPortSettings::cleanup()
{
    unloadPortSettings();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Close_DB();
}

void TestPortSettings::settingsTextByPosition_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("baud");
    QTest::addColumn<int>("parity");
    QTest::addColumn<QString>("dataBits");
    QTest::addColumn<QString>("stopBits");
    QTest::newRow("9600,N,8,1") << "9600,N,8,1" << "9600" << 2 << "8" << "1";
    QTest::newRow("28800,e,7,2") << "28800,e,7,2" << "28800" << 0 << "7" << "2";
    QTest::newRow("9600,N,8,1.5") << "9600,N,8,1.5" << "9600" << 2 << "8" << "1.5";
    QTest::newRow("1200,o,5,1") << "1200,o,5,1" << "1200" << 1 << "5" << "1";
    QTest::newRow("14400,M,6,2") << "14400,M,6,2" << "14400" << 3 << "6" << "2";
    QTest::newRow("2400,s,8,1") << "2400,s,8,1" << "2400" << 4 << "8" << "1";
    QTest::newRow("unknown parity") << "4800,X,8,1" << "4800" << -1 << "8" << "1";
}

void TestPortSettings::settingsTextByPosition()
{
    QFETCH(QString, text);
    const CommSysView view = parseComSettings(text);
    QFETCH(QString, baud);
    QFETCH(int, parity);
    QFETCH(QString, dataBits);
    QFETCH(QString, stopBits);
    QCOMPARE(view.baud.value_or(QStringLiteral("<none>")), baud);
    QCOMPARE(view.parity.value_or(-99), parity);
    QCOMPARE(view.dataBits.value_or(QStringLiteral("<none>")), dataBits);
    QCOMPARE(view.stopBits.value_or(QStringLiteral("<none>")), stopBits);
}

void TestPortSettings::newConfigurationGetsDefaults()
{
    appState().ComEco = true;
    const CommSysView view = Load_CommSys();
    QCOMPARE(appState().ComSettings, QStringLiteral("0,0,0,0"));
    QVERIFY(!appState().ComEco);
    QVERIFY(view.defaults);
    QCOMPARE(view.baud, std::optional<QString>(QStringLiteral("9600")));
    QCOMPARE(view.parity, std::optional<int>(2));
    QCOMPARE(view.dataBits, std::optional<QString>(QStringLiteral("8")));
    QCOMPARE(view.stopBits, std::optional<QString>(QStringLiteral("1")));
    // The port shown is the port stored.
    QCOMPARE(view.port, std::optional<int>(0));
    QCOMPARE(view.flow, std::optional<int>(0));
    QCOMPARE(view.echo, 0);
    QCOMPARE(storedRow(), row("1", "9600", "N", "8", "1", "0", "0"));

    // Opened again, the stored text is read back the same.
    const CommSysView again = Load_CommSys();
    QVERIFY(!again.defaults);
    QCOMPARE(appState().ComSettings, QStringLiteral("9600,N,8,1"));
    QCOMPARE(again.port, std::optional<int>(0));
    QCOMPARE(again.parity, std::optional<int>(2));
    QCOMPARE(again.baud, std::optional<QString>(QStringLiteral("9600")));

    // Without a working database: the defaults are shown, nothing is stored.
    Close_DB();
    const CommSysView none = Load_CommSys();
    QVERIFY(none.defaults);
    QCOMPARE(appState().ComSettings, QString());
}

void TestPortSettings::storedSettingsShownAgain()
{
    CommSysChoice choice;
    choice.portIndex = 2;
    choice.baud = QStringLiteral(" 28800 ");
    choice.parity = Str(629);   // "O-Odd"
    choice.dataBits = QStringLiteral("7");
    choice.stopBits = QStringLiteral("1.5");
    choice.flowSel = 3;
    choice.echoSel = -1;
    QString error;
    QVERIFY2(storeCommSys(choice, &error), qPrintable(error));
    QCOMPARE(appState().ComSettings, QStringLiteral("28800,O,7,1.5"));
    QVERIFY(appState().ComEco);
    // 1.5 stop bits are kept as the whole number 2.
    QCOMPARE(storedRow(), row("3", "28800", "O", "7", "2", "3", "-1"));

    const CommSysView view = Load_CommSys();
    QCOMPARE(appState().ComSettings, QStringLiteral("28800,O,7,2"));
    QCOMPARE(view.baud, std::optional<QString>(QStringLiteral("28800")));
    QCOMPARE(view.parity, std::optional<int>(1));
    QCOMPARE(view.stopBits, std::optional<QString>(QStringLiteral("2")));
    QCOMPARE(view.port, std::optional<int>(2));
    QCOMPARE(view.flow, std::optional<int>(3));
    QCOMPARE(view.echo, 1);
}

void TestPortSettings::storingIsAllOrNothing()
{
    Load_CommSys();   // stores the defaults
    const QVariantMap before = storedRow();
    CommSysChoice choice;
    choice.portIndex = 3;
    choice.baud = QStringLiteral("fast");
    choice.parity = Str(628);
    choice.dataBits = QStringLiteral("7");
    choice.stopBits = QStringLiteral("2");
    QString error;
    QVERIFY(!storeCommSys(choice, &error));
    QVERIFY(error.contains(QStringLiteral("fast")));
    QCOMPARE(storedRow(), before);

    // No parity chosen: the parity column refuses an empty letter, and the
    // port number before it is not stored either.
    choice.baud = QStringLiteral("4800");
    choice.parity = QString();
    error.clear();
    QVERIFY(!storeCommSys(choice, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(storedRow(), before);

    // A baud rate beyond the column.
    choice.parity = Str(628);
    choice.baud = QStringLiteral("115200");
    QVERIFY(!storeCommSys(choice, &error));
    QCOMPARE(storedRow(), before);

    Close_DB();
    choice.baud = QStringLiteral("4800");
    QVERIFY(!storeCommSys(choice, &error));
    QCOMPARE(error, Str(120));
}

void TestPortSettings::handshakingReachesThePort()
{
    CommSysChoice choice;
    choice.portIndex = 0;
    choice.baud = QStringLiteral("2400");
    choice.parity = Str(630);
    choice.dataBits = QStringLiteral("8");
    choice.stopBits = QStringLiteral("1");
    choice.flowSel = 1;
    QString error;
    QVERIFY(storeCommSys(choice, &error));
    FrmComm &comm = frmComm();
    comm.Form_Unload();
    comm.Form_Load();
    QCOMPARE(comm.MSComm1().Handshaking(), 1);
    QCOMPARE(comm.MSComm1().Settings(), QStringLiteral("2400,N,8,1"));
    QCOMPARE(comm.MSComm1().CommPort(), 1);
}

void TestPortSettings::windowShowsAndStores()
{
    appState().PuertoOk = true;
    FrmCommSys *w = openPortSettings();
    QVERIFY(w);
    QVERIFY(!appState().PuertoOk);
    QCOMPARE(portSettingsWindow(), w);
    QCOMPARE(openPortSettings(), w);   // one window only
    QCOMPARE(w->windowTitle(), Str(601));

    auto *port = child<QComboBox>(w, "CmbPort");
    auto *baud = child<QComboBox>(w, "CmbBaud");
    auto *parity = child<QComboBox>(w, "CmbParity");
    auto *data = child<QComboBox>(w, "CmbDataBits");
    auto *stop = child<QComboBox>(w, "CmbStopBits");
    QVERIFY(port && baud && parity && data && stop);
    QCOMPARE(port->count(), 4);
    QCOMPARE(port->itemText(3), QStringLiteral("Com4"));
    QCOMPARE(baud->count(), 6);
    QCOMPARE(baud->itemText(5), QStringLiteral("28800"));
    QCOMPARE(data->itemText(0), QStringLiteral("4"));
    QCOMPARE(parity->itemText(4), Str(632));
    QCOMPARE(stop->itemText(1), QStringLiteral("1.5"));
    QCOMPARE(child<QLabel>(w, "Label1")->text(), Str(602));
    QCOMPARE(child<QGroupBox>(w, "fraConnection")->title(), Str(604));
    QCOMPARE(child<QRadioButton>(w, "OpcFlow_3")->text(), Str(612));
    QCOMPARE(child<QRadioButton>(w, "OpcEcho_1")->toolTip(), Str(625));
    QCOMPARE(child<QPushButton>(w, "CmdEnt")->toolTip(), Str(626));
    QCOMPARE(port->toolTip(), Str(618));

    // A new configuration shows the defaults, which are stored at once.
    QCOMPARE(port->currentIndex(), 0);
    QCOMPARE(baud->currentText(), QStringLiteral("9600"));
    QCOMPARE(parity->currentIndex(), 2);
    QCOMPARE(data->currentText(), QStringLiteral("8"));
    QCOMPARE(stop->currentText(), QStringLiteral("1"));
    QVERIFY(child<QRadioButton>(w, "OpcFlow_0")->isChecked());
    QVERIFY(child<QRadioButton>(w, "OpcEcho_0")->isChecked());
    QCOMPARE(storedRow(), row("1", "9600", "N", "8", "1", "0", "0"));

    QWidget *frame = w->parentWidget() ? w->parentWidget() : w;
    const QImage shot = frame->grab().toImage();
    QVERIFY(!shot.isNull());
    shot.save(QCoreApplication::applicationDirPath() + QStringLiteral("/FrmCommSys.png"));

    port->setCurrentIndex(1);
    baud->setCurrentText(QStringLiteral("4800"));
    parity->setCurrentIndex(0);
    data->setCurrentText(QStringLiteral("7"));
    stop->setCurrentIndex(1);
    child<QRadioButton>(w, "OpcFlow_1")->click();
    child<QRadioButton>(w, "OpcEcho_1")->click();
    QCOMPARE(w->FlowSel(), 1);
    QCOMPARE(w->EchoSel(), -1);
    child<QPushButton>(w, "CmdEnt")->click();
    QVERIFY(m_boxes.isEmpty());
    QTRY_VERIFY(portSettingsWindow() == nullptr);
    QCOMPARE(storedRow(), row("2", "4800", "E", "7", "2", "1", "-1"));

    FrmCommSys *again = openPortSettings();
    QCOMPARE(child<QComboBox>(again, "CmbPort")->currentIndex(), 1);
    QCOMPARE(child<QComboBox>(again, "CmbStopBits")->currentText(), QStringLiteral("2"));
    QCOMPARE(child<QComboBox>(again, "CmbParity")->currentIndex(), 0);
    QVERIFY(child<QRadioButton>(again, "OpcFlow_1")->isChecked());
    QVERIFY(child<QRadioButton>(again, "OpcEcho_1")->isChecked());
    QCOMPARE(again->FlowSel(), 1);
    QCOMPARE(again->EchoSel(), -1);
}

void TestPortSettings::windowExitStoresNothing()
{
    FrmCommSys *w = openPortSettings();
    const QVariantMap before = storedRow();
    child<QComboBox>(w, "CmbBaud")->setCurrentText(QStringLiteral("1200"));
    child<QRadioButton>(w, "OpcFlow_2")->click();
    child<QPushButton>(w, "CmdSal")->click();
    QTRY_VERIFY(portSettingsWindow() == nullptr);
    QCOMPARE(storedRow(), before);

    // A transfer closes it the same way.
    w = openPortSettings();
    child<QComboBox>(w, "CmbBaud")->setCurrentText(QStringLiteral("1200"));
    unloadPortSettings();
    QVERIFY(portSettingsWindow() == nullptr);
    QCOMPARE(storedRow(), before);
}

void TestPortSettings::windowReportsAStoreFailure()
{
    FrmCommSys *w = openPortSettings();
    const QVariantMap before = storedRow();
    child<QComboBox>(w, "CmbBaud")->setCurrentText(QStringLiteral("quick"));
    child<QPushButton>(w, "CmdEnt")->click();
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes.first().style, int(MsgExclamation));
    QVERIFY(m_boxes.first().prompt.contains(QStringLiteral("quick")));
    QCOMPARE(portSettingsWindow(), w);
    QCOMPARE(storedRow(), before);
}

void TestPortSettings::progressBoxAroundAnExchange()
{
    appState().PuertoOk = false;
    appState().TimeOut = true;
    Show_Sync();
    QVERIFY(appState().PuertoOk);
    QVERIFY(!appState().TimeOut);
    QVERIFY(appState().FrmLoadCargado);
    FrmLoad *box = FrmLoad::loaded();
    QVERIFY(box);
    QCOMPARE(box->windowTitle(), Str(567));
    QCOMPARE(box->lblLoad()->text(), Str(402) + Str(403));
    QCOMPARE(appState().MaxProg, 100);
    QCOMPARE(box->ProBar()->maximum(), 100);
    QCOMPARE(box->ProBar()->value(), 0);
    QVERIFY(box->isEnabled());

    End_Comm();
    QVERIFY(!appState().FrmLoadCargado);
    QVERIFY(!FrmLoad::loaded());
    QVERIFY(!appState().PuertoOk);
    QVERIFY(!frmComm().MSComm1().PortOpen());
    QVERIFY(m_boxes.isEmpty());

    // With the box open, and again with it already closed.
    appState().TituloMsg = Str(109);
    Show_Sync();
    Err_Comm();
    QVERIFY(!appState().FrmLoadCargado);
    Err_Comm();
    QCOMPARE(m_boxes.size(), 2);
    for (const Box &b : std::as_const(m_boxes)) {
        QCOMPARE(b.prompt, Str(405));
        QCOMPARE(b.style, int(MsgOkCancelExclamation));
        QCOMPARE(b.title, Str(109));
    }
    QCOMPARE(appState().Mensaje, Str(405));
    QVERIFY(!appState().PuertoOk);
    unloadFrmComm();
}

QTEST_MAIN(TestPortSettings)
#include "test_port_settings.moc"
