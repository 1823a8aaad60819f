#pragma once
// How the exchanges with the panel tell an answer from bytes that answer no
// frame. Nothing in an answer names its frame: the acknowledge is the same
// six bytes for every write, and the first six bytes of a read reply (7 + n
// bytes, the last one the checksum) are the panel's. So an answer is told by
// when it came, judged by what can be known of that, never by when the
// program happened to look, and every byte is accounted for here. The serial
// host (FrmComm) tells this ledger what arrived in which phase of a
// sequence, which answer a wait took and which try failed; the ledger says
// whether to go on, read the last item again, or stop. It owns no port and
// no timer.
//
// The phases of one frame, in order:
//  - before the write: everything the line held before the frame's first
//    byte was handed to the port. It answers no frame;
//  - the wait: everything from then on until the wait ends. It belongs to
//    this frame's try, which takes exactly one answer: one good answer with
//    nothing before or after it in the wait. Anything else (a wrong answer,
//    none in time, more than one answer, stray bytes with one) fails the
//    try;
//  - the drain, after a failed try only: the line is read until it has been
//    quiet a while, so that the failed frame's late answer is never taken
//    for the next frame's. What the try and its drain saw beyond the one
//    answer the try may rightly have had, however wrong, answers no frame;
//  - the watch, after the last frame of a sequence whose last wait went
//    well: whatever arrives in it answers no frame.
//
// Bytes that answer no frame are counted from the last good answer of the
// sequence, through failed tries and reads done again, and the count starts
// again at the next good answer. Bytes before the first good answer, such as
// a glitch when the port opens, are not counted: no answer taken can have
// moved yet.
//  - As many bytes as an answer or more (the answer awaited or the one last
//    taken, whichever is shorter) are an answer that no frame awaited: a
//    panel or line that answered twice. The sequence is out of step: every
//    later answer may belong to another frame than the one it seems to, so
//    it stops at once (message 405) and a read keeps nothing it took.
//  - Fewer are noise, thrown away, with one exception: a read reply is kept
//    only when nothing that no frame awaited came in its wait, just before
//    it or after it until the next frame's answer is taken (after the last
//    frame: until the watch ends). A stray byte just before a reply makes
//    it look one byte early, and the reply's real last byte then arrives
//    after it; a reply sent twice is split by the next frame. Either could
//    pass the checksum. So after such bytes, or a failed try after it that
//    saw part of an answer or more than one, the last read is in doubt: it
//    counts as a failed try of its item, which is read again before any
//    other frame goes out. Reads change nothing on the panel; a write can
//    never be taken back, and noise around an acknowledge costs nothing.
//
// What cannot be told apart: a doubled acknowledge followed by a lost frame
// balances the count (the acknowledge names no frame); a shifted read reply
// whose real last byte comes in the next frame's wait and there passes the
// checksum again, shifted too, confirms the first (one chance in 256 twice
// over); a second answer later than the watch is not seen.

#include <QtGlobal>

namespace orb {

class AnswerLedger {
public:
    enum class Phase { BeforeWrite, Wait, Drain, Watch };
    enum class Verdict {
        Accept,     // go on: nothing casts doubt on the answers taken
        ReadAgain,  // the last read is in doubt: read that item again first
        Stop,       // out of step: the sequence ends at once
    };

    // The port was opened or closed: a sequence starts afresh.
    void reset() { *this = AnswerLedger{}; }
    // A frame whose answer is `awaited` bytes long (a read's answer carries
    // data when `read`) is about to be written. What the line holds before
    // its first byte is told next, with Phase::BeforeWrite.
    void frameComing(qsizetype awaited, bool read);
    void arrived(Phase phase, qsizetype bytes);
    // The frame's wait took one good answer and nothing else.
    void answerTaken();
    // The drain after a failed try has ended: what the try (told as
    // Phase::Wait) and the drain saw is judged.
    void drainEnded();
    // The read in doubt is being read again: its answer no longer counts.
    void readDropped() { m_readPending = false; m_doubt = false; }

    Verdict verdict() const;
    bool outOfStep() const { return m_outOfStep; }
    bool readInDoubt() const { return verdict() == Verdict::ReadAgain; }
    // Bytes that answered no frame since the last good answer.
    qsizetype unawaited() const { return m_unawaited; }

private:
    void count(qsizetype bytes);
    void doubt(qsizetype bytes);

    qsizetype m_awaited = 0;      // length of the answer the frame written awaits
    bool m_reading = false;       // the frame written is a read
    qsizetype m_lastTaken = 0;    // length of the last good answer
    bool m_counting = false;      // a good answer was taken: count unawaited bytes
    qsizetype m_unawaited = 0;
    qsizetype m_tryBytes = 0;     // what the try under way (and its drain) saw
    bool m_readPending = false;   // the last answer taken is a read not yet confirmed
    bool m_doubt = false;         // ...and something cast doubt on it
    bool m_outOfStep = false;
};

} // namespace orb
