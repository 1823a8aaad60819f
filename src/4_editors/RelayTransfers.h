#pragma once
// The read and the write of one relay between the relay window and the
// panel. Each runs two phases, the relay's 16-character label and then its
// 12-byte record, each tried up to 10 times:
//  - readRelay asks for the label at 0x1000 + (n - 1) * 32 and the record
//    16 bytes further on, hands the label to the window as soon as it has
//    arrived and the record once it has;
//  - writeRelay sends the label it is given and then the record built from
//    the relay's stored row (the window stores the row it shows first).
// The progress box is prepared at the start and put up by Show_Sync after
// the first good label exchange. A port that cannot be opened (or is lost)
// ends the command quietly after its message 401; a phase that fails ten
// times, or answers out of step with the frames (FrmComm.h, looked for a
// short while after the last phase too), ends it with message 405 and
// nothing after that phase runs; a write whose record cannot be built (the
// relay has no row) ends after the missing-row message, sending nothing
// more. A command that gets through
// both phases ends with message 432. Every way out closes the progress box
// and the port, stops the ticker and gives the window back.

#include "ModCom.h"
#include "Progress.h"

#include <QString>

namespace orb {

// What the transfers need of the relay window.
class RelayTransferHost {
public:
    virtual ~RelayTransferHost() = default;
    // The number of the relay shown.
    virtual int relayNumber() const = 0;
    // Holds the window's controls while the command runs (true), gives them
    // back (false).
    virtual void setBusy(bool busy) = 0;
    // Closes the port-settings window without storing its choices.
    virtual void closePortSettings() = 0;
    // The progress box: prepared with caption 473 and label 414, put up by
    // Show_Sync, filled to its maximum at the end; progress() closes it.
    virtual void prepareProgress() = 0;
    virtual bool progressShown() const = 0;
    virtual void showSync() = 0;
    virtual void fillProgress() = 0;
    virtual ProgressSink &progress() = 0;
    // The window's progress ticker.
    virtual void setTicker(bool on) = 0;
    // What a read brings: the label (16 characters, blanks kept), then the
    // record.
    virtual void labelReceived(const QString &label) = 0;
    // False when what was read could not be stored (the database's message
    // has been shown).
    virtual bool recordReceived(const RelayRecord &record) = 0;
};

enum class RelayTransferResult {
    Completed,    // both phases done; message 432 shown
    PortFailed,   // the port could not be opened; message 401 shown
    Failed,       // a phase failed ten times; message 405 shown
    NoRow,        // the record could not be built; the missing-row message shown
    NotStored,    // read, but the database refused it; its message shown
};

RelayTransferResult readRelay(RelayTransferHost &host);
RelayTransferResult writeRelay(RelayTransferHost &host, const QString &label);

} // namespace orb
