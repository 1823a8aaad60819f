#pragma once
// Frames of the panel protocol: the panel's memory map, the relay record and
// its mode byte, the builders of the read, relay-write and clock frames, and
// the recognition of the panel's replies.
//
// A caller builds one frame with a builder, hands it to FrmComm::Send_Msg
// (the clock frames too), waits with Wait_Ack or Wait_Answer,
// and only then builds the next.

#include "Frame.h"
#include "ModCrc.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QTime>
#include <array>
#include <optional>

namespace orb {

// Addresses in the panel's memory. Zones and relays are numbered from 1.
namespace PanelMemoryMap {
inline constexpr int AdrEtiIni = 0x0010;   // panel label, 16 bytes
inline constexpr int AdrIniDia = 0x0020;   // hour day mode starts
inline constexpr int AdrIniNit = 0x0021;   // hour night mode starts
inline constexpr int AdrNumZon = 0x0022;   // number of zones
inline constexpr int AdrNumRel = 0x0023;   // number of relays
inline constexpr int kMemorySize = 0x2000;
// Zone labels fill 0x0800-0x0FFF and relay slots 0x1000-0x1FFF: 128 each.
inline constexpr int kZoneSlots = 128;
inline constexpr int kRelaySlots = 128;
constexpr int zoneLabel(int zone) { return 0x0800 + (zone - 1) * 16; }
constexpr int relayLabel(int relay) { return 0x1000 + (relay - 1) * 32; }
constexpr int AdrRecRel(int relay) { return 0x1010 + (relay - 1) * 32; }
} // namespace PanelMemoryMap
using namespace PanelMemoryMap;

// Area argument of the text builders.
inline constexpr int AreaAbs = 0;        // the index is the address itself
inline constexpr int AreaZon = 0x0800;   // zone labels
inline constexpr int AreaRel = 0x1000;   // relay labels

// Address of the text named by (area, index).
int textAddress(int area, int index);

// Number of characters of every label in the panel.
inline constexpr int kLabelLength = 16;

// Mode byte: the four day/night response codes (0 not active, 1 without
// delay, 2 with delay), one pair of bits each.
struct ModeCodes {
    int DDIA = 0;    // detector by day:     bits 7 (active) and 5 (delayed)
    int DNOCH = 0;   // detector by night:   bits 3 and 1
    int PDIA = 0;    // call point by day:   bits 6 and 4
    int PNOCH = 0;   // call point by night: bits 2 and 0
    bool operator==(const ModeCodes &) const = default;
};
// Code 1 sets the active bit, code 2 both bits, any other code nothing.
quint8 ModeByte(int ddia, int dnoch, int pdia, int pnoch);
quint8 ModeByte(const ModeCodes &codes);
// 2 when both bits are set, 1 when only the active bit is, else 0.
ModeCodes decodeModeByte(quint8 mode);

// The 12 bytes in which the panel keeps one relay's programming.
struct RelayRecord {
    quint8 TIP = 0;                  // type code with its flag bits
    quint8 Mode = 0;                 // ModeByte
    quint8 RMIN = 0;                 // delay minutes
    quint8 RSEC = 0;                 // delay seconds
    std::array<quint8, 4> IL{};      // first zone of each activation range
    std::array<quint8, 4> FL{};      // last zone of each activation range

    static constexpr int kSize = 12;
    QByteArray toBytes() const;
    // Null when the bytes are not exactly 12.
    static std::optional<RelayRecord> fromBytes(const QByteArray &bytes);
    bool operator==(const RelayRecord &) const = default;
};

// The record of relay `relay` of the open configuration (IdCon) read from its
// CONFRELES row; nullopt when the row is missing or cannot be read.
std::optional<RelayRecord> relayRecordFromDatabase(int relay);

// Sets the address bytes to base + offset (a 16-bit address).
void Set_MsgAdr(Frame &frame, int base, int offset);

// Write frame of relay `relay`'s record from its CONFRELES row. When the row
// is missing it shows the missing-row message, leaves the frame incomplete
// (Completa false; FrmComm never sends it) and returns false.
bool Msg_WrRel(Frame &frame, int relay);
// The same frame from a record at hand.
void Msg_WrRel(Frame &frame, int relay, const RelayRecord &record);

// Clock frames: the time of day (hour, minute, second) and the date (day,
// month, year - 2000). Msg_Date returns false, leaving the frame incomplete,
// for a year outside 2000-2255 (it does not fit the year byte).
void Msg_Time(Frame &frame, const QTime &time = QTime::currentTime());
bool Msg_Date(Frame &frame, const QDate &date = QDate::currentDate());

// Read frames: one byte, one 16-character text, one relay record. Each sets
// frame.RThreshold to the length of the expected reply (8, 23, 19).
void Msg_RdByte(Frame &frame, int addr);
void Msg_RdText(Frame &frame, int area, int index);
void Msg_RdRel(Frame &frame, int relay);

// --- Replies of the panel ------------------------------------------------

// The panel's fixed acknowledge of every write and clock frame:
// C0 10 57 81 06 DE.
QByteArray AckFrame();
// A read reply of n data bytes is 7 + n bytes long.
constexpr int readReplyLength(int count) { return 7 + count; }

// Judges what the receive handler has read during a wait in state `estado`
// for `request`, the frame just written (any other state returns it
// unchanged and leaves *input alone):
//  - waiting for the acknowledge: RxOk when *input starts with AckFrame(),
//    else RxFail;
//  - waiting for the reply to a read frame of n bytes: with fewer than
//    7 + n bytes the state stays RxWaitRead and *input is kept whole; else
//    RxOk when byte 7 + n is the sum of bytes 3 to 6 + n, whatever bytes 1
//    to 6 hold (*data then gets the n data bytes 7 to 6 + n), else RxFail.
//    A request that is not a read frame gives RxFail.
// After RxOk *input holds what came after the reply (nothing, unless the
// panel's answers and the frames are out of step); after RxFail it is
// emptied. A wait that does not end in RxOk leaves *data untouched.
quint8 judgeReply(quint8 estado, QByteArray *input, const QByteArray &request, QByteArray *data);

} // namespace orb
