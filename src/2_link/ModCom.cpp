#include "ModCom.h"

#include "AppState.h"
#include "ConfigTables.h"
#include "ModBas.h"
#include "Seams.h"
#include "Strings.h"


namespace orb {

int textAddress(int area, int index)
{
    switch (area) {
    case AreaAbs: return index;
    case AreaRel: return relayLabel(index);
    case AreaZon: return zoneLabel(index);
    default: return area + (index - 1) * kLabelLength;
    }
}

quint8 ModeByte(int ddia, int dnoch, int pdia, int pnoch)
{
    // Each code sets nothing (0), its active bit (1) or both bits (2).
    const auto pair = [](int code, quint8 active, quint8 delayed) -> quint8 {
        switch (code) {
        case 1: return active;
        case 2: return quint8(active | delayed);
        default: return 0;
        }
    };
    return quint8(pair(ddia, 0x80, 0x20) | pair(pdia, 0x40, 0x10) | pair(dnoch, 0x08, 0x02)
                  | pair(pnoch, 0x04, 0x01));
}

quint8 ModeByte(const ModeCodes &codes) { return ModeByte(codes.DDIA, codes.DNOCH, codes.PDIA, codes.PNOCH); }

ModeCodes decodeModeByte(quint8 mode)
{
    const auto code = [mode](quint8 active, quint8 delayed) {
        if (!(mode & active))
            return 0;
        return (mode & delayed) ? 2 : 1;
    };
    ModeCodes codes;
    codes.DDIA = code(0x80, 0x20);
    codes.PDIA = code(0x40, 0x10);
    codes.DNOCH = code(0x08, 0x02);
    codes.PNOCH = code(0x04, 0x01);
    return codes;
}

QByteArray RelayRecord::toBytes() const
{
    QByteArray bytes;
    bytes.reserve(kSize);
    bytes.append(char(TIP)).append(char(Mode)).append(char(RMIN)).append(char(RSEC));
    for (int i = 0; i < 4; ++i)
        bytes.append(char(IL[i])).append(char(FL[i]));
    return bytes;
}

std::optional<RelayRecord> RelayRecord::fromBytes(const QByteArray &bytes)
{
    if (bytes.size() != kSize)
        return std::nullopt;
    const auto at = [&bytes](int i) { return quint8(bytes.at(i)); };
    RelayRecord r;
    r.TIP = at(0);
    r.Mode = at(1);
    r.RMIN = at(2);
    r.RSEC = at(3);
    for (int i = 0; i < 4; ++i) {
        r.IL[i] = at(4 + 2 * i);
        r.FL[i] = at(5 + 2 * i);
    }
    return r;
}

std::optional<RelayRecord> relayRecordFromDatabase(int relay)
{
    if (!BaseDatos().isOpen())
        return std::nullopt;
    const std::optional<RelayRow> row = relayRow(relay, appState().IdCon);
    if (!row)
        return std::nullopt;
    const auto byte = [](int value) { return quint8(value & 0xFF); };
    RelayRecord r;
    r.TIP = byte(row->TIP);
    r.Mode = ModeByte(byte(row->DDIA), byte(row->DNOCH), byte(row->PDIA), byte(row->PNOCH));
    r.RMIN = byte(row->RMIN);
    r.RSEC = byte(row->RSEC);
    for (int i = 0; i < 4; ++i) {
        r.IL[i] = byte(row->IL[i]);
        r.FL[i] = byte(row->FL[i]);
    }
    return r;
}

void Set_MsgAdr(Frame &frame, int base, int offset)
{
    const auto address = quint16(base + offset);
    frame.DirMemH = quint8(address >> 8);
    frame.DirMemL = quint8(address & 0xFF);
}

namespace {

void readFrame(Frame &frame, int address, int count)
{
    startFrame(frame, FnRead);
    Set_MsgAdr(frame, address, 0);
    frame.DatosMsg = QByteArray(1, char(count));
    frame.LongMsg = 3;
    Calc_ChkSum(frame);
    frame.RThreshold = readReplyLength(count);
    frame.Completa = true;
}

void clockFrame(Frame &frame, quint8 function, int a, int b, int c)
{
    startFrame(frame, function);
    frame.DatosMsg = QByteArray();
    frame.DatosMsg.append(char(quint8(a))).append(char(quint8(b))).append(char(quint8(c)));
    frame.LongMsg = 3;
    Calc_ChkSum(frame);
    frame.Completa = true;
}

} // namespace

bool Msg_WrRel(Frame &frame, int relay)
{
    startFrame(frame, FnWrite);
    Set_MsgAdr(frame, AdrRecRel(relay), 0);
    const std::optional<RelayRecord> record = relayRecordFromDatabase(relay);
    if (!record) {
        AppState &s = appState();
        s.MensajeAux = Str(120);
        MsgBox(s.MensajeAux, MsgOk);
        return false;
    }
    Msg_WrRel(frame, relay, *record);
    return true;
}

void Msg_WrRel(Frame &frame, int relay, const RelayRecord &record)
{
    startFrame(frame, FnWrite);
    Set_MsgAdr(frame, AdrRecRel(relay), 0);
    frame.DatosMsg = record.toBytes();
    frame.LongMsg = quint8(2 + RelayRecord::kSize);
    Calc_ChkSum(frame);
    frame.Completa = true;
}

void Msg_Time(Frame &frame, const QTime &time)
{
    clockFrame(frame, FnSetTime, time.hour(), time.minute(), time.second());
}

bool Msg_Date(Frame &frame, const QDate &date)
{
    const int year = date.year() - 2000;
    if (!date.isValid() || year < 0 || year > 255) {
        startFrame(frame, FnSetDate);
        return false;
    }
    clockFrame(frame, FnSetDate, date.day(), date.month(), year);
    return true;
}

void Msg_RdByte(Frame &frame, int addr) { readFrame(frame, addr, 1); }

void Msg_RdText(Frame &frame, int area, int index) { readFrame(frame, textAddress(area, index), kLabelLength); }

void Msg_RdRel(Frame &frame, int relay) { readFrame(frame, AdrRecRel(relay), RelayRecord::kSize); }

QByteArray AckFrame()
{
    static const QByteArray ack = [] {
        QByteArray a;
        a.append(char(kPcStation)).append(char(kPanelStation)).append(char(FnWrite)).append(char(0x81));
        a.append(char(0x06));
        a.append(char(FrameChecksum(a, 2, a.size())));
        return a;
    }();
    return ack;
}

quint8 judgeReply(quint8 estado, QByteArray *input, const QByteArray &request, QByteArray *data)
{
    if (estado == RxWaitAck) {
        if (!input->startsWith(AckFrame())) {
            input->clear();
            return RxFail;
        }
        input->remove(0, AckFrame().size());
        return RxOk;
    }
    if (estado != RxWaitRead)
        return estado;
    // The request as written: 10 C0 "R" 03 AddrH AddrL count checksum.
    if (request.size() != 8 || quint8(request.at(2)) != FnRead || quint8(request.at(3)) != 3) {
        input->clear();
        return RxFail;
    }
    const int count = quint8(request.at(6));
    const qsizetype length = readReplyLength(count);
    if (input->size() < length)
        return RxWaitRead;
    // Bytes 1 to 6 are the panel's: only the checksum tells a good reply.
    if (quint8(input->at(length - 1)) != FrameChecksum(*input, 2, length - 1)) {
        input->clear();
        return RxFail;
    }
    if (data)
        *data = input->mid(6, count);
    input->remove(0, length);
    return RxOk;
}

} // namespace orb
