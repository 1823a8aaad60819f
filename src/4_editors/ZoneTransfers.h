#pragma once
// The zone-label transfers of the zone window: every label of zones 1 to
// NumZon, or the label of one zone, read from the panel into the zone rows
// or written from them to the panel. An all-zone transfer tries each zone
// up to 11 times and shows its progress; a single-zone transfer tries 10
// times and shows none. No windows here: what the transfers do to the
// window goes through ZoneTransferView.
//
// Every way out ends the exchange (the port closed, the progress taken
// away): a port that cannot be opened with its message 401 alone, a zone
// that fails all its attempts, or answers out of step with the frames
// (FrmComm.h), with message 405 (labels read before it stay),
// a completed transfer with message 432. A transfer asked for while another
// exchange waits for the panel does not start.

#include "Progress.h"

#include <QString>
#include <optional>

namespace orb {

class ZoneRowsModel;

// What a zone transfer does to the window around it.
class ZoneTransferView {
public:
    virtual ~ZoneTransferView() = default;
    virtual ProgressSink &progress() = 0;
    // An all-zone transfer disables the window for each exchange and
    // enables it at its end.
    virtual void setWindowEnabled(bool enabled) = 0;
    // The grid's current row goes to the zone being transferred.
    virtual void goToZone(int zone) = 0;
    // A zone of an all-zone transfer went well: the bar moves on and its
    // ticker runs.
    virtual void zoneDone() = 0;
    // The ticker stops; every way out of an all-zone transfer calls this.
    virtual void stopTicker() = 0;
};

// Attempts per zone of the all-zone transfers.
inline constexpr int kAllZoneAttempts = 11;

enum class ZoneDirection { Read, Write };

// Zones 1 to numZon; true when every one went well.
bool transferAllZones(ZoneDirection direction, int numZon, ZoneRowsModel &zones, ZoneTransferView &view);
// One zone; true when it went well.
bool transferOneZone(ZoneDirection direction, int zone, ZoneRowsModel &zones, ZoneTransferView &view);

// The zone number a single-zone transfer takes from the zone box: its
// leading number when it names a zone from 1 to numZon. An empty box or
// zone 0 gives message 801 (title 802), a zone above numZon message 839
// (title 109); then nullopt.
std::optional<int> zoneOfBox(const QString &text, int numZon);

} // namespace orb
