#pragma once
// The general part's transfers of the general-configuration window: the
// zone count, relay count, day-mode and night-mode start hours and the
// panel label, read from the panel or written to it item by item, each
// item tried up to 10 times. Progress shows in a ProgressSink (caption 473,
// label 414, one step an item). No windows here.
//
// Every way out ends the exchange (the port closed, the progress taken
// away): a port that cannot be opened with its message 401 alone, an item
// that fails all its attempts, or answers out of step with the frames
// (FrmComm.h), with message 405, a completed transfer with message 432.

#include "Progress.h"

#include <QString>
#include <functional>
#include <optional>

namespace orb {

// The general part as the panel holds it.
struct PanelGeneral {
    int numZon = 0;
    int numRel = 0;
    int iniDia = 0;
    int iniNit = 0;
    QString etiIni;   // 16 characters, blanks kept
    bool operator==(const PanelGeneral &) const = default;
};

// Reads the five items and hands them to `keep`, which stores them; only
// then is the read reported done. nullopt when the read stops: the port, a
// failed item, a value the configuration cannot hold (more than 128 zones or
// relays, an hour above 23), which stops the read with its message
// (839-842) as it arrives, or a `keep` that could not store them (false,
// its message shown). A read that stops before `keep` gives nothing, so
// nothing is stored.
std::optional<PanelGeneral> readGeneralPart(ProgressSink &progress,
                                            const std::function<bool(const PanelGeneral &)> &keep);

// Writes the five items; true when the panel acknowledged every one. The
// items after a failed one are not sent.
bool writeGeneralPart(const PanelGeneral &values, ProgressSink &progress);

} // namespace orb
