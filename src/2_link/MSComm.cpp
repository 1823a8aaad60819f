#include "MSComm.h"

#include "SettingsStore.h"

#include <QDeadlineTimer>
#include <QSerialPort>
#include <QStringList>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace orb {

namespace {

// How long one frame may take to leave the PC before the write counts as
// failed (a 23-byte frame needs 200 ms at 1200 baud).
constexpr int kWriteTimeoutMs = 2000;

QSerialPort::Parity parityOf(char letter)
{
    switch (letter) {
    case 'E': return QSerialPort::EvenParity;
    case 'O': return QSerialPort::OddParity;
    case 'M': return QSerialPort::MarkParity;
    case 'S': return QSerialPort::SpaceParity;
    default: return QSerialPort::NoParity;
    }
}

QSerialPort::StopBits stopBitsOf(int tenths)
{
    switch (tenths) {
    case 15: return QSerialPort::OneAndHalfStop;
    case 20: return QSerialPort::TwoStop;
    default: return QSerialPort::OneStop;
    }
}

} // namespace

std::optional<SerialSettings> parseSerialSettings(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return std::nullopt;
    SerialSettings s;
    bool ok = false;
    s.baud = parts.at(0).trimmed().toInt(&ok);
    if (!ok || s.baud <= 0)
        return std::nullopt;
    const QString parity = parts.at(1).trimmed().toUpper();
    if (parity.size() != 1 || !QStringLiteral("EONMS").contains(parity))
        return std::nullopt;
    s.parity = parity.at(0).toLatin1();
    s.dataBits = parts.at(2).trimmed().toInt(&ok);
    if (!ok || s.dataBits < 4 || s.dataBits > 8)
        return std::nullopt;
    const QString stop = parts.at(3).trimmed();
    if (stop == QLatin1String("1"))
        s.stopBitsTenths = 10;
    else if (stop == QLatin1String("1.5"))
        s.stopBitsTenths = 15;
    else if (stop == QLatin1String("2"))
        s.stopBitsTenths = 20;
    else
        return std::nullopt;
    return s;
}

QString serialSettingsText(const SerialSettings &s)
{
    const QString stop = s.stopBitsTenths == 15 ? QStringLiteral("1.5") : QString::number(s.stopBitsTenths / 10);
    return QStringLiteral("%1,%2,%3,%4").arg(s.baud).arg(QLatin1Char(s.parity)).arg(s.dataBits).arg(stop);
}

QString deviceForPort(int n)
{
    // A settings file that cannot be read (start-up has said so) names no
    // device: the usual one is taken.
    const QString device = settingsValue(QStringLiteral("Ports/Com%1").arg(n)).toString().trimmed();
    if (!device.isEmpty())
        return device;
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
}

MSComm::MSComm(QObject *parent)
    : QObject(parent)
    , m_serial(new QSerialPort(this))
{
    connect(m_serial, &QSerialPort::readyRead, this, &MSComm::onReadyRead);
    connect(m_serial, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) { onError(int(e)); });
}

MSComm::~MSComm()
{
    if (m_serial->isOpen())
        m_serial->close();
}

bool MSComm::setCommPort(int port)
{
    if (port < 1 || m_serial->isOpen())
        return false;
    m_port = port;
    return true;
}

bool MSComm::setSettings(const QString &text)
{
    const std::optional<SerialSettings> parsed = parseSerialSettings(text);
    if (!parsed)
        return false;
    m_settings = *parsed;
    if (m_serial->isOpen())
        applyToOpenPort();
    return true;
}

bool MSComm::setHandshaking(int code)
{
    if (code < 0 || code > 3)
        return false;
    m_handshaking = code;
    if (m_serial->isOpen())
        applyToOpenPort();
    return true;
}

bool MSComm::PortOpen() const { return m_serial->isOpen(); }

bool MSComm::setPortOpen(bool open)
{
    if (!open) {
        if (m_serial->isOpen())
            m_serial->close();
        m_buffer.clear();
        return true;
    }
    if (m_serial->isOpen())
        return true;
    m_errorNumber = 0;
    m_errorText.clear();
    m_serial->setPortName(deviceForPort(m_port));
    if (!m_serial->open(QIODevice::ReadWrite)) {
        m_errorNumber = int(m_serial->error());
        m_errorText = m_serial->errorString();
        m_serial->clearError();
        return false;
    }
    m_buffer.clear();
    applyToOpenPort();
    return true;
}

void MSComm::applyToOpenPort()
{
    // Each value the device refuses leaves the one it had; QSerialPort keeps
    // the accepted ones for the next open.
    m_serial->setBaudRate(m_settings.baud);
    m_serial->setParity(parityOf(m_settings.parity));
    if (m_settings.dataBits >= 5)
        m_serial->setDataBits(QSerialPort::DataBits(m_settings.dataBits));
    m_serial->setStopBits(stopBitsOf(m_settings.stopBitsTenths));
    switch (m_handshaking) {
    case 1: m_serial->setFlowControl(QSerialPort::SoftwareControl); break;
    case 2:
    case 3: m_serial->setFlowControl(QSerialPort::HardwareControl); break;
    default: m_serial->setFlowControl(QSerialPort::NoFlowControl); break;
    }
    if (m_handshaking == 3) {
        // RTS/CTS and Xon/Xoff together: QSerialPort offers one or the
        // other, so the Xon/Xoff flags are added on the device itself.
        termios tio{};
        const int fd = int(m_serial->handle());
        if (fd >= 0 && ::tcgetattr(fd, &tio) == 0) {
            tio.c_iflag |= IXON | IXOFF;
            ::tcsetattr(fd, TCSANOW, &tio);
        }
    }
    m_serial->clearError();
}

bool MSComm::Output(const QByteArray &bytes)
{
    if (!m_serial->isOpen())
        return false;
    const QDeadlineTimer deadline(kWriteTimeoutMs);
    if (m_serial->write(bytes) != bytes.size())
        return false;
    while (m_serial->isOpen() && m_serial->bytesToWrite() > 0) {
        if (!m_serial->waitForBytesWritten(int(deadline.remainingTime())))
            return false;
    }
    if (!m_serial->isOpen())
        return false;
    // Wait until the last byte has left the line, so the reply time counts
    // from the end of the frame. A line held by handshaking (CTS low, or an
    // Xoff from the other side) never drains, and tcdrain would wait for it
    // forever: the driver's queue is watched for a bounded time first, and
    // a frame that cannot leave is thrown away.
    const int fd = int(m_serial->handle());
    for (;;) {
        int queued = 0;
        if (::ioctl(fd, TIOCOUTQ, &queued) != 0 || queued <= 0)
            break;
        if (deadline.hasExpired()) {
            ::tcflush(fd, TCOFLUSH);
            return false;
        }
        ::usleep(1000);
    }
    ::tcdrain(fd);
    if (m_writeEndDelay) {
        if (const auto late = m_writeEndDelay(bytes.size()); late.count() > 0)
            ::usleep(useconds_t(late.count()));
    }
    return true;
}

QByteArray MSComm::Input()
{
    QByteArray bytes;
    bytes.swap(m_buffer);
    return bytes;
}

void MSComm::receiveBytes(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    m_buffer.append(bytes);
    if (m_threshold > 0 && m_buffer.size() >= m_threshold)
        emit OnComm(comEvReceive);
}

void MSComm::pollInput()
{
    if (!m_serial->isOpen())
        return;
    // Asked only when the device holds bytes, so that nothing is waited for
    // (and no time-out is raised on the port).
    int pending = 0;
    if (::ioctl(int(m_serial->handle()), FIONREAD, &pending) == 0 && pending > 0)
        m_serial->waitForReadyRead(0);
}

void MSComm::onReadyRead() { receiveBytes(m_serial->readAll()); }

void MSComm::onError(int error)
{
    // A device that went away shows as a resource error, or (a terminal
    // whose other side closed) as reads that keep failing.
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError)
        return;
    m_errorNumber = error;
    m_errorText = m_serial->errorString();
    if (m_serial->isOpen())
        m_serial->close();
    m_serial->clearError();
    m_buffer.clear();
    emit portLost();
}

} // namespace orb
