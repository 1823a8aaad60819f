#include "PanelSim.h"

#include "SettingsStore.h"

#include <QList>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace orb::test {

namespace {

using SteadyClock = std::chrono::steady_clock;

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
    return quint8(sum & 0xFF);
}

QByteArray withChecksum(QByteArray bytes)
{
    bytes.append(char(sumOf(bytes, 2, bytes.size())));
    return bytes;
}

QByteArray ackFrame(quint8 origin)
{
    QByteArray ack;
    ack.append(char(kPc)).append(char(origin)).append('W').append(char(0x81)).append(char(0x06));
    return withChecksum(ack);
}

void writeAll(int fd, const char *data, qsizetype size)
{
    while (size > 0) {
        const ssize_t done = ::write(fd, data, size_t(size));
        if (done < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN) {
                ::usleep(1000);
                continue;
            }
            return;
        }
        data += done;
        size -= done;
    }
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
    // Raw line: no echo, no line editing, no translation of bytes. The
    // program's serial port restores these settings when it closes.
    termios tio{};
    if (::tcgetattr(m_slave, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(m_slave, TCSANOW, &tio);
    }
    int pipeFds[2];
    if (::pipe(pipeFds) == 0) {
        m_wakeRead = pipeFds[0];
        m_wakeWrite = pipeFds[1];
    }
    m_devicePath = QString::fromLocal8Bit(name);
}

PanelSim::~PanelSim()
{
    stop();
    for (int fd : {m_master, m_slave, m_wakeRead, m_wakeWrite}) {
        if (fd >= 0)
            ::close(fd);
    }
}

bool PanelSim::start()
{
    if (m_master < 0 || m_wakeRead < 0 || m_thread.joinable())
        return false;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = false;
    }
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
    const char wake = 'x';
    writeAll(m_wakeWrite, &wake, 1);
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

int PanelSim::lateDelayMs() const
{
    std::lock_guard lock(m_mutex);
    return m_lateDelayMs;
}

void PanelSim::misbehave(Misbehaviour what, int count, int address, char function)
{
    std::lock_guard lock(m_mutex);
    m_rules.push_back(Rule{what, count, address, function});
}

void PanelSim::clearMisbehaviours()
{
    std::lock_guard lock(m_mutex);
    m_rules.clear();
}

QByteArray PanelSim::memory(int address, int length) const
{
    std::lock_guard lock(m_mutex);
    QByteArray bytes;
    for (int i = 0; i < length; ++i)
        bytes.append(m_memory.at((address + i) % kMemorySize));
    return bytes;
}

quint8 PanelSim::byteAt(int address) const { return quint8(memory(address, 1).at(0)); }

void PanelSim::setMemory(int address, const QByteArray &bytes)
{
    std::lock_guard lock(m_mutex);
    for (int i = 0; i < bytes.size(); ++i)
        m_memory[(address + i) % kMemorySize] = bytes.at(i);
}

PanelSim::Clock PanelSim::clock() const
{
    std::lock_guard lock(m_mutex);
    return m_clock;
}

int PanelSim::framesReceived(char function) const
{
    std::lock_guard lock(m_mutex);
    if (function == 0)
        return int(m_frames.size());
    int count = 0;
    for (const QByteArray &frame : m_frames)
        count += frame.at(2) == function ? 1 : 0;
    return count;
}

int PanelSim::badFrames() const
{
    std::lock_guard lock(m_mutex);
    return m_bad;
}

int PanelSim::repliesSent() const
{
    std::lock_guard lock(m_mutex);
    return m_replies;
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
    m_bad = 0;
    m_replies = 0;
}

bool PanelSim::waitForRepliesSent(int count, int timeoutMs)
{
    std::unique_lock lock(m_mutex);
    return m_sent.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return m_replies >= count; });
}

void PanelSim::sendRaw(const QByteArray &bytes) { writeAll(m_master, bytes.constData(), bytes.size()); }

bool PanelSim::takeRule(int address, char function, Misbehaviour *what)
{
    for (auto it = m_rules.begin(); it != m_rules.end(); ++it) {
        if (it->address != kAnyAddress && it->address != address)
            continue;
        if (it->function != 0 && it->function != function)
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
            if (!m_pending.empty()) {
                const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(m_pending.front().due - now);
                timeoutMs = qBound(0, int(wait.count()) + 1, timeoutMs);
            }
            if (!m_input.isEmpty() && now - m_inputSince > kStaleInput)
                m_input.clear();
        }

        pollfd fds[2] = {{m_master, POLLIN, 0}, {m_wakeRead, POLLIN, 0}};
        const int ready = ::poll(fds, 2, timeoutMs);
        if (ready < 0 && errno != EINTR)
            return;
        if (ready > 0 && (fds[1].revents & POLLIN)) {
            char drain[16];
            [[maybe_unused]] const ssize_t n = ::read(m_wakeRead, drain, sizeof drain);
            continue;   // the loop's head sees the stop request
        }
        if (ready > 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR))) {
            char buffer[512];
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n > 0)
                handleInput(QByteArray(buffer, int(n)));
            else
                ::usleep(5000);   // no reader on the other side for the moment
        }
        {
            std::lock_guard lock(m_mutex);
            if (m_hungUp) {
                // Both sides of the pseudo-terminal go: the device is gone.
                for (int *fd : {&m_master, &m_slave}) {
                    ::close(*fd);
                    *fd = -1;
                }
                return;
            }
        }

        // Late answers that are due.
        for (;;) {
            QByteArray due;
            {
                std::lock_guard lock(m_mutex);
                if (m_pending.empty() || m_pending.front().due > SteadyClock::now())
                    break;
                due = m_pending.front().bytes;
                m_pending.pop_front();
            }
            send(due);
        }
    }
}

void PanelSim::handleInput(const QByteArray &bytes)
{
    struct Arrived {
        QByteArray frame;
        SteadyClock::time_point firstByte;
    };
    QList<Arrived> frames;
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
            if (quint8(m_input.at(0)) != kPanel) {
                m_input.remove(0, 1);
                m_frameStart = now;
                continue;
            }
            if (m_input.size() < 4)
                break;
            const int length = quint8(m_input.at(3));
            if (length < 1 || length > 64) {
                ++m_bad;
                m_input.remove(0, 1);
                continue;
            }
            const int total = 5 + length;
            if (m_input.size() < total)
                break;
            frames.append({m_input.left(total), m_frameStart});
            m_input.remove(0, total);
            m_frameStart = now;
        }
    }
    for (const Arrived &arrived : frames) {
        // On a paced line a frame is whole only once its last bit would have
        // crossed it, counted from its first byte.
        if (baud > 0)
            std::this_thread::sleep_until(arrived.firstByte + byteTime(baud) * arrived.frame.size());
        handleFrame(arrived.frame);
    }
}

void PanelSim::handleFrame(const QByteArray &frame)
{
    const qsizetype n = frame.size();
    const auto function = char(frame.at(2));
    const int length = quint8(frame.at(3));
    QByteArray answer;
    bool late = false;
    {
        std::lock_guard lock(m_mutex);
        const bool goodSum = quint8(frame.at(n - 1)) == sumOf(frame, 2, n - 1);
        const bool request = function == 'W' || function == 'R';
        const bool clockFrame = function == ':' || function == ';';
        const bool shapeOk = quint8(frame.at(1)) == kPc
                             && ((request && length >= 3 && (function == 'W' || length == 3))
                                 || (clockFrame && length == 3));
        if (!goodSum || !shapeOk) {
            ++m_bad;
            return;
        }
        m_frames.append(frame);
        const int address = request ? (quint8(frame.at(4)) << 8 | quint8(frame.at(5))) : kAnyAddress;

        Misbehaviour what{};
        const bool misbehaving = takeRule(address, char(function), &what);
        if (misbehaving && what == Misbehaviour::Silent)
            return;
        if (misbehaving && what == Misbehaviour::HangUp) {
            m_hungUp = true;
            return;
        }
        if (misbehaving && what == Misbehaviour::Nak) {
            QByteArray nak;
            nak.append(char(kPc)).append(char(kPanel)).append('W').append(char(0x81)).append(char(0x15));
            answer = withChecksum(nak);
        } else {
            quint8 origin = kPanel;
            if (misbehaving && what == Misbehaviour::OtherPanel)
                origin = 0x20;
            if (function == 'W') {
                const QByteArray data = frame.mid(6, length - 2);
                for (int i = 0; i < data.size(); ++i)
                    m_memory[(address + i) % kMemorySize] = data.at(i);
                answer = ackFrame(origin);
            } else if (function == 'R') {
                QByteArray asked = frame;
                if (misbehaving && what == Misbehaviour::PreviousRead && !m_lastRead.isEmpty())
                    asked = m_lastRead;
                m_lastRead = frame;
                const int count = quint8(asked.at(6));
                const int from = quint8(asked.at(4)) << 8 | quint8(asked.at(5));
                QByteArray reply;
                reply.append(char(kPc)).append(char(origin)).append('R').append(char(quint8(count + 2)));
                reply.append(asked.at(4)).append(asked.at(5));
                for (int i = 0; i < count; ++i)
                    reply.append(m_memory.at((from + i) % kMemorySize));
                answer = withChecksum(reply);
            } else {
                const int a = quint8(frame.at(4)), b = quint8(frame.at(5)), c = quint8(frame.at(6));
                if (function == ':') {
                    m_clock.hour = a;
                    m_clock.minute = b;
                    m_clock.second = c;
                } else {
                    m_clock.day = a;
                    m_clock.month = b;
                    m_clock.year = 2000 + c;
                }
                answer = ackFrame(origin);
            }
            if (misbehaving) {
                switch (what) {
                case Misbehaviour::WrongChecksum:
                    answer[answer.size() - 1] = char(quint8(answer.back()) + 1);
                    break;
                case Misbehaviour::ExtraByte: answer.append(char(0x00)); break;
                case Misbehaviour::ShortReply: answer.chop(1); break;
                case Misbehaviour::EchoFirst: answer.prepend(frame); break;
                case Misbehaviour::Late: late = true; break;
                default: break;
                }
            }
        }
        if (late) {
            m_pending.push_back(Pending{SteadyClock::now() + std::chrono::milliseconds(m_lateDelayMs), answer});
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
    if (baud <= 0) {
        writeAll(m_master, bytes.constData(), bytes.size());
    } else {
        // Each byte leaves once its ten bits have crossed the line, on a
        // schedule from the first so that sleeping late does not add up.
        const auto start = SteadyClock::now();
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            std::this_thread::sleep_until(start + byteTime(baud) * (i + 1));
            writeAll(m_master, bytes.constData() + i, 1);
        }
    }
    {
        std::lock_guard lock(m_mutex);
        ++m_replies;
    }
    m_sent.notify_all();
}

void pointCom1At(const QString &device)
{
    auto settings = openSettingsStore();
    settings->setValue(QStringLiteral("Ports/Com1"), device);
    settings->sync();
}

} // namespace orb::test
