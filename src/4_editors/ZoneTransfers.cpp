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

// After a good exchange of a read: the label goes into the zone rows.
bool takeReply(ZoneDirection direction, int zone, ZoneRowsModel &zones)
{
    return direction == ZoneDirection::Write || zones.setLabel(zone, frmComm().DatosRxText());
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

    const auto stop = [&](Outcome outcome) {
        view.stopTicker();
        if (outcome == Outcome::Failed)
            Err_Comm(progress);
        else
            End_Comm(progress);
        view.setWindowEnabled(true);
        return false;
    };
    for (int zone = 1; zone <= numZon; ++zone) {
        view.setWindowEnabled(false);
        view.goToZone(zone);
        const Outcome outcome = exchange(zoneFrame(direction, zone, zones), direction == ZoneDirection::Read,
                                         kAllZoneAttempts);
        if (outcome != Outcome::Ok)
            return stop(outcome);
        // A label the database refuses has been told; the transfer ends
        // there without a message of its own.
        if (!takeReply(direction, zone, zones))
            return stop(Outcome::PortFailed);
        view.zoneDone();
    }
    view.setWindowEnabled(true);
    progress.close();
    view.stopTicker();
    Comm_Completed();
    End_Comm(progress);
    return true;
}

bool transferOneZone(ZoneDirection direction, int zone, ZoneRowsModel &zones, ZoneTransferView &view)
{
    if (frmComm().waiting())
        return false;
    unloadPortSettings();
    view.goToZone(zone);
    ProgressSink &progress = view.progress();
    const Outcome outcome = exchange(zoneFrame(direction, zone, zones), direction == ZoneDirection::Read, MaxReint);
    if (outcome == Outcome::PortFailed) {
        End_Comm(progress);
        return false;
    }
    if (outcome == Outcome::Failed) {
        Err_Comm(progress);
        return false;
    }
    if (!takeReply(direction, zone, zones)) {
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
