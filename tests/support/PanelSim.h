#pragma once
// A simulated panel for tests: it opens a pseudo-terminal and answers the
// PC's frames on it the way the panel does. It runs in the thread that made
// it, whenever that thread's event loop runs (as it does while the program
// waits for a reply).
//
//   PanelSim sim;                       // opens the pseudo-terminal
//   QVERIFY(sim.start());               // starts answering
//   pointCom1At(sim.devicePath());      // or set "Ports/Com1" yourself
//
// What it does with each well-formed frame addressed to the panel (0x10):
//  - "W": writes the data bytes into its memory at the address and answers
//    the acknowledge C0 10 57 81 06 DE;
//  - "R": answers six header bytes, the N bytes of memory at the address,
//    and the checksum of bytes 3 to 6 + N. The header bytes are drawn at
//    random for each reply (from a fixed seed): nothing says what a panel
//    puts there, and the program must not rely on it;
//  - ":" and ";": sets its clock (hour, minute, second) or date (day, month,
//    year - 2000) and answers the acknowledge.
// Other frames are not answered. Bytes that do not start a frame are
// skipped, and a frame left incomplete for half a second is dropped.
//
// Misbehaviours are queued with misbehave(); the first rule that matches a
// frame is used (and used up when it has a count). Memory and clock change
// as usual except for Silent and HangUp. loseEvery() makes the line lose
// frames besides; setAnswerDelayMs() makes a slow panel.
//
// Whatever it writes to the PC is there to be read, on the PC's side of the
// line, by the time the call that wrote it returns: a test that puts bytes
// on the line at a set moment finds them there.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QRandomGenerator>
#include <QString>
#include <chrono>
#include <deque>
#include <functional>
#include <optional>

class QSocketNotifier;

namespace orb::test {

class PanelSim {
public:
    enum class Misbehaviour {
        Silent,       // no answer at all
        Late,         // the right answer, setLateDelayMs() after the frame
        HangUp,       // no answer: the simulator closes its side of the line and stops
        Doubled,      // the right answer twice, the second setDoubleGapMs() after the first has left
        AfterPrevious,// the previous answer again, then the right one, in one write
        NoisyAnswer,  // the right answer with stray bytes after it, in one write
        NoiseAfter,   // the right answer, then stray bytes setDoubleGapMs() after it has left
    };
    static constexpr char kStray = '\0';   // a stray byte of a noisy line
    static constexpr int kAnyAddress = -1;
    static constexpr int kAlways = -1;

    // Where the panel keeps what the program reads and writes, stated as
    // the panel has it rather than taken from the program, so that a wrong
    // address in the program shows in the tests.
    static constexpr int kLabel = 0x0010;        // panel label, 16 bytes
    static constexpr int kDayHour = 0x0020;      // the hours and counts one byte each
    static constexpr int kNightHour = 0x0021;
    static constexpr int kZoneCount = 0x0022;
    static constexpr int kRelayCount = 0x0023;
    static constexpr int zoneLabel(int zone) { return 0x0800 + 16 * (zone - 1); }
    static constexpr int relayLabel(int relay) { return 0x1000 + 32 * (relay - 1); }
    static constexpr int relayRecord(int relay) { return relayLabel(relay) + 16; }   // 12 bytes
    static constexpr int kMemorySize = 0x2000;

    struct Clock {
        int hour = 0, minute = 0, second = 0;
        int day = 1, month = 1, year = 2000;
    };

    PanelSim();   // not copied: it owns the line
    ~PanelSim() { closeLine(); }

    // The pseudo-terminal's device (the PC side); empty when it could not
    // be opened.
    QString devicePath() const { return m_devicePath; }
    bool start();

    // Pacing of the line at this baud rate, 10 bit times per byte, both
    // ways; 0 (the default) handles frames and answers at once.
    void setBaud(int baud) { m_baud = baud; }
    void setLateDelayMs(int ms) { m_lateDelayMs = ms; }
    // Every answer leaves this long after its frame was taken (Late ones
    // after setLateDelayMs()).
    void setAnswerDelayMs(int ms) { m_answerDelayMs = ms; }
    void setDoubleGapMs(int ms) { m_doubleGapMs = ms; }
    // How many stray bytes a noisy answer brings (1 at first).
    void setStrayBytes(int count) { m_strayBytes = count; }
    // Every nth well-formed frame (counted from the next one) is lost on
    // the line: not stored, not answered, not counted as received. 0: none.
    void loseEvery(int n)
    {
        m_loseEvery = n;
        m_sinceLost = 0;
    }

    // Misbehaviour for the next `count` frames (kAlways: every frame) whose
    // address is `address` (kAnyAddress: any frame, clock frames included)
    // and, when `function` is not 0, whose function code is `function`.
    void misbehave(Misbehaviour what, int count = 1, int address = kAnyAddress, char function = 0)
    {
        m_rules.push_back(Rule{what, count, address, function});
    }
    void clearMisbehaviours() { m_rules.clear(); }

    // Panel memory (kMemorySize bytes, zero at start) and clock.
    QByteArray memory(int address, int length) const { return m_memory.mid(address, length); }
    quint8 byteAt(int address) const { return quint8(m_memory.at(address)); }
    void setMemory(int address, const QByteArray &bytes) { m_memory.replace(address, bytes.size(), bytes); }
    Clock clock() const { return m_clock; }

    // Well-formed frames received (all, or those of one function code),
    // oldest first; resetCounters() forgets them.
    int framesReceived(char function = 0) const;
    QList<QByteArray> receivedFrames() const { return m_frames; }
    void resetCounters() { m_frames.clear(); }

    // Writes bytes to the PC at once, outside any answer (Xoff, noise, an
    // answer again).
    void sendRaw(const QByteArray &bytes);
    // The last answer it sent (or began to send).
    QByteArray lastAnswer() const { return m_lastAnswer; }
    // Whether the PC's side of the line is held (by an Xoff it took): a
    // probe byte written there cannot leave. When it can, the simulator
    // receives it and skips it as noise.
    bool pcOutputHeld();

    // `bytes` with their checksum appended: the sum of every byte from the
    // third on, modulo 256.
    static QByteArray withChecksum(QByteArray bytes);

private:
    struct Rule {
        Misbehaviour what;
        int count;
        int address;
        char function;
    };
    using SteadyClock = std::chrono::steady_clock;

    void readInput();
    void handleFrame(const QByteArray &frame);
    void send(const QByteArray &bytes);
    // Writes to the PC's side now, and returns once the bytes are there.
    void writeNow(const QByteArray &bytes);
    // Sends the answer to a frame, as `what` asks, when it is due.
    void answer(const QByteArray &bytes, std::optional<Misbehaviour> what);
    std::optional<Misbehaviour> takeRule(int address, char function);
    // Closes both sides of the pseudo-terminal: the device is gone.
    void closeLine();
    // Closes the panel's side: the PC's side can no longer be opened. Its
    // number stays taken until the simulator goes, so that no other
    // pseudo-terminal made meanwhile (by a test running beside this one)
    // gets it and the program's next open finds the device gone, not
    // another test's line.
    void hangUp();
    // Runs fn once the event loop runs at or after `due`.
    void at(SteadyClock::time_point due, std::function<void()> fn);

    QObject m_context; // owns the notifier and the pending timers
    QSocketNotifier *m_notifier = nullptr;
    int m_master = -1;
    int m_slave = -1;
    QString m_devicePath;
    QByteArray m_memory;
    Clock m_clock;
    int m_baud = 0;
    int m_lateDelayMs = 2500;
    int m_doubleGapMs = 30;
    int m_answerDelayMs = 0;
    int m_strayBytes = 1;
    QByteArray m_lastAnswer;
    int m_loseEvery = 0;
    int m_sinceLost = 0;
    QRandomGenerator m_headers{20260512};   // header bytes of the read replies
    SteadyClock::time_point m_lineFreeAt;   // when the last byte sent will have left
    std::deque<Rule> m_rules;
    QByteArray m_input;
    SteadyClock::time_point m_inputSince;
    SteadyClock::time_point m_frameStart; // first byte of the frame being received
    QList<QByteArray> m_frames;
};

// Points the program's Com1 at a device through the settings store.
void pointCom1At(const QString &device);

} // namespace orb::test
