#pragma once
// One frame the PC sends to the panel, field by field, and the constants of
// the panel protocol: station addresses, function codes, the reply states
// and the fixed acknowledge.
//
// Request frames (write and read) are laid out as
//   DirDest DirOrig Funcion LongMsg DirMemH DirMemL DatosMsg... ChkSum
// and the two clock frames ("short" frames) carry no address:
//   DirDest DirOrig Funcion LongMsg DatosMsg... ChkSum
// LongMsg counts the bytes between the length byte and the checksum.

#include <QByteArray>
#include <QtGlobal>

namespace orb {

// Panel number and sub-address of the one panel the program talks to.
inline constexpr int NumCentral = 1;
inline constexpr int SubDir = 0;
// Station addresses: the panel (destination of every frame) and the PC.
inline constexpr quint8 kPanelStation = quint8(NumCentral * 16 + SubDir);   // 0x10
inline constexpr quint8 kPcStation = 0xC0;

// Function codes.
inline constexpr quint8 FnWrite = 'W';     // write panel memory
inline constexpr quint8 FnRead = 'R';      // read panel memory
inline constexpr quint8 FnSetTime = ':';   // set the panel clock
inline constexpr quint8 FnSetDate = ';';   // set the panel date

// Reply states of an exchange (EstadoRx).
inline constexpr quint8 RxWaitAck = 6;      // waiting for the acknowledge
inline constexpr quint8 RxWaitRead = 0x52;  // waiting for a read reply
inline constexpr quint8 RxOk = 1;           // good acknowledge or good read reply
inline constexpr quint8 RxFail = 0xFF;      // anything else, or no reply in time

struct Frame {
    quint8 DirDest = 0;
    quint8 DirOrig = 0;
    quint8 Funcion = 0;
    quint8 LongMsg = 0;
    quint8 DirMemH = 0;
    quint8 DirMemL = 0;
    QByteArray DatosMsg;   // the data bytes
    quint8 ChkSum = 0;

    // Length of the reply a read frame expects (7 + count wanted); 0 for
    // frames answered by the acknowledge.
    int RThreshold = 0;

    // True once a builder has completed the frame. A builder that cannot
    // complete it (a relay without its row) clears it, and such a frame is
    // never sent.
    bool Completa = false;

    // A clock frame: no address bytes.
    bool isShort() const { return Funcion == FnSetTime || Funcion == FnSetDate; }

    // The bytes that go on the line, in the layout of the frame's kind.
    QByteArray requestBytes() const;   // with the two address bytes
    QByteArray shortBytes() const;     // without them
    QByteArray bytes() const { return isShort() ? shortBytes() : requestBytes(); }
};

// Starts a frame from the PC to the panel with a function code; the
// builder fills in the rest and marks it complete.
inline void startFrame(Frame &frame, quint8 function)
{
    frame.DirDest = kPanelStation;
    frame.DirOrig = kPcStation;
    frame.Funcion = function;
    frame.RThreshold = 0;
    frame.Completa = false;
}

} // namespace orb
