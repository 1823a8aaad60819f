#pragma once
// One item of an exchange with the panel: its frame is built anew for each
// attempt, sent and waited for until the panel answers it well or the
// attempts are used up. The whole transfers and the single-part transfers
// of the editing windows go item by item this way.

#include "Frame.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

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
// Takes the data of a read's answer. It is called again for the same item,
// with the data read anew, when that answer turns out to be in doubt: a
// taker stores by item (replacing), never appends.
using Taker = std::function<void(const QByteArray &data)>;

// The exchanges of one command with the panel, from its first frame to its
// end() (the port stays open between them; End_Comm or Err_Comm close it).
class Sequence {
public:
    // Sends the item and waits for the acknowledge (`read` false) or the
    // read reply, whose data goes to `take`, up to `attempts` times. A send
    // that could not open the port ends the item at once; so do exchanges
    // out of step (FrmComm.h), which fail it without another attempt. When
    // the last read of the sequence is in doubt (AnswerLedger.h), that item
    // is read again first, its doubted answer counting as one of its
    // failed attempts.
    Outcome exchange(const Builder &build, bool read, int attempts, const Taker &take = {});

    // After the last item went well, before the command is reported done
    // (or what it read is kept): Ok when nothing that no frame awaits comes
    // within the watch after the last frame (a last read in doubt is read
    // again and watched anew), else Failed (the answers may have been taken
    // for other frames'; the caller ends with message 405 as for a failed
    // item). A caller may also end early this way to make sure of what it
    // read so far before it acts on it.
    Outcome end();

    // The last read's answer is in doubt and was not read again, or not
    // well: what its taker took must not be kept. Asked after an item
    // failed, before the port is closed.
    bool lastReadDoubted() const;

private:
    // Reads the item in doubt again with the attempts it has left.
    Outcome readAgain();

    struct Read {
        Builder build;
        Taker take;
        int attemptsLeft = 0;
    };
    std::optional<Read> m_lastRead;
    bool m_doubted = false;   // the last read is being read again
};

// An answer came that no frame of the sequence under way awaited: what its
// reads took may belong to other items than the ones they were taken for.
// Holds until the sequence ends (its port is closed).
bool answersOutOfStep();

// Builders of the common frames.
Builder writeByte(int address, int value);
Builder writeText(int area, int index, const QString &text);
Builder readByte(int address);
Builder readText(int area, int index);

// The first data byte of a read reply, 0 when it had none.
int byteOf(const QByteArray &data);
// The data of a read reply as a label, every label read from the panel is
// taken this way: one Windows-1252 character per byte, and a blank for each
// byte that is no printable character (below 0x20, and 0x7F), such as the
// zero bytes of a panel never labelled.
QString labelOf(const QByteArray &data);

} // namespace orb
