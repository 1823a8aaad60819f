#include "Transfers.h"

#include "AppState.h"
#include "FrmComm.h"
#include "FrmCommUi.h"
#include "FrmLoad.h"
#include "ModBas.h"
#include "ModCom.h"
#include "ModCrc.h"
#include "Strings.h"

#include <QLabel>
#include <QProgressBar>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

namespace orb {

namespace {

enum class Outcome { Ok, Failed, PortFailed };

using Builder = std::function<bool(Frame &)>;

// One frame, built anew for each attempt, sent and waited for until it
// succeeds or `attempts` are used up. A send that could not open the port
// (message 401 shown) ends the item at once, at any item.
Outcome exchange(const Builder &build, bool read, int attempts)
{
    FrmComm &comm = frmComm();
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        Frame frame;
        if (!build(frame))
            return Outcome::Failed;
        if (frame.isShort())
            comm.Send_MsgShort(frame);
        else
            comm.Send_Msg(frame);
        if (comm.ErrPuerto())
            return Outcome::PortFailed;
        const quint8 state = read ? comm.Wait_Answer() : comm.Wait_Ack();
        if (state == RxOk)
            return Outcome::Ok;
    }
    return Outcome::Failed;
}

Builder writeByte(int address, int value)
{
    return [=](Frame &f) { Msg_WrByte(f, address, value); return true; };
}

Builder writeText(int area, int index, const QString &text)
{
    return [=](Frame &f) { Msg_WrText(f, area, index, text); return true; };
}

Builder readByte(int address)
{
    return [=](Frame &f) { Msg_RdByte(f, address); return true; };
}

Builder readText(int area, int index)
{
    return [=](Frame &f) { Msg_RdText(f, area, index); return true; };
}

// The progress box of a whole transfer and its counting.
class Progress {
public:
    explicit Progress(int total) : m_total(total) {}
    void setTotal(int total) { m_total = total; }
    void label(const QString &text)
    {
        if (FrmLoad *box = FrmLoad::loaded())
            box->lblLoad()->setText(text);
    }
    void label(const QString &text, int number) { label(text + QLatin1Char(' ') + QString::number(number)); }
    void itemDone()
    {
        if (FrmLoad *box = FrmLoad::loaded())
            box->ProBar()->setValue(transferPercent(m_step, m_total));
        ++m_step;
    }

private:
    int m_step = 1;
    int m_total;
};

// Set-up shared by both drivers; returns the pointer to give back.
Pointer setUp(TransferHost &host, int total, Progress &progress)
{
    progress.setTotal(total);
    // An open port-settings window is closed without storing its choices.
    unloadPortSettings();
    FrmLoad::load()->setCaption(Str(414));
    const Pointer saved = currentPointer();
    SetPointer(Pointer::Hourglass);
    host.setCommandsEnabled(false);
    return saved;
}

// Stops a transfer with a message in an OK box (an empty table; a count or
// a row outside the panel's map).
void messageStop(TransferHost &host, Pointer saved, const QString &message)
{
    appState().MensajeAux = message;
    MsgBox(appState().MensajeAux, MsgOk);
    Ena_Main(host, saved);
    End_Comm();
}

void emptyTableStop(TransferHost &host, Pointer saved) { messageStop(host, saved, Str(120)); }

// Number and label of every row of a table, in key order.
using Rows = std::vector<std::pair<int, QString>>;
Rows labelRows(const QString &sql, const QString &number, const QString &label)
{
    Rows rows;
    QSqlQuery q(BaseDatos());
    if (q.exec(sql)) {
        while (q.next())
            rows.emplace_back(q.value(number).toInt(), q.value(label).toString());
    }
    return rows;
}

// Message for the first count or row number that would address panel
// memory outside the zone area or the relay area; empty when all fit.
QString outsideTheMap(int numZon, int numRel, const Rows &zones, const Rows &relays)
{
    const auto fits = [](const Rows &rows, int last) {
        return std::all_of(rows.cbegin(), rows.cend(),
                           [last](const auto &row) { return row.first >= 1 && row.first <= last; });
    };
    if (numZon < 0 || numZon > kZoneSlots || !fits(zones, kZoneSlots))
        return Str(839);
    if (numRel < 0 || numRel > kRelaySlots || !fits(relays, kRelaySlots))
        return Str(840);
    return QString();
}

void failedItemStop(TransferHost &host, Pointer saved)
{
    Err_Comm();
    Ena_Main(host, saved);
}

void portStop(TransferHost &host, Pointer saved)
{
    End_Comm();
    Ena_Main(host, saved);
}

// Ends the exchange after a failure of any kind. Returns false so callers
// can `return stop(...)`.
bool stopOn(Outcome outcome, TransferHost &host, Pointer saved)
{
    if (outcome == Outcome::PortFailed)
        portStop(host, saved);
    else
        failedItemStop(host, saved);
    return false;
}

// The message of a complete transfer (its answer is not used).
void completed()
{
    AppState &s = appState();
    s.Mensaje = Str(432);
    MsgBox(s.Mensaje, MsgOkCancelExclamation, s.TituloMsg);
}

int headerValue(const QSqlQuery &row, const char *column)
{
    return int(leadingNumber(row.value(QLatin1String(column))));
}

struct ReceivedRelay {
    QString label;
    RelayRecord record;
};

struct Received {
    int numZon = 0;
    int numRel = 0;
    int iniDia = 0;
    int iniNit = 0;
    QString etiIni;
    std::vector<QString> zones;
    std::vector<ReceivedRelay> relays;
};

// Writes a complete receive into the working database in one transaction.
bool storeReceived(const Received &r, QString *error)
{
    QSqlDatabase db = BaseDatos();
    if (!db.transaction()) {
        *error = db.lastError().text();
        return false;
    }
    const auto fail = [&](const QSqlQuery &q) {
        *error = q.lastError().nativeErrorCode() + QLatin1Char(' ') + q.lastError().text();
        db.rollback();
        return false;
    };
    QSqlQuery q(db);
    q.prepare(QStringLiteral("UPDATE CONFCENTRAL SET NUMZON = ?, NUMREL = ?, INIDIA = ?, ININIT = ?, ETIINI = ? "
                             "WHERE rowid = (SELECT min(rowid) FROM CONFCENTRAL)"));
    q.addBindValue(r.numZon);
    q.addBindValue(r.numRel);
    q.addBindValue(r.iniDia);
    q.addBindValue(r.iniNit);
    q.addBindValue(r.etiIni);
    if (!q.exec() || q.numRowsAffected() != 1)
        return fail(q);
    if (!q.exec(QStringLiteral("DELETE FROM CONFZONAS")))
        return fail(q);
    q.prepare(QStringLiteral("INSERT INTO CONFZONAS (IDZON, ETIZON) VALUES (?, ?)"));
    for (size_t z = 0; z < r.zones.size(); ++z) {
        q.bindValue(0, int(z + 1));
        q.bindValue(1, r.zones[z]);
        if (!q.exec())
            return fail(q);
    }
    if (!q.exec(QStringLiteral("DELETE FROM CONFRELES")))
        return fail(q);
    q.prepare(QStringLiteral("INSERT INTO CONFRELES (IDREL, ETIREL, RMIN, RSEC, IL1, FL1, IL2, FL2, IL3, FL3, IL4, "
                             "FL4, TIP, DDIA, PDIA, DNOCH, PNOCH) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                             "?, ?, ?)"));
    for (size_t i = 0; i < r.relays.size(); ++i) {
        const RelayRecord &rec = r.relays[i].record;
        const ModeCodes mode = decodeModeByte(rec.Mode);
        const QVariantList values = {int(i + 1), r.relays[i].label, rec.RMIN, rec.RSEC, rec.IL[0], rec.FL[0],
                                     rec.IL[1], rec.FL[1], rec.IL[2], rec.FL[2], rec.IL[3], rec.FL[3], rec.TIP,
                                     mode.DDIA, mode.PDIA, mode.DNOCH, mode.PNOCH};
        for (int v = 0; v < values.size(); ++v)
            q.bindValue(v, values.at(v));
        if (!q.exec())
            return fail(q);
    }
    if (!db.commit()) {
        *error = db.lastError().text();
        db.rollback();
        return false;
    }
    return true;
}

} // namespace

int transferPercent(int step, int total)
{
    if (total <= 0)
        return 100;
    const int percent = int(qint64(step) * 100 / total);
    return qBound(0, percent, 100);
}

void Ena_Main(TransferHost &host, Pointer saved)
{
    FrmLoad::unload();
    SetPointer(saved);
    host.setCommandsEnabled(true);
}

void Send_AllConf(TransferHost &host)
{
    const AppState &s = appState();
    Progress progress(0);
    const Pointer saved = setUp(host, int(s.NumZon) + int(s.NumRel) + 5, progress);
    QSqlDatabase db = BaseDatos();

    QSqlQuery conf(db);
    if (!conf.exec(QStringLiteral("SELECT * FROM CONFCENTRAL")) || !conf.next())
        return emptyTableStop(host, saved);
    struct Item {
        QString text;
        Builder build;
    };
    const int numZon = headerValue(conf, "NUMZON");
    const int numRel = headerValue(conf, "NUMREL");
    const Item general[] = {
        {Str(582), writeByte(AdrNumZon, numZon)},
        {Str(583), writeByte(AdrNumRel, numRel)},
        {Str(584), writeByte(AdrIniDia, headerValue(conf, "INIDIA"))},
        {Str(585), writeByte(AdrIniNit, headerValue(conf, "ININIT"))},
        {Str(586), writeText(AreaAbs, AdrEtiIni, conf.value(QStringLiteral("ETIINI")).toString())},
    };
    conf.finish();
    // The rows are read before the exchanges start, so no statement stays
    // open on the database while the waits yield to the windows, and a
    // configuration that would write outside the panel's zone or relay area
    // is refused before anything goes.
    const Rows zones = labelRows(QStringLiteral("SELECT IDZON, ETIZON FROM CONFZONAS ORDER BY IDZON"),
                                 QStringLiteral("IDZON"), QStringLiteral("ETIZON"));
    const Rows relays = labelRows(QStringLiteral("SELECT IDREL, ETIREL FROM CONFRELES ORDER BY IDREL"),
                                  QStringLiteral("IDREL"), QStringLiteral("ETIREL"));
    if (const QString refused = outsideTheMap(numZon, numRel, zones, relays); !refused.isEmpty())
        return messageStop(host, saved, refused);

    for (const Item &item : general) {
        progress.label(item.text);
        const Outcome outcome = exchange(item.build, false, MaxReint);
        if (outcome != Outcome::Ok)
            return void(stopOn(outcome, host, saved));
        progress.itemDone();
    }

    if (zones.empty())
        return emptyTableStop(host, saved);
    for (const auto &[zone, label] : zones) {
        progress.label(Str(587), zone);
        const Outcome outcome = exchange(writeText(AreaZon, zone, label), false, MaxReint);
        if (outcome != Outcome::Ok)
            return void(stopOn(outcome, host, saved));
        progress.itemDone();
    }

    if (relays.empty())
        return emptyTableStop(host, saved);
    for (const auto &[relay, label] : relays) {
        progress.label(Str(588), relay);
        Outcome outcome = exchange(writeText(AreaRel, relay, label), false, MaxReint);
        if (outcome != Outcome::Ok)
            return void(stopOn(outcome, host, saved));
        // The record is read from the relay's row for each attempt. A row
        // that is gone stops the send (its message has been shown); no
        // half-built frame goes out.
        bool rowMissing = false;
        outcome = exchange(
            [relay, &rowMissing](Frame &f) {
                rowMissing = !Msg_WrRel(f, relay);
                return !rowMissing;
            },
            false, MaxReint);
        if (rowMissing) {
            End_Comm();
            return Ena_Main(host, saved);
        }
        if (outcome != Outcome::Ok)
            return void(stopOn(outcome, host, saved));
        progress.itemDone();
    }

    FrmLoad::unload();
    SetPointer(saved);
    completed();
    Ena_Main(host, saved);
    End_Comm();
}

void Rec_AllConf(TransferHost &host)
{
    AppState &s = appState();
    Progress progress(0);
    const Pointer saved = setUp(host, int(s.NumZon) + int(s.NumRel) + 5, progress);
    // Nothing may show or hold rows of the working database while it is
    // rewritten: a window that stays open stops the receive before it
    // starts.
    if (!host.closeEditingWindows())
        return Ena_Main(host, saved);
    QSqlDatabase db = BaseDatos();

    {
        QSqlQuery conf(db);
        if (!conf.exec(QStringLiteral("SELECT count(*) FROM CONFCENTRAL")) || !conf.next()
            || conf.value(0).toInt() == 0)
            return emptyTableStop(host, saved);
    }

    FrmComm &comm = frmComm();
    const auto byteReceived = [&comm] { return comm.DatosRx().isEmpty() ? 0 : int(quint8(comm.DatosRx().at(0))); };
    Received r;

    // Items 1 to 5: the general part.
    struct Item {
        QString text;
        Builder build;
        int *target;
    };
    const Item general[] = {
        {Str(589), readByte(AdrNumZon), &r.numZon},
        {Str(590), readByte(AdrNumRel), &r.numRel},
        {Str(591), readByte(AdrIniDia), &r.iniDia},
        {Str(592), readByte(AdrIniNit), &r.iniNit},
    };
    for (const Item &item : general) {
        progress.label(item.text);
        const Outcome outcome = exchange(item.build, true, MaxReint);
        if (outcome != Outcome::Ok)
            return void(stopOn(outcome, host, saved));
        *item.target = byteReceived();
        // Counts beyond the panel's zone or relay area are refused as they
        // arrive: no label or record outside it is asked for, and nothing
        // is stored.
        if (item.target == &r.numZon && r.numZon > kZoneSlots)
            return messageStop(host, saved, Str(839));
        if (item.target == &r.numRel && r.numRel > kRelaySlots)
            return messageStop(host, saved, Str(840));
        // From the relay count on, progress is measured against the panel's
        // counts.
        if (item.target == &r.numRel)
            progress.setTotal(r.numZon + r.numRel + 5);
        progress.itemDone();
    }
    progress.label(Str(593));
    Outcome outcome = exchange(readText(AreaAbs, AdrEtiIni), true, MaxReint);
    if (outcome != Outcome::Ok)
        return void(stopOn(outcome, host, saved));
    r.etiIni = comm.DatosRxText();
    progress.itemDone();

    for (int z = 1; z <= r.numZon; ++z) {
        progress.label(Str(594), z);
        outcome = exchange(readText(AreaZon, z), true, MaxReint);
        if (outcome != Outcome::Ok)
            return void(stopOn(outcome, host, saved));
        r.zones.push_back(comm.DatosRxText());
        progress.itemDone();
    }

    for (int rel = 1; rel <= r.numRel; ++rel) {
        progress.label(Str(595), rel);
        outcome = exchange(readText(AreaRel, rel), true, MaxReint);
        if (outcome != Outcome::Ok)
            return void(stopOn(outcome, host, saved));
        ReceivedRelay relay;
        relay.label = comm.DatosRxText();
        outcome = exchange([rel](Frame &f) { Msg_RdRel(f, rel); return true; }, true, MaxReint);
        if (outcome != Outcome::Ok)
            return void(stopOn(outcome, host, saved));
        const auto record = RelayRecord::fromBytes(comm.DatosRx());
        if (!record)
            return void(stopOn(Outcome::Failed, host, saved));
        relay.record = *record;
        r.relays.push_back(relay);
        progress.itemDone();
    }

    // Everything has arrived: the database and the header change together.
    QString error;
    if (!storeReceived(r, &error)) {
        // Nothing was stored: the working database and the header stay as
        // they were. The user is told with the database-error text and the
        // engine's reason.
        End_Comm();
        Ena_Main(host, saved);
        s.MensajeAux = Str(120) + QStringLiteral("\n\n") + error;
        MsgBox(s.MensajeAux, MsgOk);
        return;
    }
    s.NumZon = quint8(r.numZon);
    s.NumRel = quint8(r.numRel);
    s.IniDia = quint8(r.iniDia);
    s.IniNit = quint8(r.iniNit);
    s.EtiIni = r.etiIni;
    s.ConfModif = true;

    completed();
    host.refreshConfiguration();
    Ena_Main(host, saved);
    End_Comm();
}

void SetPanelClock(TransferHost &host)
{
    // An open port-settings window is closed without storing its choices.
    unloadPortSettings();
    const Pointer saved = currentPointer();
    SetPointer(Pointer::Hourglass);
    FrmLoad *box = FrmLoad::load();
    host.setWindowEnabled(false);
    box->ProBar()->setRange(0, 3);
    box->ProBar()->setValue(0);
    box->setCaption(Str(473));
    box->lblLoad()->setText(Str(414));

    const auto giveBack = [&] {
        FrmLoad::unload();
        SetPointer(saved);
        host.setWindowEnabled(true);
    };
    const auto frame = [&](const Builder &build) {
        const Outcome outcome = exchange(build, false, kClockAttempts);
        if (outcome == Outcome::PortFailed) {
            End_Comm();
            giveBack();
        } else if (outcome == Outcome::Failed) {
            Err_Comm();
            giveBack();
        }
        return outcome == Outcome::Ok;
    };

    // Each attempt reads the clock anew when its frame is built.
    if (!frame([](Frame &f) { Msg_Time(f); return true; }))
        return;
    if (FrmLoad *b = FrmLoad::loaded())
        b->ProBar()->setValue(1);
    if (!frame([](Frame &f) { return Msg_Date(f); }))
        return;
    if (FrmLoad *b = FrmLoad::loaded()) {
        b->ProBar()->setValue(2);
        b->ProBar()->setValue(3);
    }
    FrmLoad::unload();
    completed();
    End_Comm();
    SetPointer(saved);
    host.setWindowEnabled(true);
}

} // namespace orb
