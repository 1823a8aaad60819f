#include "PanelSim.h"

#include "SettingsStore.h"

#include <QDeadlineTimer>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
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

void writeAll(int fd, QByteArray bytes)
{
    while (fd >= 0 && !bytes.isEmpty()) {
        const ssize_t done = ::write(fd, bytes.constData(), size_t(bytes.size()));
        if (done < 0 && errno != EINTR && errno != EAGAIN)
            return;
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
    m_devicePath = QString::fromLocal8Bit(name);
}

void PanelSim::closeLine()
{
    // The notifier may be the one whose signal runs now: it goes later.
    if (m_notifier) {
        m_notifier->setEnabled(false);
        m_notifier->deleteLater();
        m_notifier = nullptr;
    }
    for (int fd : {m_master, m_slave}) {
        if (fd >= 0)
            ::close(fd);
    }
    m_master = m_slave = -1;
}

bool PanelSim::start()
{
    if (m_master < 0 || m_notifier)
        return false;
    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, &m_context);
    QObject::connect(m_notifier, &QSocketNotifier::activated, &m_context, [this] { readInput(); });
    return true;
}

int PanelSim::framesReceived(char function) const
{
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

void PanelSim::sendRaw(const QByteArray &bytes) { writeNow(bytes); }

void PanelSim::writeNow(const QByteArray &bytes)
{
    // The terminal hands what is written on one side to the other a little
    // later, in the kernel's own time; the PC's side is waited for (bounded,
    // in case the PC's side is full) so that what the simulator has sent is
    // there to read, however busy the machine is.
    if (m_master < 0)
        return;
    const int before = pending(m_slave);
    writeAll(m_master, bytes);
    QDeadlineTimer bound(1000);
    while (m_slave >= 0 && pending(m_slave) < before + bytes.size() && !bound.hasExpired())
        ::usleep(50);
}

void PanelSim::hangUp()
{
    if (m_notifier) {
        m_notifier->setEnabled(false);
        m_notifier->deleteLater();
        m_notifier = nullptr;
    }
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

bool PanelSim::pcOutputHeld()
{
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

void PanelSim::at(SteadyClock::time_point due, std::function<void()> fn)
{
    const auto wait = std::chrono::round<std::chrono::milliseconds>(due - SteadyClock::now()).count();
    QTimer::singleShot(int(qMax<qint64>(wait, 0)), Qt::PreciseTimer, &m_context, std::move(fn));
}

void PanelSim::readInput()
{
    char buffer[512];
    const ssize_t n = ::read(m_master, buffer, sizeof buffer);
    if (n <= 0)
        return;
    const auto now = SteadyClock::now();
    if (m_input.isEmpty() || now - m_inputSince > kStaleInput) {
        m_input.clear();
        m_frameStart = now;
    }
    m_input.append(buffer, int(n));
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
        const QByteArray frame = m_input.left(5 + length);
        m_input.remove(0, 5 + length);
        // On a paced line a frame is whole only once its last bit would have
        // crossed it, counted from its first byte.
        if (m_baud > 0)
            at(m_frameStart + byteTime(m_baud) * frame.size(), [this, frame] { handleFrame(frame); });
        else
            handleFrame(frame);
        m_frameStart = now;
    }
}

void PanelSim::handleFrame(const QByteArray &frame)
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
        at(SteadyClock::now() + std::chrono::milliseconds(delay), [this, answer, what] { this->answer(answer, what); });
    else
        this->answer(answer, what);
}

void PanelSim::answer(const QByteArray &bytes, std::optional<Misbehaviour> what)
{
    const QByteArray previous = m_lastAnswer;
    m_lastAnswer = bytes;
    if (what == Misbehaviour::AfterPrevious)
        return send(previous + bytes);
    const QByteArray stray(m_strayBytes, kStray);
    if (what == Misbehaviour::NoisyAnswer)
        return send(bytes + stray);
    send(bytes);
    if (what != Misbehaviour::Doubled && what != Misbehaviour::NoiseAfter)
        return;
    const QByteArray again = what == Misbehaviour::Doubled ? bytes : stray;
    const auto firstLeft = m_baud > 0 ? m_lineFreeAt : SteadyClock::now();
    at(firstLeft + std::chrono::milliseconds(m_doubleGapMs), [this, again] { send(again); });
}

void PanelSim::send(const QByteArray &bytes)
{
    if (m_baud <= 0)
        return writeNow(bytes);
    // Each byte leaves once its ten bits have crossed the line, on a
    // schedule from the first, which waits for the line to be free.
    const auto start = std::max(SteadyClock::now(), m_lineFreeAt);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        at(start + byteTime(m_baud) * (i + 1), [this, byte = bytes.mid(i, 1)] { writeNow(byte); });
    m_lineFreeAt = start + byteTime(m_baud) * bytes.size();
}

void pointCom1At(const QString &device)
{
    auto settings = openSettingsStore();
    settings->setValue(QStringLiteral("Ports/Com1"), device);
    settings->sync();
}

} // namespace orb::test
