// Whole-configuration send and receive and the panel clock command, against
// the simulated panel on a pseudo-terminal.

#include "AppState.h"
#include "Cp1252.h"
#include "FrmComm.h"
#include "FrmCommUi.h"
#include "FrmLoad.h"
#include "ModBas.h"
#include "ModCom.h"
#include "PanelSim.h"
#include "Seams.h"
#include "Strings.h"
#include "Transfers.h"

#include <QLabel>
#include <QProgressBar>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

using namespace orb;
using orb::test::PanelSim;

namespace {

// Records what the transfers ask of the main window.
class FakeHost : public TransferHost {
public:
    QList<bool> commands;        // setCommandsEnabled calls
    QList<bool> window;          // setWindowEnabled calls
    int refreshed = 0;
    int editorsClosed = 0;
    QList<int> percents;         // every value the progress bar showed
    QStringList labels;          // the box's label at each of those values
    std::function<void(int)> onPercent;

    void setCommandsEnabled(bool enabled) override
    {
        commands << enabled;
        watchProgress();
    }
    void setWindowEnabled(bool enabled) override
    {
        window << enabled;
        watchProgress();
    }
    void refreshConfiguration() override { ++refreshed; }
    bool editorsClose = true;   // the editing windows agree to close
    bool closeEditingWindows() override
    {
        ++editorsClosed;
        return editorsClose;
    }

private:
    QPointer<FrmLoad> watched;
    void watchProgress()
    {
        FrmLoad *box = FrmLoad::loaded();
        if (box && box != watched) {
            watched = box;
            QObject::connect(box->ProBar(), &QProgressBar::valueChanged, box,
                             [this](int value) {
                                 percents << value;
                                 labels << FrmLoad::loaded()->lblLoad()->text();
                                 if (onPercent)
                                     onPercent(value);
                             });
        }
    }
};

struct Box {
    QString prompt;
    int style;
    QString title;
};

bool exec(const QString &sql, const QVariantList &values = {})
{
    QSqlQuery q(BaseDatos());
    if (!q.prepare(sql)) {
        qWarning() << sql << q.lastError().text();
        return false;
    }
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, values.at(i));
    if (!q.exec()) {
        qWarning() << sql << q.lastError().text();
        return false;
    }
    return true;
}

QString zoneText(int z) { return z % 7 == 0 ? QStringLiteral("Sótano ñ %1").arg(z) : QStringLiteral("ZONA %1").arg(z); }

// A configuration of `zones` zones and `relays` relays in the working
// database, open, with varied relay programming.
void makeConfiguration(int zones, int relays)
{
    QVERIFY(Create_DB());
    const MsgBoxHandler quiet = setMsgBoxHandler([](const QString &, int, const QString &) { return int(AnsOk); });
    QCOMPARE(Open_Conf(), OpenResult::NoRow);
    setMsgBoxHandler(quiet);
    QVERIFY(exec(QStringLiteral("INSERT INTO CONFCENTRAL (NOMCON, NUMZON, NUMREL, INIDIA, ININIT, ETIINI, BAUD, PAR, "
                                "DATBIT, STPBIT, PORT, FLU, ECO) VALUES (?, ?, ?, 7, 21, ?, 9600, 'N', 8, 1, 1, 0, 0)"),
                 {QStringLiteral("Hotel"), zones, relays, QStringLiteral("CENTRAL €1")}));
    for (int z = 1; z <= zones; ++z)
        QVERIFY(exec(QStringLiteral("INSERT INTO CONFZONAS (IDZON, ETIZON) VALUES (?, ?)"), {z, zoneText(z)}));
    for (int r = 1; r <= relays; ++r) {
        QVERIFY(exec(QStringLiteral("INSERT INTO CONFRELES (IDREL, TIP, ETIREL, RMIN, RSEC, DDIA, DNOCH, PDIA, PNOCH, "
                                    "IL1, FL1, IL2, FL2, IL3, FL3, IL4, FL4) "
                                    "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                     {r, (r * 37) % 256, QStringLiteral("RELE %1").arg(r), r % 60, (r * 7) % 60, r % 3, (r + 1) % 3,
                      (r + 2) % 3, (r / 3) % 3, r % 128 + 1, r % 128 + 1, 1, 2, 3, 4, 5, (r * 3) % 129}));
    }
    QCOMPARE(Open_Conf(), OpenResult::Opened);
    // Every transfer starts with the port-settings window open, to see it
    // closed first.
    QVERIFY(openPortSettings() != nullptr);
}

QByteArray padded(const QString &text)
{
    QByteArray bytes = toCp1252(text).left(16);
    return bytes + QByteArray(16 - bytes.size(), ' ');
}

// The panel memory a complete send of the working database must leave.
QByteArray expectedImage()
{
    QByteArray image(kMemorySize, '\0');
    QSqlQuery q(BaseDatos());
    q.exec(QStringLiteral("SELECT NUMZON, NUMREL, INIDIA, ININIT, ETIINI FROM CONFCENTRAL"));
    q.next();
    image[AdrNumZon] = char(q.value(0).toInt());
    image[AdrNumRel] = char(q.value(1).toInt());
    image[AdrIniDia] = char(q.value(2).toInt());
    image[AdrIniNit] = char(q.value(3).toInt());
    image.replace(AdrEtiIni, 16, padded(q.value(4).toString()));
    q.exec(QStringLiteral("SELECT IDZON, ETIZON FROM CONFZONAS"));
    while (q.next())
        image.replace(zoneLabel(q.value(0).toInt()), 16, padded(q.value(1).toString()));
    q.exec(QStringLiteral("SELECT IDREL, ETIREL, TIP, DDIA, DNOCH, PDIA, PNOCH, RMIN, RSEC, IL1, FL1, IL2, FL2, IL3, "
                          "FL3, IL4, FL4 FROM CONFRELES"));
    while (q.next()) {
        const int r = q.value(0).toInt();
        image.replace(relayLabel(r), 16, padded(q.value(1).toString()));
        QByteArray record;
        record.append(char(q.value(2).toInt()));
        record.append(char(ModeByte(q.value(3).toInt(), q.value(4).toInt(), q.value(5).toInt(), q.value(6).toInt())));
        for (int c = 7; c <= 16; ++c)
            record.append(char(q.value(c).toInt()));
        image.replace(AdrRecRel(r), 12, record);
    }
    return image;
}

// Every row of the configuration tables, for before/after comparisons.
QStringList dump()
{
    QStringList rows;
    QSqlQuery q(BaseDatos());
    for (const char *table : {"CONFCENTRAL", "CONFZONAS", "CONFRELES"}) {
        q.exec(QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(QLatin1String(table)));
        while (q.next()) {
            QStringList values;
            for (int c = 0; c < q.record().count(); ++c)
                values << q.value(c).toString();
            rows << QLatin1String(table) + QLatin1Char(':') + values.join(QLatin1Char('|'));
        }
    }
    return rows;
}

} // namespace

class TestTransfers : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void sendWritesEveryItemAtItsAddress();
    void sendStopsAtAnEmptyTable();
    void sendOfARelayWhoseRowIsGone();
    void sendWalksEveryRowWhateverTheCounts();
    void statusTextOfEachItem();
    void receiveRewritesTheWorkingDatabase();
    void receiveOfAPanelWithoutZones();
    void receiveStopsWhenAnEditingWindowStaysOpen();
    void panelThatNeverAnswers();
    void receiveFailingPartWayChangesNothing();
    void receiveThatCannotBeStoredChangesNothing();
    void portThatCannotBeOpened();
    void clockSetsTimeThenDate();
    void clockOfAPanelThatNeverAnswers();
    void clockWhoseDateFails();

private:
    void checkGivenBack(const FakeHost &host, Pointer pointer = Pointer::Default);
    int countBoxes(int id) const;

    std::unique_ptr<PanelSim> m_sim;
    QList<Box> m_boxes;
    std::function<void(const Box &)> m_onBox;
};

void TestTransfers::init()
{
    appState() = AppState{};
    appState().TituloMsg = QStringLiteral("title");
    setCurrentLanguage(Language::English);
    m_boxes.clear();
    m_onBox = nullptr;
    setMsgBoxHandler([this](const QString &prompt, int style, const QString &title) {
        m_boxes.append({prompt, style, title});
        if (m_onBox)
            m_onBox(m_boxes.last());
        return int(AnsOk);
    });
    m_sim = std::make_unique<PanelSim>();
    QVERIFY(m_sim->start());
    test::pointCom1At(m_sim->devicePath());
    // Short waits keep the failing cases quick; the simulator answers at once.
    frmComm().setReplyTimeout(200);
    SetPointer(Pointer::Default);
}

void TestTransfers::cleanup()
{
    frmComm().Form_Unload();
    m_sim.reset();
    Close_DB();
    QFile::remove(workingDatabasePath());
}

void TestTransfers::checkGivenBack(const FakeHost &host, Pointer pointer)
{
    QVERIFY(!host.commands.isEmpty() || !host.window.isEmpty());
    if (!host.commands.isEmpty()) {
        QCOMPARE(host.commands.first(), false);
        QCOMPARE(host.commands.last(), true);
    }
    if (!host.window.isEmpty()) {
        QCOMPARE(host.window.first(), false);
        QCOMPARE(host.window.last(), true);
    }
    QCOMPARE(currentPointer(), pointer);
    QVERIFY(!appState().FrmLoadCargado);
    QVERIFY2(!portSettingsWindow(), "the port-settings window was closed first");
    QVERIFY2(!frmComm().MSComm1().PortOpen(), "the port is closed at the end");
}

int TestTransfers::countBoxes(int id) const
{
    return int(std::count_if(m_boxes.cbegin(), m_boxes.cend(), [id](const Box &b) { return b.prompt == Str(id); }));
}

void TestTransfers::sendWritesEveryItemAtItsAddress()
{
    makeConfiguration(128, 128);
    const QStringList before = dump();
    FakeHost host;
    Send_AllConf(host);
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes.first().prompt, Str(432));
    QCOMPARE(m_boxes.first().style, int(MsgOkCancelExclamation));
    QCOMPARE(m_boxes.first().title, QStringLiteral("title"));
    QCOMPARE(m_sim->memory(0, kMemorySize), expectedImage());
    QCOMPARE(m_sim->framesReceived('W'), 5 + 128 + 2 * 128);
    QCOMPARE(host.percents.last(), 100);
    QVERIFY(std::is_sorted(host.percents.cbegin(), host.percents.cend()));
    QCOMPARE(dump(), before);
    QVERIFY(!appState().ConfModif);
    checkGivenBack(host);

    // Zone and relay numbers are the rows' own, in ascending order.
    const QList<QByteArray> frames = m_sim->receivedFrames();
    QCOMPARE(frames.at(5).mid(4, 2), QByteArray::fromHex("0800"));
    QCOMPARE(frames.at(5 + 127).mid(4, 2), QByteArray::fromHex("0FF0"));
    QCOMPARE(frames.last().mid(4, 2), QByteArray::fromHex("1FF0"));
}

void TestTransfers::sendStopsAtAnEmptyTable()
{
    makeConfiguration(0, 3);
    FakeHost host;
    Send_AllConf(host);
    QCOMPARE(m_sim->framesReceived('W'), 5);
    QCOMPARE(countBoxes(120), 1);
    QCOMPARE(countBoxes(432), 0);
    QCOMPARE(m_boxes.first().title, QStringLiteral("ORBITarsis"));
    QCOMPARE(m_sim->byteAt(AdrNumRel), quint8(3));
    checkGivenBack(host);

    // With zones but no relay the zones go out, then the same stop.
    cleanup();
    init();
    makeConfiguration(4, 0);
    FakeHost second;
    Send_AllConf(second);
    QCOMPARE(m_sim->framesReceived('W'), 5 + 4);
    QCOMPARE(countBoxes(120), 1);
    QCOMPARE(countBoxes(432), 0);
    checkGivenBack(second);
}

void TestTransfers::sendOfARelayWhoseRowIsGone()
{
    makeConfiguration(2, 3);
    FakeHost host;
    // Relay 1 done (item 5 + 2 + 1 of 10): relay 2's row goes away before
    // its record frame is built.
    host.onPercent = [](int percent) {
        if (percent == transferPercent(8, 10))
            QSqlQuery(BaseDatos()).exec(QStringLiteral("DELETE FROM CONFRELES WHERE IDREL = 2"));
    };
    Send_AllConf(host);
    QCOMPARE(countBoxes(120), 1);
    QCOMPARE(countBoxes(432), 0);
    QCOMPARE(countBoxes(405), 0);
    // Relay 1 whole, relay 2's label, no record of relay 2 and nothing after.
    QCOMPARE(m_sim->framesReceived('W'), 5 + 2 + 2 + 1);
    QCOMPARE(m_sim->memory(AdrRecRel(2), 12), QByteArray(12, '\0'));
    QCOMPARE(m_sim->memory(relayLabel(3), 16), QByteArray(16, '\0'));
    checkGivenBack(host);
}

void TestTransfers::sendWalksEveryRowWhateverTheCounts()
{
    // The general row claims one zone and one relay; the tables hold four
    // zones and two relays. Every row goes out, and the bar, measured against
    // the claimed counts (7 items), stops at 100.
    makeConfiguration(4, 2);
    QVERIFY(exec(QStringLiteral("UPDATE CONFCENTRAL SET NUMZON = 1, NUMREL = 1")));
    QCOMPARE(Open_Conf(), OpenResult::Opened);
    FakeHost host;
    Send_AllConf(host);
    QCOMPARE(countBoxes(432), 1);
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_sim->framesReceived('W'), 5 + 4 + 2 * 2);
    QCOMPARE(m_sim->memory(0, kMemorySize), expectedImage());
    QCOMPARE(host.percents.last(), 100);
    QCOMPARE(*std::max_element(host.percents.cbegin(), host.percents.cend()), 100);
    checkGivenBack(host);

    // The percentage itself never passes 100, however far the rows run past
    // the counts.
    QCOMPARE(transferPercent(1, 261), 0);
    QCOMPARE(transferPercent(260, 261), 99);
    QCOMPARE(transferPercent(261, 261), 100);
    QCOMPARE(transferPercent(10, 7), 100);
    QCOMPARE(transferPercent(260, 5), 100);
}

void TestTransfers::statusTextOfEachItem()
{
    // Two zones and two relays: nine items, each with its own percentage.
    setCurrentLanguage(Language::Spanish);
    makeConfiguration(2, 2);
    FakeHost sending;
    Send_AllConf(sending);
    QCOMPARE(sending.percents, (QList<int>{11, 22, 33, 44, 55, 66, 77, 88, 100}));
    QCOMPARE(sending.labels,
             (QStringList{QStringLiteral("Enviando Numero de Zonas"), Str(583), Str(584), Str(585), Str(586),
                          QStringLiteral("Enviando Zona: 1"), Str(587) + QStringLiteral(" 2"),
                          QStringLiteral("Enviando Rele: 1"), Str(588) + QStringLiteral(" 2")}));
    QCOMPARE(FrmLoad::loaded(), nullptr);

    m_sim->resetCounters();
    FakeHost receiving;
    m_onBox = [](const Box &) {
        // The box still carries the transfer's caption when the end is told.
        QVERIFY(FrmLoad::loaded());
        QCOMPARE(FrmLoad::loaded()->windowTitle(), QStringLiteral("Comunicando con Central."));
    };
    Rec_AllConf(receiving);
    QCOMPARE(countBoxes(432), 2);
    QCOMPARE(receiving.percents, (QList<int>{11, 22, 33, 44, 55, 66, 77, 88, 100}));
    QCOMPARE(receiving.labels,
             (QStringList{QStringLiteral("Recibiendo Numero de Zonas"), Str(590), Str(591), Str(592), Str(593),
                          QStringLiteral("Recibiendo Zona: 1"), Str(594) + QStringLiteral(" 2"),
                          QStringLiteral("Recibiendo Rele: 1"), Str(595) + QStringLiteral(" 2")}));
    checkGivenBack(receiving);
}

void TestTransfers::receiveRewritesTheWorkingDatabase()
{
    makeConfiguration(5, 5);
    QVERIFY(exec(QStringLiteral("UPDATE CONFCENTRAL SET IDCON = 0, NOMCON = 'Kept name', BAUD = 9600")));
    m_sim->setMemory(AdrNumZon, QByteArray(1, char(200)));
    m_sim->setMemory(AdrNumRel, QByteArray(1, char(3)));
    m_sim->setMemory(AdrIniDia, QByteArray(1, char(8)));
    m_sim->setMemory(AdrIniNit, QByteArray(1, char(20)));
    m_sim->setMemory(AdrEtiIni, QByteArray("PANEL OESTE     "));
    for (int z = 1; z <= 200; ++z)
        m_sim->setMemory(zoneLabel(z), padded(QStringLiteral("Zona %1 ñ").arg(z)));
    m_sim->setMemory(relayLabel(1), QByteArray("SIRENA 1234     "));
    m_sim->setMemory(relayLabel(2), QByteArray("EXTINCION       "));
    m_sim->setMemory(relayLabel(3), QByteArray("R3              "));
    // Zones above 128 share memory with the relays; write the records last.
    m_sim->setMemory(AdrRecRel(1), QByteArray::fromHex("E0AD05061020304050607080"));
    m_sim->setMemory(AdrRecRel(2), QByteArray::fromHex("0A2000000101020203030404"));
    m_sim->setMemory(AdrRecRel(3), QByteArray::fromHex("20FF3B3B0000000000000000"));
    const QByteArray relay1Label = m_sim->memory(relayLabel(1), 16);
    FakeHost host;
    m_onBox = [&host](const Box &box) {
        // The box is still up, at 100, when the end is announced.
        if (box.prompt == Str(432))
            QCOMPARE(FrmLoad::loaded() ? FrmLoad::loaded()->ProBar()->value() : -1, 100);
    };
    Rec_AllConf(host);
    QCOMPARE(countBoxes(432), 1);
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(host.editorsClosed, 1);
    QCOMPARE(host.refreshed, 1);
    checkGivenBack(host);

    const AppState &s = appState();
    QCOMPARE(s.NumZon, quint8(200));
    QCOMPARE(s.NumRel, quint8(3));
    QCOMPARE(s.IniDia, quint8(8));
    QCOMPARE(s.IniNit, quint8(20));
    QCOMPARE(s.EtiIni, QStringLiteral("PANEL OESTE     "));
    QVERIFY(s.ConfModif);

    QSqlQuery q(BaseDatos());
    QVERIFY(q.exec(QStringLiteral("SELECT NOMCON, NUMZON, NUMREL, INIDIA, ININIT, ETIINI, BAUD, IDCON FROM CONFCENTRAL")));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(), QStringLiteral("Kept name"));
    QCOMPARE(q.value(1).toInt(), 200);
    QCOMPARE(q.value(2).toInt(), 3);
    QCOMPARE(q.value(3).toInt(), 8);
    QCOMPARE(q.value(4).toInt(), 20);
    QCOMPARE(q.value(5).toString(), QStringLiteral("PANEL OESTE     "));
    QCOMPARE(q.value(6).toInt(), 9600);
    QVERIFY(q.exec(QStringLiteral("SELECT count(*), min(IDZON), max(IDZON), max(IDCON) FROM CONFZONAS")));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 200);
    QCOMPARE(q.value(1).toInt(), 1);
    QCOMPARE(q.value(2).toInt(), 200);
    QCOMPARE(q.value(3).toInt(), 0);
    QVERIFY(q.exec(QStringLiteral("SELECT ETIZON FROM CONFZONAS WHERE IDZON = 12")));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(), QStringLiteral("Zona 12 ñ       "));
    QVERIFY(q.exec(QStringLiteral("SELECT IDREL, ETIREL, TIP, DDIA, PDIA, DNOCH, PNOCH, RMIN, RSEC, IL1, FL1, IL4, FL4 "
                                  "FROM CONFRELES ORDER BY IDREL")));
    QVERIFY(q.next());
    QCOMPARE(q.value(1).toString(), fromCp1252(relay1Label));
    QCOMPARE(q.value(2).toInt(), 0xE0);
    // 0xAD: detector by day delayed, call point by day not active, detector
    // by night without delay, call point by night delayed.
    QCOMPARE(q.value(3).toInt(), 2);
    QCOMPARE(q.value(4).toInt(), 0);
    QCOMPARE(q.value(5).toInt(), 1);
    QCOMPARE(q.value(6).toInt(), 2);
    QCOMPARE(q.value(7).toInt(), 5);
    QCOMPARE(q.value(8).toInt(), 6);
    QCOMPARE(q.value(9).toInt(), 0x10);
    QCOMPARE(q.value(10).toInt(), 0x20);
    QCOMPARE(q.value(11).toInt(), 0x70);
    QCOMPARE(q.value(12).toInt(), 0x80);
    QVERIFY(q.next());
    QCOMPARE(q.value(3).toInt(), 0);   // 0x20: the delay bit alone is not active
    QCOMPARE(q.value(4).toInt(), 0);
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 3);
    QVERIFY(!q.next());
}

void TestTransfers::receiveStopsWhenAnEditingWindowStaysOpen()
{
    makeConfiguration(3, 2);
    const QStringList before = dump();
    m_sim->setMemory(AdrNumZon, QByteArray(1, char(9)));
    FakeHost host;
    host.editorsClose = false;
    Rec_AllConf(host);
    QCOMPARE(host.editorsClosed, 1);
    QCOMPARE(m_sim->framesReceived(), 0);
    QCOMPARE(dump(), before);
    QCOMPARE(appState().NumZon, quint8(3));
    QVERIFY(!appState().ConfModif);
    QCOMPARE(host.refreshed, 0);
    checkGivenBack(host);
}

void TestTransfers::receiveOfAPanelWithoutZones()
{
    makeConfiguration(6, 2);
    m_sim->setMemory(AdrNumZon, QByteArray(1, '\0'));
    m_sim->setMemory(AdrNumRel, QByteArray(1, char(1)));
    FakeHost host;
    Rec_AllConf(host);
    QCOMPARE(countBoxes(432), 1);
    QSqlQuery q(BaseDatos());
    QVERIFY(q.exec(QStringLiteral("SELECT (SELECT count(*) FROM CONFZONAS), (SELECT count(*) FROM CONFRELES)")));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 0);
    QCOMPARE(q.value(1).toInt(), 1);
    QCOMPARE(appState().NumZon, quint8(0));
    // The first percentage is measured against the open configuration's
    // counts (6 + 2 + 5), the later ones against the panel's (0 + 1 + 5).
    QCOMPARE(host.percents.first(), 100 / 13);
    QCOMPARE(host.percents.at(1), 2 * 100 / 6);
    QCOMPARE(host.percents.last(), 100);
    checkGivenBack(host);

    // A panel without zones and relays empties both tables.
    m_sim->setMemory(AdrNumRel, QByteArray(1, '\0'));
    m_boxes.clear();
    m_sim->resetCounters();
    FakeHost empty;
    Rec_AllConf(empty);
    QCOMPARE(countBoxes(432), 1);
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_sim->framesReceived('R'), 5);
    QVERIFY(q.exec(QStringLiteral("SELECT (SELECT count(*) FROM CONFZONAS), (SELECT count(*) FROM CONFRELES), "
                                  "(SELECT NUMZON || '/' || NUMREL FROM CONFCENTRAL)")));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 0);
    QCOMPARE(q.value(1).toInt(), 0);
    QCOMPARE(q.value(2).toString(), QStringLiteral("0/0"));
    QCOMPARE(appState().NumZon, quint8(0));
    QCOMPARE(appState().NumRel, quint8(0));
    QCOMPARE(empty.percents.last(), 100);
    checkGivenBack(empty);
}

void TestTransfers::panelThatNeverAnswers()
{
    makeConfiguration(3, 3);
    const QStringList before = dump();
    m_sim->misbehave(PanelSim::Misbehaviour::Silent, PanelSim::kAlways);
    FakeHost host;
    Send_AllConf(host);
    QCOMPARE(m_sim->framesReceived('W'), MaxReint);
    QCOMPARE(countBoxes(405), 1);
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes.first().style, int(MsgOkCancelExclamation));
    QCOMPARE(m_sim->memory(0, kMemorySize), QByteArray(kMemorySize, '\0'));
    checkGivenBack(host);

    // Started with the hourglass already up, the command leaves it up.
    m_boxes.clear();
    SetPointer(Pointer::Hourglass);
    FakeHost receiving;
    Rec_AllConf(receiving);
    QCOMPARE(m_sim->framesReceived('R'), MaxReint);
    QCOMPARE(countBoxes(405), 1);
    QCOMPARE(dump(), before);
    QCOMPARE(appState().NumZon, quint8(3));
    QVERIFY(!appState().ConfModif);
    QCOMPARE(receiving.refreshed, 0);
    checkGivenBack(receiving, Pointer::Hourglass);
}

void TestTransfers::receiveFailingPartWayChangesNothing()
{
    makeConfiguration(4, 2);
    const QStringList before = dump();
    m_sim->setMemory(AdrNumZon, QByteArray(1, char(10)));
    m_sim->setMemory(AdrNumRel, QByteArray(1, char(100)));
    m_sim->misbehave(PanelSim::Misbehaviour::Silent, PanelSim::kAlways, AdrRecRel(77));
    FakeHost host;
    Rec_AllConf(host);
    QCOMPARE(countBoxes(405), 1);
    QCOMPARE(countBoxes(432), 0);
    // Relay 77's record was asked for ten times and nothing after it.
    QCOMPARE(m_sim->framesReceived('R'), 5 + 10 + 76 * 2 + 1 + MaxReint);
    QCOMPARE(dump(), before);
    QCOMPARE(appState().NumZon, quint8(4));
    QCOMPARE(appState().NumRel, quint8(2));
    QVERIFY(!appState().ConfModif);
    checkGivenBack(host);

    // The next exchange starts afresh and succeeds.
    m_sim->clearMisbehaviours();
    m_boxes.clear();
    FakeHost again;
    Rec_AllConf(again);
    QCOMPARE(countBoxes(432), 1);
    QCOMPARE(appState().NumRel, quint8(100));
}

void TestTransfers::receiveThatCannotBeStoredChangesNothing()
{
    makeConfiguration(3, 2);
    // The engine refuses every new relay row.
    QVERIFY(exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON CONFRELES "
                                "BEGIN SELECT RAISE(ABORT, 'refused'); END")));
    const QStringList before = dump();
    m_sim->setMemory(AdrNumZon, QByteArray(1, char(5)));
    m_sim->setMemory(AdrNumRel, QByteArray(1, char(1)));
    m_sim->setMemory(AdrIniDia, QByteArray(1, char(9)));
    FakeHost host;
    Rec_AllConf(host);
    // Every item arrived, but nothing was stored, and no success is claimed.
    QCOMPARE(m_sim->framesReceived('R'), 5 + 5 + 2);
    QCOMPARE(countBoxes(432), 0);
    QCOMPARE(m_boxes.size(), 1);
    QVERIFY(m_boxes.first().prompt.startsWith(Str(120) + QStringLiteral("\n\n")));
    QVERIFY(m_boxes.first().prompt.contains(QStringLiteral("refused")));
    QCOMPARE(m_boxes.first().style, int(MsgOk));
    QCOMPARE(m_boxes.first().title, QStringLiteral("ORBITarsis"));
    QCOMPARE(dump(), before);
    const AppState &s = appState();
    QCOMPARE(s.NumZon, quint8(3));
    QCOMPARE(s.NumRel, quint8(2));
    QCOMPARE(s.IniDia, quint8(7));
    QVERIFY(!s.ConfModif);
    QCOMPARE(host.refreshed, 0);
    checkGivenBack(host);
}

void TestTransfers::portThatCannotBeOpened()
{
    makeConfiguration(2, 2);
    const QStringList before = dump();
    test::pointCom1At(QStringLiteral("/dev/orbitarsis-no-such-port"));
    FakeHost host;
    Send_AllConf(host);
    QCOMPARE(m_boxes.size(), 1);
    QVERIFY(m_boxes.first().prompt.startsWith(Str(401)));
    checkGivenBack(host);

    m_boxes.clear();
    FakeHost receiving;
    Rec_AllConf(receiving);
    QCOMPARE(m_boxes.size(), 1);
    QVERIFY(m_boxes.first().prompt.startsWith(Str(401)));
    QCOMPARE(dump(), before);
    checkGivenBack(receiving);

    m_boxes.clear();
    FakeHost clock;
    SetPanelClock(clock);
    QCOMPARE(m_boxes.size(), 1);
    QVERIFY(m_boxes.first().prompt.startsWith(Str(401)));
    QVERIFY(clock.commands.isEmpty());
    checkGivenBack(clock);
    QCOMPARE(m_sim->framesReceived(), 0);
}

void TestTransfers::clockSetsTimeThenDate()
{
    makeConfiguration(1, 1);
    FakeHost host;
    const QDateTime before = QDateTime::currentDateTime();
    SetPanelClock(host);
    const QDateTime after = QDateTime::currentDateTime();
    QCOMPARE(countBoxes(432), 1);
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(host.percents, (QList<int>{1, 2, 3}));
    const QList<QByteArray> frames = m_sim->receivedFrames();
    QCOMPARE(frames.size(), 2);
    QCOMPARE(frames.at(0).at(2), ':');
    QCOMPARE(frames.at(1).at(2), ';');
    const PanelSim::Clock clock = m_sim->clock();
    const QTime sent(clock.hour, clock.minute, clock.second);
    QVERIFY(sent.isValid());
    QVERIFY(before.time().secsTo(sent) >= 0 || before.date() != after.date());
    QVERIFY(sent.secsTo(after.time()) >= 0 || before.date() != after.date());
    QCOMPARE(QDate(clock.year, clock.month, clock.day), after.date());
    checkGivenBack(host);
}

void TestTransfers::clockOfAPanelThatNeverAnswers()
{
    makeConfiguration(1, 1);
    m_sim->misbehave(PanelSim::Misbehaviour::Silent, PanelSim::kAlways);
    FakeHost host;
    SetPanelClock(host);
    QCOMPARE(m_sim->framesReceived(':'), kClockAttempts);
    QCOMPARE(m_sim->framesReceived(';'), 0);
    QCOMPARE(countBoxes(405), 1);
    QCOMPARE(m_boxes.size(), 1);
    checkGivenBack(host);
}

void TestTransfers::clockWhoseDateFails()
{
    makeConfiguration(1, 1);
    m_sim->misbehave(PanelSim::Misbehaviour::Silent, PanelSim::kAlways, PanelSim::kAnyAddress, ';');
    FakeHost host;
    SetPanelClock(host);
    QCOMPARE(m_sim->framesReceived(':'), 1);
    QCOMPARE(m_sim->framesReceived(';'), kClockAttempts);
    QCOMPARE(countBoxes(405), 1);
    // The time already set stays set.
    const PanelSim::Clock clock = m_sim->clock();
    QVERIFY(clock.hour != 0 || clock.minute != 0 || clock.second != 0 || QTime::currentTime().hour() == 0);
    QCOMPARE(clock.year, 2000);
    checkGivenBack(host);
}

QTEST_MAIN(TestTransfers)
#include "test_transfers.moc"
