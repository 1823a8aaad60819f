#include "Exchange.h"

#include "Cp1252.h"
#include "FrmComm.h"
#include "ModCom.h"

namespace orb {

Outcome exchange(const Builder &build, bool read, int attempts)
{
    FrmComm &comm = frmComm();
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        Frame frame;
        if (!build(frame))
            return Outcome::Failed;
        comm.Send_Msg(frame);
        if (comm.ErrPuerto())
            return Outcome::PortFailed;
        const quint8 state = read ? comm.Wait_Answer() : comm.Wait_Ack();
        if (state == RxOk)
            return Outcome::Ok;
        // Out of step, another attempt could be answered by what answered
        // an earlier frame.
        if (comm.outOfStep())
            return Outcome::Failed;
    }
    return Outcome::Failed;
}

Outcome endOfSequence() { return frmComm().watchAfterLast() ? Outcome::Ok : Outcome::Failed; }

bool answersOutOfStep() { return frmComm().outOfStep(); }

Builder writeByte(int address, int value)
{
    return [=](Frame &f) { Msg_WrByte(f, address, value); return true; };
}

Builder writeText(int area, int index, const QString &text)
{
    return [=](Frame &f) { Msg_WrText(f, area, index, text); return true; };
}

Builder readByte(int address)
{
    return [=](Frame &f) { Msg_RdByte(f, address); return true; };
}

Builder readText(int area, int index)
{
    return [=](Frame &f) { Msg_RdText(f, area, index); return true; };
}

int byteReceived()
{
    const QByteArray data = frmComm().DatosRx();
    return data.isEmpty() ? 0 : int(quint8(data.at(0)));
}

QString labelReceived()
{
    QByteArray data = frmComm().DatosRx();
    for (char &byte : data) {
        if (quint8(byte) < 0x20 || quint8(byte) == 0x7F)
            byte = ' ';
    }
    return fromCp1252(data);
}

} // namespace orb
