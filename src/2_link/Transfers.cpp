#include "Transfers.h"

#include "AppState.h"
#include "ConfigTables.h"
#include "Exchange.h"
#include "FrmComm.h"
#include "ModBas.h"
#include "ModCom.h"
#include "ModCrc.h"
#include "Schema.h"
#include "Strings.h"

#include <QSqlRecord>
#include <algorithm>
#include <optional>
#include <vector>

namespace orb {

namespace {

// The progress of a whole transfer and its counting.
class Progress {
public:
    explicit Progress(ProgressSink &sink) : m_sink(sink) {}
    void setTotal(int total) { m_total = total; }
    void label(const QString &text) { m_sink.setLabel(text); }
    void label(const QString &text, int number) { label(text + QLatin1Char(' ') + QString::number(number)); }
    void itemDone()
    {
        m_sink.setValue(transferPercent(m_step, m_total));
        ++m_step;
    }

private:
    ProgressSink &m_sink;
    int m_step = 1;
    int m_total = 0;
};

// Set-up shared by both drivers; returns the pointer to give back.
Pointer setUp(TransferHost &host, int total, Progress &progress)
{
    progress.setTotal(total);
    // An open port-settings window is closed without storing its choices.
    host.closePortSettings();
    host.progress().setCaption(Str(414));
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
    End_Comm(host.progress());
}

void emptyTableStop(TransferHost &host, Pointer saved) { messageStop(host, saved, Str(120)); }

// Number and label of every zone or relay row, in key order.
using Rows = std::vector<std::pair<int, QString>>;
Rows zoneLabels()
{
    Rows rows;
    for (const ZoneRow &zone : zoneRows())
        rows.emplace_back(zone.IDZON, zone.ETIZON);
    return rows;
}
Rows relayLabels()
{
    Rows rows;
    for (const RelayRow &relay : relayRows())
        rows.emplace_back(relay.IDREL, relay.ETIREL);
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
    Err_Comm(host.progress());
    Ena_Main(host, saved);
}

void portStop(TransferHost &host, Pointer saved)
{
    End_Comm(host.progress());
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

int headerValue(const QSqlRecord &row, const char *column)
{
    return int(leadingNumber(row.value(QLatin1String(column))));
}

struct ReceivedRelay {
    QString label;
    std::optional<RelayRecord> record;   // none: its reply was not a record
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

// Writes a complete receive into the working database in one transaction:
// the general row's five items, and the zone and relay rows replaced by the
// received ones (of the open configuration).
bool storeReceived(const Received &r, QString *error)
{
    const int idCon = appState().IdCon;
    QStringList zones;
    for (const QString &label : r.zones)
        zones << label;
    QList<RelayRow> relays;
    for (size_t i = 0; i < r.relays.size(); ++i) {
        const RelayRecord &rec = *r.relays[i].record;
        const ModeCodes mode = decodeModeByte(rec.Mode);
        RelayRow row;
        row.IDCON = idCon;
        row.IDREL = int(i + 1);
        row.ETIREL = r.relays[i].label;
        row.TIP = rec.TIP;
        row.RMIN = rec.RMIN;
        row.RSEC = rec.RSEC;
        row.DDIA = mode.DDIA;
        row.DNOCH = mode.DNOCH;
        row.PDIA = mode.PDIA;
        row.PNOCH = mode.PNOCH;
        for (int l = 0; l < 4; ++l) {
            row.IL[l] = rec.IL[l];
            row.FL[l] = rec.FL[l];
        }
        relays << row;
    }
    QSqlError failure;
    Transaction transaction(BaseDatos());
    const bool stored = transaction.started()
                        && updateGeneralRow({{"NUMZON", r.numZon},
                                             {"NUMREL", r.numRel},
                                             {"INIDIA", r.iniDia},
                                             {"ININIT", r.iniNit},
                                             {"ETIINI", r.etiIni}},
                                            &failure)
                        && replaceZones(zones, idCon, &failure) && replaceRelays(relays, &failure)
                        && transaction.commit();
    if (!stored) {
        if (!failure.isValid())
            failure = transaction.error();
        *error = databaseErrorText(failure);
    }
    return stored;
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
    host.progress().close();
    SetPointer(saved);
    host.setCommandsEnabled(true);
}

void Send_AllConf(TransferHost &host)
{
    if (!host.storeTypedEdits())
        return;
    const AppState &s = appState();
    Progress progress(host.progress());
    const Pointer saved = setUp(host, int(s.NumZon) + int(s.NumRel) + 5, progress);

    const std::optional<QSqlRecord> conf = generalRow();
    if (!conf)
        return emptyTableStop(host, saved);
    struct Item {
        QString text;
        Builder build;
    };
    const int numZon = headerValue(*conf, "NUMZON");
    const int numRel = headerValue(*conf, "NUMREL");
    const Item general[] = {
        {Str(582), writeByte(AdrNumZon, numZon)},
        {Str(583), writeByte(AdrNumRel, numRel)},
        {Str(584), writeByte(AdrIniDia, headerValue(*conf, "INIDIA"))},
        {Str(585), writeByte(AdrIniNit, headerValue(*conf, "ININIT"))},
        {Str(586), writeText(AreaAbs, AdrEtiIni, conf->value(QStringLiteral("ETIINI")).toString())},
    };
    // The rows are read before the exchanges start, so no statement stays
    // open on the database while the waits yield to the windows, and a
    // configuration that would write outside the panel's zone or relay area
    // is refused before anything goes.
    const Rows zones = zoneLabels();
    const Rows relays = relayLabels();
    if (const QString refused = outsideTheMap(numZon, numRel, zones, relays); !refused.isEmpty())
        return messageStop(host, saved, refused);

    Sequence line;
    for (const Item &item : general) {
        progress.label(item.text);
        const Outcome outcome = line.exchange(item.build, false, MaxReint);
        if (outcome != Outcome::Ok)
            return void(stopOn(outcome, host, saved));
        progress.itemDone();
    }

    if (zones.empty())
        return emptyTableStop(host, saved);
    for (const auto &[zone, label] : zones) {
        progress.label(Str(587), zone);
        const Outcome outcome = line.exchange(writeText(AreaZon, zone, label), false, MaxReint);
        if (outcome != Outcome::Ok)
            return void(stopOn(outcome, host, saved));
        progress.itemDone();
    }

    if (relays.empty())
        return emptyTableStop(host, saved);
    for (const auto &[relay, label] : relays) {
        progress.label(Str(588), relay);
        Outcome outcome = line.exchange(writeText(AreaRel, relay, label), false, MaxReint);
        if (outcome != Outcome::Ok)
            return void(stopOn(outcome, host, saved));
        // The record is read from the relay's row for each attempt. A row
        // that is gone stops the send (its message has been shown); no
        // half-built frame goes out.
        bool rowMissing = false;
        outcome = line.exchange(
            [relay, &rowMissing](Frame &f) {
                rowMissing = !Msg_WrRel(f, relay);
                return !rowMissing;
            },
            false, MaxReint);
        if (rowMissing) {
            End_Comm(host.progress());
            return Ena_Main(host, saved);
        }
        if (outcome != Outcome::Ok)
            return void(stopOn(outcome, host, saved));
        progress.itemDone();
    }
    // Only a panel that took every frame is reported done.
    if (const Outcome end = line.end(); end != Outcome::Ok)
        return void(stopOn(end, host, saved));

    host.progress().close();
    SetPointer(saved);
    Comm_Completed();
    Ena_Main(host, saved);
    End_Comm(host.progress());
}

void Rec_AllConf(TransferHost &host)
{
    AppState &s = appState();
    Progress progress(host.progress());
    const Pointer saved = setUp(host, int(s.NumZon) + int(s.NumRel) + 5, progress);
    // Nothing may show or hold rows of the working database while it is
    // rewritten: a window that stays open stops the receive before it
    // starts.
    if (!host.closeEditingWindows())
        return Ena_Main(host, saved);
    if (rowCount(tabConfCentral()) <= 0)
        return emptyTableStop(host, saved);

    Received r;
    Sequence line;

    // Items 1 to 5: the general part.
    struct Item {
        QString text;
        Builder build;
        int *target;
        int limit;         // the largest value the configuration can hold
        QString refused;   // the message of a value above it
    };
    const Item general[] = {
        {Str(589), readByte(AdrNumZon), &r.numZon, kZoneSlots, Str(839)},
        {Str(590), readByte(AdrNumRel), &r.numRel, kRelaySlots, Str(840)},
        {Str(591), readByte(AdrIniDia), &r.iniDia, MaxHora, Str(841)},
        {Str(592), readByte(AdrIniNit), &r.iniNit, MaxHora, Str(842)},
    };
    for (const Item &item : general) {
        progress.label(item.text);
        int *target = item.target;
        const Outcome outcome =
            line.exchange(item.build, true, MaxReint, [target](const QByteArray &data) { *target = byteOf(data); });
        if (outcome != Outcome::Ok)
            return void(stopOn(outcome, host, saved));
        // A value the configuration cannot hold is refused as it arrives:
        // no label or record outside the panel's zone or relay area is
        // asked for, no hour that every later check of the configuration
        // would refuse is taken, and nothing is stored. The line is watched
        // first, so that a value pushed out of place is read again rather
        // than refused.
        if (*item.target > item.limit) {
            if (const Outcome end = line.end(); end != Outcome::Ok)
                return void(stopOn(end, host, saved));
            if (*item.target > item.limit)
                return messageStop(host, saved, item.refused);
        }
        // From the relay count on, progress is measured against the panel's
        // counts.
        if (item.target == &r.numRel)
            progress.setTotal(r.numZon + r.numRel + 5);
        progress.itemDone();
    }
    progress.label(Str(593));
    Outcome outcome =
        line.exchange(readText(AreaAbs, AdrEtiIni), true, MaxReint, [&r](const QByteArray &data) { r.etiIni = labelOf(data); });
    if (outcome != Outcome::Ok)
        return void(stopOn(outcome, host, saved));
    // The answer to the label confirms every value before it, or had one
    // read again (and its taker called anew).
    for (const Item &item : general) {
        if (*item.target > item.limit)
            return messageStop(host, saved, item.refused);
    }
    progress.itemDone();

    r.zones.resize(size_t(r.numZon));
    for (int z = 1; z <= r.numZon; ++z) {
        progress.label(Str(594), z);
        outcome = line.exchange(readText(AreaZon, z), true, MaxReint,
                                [&r, z](const QByteArray &data) { r.zones[size_t(z - 1)] = labelOf(data); });
        if (outcome != Outcome::Ok)
            return void(stopOn(outcome, host, saved));
        progress.itemDone();
    }

    r.relays.resize(size_t(r.numRel));
    for (int rel = 1; rel <= r.numRel; ++rel) {
        progress.label(Str(595), rel);
        ReceivedRelay &relay = r.relays[size_t(rel - 1)];
        outcome = line.exchange(readText(AreaRel, rel), true, MaxReint,
                                [&relay](const QByteArray &data) { relay.label = labelOf(data); });
        if (outcome != Outcome::Ok)
            return void(stopOn(outcome, host, saved));
        outcome = line.exchange([rel](Frame &f) { Msg_RdRel(f, rel); return true; }, true, MaxReint,
                                [&relay](const QByteArray &data) { relay.record = RelayRecord::fromBytes(data); });
        if (outcome != Outcome::Ok)
            return void(stopOn(outcome, host, saved));
        progress.itemDone();
    }
    // Only replies that answered their own frames are stored.
    if (const Outcome end = line.end(); end != Outcome::Ok)
        return void(stopOn(end, host, saved));
    for (const ReceivedRelay &relay : r.relays) {
        if (!relay.record)
            return void(stopOn(Outcome::Failed, host, saved));
    }

    // Everything has arrived: the database and the header change together.
    QString error;
    if (!storeReceived(r, &error)) {
        // Nothing was stored: the working database and the header stay as
        // they were. The user is told with the database-error text and the
        // engine's reason.
        End_Comm(host.progress());
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

    Comm_Completed();
    host.refreshConfiguration();
    Ena_Main(host, saved);
    End_Comm(host.progress());
}

void SetPanelClock(TransferHost &host)
{
    // An open port-settings window is closed without storing its choices.
    host.closePortSettings();
    const Pointer saved = currentPointer();
    SetPointer(Pointer::Hourglass);
    ProgressSink &box = host.progress();
    box.setRange(3);
    host.setWindowEnabled(false);
    box.setValue(0);
    box.setCaption(Str(473));
    box.setLabel(Str(414));

    Sequence line;
    const auto giveBack = [&] {
        box.close();
        SetPointer(saved);
        host.setWindowEnabled(true);
    };
    const auto frame = [&](const Builder &build) {
        const Outcome outcome = line.exchange(build, false, kClockAttempts);
        if (outcome == Outcome::PortFailed) {
            End_Comm(box);
            giveBack();
        } else if (outcome == Outcome::Failed) {
            Err_Comm(box);
            giveBack();
        }
        return outcome == Outcome::Ok;
    };

    // Each attempt reads the clock anew when its frame is built.
    if (!frame([](Frame &f) { Msg_Time(f); return true; }))
        return;
    box.setValue(1);
    if (!frame([](Frame &f) { return Msg_Date(f); }))
        return;
    if (line.end() != Outcome::Ok) {
        Err_Comm(box);
        return giveBack();
    }
    box.setValue(2);
    box.setValue(3);
    box.close();
    Comm_Completed();
    End_Comm(box);
    SetPointer(saved);
    host.setWindowEnabled(true);
}

} // namespace orb
