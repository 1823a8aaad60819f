#include "PanelSim.h"

#include "SettingsStore.h"

#include <QDeadlineTimer>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>

namespace orb::test {

namespace {

// Time one byte takes on the line: a start bit, eight data bits and a stop
// bit.
std::chrono::nanoseconds byteTime(int baud) { return std::chrono::nanoseconds(10'000'000'000LL / baud); }
constexpr quint8 kPanel = 0x10;
constexpr quint8 kPc = 0xC0;
constexpr auto kStaleInput = std::chrono::milliseconds(500);
// How long a write waits for room on a PC's side that nobody reads before
// the rest is lost, as on a line whose receiver overflows.
constexpr int kFullLineMs = 1000;

void writeAll(int fd, QByteArray bytes)
{
    QDeadlineTimer bound(kFullLineMs);
    while (fd >= 0 && !bytes.isEmpty() && !bound.hasExpired()) {
        const ssize_t done = ::write(fd, bytes.constData(), size_t(bytes.size()));
        if (done < 0 && errno != EINTR && errno != EAGAIN)
            return;
        if (done < 0 && errno == EAGAIN)
            ::usleep(100);
        bytes.remove(0, qMax<ssize_t>(done, 0));
    }
}

// Bytes waiting to be read on a terminal.
int pending(int fd)
{
    int count = 0;
    return fd >= 0 && ::ioctl(fd, FIONREAD, &count) == 0 ? count : 0;
}

} // namespace

PanelSim::PanelSim()
    : m_memory(kMemorySize, '\0')
{
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        m_master = m_slave = -1;
        return;
    }
    // Raw line: no echo, no line editing, no translation of bytes.
    termios tio{};
    if (::tcgetattr(m_slave, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(m_slave, TCSANOW, &tio);
    }
    // The panel's thread never blocks on its side of the line.
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    m_devicePath = QString::fromLocal8Bit(name);
}

PanelSim::~PanelSim()
{
    // The thread goes first: no descriptor it may still use is closed, and
    // so handed to another open, under it.
    if (m_thread.joinable()) {
        locked([this] { m_stopping = true; });
        wake();
        m_thread.join();
    }
    for (int fd : {m_master, m_slave, m_wakeRead, m_wakeWrite}) {
        if (fd >= 0)
            ::close(fd);
    }
}

bool PanelSim::start()
{
    std::lock_guard lock(m_mutex);
    if (m_master < 0 || m_thread.joinable())
        return false;
    int wakePipe[2];
    if (m_wakeRead < 0) {
        if (::pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0)
            return false;
        m_wakeRead = wakePipe[0];
        m_wakeWrite = wakePipe[1];
    }
    try {
        m_thread = std::thread([this] { run(); });
    } catch (const std::system_error &) {
        return false;
    }
    return true;
}

void PanelSim::wake()
{
    // A full pipe already wakes it: a failed write loses nothing.
    const char byte = 0;
    if (m_wakeWrite >= 0 && ::write(m_wakeWrite, &byte, 1) < 0)
        return;
}

void PanelSim::run()
{
    // Wake-ups as close to the schedule as the kernel allows: a paced byte
    // is about a millisecond.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        pollfd fds[2] = {{m_wakeRead, POLLIN, 0}, {m_master, POLLIN, 0}};
        const nfds_t count = m_master >= 0 ? 2 : 1;
        timespec wait{};
        timespec *timeout = nullptr;
        if (!m_schedule.empty()) {
            const auto left = std::max(m_schedule.begin()->first - SteadyClock::now(), SteadyClock::duration::zero());
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            wait.tv_sec = time_t(ns / 1'000'000'000);
            wait.tv_nsec = long(ns % 1'000'000'000);
            timeout = &wait;
        }
        lock.unlock();
        const int ready = ::ppoll(fds, count, timeout, nullptr);
        lock.lock();
        if (ready > 0 && fds[0].revents) {
            char drain[64];
            while (::read(m_wakeRead, drain, sizeof drain) > 0) {
            }
        }
        // (Only this thread closes the panel's side while the thread runs.)
        if (ready > 0 && count == 2 && fds[1].revents)
            readInput();
        while (!m_stopping && !m_schedule.empty() && m_schedule.begin()->first <= SteadyClock::now()) {
            auto step = m_schedule.extract(m_schedule.begin());
            step.mapped()(step.key());
        }
    }
}

int PanelSim::framesReceived(char function) const
{
    std::lock_guard lock(m_mutex);
    return int(std::count_if(m_frames.cbegin(), m_frames.cend(),
                             [function](const QByteArray &frame) { return !function || frame.at(2) == function; }));
}

QByteArray PanelSim::withChecksum(QByteArray bytes)
{
    unsigned sum = 0;
    for (qsizetype i = 2; i < bytes.size(); ++i)
        sum += quint8(bytes.at(i));
    return bytes.append(char(sum % 256));
}

void PanelSim::sendRaw(const QByteArray &bytes)
{
    std::lock_guard lock(m_mutex);
    writeNow(bytes, true);
}

void PanelSim::writeNow(const QByteArray &bytes, bool waitThere)
{
    if (m_master < 0)
        return;
    const int before = pending(m_slave);
    writeAll(m_master, bytes);
    // The terminal hands what is written on one side to the other a little
    // later, in the kernel's own time. The caller that asks for it (the
    // test's thread, so not reading the PC's side meanwhile) waits for it
    // (bounded, in case the PC's side is full), however busy the machine is.
    if (!waitThere)
        return;
    QDeadlineTimer bound(kFullLineMs);
    while (m_slave >= 0 && pending(m_slave) < before + bytes.size() && !bound.hasExpired())
        ::usleep(50);
}

void PanelSim::hangUp()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

bool PanelSim::pcOutputHeld()
{
    std::lock_guard lock(m_mutex);
    if (m_slave < 0)
        return false;
    const int flags = ::fcntl(m_slave, F_GETFL);
    ::fcntl(m_slave, F_SETFL, flags | O_NONBLOCK);
    const char probe = 0;
    const ssize_t written = ::write(m_slave, &probe, 1);
    const int error = errno;
    ::fcntl(m_slave, F_SETFL, flags);
    return written < 0 && (error == EAGAIN || error == EWOULDBLOCK);
}

std::optional<PanelSim::Misbehaviour> PanelSim::takeRule(int address, char function)
{
    for (auto it = m_rules.begin(); it != m_rules.end(); ++it) {
        if ((it->address != kAnyAddress && it->address != address) || (it->function && it->function != function))
            continue;
        const Misbehaviour what = it->what;
        if (it->count != kAlways && --it->count <= 0)
            m_rules.erase(it);
        return what;
    }
    return std::nullopt;
}

void PanelSim::at(TimePoint due, std::function<void(TimePoint)> fn)
{
    // Runs on the panel's thread, which looks at its schedule again before
    // it sleeps.
    m_schedule.emplace(due, std::move(fn));
}

void PanelSim::readInput()
{
    char buffer[512];
    const ssize_t n = ::read(m_master, buffer, sizeof buffer);
    if (n <= 0) {
        // Nothing to read although the line said so: the PC's side is
        // gone for good (it is never closed while the panel runs, so this
        // does not happen), and the panel stops listening rather than spin.
        if (n == 0 || (errno != EAGAIN && errno != EINTR))
            hangUp();
        return;
    }
    const auto now = SteadyClock::now();
    // A frame starts to cross the line when its first byte is written, or
    // once the frame before it has crossed.
    const auto lineStart = [this, now] { return std::max(now, m_inputFreeAt); };
    if (m_input.isEmpty() || now - m_inputSince > kStaleInput) {
        m_input.clear();
        m_frameStart = lineStart();
    }
    m_input.append(buffer, int(n));
    m_inputSince = now;
    while (!m_input.isEmpty()) {
        const int length = m_input.size() < 4 ? 0 : quint8(m_input.at(3));
        if (quint8(m_input.at(0)) != kPanel || (m_input.size() >= 4 && (length < 1 || length > 64))) {
            m_input.remove(0, 1);
            m_frameStart = lineStart();
            continue;
        }
        if (m_input.size() < 5 + length || length == 0)
            break;
        const QByteArray frame = m_input.left(5 + length);
        m_input.remove(0, 5 + length);
        // On a paced line a frame is whole only once its last bit would have
        // crossed it, counted from its first byte.
        if (m_baud > 0) {
            m_inputFreeAt = m_frameStart + byteTime(m_baud) * frame.size();
            at(m_inputFreeAt, [this, frame](TimePoint whole) { handleFrame(frame, whole); });
        } else {
            handleFrame(frame, now);
        }
        m_frameStart = lineStart();
    }
}

void PanelSim::handleFrame(const QByteArray &frame, TimePoint whole)
{
    const char function = frame.at(2);
    const int length = quint8(frame.at(3));
    const bool request = function == 'W' || function == 'R';
    const bool clockFrame = function == ':' || function == ';';
    if (withChecksum(frame.chopped(1)) != frame || quint8(frame.at(1)) != kPc
        || !((request && length >= 3 && (function == 'W' || length == 3)) || (clockFrame && length == 3)))
        return;
    if (m_loseEvery > 0 && ++m_sinceLost == m_loseEvery) {
        m_sinceLost = 0;
        return;
    }
    m_frames.append(frame);
    const int address = request ? (quint8(frame.at(4)) << 8 | quint8(frame.at(5))) : kAnyAddress;
    const std::optional<Misbehaviour> what = takeRule(address, function);
    if (what == Misbehaviour::HangUp)
        hangUp();
    if (what == Misbehaviour::Silent || what == Misbehaviour::HangUp)
        return;
    QByteArray answer = withChecksum(QByteArray::fromHex("C0105781") + '\x06');
    if (function == 'W') {
        m_memory.replace(address, length - 2, frame.mid(6, length - 2));
    } else if (function == 'R') {
        const int count = quint8(frame.at(6));
        QByteArray header(6, '\0');
        for (char &byte : header)
            byte = char(m_headers.bounded(256));
        answer = withChecksum(header + m_memory.mid(address, count));
        // A reply that one stray byte before it pushes a byte late passes
        // its checksum all the same: the second header byte (which the
        // checksum leaves out) is chosen so, as it happens by chance with
        // real data.
        if (what == Misbehaviour::StrayBefore && m_strayBytes == 1) {
            quint8 sum = 0;
            for (qsizetype i = 2; i + 2 < answer.size(); ++i)
                sum += quint8(answer.at(i));
            answer[1] = char(quint8(answer.at(answer.size() - 2)) - sum);
        }
    } else if (function == ':') {
        m_clock.hour = frame.at(4);
        m_clock.minute = frame.at(5);
        m_clock.second = frame.at(6);
    } else {
        m_clock.day = frame.at(4);
        m_clock.month = frame.at(5);
        m_clock.year = 2000 + quint8(frame.at(6));
    }
    const int delay = what == Misbehaviour::Late ? m_lateDelayMs : m_answerDelayMs;
    if (delay > 0)
        at(whole + std::chrono::milliseconds(delay),
           [this, answer, what](TimePoint due) { this->answer(answer, what, due); });
    else
        this->answer(answer, what, whole);
}

void PanelSim::answer(const QByteArray &bytes, std::optional<Misbehaviour> what, TimePoint due)
{
    const QByteArray previous = m_lastAnswer;
    m_lastAnswer = bytes;
    if (what == Misbehaviour::AfterPrevious)
        return send(previous + bytes, due);
    const QByteArray stray(m_strayBytes, kStray);
    if (what == Misbehaviour::NoisyAnswer)
        return send(bytes + stray, due);
    if (what == Misbehaviour::StrayBefore)
        return send(stray + bytes, due);
    send(bytes, due);
    if (what != Misbehaviour::Doubled && what != Misbehaviour::NoiseAfter)
        return;
    const QByteArray again = what == Misbehaviour::Doubled ? bytes : stray;
    // Counted from the moment the first has left: its last byte written,
    // paced or not.
    const auto firstLeft = m_baud > 0 ? m_lineFreeAt : std::max(due, SteadyClock::now());
    if (m_doubleGapMs <= 0)
        return send(again, firstLeft);
    at(firstLeft + std::chrono::milliseconds(m_doubleGapMs), [this, again](TimePoint at) { send(again, at); });
}

void PanelSim::send(const QByteArray &bytes, TimePoint earliest)
{
    if (m_baud <= 0)
        return writeNow(bytes, false);
    // Each byte leaves once its ten bits have crossed the line, on a
    // schedule from the first, which waits for the line to be free.
    const auto start = std::max(earliest, m_lineFreeAt);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        at(start + byteTime(m_baud) * (i + 1), [this, byte = bytes.mid(i, 1)](TimePoint) { writeNow(byte, false); });
    m_lineFreeAt = start + byteTime(m_baud) * bytes.size();
}

void pointCom1At(const QString &device)
{
    auto settings = openSettingsStore();
    settings->setValue(QStringLiteral("Ports/Com1"), device);
    settings->sync();
}

} // namespace orb::test
