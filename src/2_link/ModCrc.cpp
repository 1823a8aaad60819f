#include "ModCrc.h"

#include "Cp1252.h"
#include "ModCom.h"

namespace orb {

QByteArray Frame::requestBytes() const
{
    QByteArray bytes;
    bytes.reserve(7 + DatosMsg.size());
    bytes.append(char(DirDest)).append(char(DirOrig)).append(char(Funcion)).append(char(LongMsg));
    bytes.append(char(DirMemH)).append(char(DirMemL));
    bytes.append(DatosMsg);
    bytes.append(char(ChkSum));
    return bytes;
}

QByteArray Frame::shortBytes() const
{
    QByteArray bytes;
    bytes.reserve(5 + DatosMsg.size());
    bytes.append(char(DirDest)).append(char(DirOrig)).append(char(Funcion)).append(char(LongMsg));
    bytes.append(DatosMsg);
    bytes.append(char(ChkSum));
    return bytes;
}

quint8 FrameChecksum(const QByteArray &bytes, qsizetype from, qsizetype to)
{
    unsigned sum = 0;
    for (qsizetype i = qMax<qsizetype>(from, 0); i < to && i < bytes.size(); ++i)
        sum += quint8(bytes.at(i));
    return quint8(sum & 0xFF);
}

void Calc_ChkSum(Frame &frame)
{
    unsigned sum = unsigned(frame.Funcion) + frame.LongMsg;
    if (!frame.isShort())
        sum += unsigned(frame.DirMemH) + frame.DirMemL;
    for (const char c : std::as_const(frame.DatosMsg))
        sum += quint8(c);
    frame.ChkSum = quint8(sum & 0xFF);
}


void Msg_WrByte(Frame &frame, int addr, int value)
{
    startFrame(frame, FnWrite);
    Set_MsgAdr(frame, addr, 0);
    frame.DatosMsg = QByteArray(1, char(quint8(value)));
    frame.LongMsg = 3;
    Calc_ChkSum(frame);
    frame.Completa = true;
}

void Msg_WrText(Frame &frame, int area, int index, const QString &text)
{
    startFrame(frame, FnWrite);
    Set_MsgAdr(frame, textAddress(area, index), 0);
    QByteArray data = toCp1252(text.left(kLabelLength));
    while (data.size() < kLabelLength)
        data.append(' ');
    frame.DatosMsg = data;
    frame.LongMsg = quint8(2 + kLabelLength);
    Calc_ChkSum(frame);
    frame.Completa = true;
}

} // namespace orb
