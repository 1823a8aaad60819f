#pragma once
// The frame checksum: the sum, modulo 256, of every byte between the two
// station bytes and the checksum byte. The same rule checks the panel's
// acknowledge and read replies.

#include "Frame.h"

#include <QByteArray>
#include <QString>

namespace orb {

// Sum modulo 256 of bytes [from, to) of a byte string (indexes from 0).
quint8 FrameChecksum(const QByteArray &bytes, qsizetype from, qsizetype to);

// Sets frame.ChkSum from Funcion, LongMsg, the address bytes (request frames
// only) and the data bytes. Every builder calls it last.
void Calc_ChkSum(Frame &frame);

// Write frames for one byte and for one 16-character text.
//   Msg_WrByte: the value at an address (values outside 0-255 keep their low
//   byte, as a byte column always holds 0-255).
//   Msg_WrText: the text at the address named by (area, index) (see
//   textAddress in ModCom.h), right-padded with blanks to 16 characters and
//   cut after 16; each character goes out as its Windows-1252 byte.
void Msg_WrByte(Frame &frame, int addr, int value);
void Msg_WrText(Frame &frame, int area, int index, const QString &text);

} // namespace orb
