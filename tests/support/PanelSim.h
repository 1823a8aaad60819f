#pragma once
// A simulated panel for tests: it opens a pseudo-terminal and answers the
// PC's frames on it the way the panel does. It runs on a thread of its own
// from start() until it goes, so it puts bytes on the line at its own
// moments, as a panel does: while the program writes a frame, between two
// waits, or while the test's thread is busy or asleep. Everything below may
// be called from the test's thread at any time.
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
// The line: unpaced (baud 0, the default) a frame is taken as soon as its
// last byte is read, and what the panel sends is written at once, whole. On
// a paced line (setBaud) a frame is whole once its last byte would have
// crossed the line, 10 bit times a byte from its first, and what the panel
// sends leaves byte by byte, each written to the PC when its ten bits have
// crossed, after whatever it sent before. An answer is due its delay after
// the frame was whole (0: at that moment, possibly while the program is
// still inside the call that writes the frame), and its first byte starts
// then or once the line is free.
//
// Misbehaviours are queued with misbehave(); the first rule that matches a
// frame is used (and used up when it has a count). Memory and clock change
// as usual except for Silent and HangUp. loseEvery() makes the line lose
// frames besides; setAnswerDelayMs() makes a slow panel.
//
// What sendRaw() writes to the PC is there to be read, on the PC's side of
// the line, by the time the call returns: a test that puts bytes on the
// line at a set moment finds them there. What the panel's own thread writes
// reaches the PC's side in the kernel's own time, a few microseconds later
// on an idle machine.

#include <QByteArray>
#include <QList>
#include <QRandomGenerator>
#include <QString>
#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>

namespace orb::test {

class PanelSim {
public:
    enum class Misbehaviour {
        Silent,       // no answer at all
        Late,         // the right answer, setLateDelayMs() after the frame
        HangUp,       // no answer: the simulator closes its side of the line and stops
        Doubled,      // the right answer twice, the second setDoubleGapMs() after the first has left
                      // (gap 0: back to back, with no pause between them)
        AfterPrevious,// the previous answer again, then the right one, in one stream
        NoisyAnswer,  // the right answer with stray bytes after it, in one stream
        NoiseAfter,   // the right answer, then stray bytes setDoubleGapMs() after it has left
                      // (a PC that writes its next frame at once finds them in that frame's
                      // wait, even with no gap; LineNoise.h puts them before every frame)
        StrayBefore,  // stray bytes immediately followed by the right answer, in one stream
                      // (a read reply after one stray byte passes its checksum shifted too)
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

    PanelSim();   // not copied: it owns the line and its thread
    PanelSim(const PanelSim &) = delete;
    PanelSim &operator=(const PanelSim &) = delete;
    // Stops the panel's thread, then closes the line: the device is gone.
    ~PanelSim();

    // The pseudo-terminal's device (the PC side); empty when it could not
    // be opened.
    QString devicePath() const { return m_devicePath; }
    // Starts the panel's thread; false when the line could not be opened,
    // the thread could not be started, or it runs already.
    bool start();

    // Pacing of the line at this baud rate, 10 bit times per byte, both
    // ways; 0 (the default) handles frames and answers at once.
    void setBaud(int baud) { locked([&] { m_baud = baud; }); }
    void setLateDelayMs(int ms) { locked([&] { m_lateDelayMs = ms; }); }
    // Every answer is due this long after its frame was whole (Late ones
    // after setLateDelayMs()).
    void setAnswerDelayMs(int ms) { locked([&] { m_answerDelayMs = ms; }); }
    void setDoubleGapMs(int ms) { locked([&] { m_doubleGapMs = ms; }); }
    // How many stray bytes a noisy answer brings (1 at first).
    void setStrayBytes(int count) { locked([&] { m_strayBytes = count; }); }
    // Every nth well-formed frame (counted from the next one) is lost on
    // the line: not stored, not answered, not counted as received. 0: none.
    void loseEvery(int n)
    {
        locked([&] {
            m_loseEvery = n;
            m_sinceLost = 0;
        });
    }

    // Misbehaviour for the next `count` frames (kAlways: every frame) whose
    // address is `address` (kAnyAddress: any frame, clock frames included)
    // and, when `function` is not 0, whose function code is `function`.
    void misbehave(Misbehaviour what, int count = 1, int address = kAnyAddress, char function = 0)
    {
        locked([&] { m_rules.push_back(Rule{what, count, address, function}); });
    }
    void clearMisbehaviours() { locked([&] { m_rules.clear(); }); }

    // Panel memory (kMemorySize bytes, zero at start) and clock.
    QByteArray memory(int address, int length) const { return locked([&] { return m_memory.mid(address, length); }); }
    quint8 byteAt(int address) const { return locked([&] { return quint8(m_memory.at(address)); }); }
    void setMemory(int address, const QByteArray &bytes)
    {
        locked([&] { m_memory.replace(address, bytes.size(), bytes); });
    }
    Clock clock() const { return locked([&] { return m_clock; }); }

    // Well-formed frames received (all, or those of one function code),
    // oldest first; resetCounters() forgets them.
    int framesReceived(char function = 0) const;
    QList<QByteArray> receivedFrames() const { return locked([&] { return m_frames; }); }
    void resetCounters() { locked([&] { m_frames.clear(); }); }

    // Writes bytes to the PC at once, outside any answer and unpaced (Xoff,
    // noise, an answer again), and returns once they are there to be read.
    void sendRaw(const QByteArray &bytes);
    // The last answer it sent (or began to send).
    QByteArray lastAnswer() const { return locked([&] { return m_lastAnswer; }); }
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
    using TimePoint = SteadyClock::time_point;

    template <typename Fn>
    std::invoke_result_t<Fn> locked(Fn fn) const
    {
        std::lock_guard lock(m_mutex);
        return fn();
    }

    // The panel's thread: waits for the PC's bytes and for the moment of
    // the next scheduled step, and runs both under the mutex.
    void run();
    void readInput();
    void handleFrame(const QByteArray &frame, TimePoint whole);
    // Puts bytes on the line no earlier than `earliest`: at once when
    // unpaced, else byte by byte after whatever was sent before.
    void send(const QByteArray &bytes, TimePoint earliest);
    // Writes to the PC's side now; with `waitThere`, returns once the bytes
    // are there to be read (bounded, in case the PC's side is full).
    void writeNow(const QByteArray &bytes, bool waitThere);
    // Sends the answer to a frame, as `what` asks, from `due` on.
    void answer(const QByteArray &bytes, std::optional<Misbehaviour> what, TimePoint due);
    std::optional<Misbehaviour> takeRule(int address, char function);
    // Closes the panel's side: the PC's side can no longer be opened. Its
    // number stays taken until the simulator goes, so that no other
    // pseudo-terminal made meanwhile (by a test running beside this one)
    // gets it and the program's next open finds the device gone, not
    // another test's line.
    void hangUp();
    // Runs fn(due) on the panel's thread at `due` (steps due at the same
    // moment run in the order they were scheduled).
    void at(TimePoint due, std::function<void(TimePoint)> fn);
    // Wakes the panel's thread to look at its schedule again.
    void wake();

    mutable std::mutex m_mutex;   // guards everything below but the thread
    std::thread m_thread;
    bool m_stopping = false;
    int m_wakeRead = -1, m_wakeWrite = -1;   // a pipe that wakes the thread
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
    TimePoint m_lineFreeAt;                 // when the last byte sent will have left
    std::multimap<TimePoint, std::function<void(TimePoint)>> m_schedule;
    std::deque<Rule> m_rules;
    QByteArray m_input;
    TimePoint m_inputSince;
    TimePoint m_frameStart;    // first byte of the frame being received crosses the line
    TimePoint m_inputFreeAt;   // the last frame taken had crossed the line
    QList<QByteArray> m_frames;
};

// Points the program's Com1 at a device through the settings store.
void pointCom1At(const QString &device);

} // namespace orb::test
