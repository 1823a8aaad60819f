#pragma once
// The serial control: a small layer over QSerialPort that speaks in the
// terms the exchange uses: a port number, a settings text "9600,N,8,1", a
// handshaking code, open and close, output and input of bytes and a receive
// event that fires once at least RThreshold bytes are waiting.
//
// Port number N is the device named by the settings-store key "Ports/ComN"
// when present (for a USB adapter: Ports/Com1=/dev/ttyUSB0), else
// /dev/ttyS(N-1).
//
// Until other values are accepted it is port 1 at 9600,N,8,1 without
// handshaking. A value the control refuses (port 0, "0,0,0,0", handshaking
// 7) leaves the previous one; so does a value the opened device refuses
// (parity on a pseudo-terminal, 1.5 stop bits on Linux).

#include <QByteArray>
#include <QObject>
#include <QString>
#include <chrono>
#include <functional>
#include <optional>

class QSerialPort;

namespace orb {

// A settings text taken apart: baud rate, parity letter (upper case), data
// bits (4-8) and stop bits (10 = 1, 15 = 1.5, 20 = 2).
struct SerialSettings {
    int baud = 9600;
    char parity = 'N';
    int dataBits = 8;
    int stopBitsTenths = 10;
    bool operator==(const SerialSettings &) const = default;
};
// Null when the text is not "baud,parity,data,stop" with a positive baud
// rate, a parity letter of E, O, N, M or S (either case), 4 to 8 data bits
// and 1, 1.5 or 2 stop bits.
std::optional<SerialSettings> parseSerialSettings(const QString &text);
QString serialSettingsText(const SerialSettings &settings);

// The device of port number n (see above).
QString deviceForPort(int n);

class MSComm : public QObject {
    Q_OBJECT
public:
    // Value of CommEvent with which OnComm reports received bytes.
    static constexpr int comEvReceive = 2;

    explicit MSComm(QObject *parent = nullptr);
    ~MSComm() override;

    int CommPort() const { return m_port; }
    bool setCommPort(int port);              // 1 or more; false when refused

    QString Settings() const { return serialSettingsText(m_settings); }
    bool setSettings(const QString &text);   // false when refused

    int Handshaking() const { return m_handshaking; }   // 0 none, 1 Xon/Xoff, 2 RTS, 3 both
    bool setHandshaking(int code);           // false when refused

    bool PortOpen() const;
    // Opens (applying the port number, settings and handshaking) or closes
    // the port. Closing a closed port does nothing. When opening fails it
    // returns false and lastErrorNumber()/lastErrorText() tell why.
    bool setPortOpen(bool open);
    int lastErrorNumber() const { return m_errorNumber; }
    QString lastErrorText() const { return m_errorText; }

    int RThreshold() const { return m_threshold; }
    void setRThreshold(int bytes) { m_threshold = bytes; }   // 0: no receive event

    // Writes the bytes and returns once they have left for the line; false
    // when the port is closed, the write failed, or the bytes could not
    // leave within two seconds (a line held by handshaking; they are then
    // thrown away).
    bool Output(const QByteArray &bytes);
    // Tests may have the end of each write reported later than the device
    // reports it, by what the function gives for the number of bytes
    // written: as a real line takes them out at its baud rate, and as
    // serial drivers that poll for the end at the kernel's tick report it.
    using WriteEndDelay = std::function<std::chrono::microseconds(qsizetype bytes)>;
    void setWriteEndDelay(WriteEndDelay delay) { m_writeEndDelay = std::move(delay); }
    // Everything received so far; empties the receive buffer.
    QByteArray Input();
    int InBufferCount() const { return int(m_buffer.size()); }
    // Takes at once, without waiting, what the device has received and not
    // yet handed over (with the receive event when the threshold is then
    // reached).
    void pollInput();
    // Puts bytes taken with Input() back in front of the receive buffer (the
    // beginning of a reply whose rest has not arrived); raises no event.
    void keepInput(const QByteArray &bytes) { m_buffer.prepend(bytes); }
    // Baud rate of the settings, for timing on the line.
    int baudRate() const { return m_settings.baud; }

    // Adds bytes to the receive buffer as if they had arrived on the line,
    // with the receive event when the threshold is reached. The port's own
    // data comes in this way.
    void receiveBytes(const QByteArray &bytes);

signals:
    // Fires with comEvReceive each time bytes arrive and at least
    // RThreshold bytes are waiting.
    void OnComm(int commEvent);
    // The device went away while open (adapter unplugged, or the other
    // side of a terminal closed: reads keep failing); the port is closed by
    // then and the next open tries the device again.
    void portLost();

private:
    void applyToOpenPort();
    void onReadyRead();
    void onError(int error);

    QSerialPort *m_serial;
    int m_port = 1;
    SerialSettings m_settings;
    int m_handshaking = 0;
    int m_threshold = 0;
    QByteArray m_buffer;
    int m_errorNumber = 0;
    QString m_errorText;
    WriteEndDelay m_writeEndDelay;
};

} // namespace orb
