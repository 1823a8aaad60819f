#include "Exchange.h"

#include "Cp1252.h"
#include "FrmComm.h"
#include "ModCom.h"

namespace orb {

Outcome Sequence::exchange(const Builder &build, bool read, int attempts, const Taker &take)
{
    FrmComm &comm = frmComm();
    for (int attempt = 1; attempt <= attempts;) {
        Frame frame;
        if (!build(frame))
            return Outcome::Failed;
        comm.Send_Msg(frame);
        if (comm.ErrPuerto())
            return Outcome::PortFailed;
        // Nothing was written: the last read comes first.
        if (comm.readInDoubt()) {
            if (const Outcome again = readAgain(); again != Outcome::Ok)
                return again;
            continue;
        }
        const quint8 state = read ? comm.Wait_Answer() : comm.Wait_Ack();
        if (state == RxOk) {
            m_doubted = false;
            m_lastRead.reset();
            if (read)
                m_lastRead = Read{build, take, attempts - attempt};
            if (take)
                take(comm.DatosRx());
            return Outcome::Ok;
        }
        // Out of step, another attempt could be answered by what answered
        // an earlier frame.
        if (comm.outOfStep())
            return Outcome::Failed;
        ++attempt;
    }
    return Outcome::Failed;
}

Outcome Sequence::readAgain()
{
    m_doubted = true;
    frmComm().dropReadInDoubt();
    if (!m_lastRead || m_lastRead->attemptsLeft <= 0)
        return Outcome::Failed;
    const Read item = *m_lastRead;
    return exchange(item.build, true, item.attemptsLeft, item.take);
}

Outcome Sequence::end()
{
    FrmComm &comm = frmComm();
    while (!comm.watchAfterLast()) {
        if (!comm.readInDoubt())
            return Outcome::Failed;
        if (const Outcome again = readAgain(); again != Outcome::Ok)
            return again;
    }
    return Outcome::Ok;
}

bool Sequence::lastReadDoubted() const { return m_doubted || frmComm().readInDoubt(); }

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

int byteOf(const QByteArray &data) { return data.isEmpty() ? 0 : int(quint8(data.at(0))); }

QString labelOf(const QByteArray &data)
{
    QByteArray bytes = data;
    for (char &byte : bytes) {
        if (quint8(byte) < 0x20 || quint8(byte) == 0x7F)
            byte = ' ';
    }
    return fromCp1252(bytes);
}

} // namespace orb
