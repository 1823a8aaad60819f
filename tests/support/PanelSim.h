#pragma once
// A simulated panel for tests: it opens a pseudo-terminal and answers the
// PC's frames on it the way the panel does, on a thread of its own.
//
//   PanelSim sim;                       // opens the pseudo-terminal
//   QVERIFY(sim.start());               // starts answering
//   pointCom1At(sim.devicePath());      // or set "Ports/Com1" yourself
//   ... run exchanges ...
//   sim.stop();                         // also done by the destructor
//
// What it does with each well-formed frame addressed to the panel (0x10):
//  - "W": writes the data bytes into its memory at the address and answers
//    the acknowledge C0 10 57 81 06 DE;
//  - "R": answers 7 + N bytes: C0 10 52 (N + 2) AddrH AddrL, the N bytes of
//    memory at the address, and the checksum of bytes 3 to 6 + N;
//  - ":" and ";": sets its clock (hour, minute, second) or date (day, month,
//    year - 2000) and answers the acknowledge.
// Frames with a wrong checksum, for another station or not understood are
// counted in badFrames() and not answered. Bytes that do not start a frame
// are skipped, and a frame left incomplete for half a second is dropped.
//
// Misbehaviours are queued with misbehave(); the first rule that matches a
// frame is used (and used up when it has a count). Memory and clock are
// changed as usual for every misbehaviour except Silent, Nak and HangUp.

#include <QByteArray>
#include <QList>
#include <QString>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace orb::test {

class PanelSim {
public:
    enum class Misbehaviour {
        Silent,         // no answer at all
        Late,           // the right answer, lateDelayMs() after the frame
        WrongChecksum,  // the right answer with its last byte changed
        Nak,            // C0 10 57 81 15 ED (negative acknowledge)
        ExtraByte,      // the right answer followed by one more byte
        ShortReply,     // the right answer without its last byte
        EchoFirst,      // the PC's frame echoed, then the right answer
        OtherPanel,     // the right answer from station 0x20 instead of 0x10
        PreviousRead,   // a read answered as the read before it (its address, its data now)
        HangUp,         // no answer: the simulator closes its side of the line and stops
    };
    static constexpr int kAnyAddress = -1;
    static constexpr int kAlways = -1;

    struct Clock {
        int hour = 0, minute = 0, second = 0;
        int day = 1, month = 1, year = 2000;
    };

    PanelSim();
    ~PanelSim();
    PanelSim(const PanelSim &) = delete;
    PanelSim &operator=(const PanelSim &) = delete;

    // The pseudo-terminal's device (the PC side), e.g. "/dev/pts/7"; empty
    // when it could not be opened.
    QString devicePath() const { return m_devicePath; }
    bool start();
    void stop();

    // Pacing of the line at this baud rate, 10 bit times per byte, both
    // ways: a frame counts as received once its bytes would have crossed
    // the line since its first byte arrived, and answers go out at that
    // rate. 0 (the default) handles frames and answers at once.
    void setBaud(int baud);
    void setLateDelayMs(int ms);
    int lateDelayMs() const;

    // Misbehaviour for the next `count` frames (kAlways: every frame) whose
    // address is `address` (kAnyAddress: any frame, clock frames included)
    // and, when `function` is not 0, whose function code is `function`
    // ('W', 'R', ':' or ';').
    void misbehave(Misbehaviour what, int count = 1, int address = kAnyAddress, char function = 0);
    void clearMisbehaviours();

    // Panel memory (0x2000 bytes, zero at start) and clock.
    QByteArray memory(int address, int length) const;
    quint8 byteAt(int address) const;
    void setMemory(int address, const QByteArray &bytes);
    Clock clock() const;

    // Well-formed frames received, all or those of one function ('W', 'R',
    // ':', ';'); frames refused; answers written (late ones when written).
    int framesReceived(char function = 0) const;
    int badFrames() const;
    int repliesSent() const;
    // Every well-formed frame received so far, oldest first.
    QList<QByteArray> receivedFrames() const;
    void resetCounters();

    // Blocks until at least `count` answers have been written, up to
    // timeoutMs; true when they were. For tests that must let a late answer
    // go by before the next exchange.
    bool waitForRepliesSent(int count, int timeoutMs);

    // Writes bytes to the PC at once, outside any answer (the flow-control
    // character Xoff 0x13, for instance).
    void sendRaw(const QByteArray &bytes);

private:
    struct Rule {
        Misbehaviour what;
        int count;
        int address;
        char function;
    };
    struct Pending {
        std::chrono::steady_clock::time_point due;
        QByteArray bytes;
    };

    void run();
    void handleInput(const QByteArray &bytes);
    void handleFrame(const QByteArray &frame);
    void send(const QByteArray &bytes);   // with the lock released
    bool takeRule(int address, char function, Misbehaviour *what);

    bool m_hungUp = false;   // HangUp seen: the thread closes the line
    int m_master = -1;
    int m_slave = -1;
    int m_wakeRead = -1;
    int m_wakeWrite = -1;
    QString m_devicePath;
    std::thread m_thread;

    mutable std::mutex m_mutex;
    std::condition_variable m_sent;
    bool m_stopping = false;
    QByteArray m_memory;
    Clock m_clock;
    int m_baud = 0;
    int m_lateDelayMs = 2500;
    std::deque<Rule> m_rules;
    std::deque<Pending> m_pending;   // late answers, in order of due time
    QByteArray m_lastRead;   // the last read frame received
    QByteArray m_input;
    std::chrono::steady_clock::time_point m_inputSince;
    std::chrono::steady_clock::time_point m_frameStart;   // first byte of the frame being received
    QList<QByteArray> m_frames;
    int m_bad = 0;
    int m_replies = 0;
};

// Points the program's Com1 at a device through the settings store.
void pointCom1At(const QString &device);

} // namespace orb::test
