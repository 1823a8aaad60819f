#include "PanelSim.h"

#include "SettingsStore.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace orb::test {

namespace {

// Time one byte takes on the line: a start bit, eight data bits and a stop
// bit.
std::chrono::nanoseconds byteTime(int baud) { return std::chrono::nanoseconds(10'000'000'000LL / baud); }
constexpr int kMemorySize = 0x2000;
constexpr quint8 kPanel = 0x10;
constexpr quint8 kPc = 0xC0;
constexpr auto kStaleInput = std::chrono::milliseconds(500);

quint8 sumOf(const QByteArray &bytes, qsizetype from, qsizetype to)
{
    unsigned sum = 0;
    for (qsizetype i = from; i < to; ++i)
        sum += quint8(bytes.at(i));
    return quint8(sum);
}

QByteArray withChecksum(QByteArray bytes) { return bytes.append(char(sumOf(bytes, 2, bytes.size()))); }

void writeAll(int fd, const char *data, qsizetype size)
{
    while (size > 0) {
        const ssize_t done = ::write(fd, data, size_t(size));
        if (done < 0 && (errno == EINTR || errno == EAGAIN)) {
            ::usleep(1000);
            continue;
        }
        if (done < 0)
            return;
        data += done;
        size -= done;
    }
}

} // namespace

PanelSim::PanelSim()
    : m_memory(kMemorySize, '\0')
{
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0 || ::pipe(m_wake) != 0) {
        m_master = m_slave = -1;
        return;
    }
    // Raw line: no echo, no line editing, no translation of bytes.
    termios tio{};
    if (::tcgetattr(m_slave, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(m_slave, TCSANOW, &tio);
    }
    m_devicePath = QString::fromLocal8Bit(name);
}

PanelSim::~PanelSim()
{
    stop();
    for (int fd : {m_master, m_slave, m_wake[0], m_wake[1]}) {
        if (fd >= 0)
            ::close(fd);
    }
}

bool PanelSim::start()
{
    if (m_master < 0 || m_thread.joinable())
        return false;
    m_thread = std::thread([this] { run(); });
    return true;
}

void PanelSim::stop()
{
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    writeAll(m_wake[1], "x", 1);
    m_thread.join();
}

void PanelSim::setBaud(int baud)
{
    std::lock_guard lock(m_mutex);
    m_baud = qMax(0, baud);
}

void PanelSim::setLateDelayMs(int ms)
{
    std::lock_guard lock(m_mutex);
    m_lateDelayMs = ms;
}

void PanelSim::misbehave(Misbehaviour what, int count, int address, char function)
{
    std::lock_guard lock(m_mutex);
    m_rules.push_back(Rule{what, count, address, function});
}

QByteArray PanelSim::memory(int address, int length) const
{
    std::lock_guard lock(m_mutex);
    return m_memory.mid(address, length);
}

void PanelSim::setMemory(int address, const QByteArray &bytes)
{
    std::lock_guard lock(m_mutex);
    m_memory.replace(address, bytes.size(), bytes);
}

PanelSim::Clock PanelSim::clock() const
{
    std::lock_guard lock(m_mutex);
    return m_clock;
}

int PanelSim::framesReceived(char function) const
{
    std::lock_guard lock(m_mutex);
    return int(std::count_if(m_frames.cbegin(), m_frames.cend(),
                             [function](const QByteArray &frame) { return !function || frame.at(2) == function; }));
}

QList<QByteArray> PanelSim::receivedFrames() const
{
    std::lock_guard lock(m_mutex);
    return m_frames;
}

void PanelSim::resetCounters()
{
    std::lock_guard lock(m_mutex);
    m_frames.clear();
}

void PanelSim::sendRaw(const QByteArray &bytes) { writeAll(m_master, bytes.constData(), bytes.size()); }

bool PanelSim::takeRule(int address, char function, Misbehaviour *what)
{
    for (auto it = m_rules.begin(); it != m_rules.end(); ++it) {
        if ((it->address != kAnyAddress && it->address != address) || (it->function && it->function != function))
            continue;
        *what = it->what;
        if (it->count != kAlways && --it->count <= 0)
            m_rules.erase(it);
        return true;
    }
    return false;
}

void PanelSim::run()
{
    for (;;) {
        int timeoutMs = 200;
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping)
                return;
            const auto now = SteadyClock::now();
            if (!m_late.empty()) {
                const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(m_late.front().first - now);
                timeoutMs = qBound(0, int(wait.count()) + 1, timeoutMs);
            }
            if (!m_input.isEmpty() && now - m_inputSince > kStaleInput)
                m_input.clear();
        }

        pollfd fds[2] = {{m_master, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        const int ready = ::poll(fds, 2, timeoutMs);
        if (ready < 0 && errno != EINTR)
            return;
        if (ready > 0 && (fds[1].revents & POLLIN))
            continue; // the loop's head sees the stop request
        if (ready > 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR))) {
            char buffer[512];
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n > 0)
                handleInput(QByteArray(buffer, int(n)));
            else
                ::usleep(5000); // no reader on the other side for the moment
        }
        QByteArray due;
        {
            std::lock_guard lock(m_mutex);
            if (m_hungUp) {
                // Both sides of the pseudo-terminal go: the device is gone.
                ::close(m_master);
                ::close(m_slave);
                m_master = m_slave = -1;
                return;
            }
            if (!m_late.empty() && m_late.front().first <= SteadyClock::now()) {
                due = m_late.front().second;
                m_late.pop_front();
            }
        }
        if (!due.isEmpty())
            send(due);
    }
}

void PanelSim::handleInput(const QByteArray &bytes)
{
    QList<std::pair<QByteArray, SteadyClock::time_point>> frames; // with the time of their first byte
    int baud = 0;
    {
        std::lock_guard lock(m_mutex);
        baud = m_baud;
        const auto now = SteadyClock::now();
        if (m_input.isEmpty())
            m_frameStart = now;
        m_input.append(bytes);
        m_inputSince = now;
        while (!m_input.isEmpty()) {
            const int length = m_input.size() < 4 ? 0 : quint8(m_input.at(3));
            if (quint8(m_input.at(0)) != kPanel || (m_input.size() >= 4 && (length < 1 || length > 64))) {
                m_input.remove(0, 1);
                m_frameStart = now;
                continue;
            }
            if (m_input.size() < 5 + length || length == 0)
                break;
            frames.append({m_input.left(5 + length), m_frameStart});
            m_input.remove(0, 5 + length);
            m_frameStart = now;
        }
    }
    for (const auto &[frame, firstByte] : frames) {
        // On a paced line a frame is whole only once its last bit would have
        // crossed it, counted from its first byte.
        if (baud > 0)
            std::this_thread::sleep_until(firstByte + byteTime(baud) * frame.size());
        handleFrame(frame);
    }
}

void PanelSim::handleFrame(const QByteArray &frame)
{
    const qsizetype n = frame.size();
    const char function = frame.at(2);
    const int length = quint8(frame.at(3));
    const bool request = function == 'W' || function == 'R';
    const bool clockFrame = function == ':' || function == ';';
    if (quint8(frame.at(n - 1)) != sumOf(frame, 2, n - 1) || quint8(frame.at(1)) != kPc
        || !((request && length >= 3 && (function == 'W' || length == 3)) || (clockFrame && length == 3)))
        return;
    const int address = request ? (quint8(frame.at(4)) << 8 | quint8(frame.at(5))) : kAnyAddress;
    const QByteArray ack = withChecksum(QByteArray::fromHex("C0105781") + '\x06');
    QByteArray answer = ack;
    {
        std::lock_guard lock(m_mutex);
        m_frames.append(frame);
        Misbehaviour what{};
        const bool misbehaving = takeRule(address, function, &what);
        if (misbehaving && what == Misbehaviour::Silent)
            return;
        if (misbehaving && what == Misbehaviour::HangUp) {
            m_hungUp = true;
            return;
        }
        if (function == 'W') {
            m_memory.replace(address, length - 2, frame.mid(6, length - 2));
        } else if (function == 'R') {
            const QByteArray asked =
                misbehaving && what == Misbehaviour::PreviousRead && !m_lastRead.isEmpty() ? m_lastRead : frame;
            m_lastRead = frame;
            const int count = quint8(asked.at(6));
            answer = withChecksum(QByteArray::fromHex("C01052") + char(count + 2) + asked.mid(4, 2)
                                  + m_memory.mid(quint8(asked.at(4)) << 8 | quint8(asked.at(5)), count));
        } else if (function == ':') {
            m_clock.hour = frame.at(4);
            m_clock.minute = frame.at(5);
            m_clock.second = frame.at(6);
        } else {
            m_clock.day = frame.at(4);
            m_clock.month = frame.at(5);
            m_clock.year = 2000 + quint8(frame.at(6));
        }
        if (misbehaving && what == Misbehaviour::Late) {
            m_late.emplace_back(SteadyClock::now() + std::chrono::milliseconds(m_lateDelayMs), answer);
            return;
        }
    }
    send(answer);
}

void PanelSim::send(const QByteArray &bytes)
{
    int baud = 0;
    {
        std::lock_guard lock(m_mutex);
        baud = m_baud;
    }
    if (baud <= 0)
        return writeAll(m_master, bytes.constData(), bytes.size());
    // Each byte leaves once its ten bits have crossed the line, on a
    // schedule from the first so that sleeping late does not add up.
    const auto start = SteadyClock::now();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        std::this_thread::sleep_until(start + byteTime(baud) * (i + 1));
        writeAll(m_master, bytes.constData() + i, 1);
    }
}

void pointCom1At(const QString &device)
{
    auto settings = openSettingsStore();
    settings->setValue(QStringLiteral("Ports/Com1"), device);
    settings->sync();
}

} // namespace orb::test
