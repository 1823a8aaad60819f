#pragma once
// The whole-configuration transfers of the Communication menu and the
// panel clock command:
//  - Send_AllConf writes the open configuration into the panel: zone count,
//    relay count, day and night start hours, panel label, every zone label,
//    then every relay's label and record. It changes nothing in the
//    database.
//  - Rec_AllConf reads the same items from the panel and, once every one of
//    them has arrived, rewrites the working database with them in one
//    transaction. A receive that stops part-way changes nothing; one that
//    reads a count above 128 or an hour above 23 stops there with the
//    message of that field (839-842).
//  - SetPanelClock sends the PC's time, then its date.
// Each item is tried up to 10 times (11 for the clock frames); a port that
// cannot be opened at any item (the line lost) stops the transfer with that
// message alone. Answers out of step with the frames (FrmComm.h), found at
// any item or in the watch after the last, stop it with message 405.
// Progress goes into the progress box, and every way out gives back the
// pointer, the toolbar and the menus.

#include "Exchange.h"
#include "Progress.h"
#include "Seams.h"

namespace orb {

// What the transfers need of the main window.
class TransferHost {
public:
    virtual ~TransferHost() = default;
    // The toolbar as a whole, then the seven top-level menus, in order.
    virtual void setCommandsEnabled(bool enabled) = 0;
    // The whole main window (the clock command blocks it).
    virtual void setWindowEnabled(bool enabled) = 0;
    // Title, menus, toolbar and status fields after the configuration changed.
    virtual void refreshConfiguration() = 0;
    // Closes the editing windows before the working database is rewritten;
    // false when one of them stays open.
    virtual bool closeEditingWindows() = 0;
    // Stores what an editing window holds typed but not yet entered, as
    // entering it would, before a send reads the configuration. False when
    // it could not be stored (told): nothing is sent.
    virtual bool storeTypedEdits() = 0;
    // Closes the port-settings window without storing its choices.
    virtual void closePortSettings() = 0;
    // Where the transfer shows its progress.
    virtual ProgressSink &progress() = 0;
};

void Send_AllConf(TransferHost &host);
void Rec_AllConf(TransferHost &host);
void SetPanelClock(TransferHost &host);

// Ends a whole transfer: closes the progress, gives back the pointer,
// enables the toolbar and the seven menus.
void Ena_Main(TransferHost &host, Pointer saved);

// Percentage shown after `step` of `total` items, never above 100.
int transferPercent(int step, int total);

} // namespace orb
