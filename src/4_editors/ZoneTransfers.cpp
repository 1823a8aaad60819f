#include "ZoneTransfers.h"

#include "AppState.h"
#include "Exchange.h"
#include "FrmComm.h"
#include "FrmCommSys.h"
#include "ModBas.h"
#include "ModCom.h"
#include "Seams.h"
#include "Strings.h"
#include "Transfers.h"
#include "ZoneRowsModel.h"

namespace orb {

namespace {

Builder zoneFrame(ZoneDirection direction, int zone, const ZoneRowsModel &zones)
{
    if (direction == ZoneDirection::Read)
        return readText(AreaZon, zone);
    return writeText(AreaZon, zone, zones.label(zone).value_or(QString()));
}

} // namespace

bool transferAllZones(ZoneDirection direction, int numZon, ZoneRowsModel &zones, ZoneTransferView &view)
{
    if (frmComm().waiting())
        return false;
    // An open port-settings window is closed without storing its choices.
    unloadPortSettings();
    view.goToZone(1);
    view.stopTicker();
    ProgressSink &progress = view.progress();
    progress.setCaption(Str(473));
    progress.setLabel(Str(414));
    progress.setRange(numZon);
    progress.setValue(0);

    const bool read = direction == ZoneDirection::Read;
    Sequence line;
    Outcome outcome = Outcome::Ok;
    int lastRead = 0;
    for (int zone = 1; zone <= numZon && outcome == Outcome::Ok; ++zone) {
        view.setWindowEnabled(false);
        view.goToZone(zone);
        // The label shows at once (and again should it be read again); the
        // labels read are stored together at the end, so the line does not
        // wait for the disk at every zone.
        Taker take;
        if (read)
            take = [&zones, &lastRead, zone](const QByteArray &data) {
                zones.setPendingLabel(zone, labelOf(data));
                lastRead = zone;
            };
        outcome = line.exchange(zoneFrame(direction, zone, zones), read, kAllZoneAttempts, take);
        if (outcome != Outcome::Ok)
            break;
        view.zoneDone();
    }
    if (outcome == Outcome::Ok && numZon > 0)
        outcome = line.end();
    view.stopTicker();
    view.setWindowEnabled(true);
    progress.close();
    // The labels read before a zone that failed stay as well, unless an
    // answer came that no frame awaited: then any of them may be another
    // zone's, and none is kept; nor is the last one read when stray bytes
    // after it left it in doubt. A store the database refuses has been
    // told, and ends the transfer without a message of its own.
    if (answersOutOfStep())
        zones.dropPending();
    else if (line.lastReadDoubted())
        zones.dropPendingLabel(lastRead);
    const bool stored = zones.storePending();
    if (outcome == Outcome::Failed)
        Err_Comm(progress);
    else if (outcome == Outcome::PortFailed || !stored)
        End_Comm(progress);
    else {
        Comm_Completed();
        End_Comm(progress);
    }
    return outcome == Outcome::Ok && stored;
}

bool transferOneZone(ZoneDirection direction, int zone, ZoneRowsModel &zones, ZoneTransferView &view)
{
    if (frmComm().waiting())
        return false;
    unloadPortSettings();
    view.goToZone(zone);
    ProgressSink &progress = view.progress();
    Sequence line;
    QString label;
    Outcome outcome = line.exchange(zoneFrame(direction, zone, zones), direction == ZoneDirection::Read, MaxReint,
                                    [&label](const QByteArray &data) { label = labelOf(data); });
    if (outcome == Outcome::Ok)
        outcome = line.end();
    if (outcome == Outcome::PortFailed) {
        End_Comm(progress);
        return false;
    }
    if (outcome == Outcome::Failed) {
        Err_Comm(progress);
        return false;
    }
    // A label the database refuses has been told.
    if (direction == ZoneDirection::Read && !zones.setLabel(zone, label)) {
        End_Comm(progress);
        return false;
    }
    progress.close();
    Comm_Completed();
    End_Comm(progress);
    return true;
}

std::optional<int> zoneOfBox(const QString &text, int numZon)
{
    AppState &s = appState();
    const double zone = leadingNumber(text);
    if (zone < 1) {
        s.Mensaje = Str(801);
        s.TituloMsg = Str(802);
        MsgBox(s.Mensaje, MsgExclamation, s.TituloMsg);
        return std::nullopt;
    }
    if (zone > numZon) {
        s.TituloMsg = Str(109);
        s.Mensaje = Str(839);
        MsgBox(s.Mensaje, MsgExclamation, s.TituloMsg);
        return std::nullopt;
    }
    return int(zone);
}

} // namespace orb
