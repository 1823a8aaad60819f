#pragma once
// One item of an exchange with the panel: its frame is built anew for each
// attempt, sent and waited for until the panel answers it well or the
// attempts are used up. The whole transfers and the single-part transfers
// of the editing windows go item by item this way.

#include "Frame.h"

#include <QString>
#include <functional>

namespace orb {

// Attempts per frame: of each item of the transfers and of the editing
// windows' panel commands, and of the clock frames.
inline constexpr int MaxReint = 10;
inline constexpr int kClockAttempts = 11;

enum class Outcome {
    Ok,          // the panel answered well
    Failed,      // no good answer after every attempt (or no frame could be built)
    PortFailed,  // the port could not be opened: message 401 has been shown
};

// Builds one attempt's frame; false when it cannot be built (the item fails
// without sending).
using Builder = std::function<bool(Frame &)>;

// Sends the item and waits for the acknowledge (`read` false) or the read
// reply, up to `attempts` times. A send that could not open the port ends
// the item at once; so do exchanges out of step (FrmComm.h), which fail it
// without another attempt.
Outcome exchange(const Builder &build, bool read, int attempts);

// After the last item of a sequence went well, before it is reported done
// (or what it read is kept): Ok when no answer comes that no frame awaits
// within a short watch, else Failed (the answers may have been taken for
// other frames'; the caller ends with message 405 as for a failed item).
Outcome endOfSequence();

// An answer came that no frame of the sequence under way awaited: what its
// reads took may belong to other items than the ones they were taken for.
// Holds until the sequence ends (its port is closed).
bool answersOutOfStep();

// Builders of the common frames.
Builder writeByte(int address, int value);
Builder writeText(int area, int index, const QString &text);
Builder readByte(int address);
Builder readText(int area, int index);

// The first data byte of the last good read reply, 0 when it had none.
int byteReceived();
// The data of the last good read reply as a label, every label read from the
// panel is taken this way: one Windows-1252 character per byte, and a blank
// for each byte that is no printable character (below 0x20, and 0x7F), such
// as the zero bytes of a panel never labelled.
QString labelReceived();

} // namespace orb
