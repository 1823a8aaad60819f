#include "FrmComm.h"

#include "AppState.h"
#include "CommSys.h"
#include "ModCom.h"
#include "OneInstance.h"
#include "Seams.h"
#include "Strings.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace orb {

FrmComm::FrmComm(QObject *parent)
    : QObject(parent)
    , m_port(new MSComm(this))
{
    setObjectName(QStringLiteral("FrmComm"));
    m_port->setObjectName(QStringLiteral("MSComm1"));
    m_timCom.setObjectName(QStringLiteral("TimCom"));
    m_timCom.setSingleShot(true);
    // A coarse timer may fire up to 5 % early: 100 ms of a reply time.
    m_timCom.setTimerType(Qt::PreciseTimer);
    connect(m_port, &MSComm::OnComm, this, &FrmComm::MSComm1_OnComm);
    connect(m_port, &MSComm::portLost, this, [this] {
        m_frameWritten = false;
        if (m_estadoRx == RxWaitAck || m_estadoRx == RxWaitRead)
            m_estadoRx = RxFail;
        endWait();
    });
    connect(&m_timCom, &QTimer::timeout, this, &FrmComm::TimCom_Timer);
}

FrmComm::~FrmComm()
{
    m_timCom.stop();
    m_port->setPortOpen(false);
}

bool FrmComm::Send_Msg(const Frame &frame) { return send(frame); }

bool FrmComm::send(const Frame &frame)
{
    if (waiting()) {
        qWarning("A frame was refused: an exchange with the panel is under way.");
        return false;
    }
    AppState &s = appState();
    m_errPuerto = false;
    s.TimeOut = false;
    m_frameWritten = false;
    if (!frame.Completa)
        return false;

    if (!m_port->PortOpen()) {
        Form_Load();
        if (!m_port->setPortOpen(true)) {
            s.MensajeAux = Str(401) + QString::number(m_port->lastErrorNumber()) + QLatin1Char(' ')
                           + m_port->lastErrorText();
            MsgBox(s.MensajeAux, MsgOk);
            m_errPuerto = true;
            return false;
        }
    }
    settleLine();
    s.PuertoOk = m_port->PortOpen();
    if (!s.PuertoOk)
        return false;

    m_port->discardInput();
    if (frame.RThreshold > 0)
        m_port->setRThreshold(frame.RThreshold);
    m_trama = frame.bytes();
    if (!m_port->Output(m_trama)) {
        // The device went away or would not take the frame: start afresh
        // at the next send.
        m_port->setPortOpen(false);
        return false;
    }
    // Output returns once the last byte has left: the reply time starts now.
    m_replyBy = QDeadlineTimer(m_replyTimeout, Qt::PreciseTimer);
    m_frameWritten = true;
    return true;
}

quint8 FrmComm::Wait_Ack()
{
    if (waiting())
        return RxFail;
    m_port->setRThreshold(6);
    return waitFor(RxWaitAck);
}

quint8 FrmComm::Wait_Answer()
{
    if (waiting())
        return RxFail;
    return waitFor(RxWaitRead);
}

quint8 FrmComm::waitFor(quint8 state)
{
    AppState &s = appState();
    s.TimeOut = false;
    if (!m_frameWritten || !m_port->PortOpen()) {
        m_estadoRx = RxFail;
        m_frameWritten = false;
        return m_estadoRx;
    }
    m_frameWritten = false;   // one wait per frame
    m_estadoRx = state;
    m_lastArrival.invalidate();

    QEventLoop loop;
    m_loop = &loop;
    m_timCom.start(int(qMax<qint64>(0, m_replyBy.remainingTime())));
    // The reply may have come in while the frame was being written.
    if (m_port->RThreshold() > 0 && m_port->InBufferCount() >= m_port->RThreshold())
        MSComm1_OnComm(MSComm::comEvReceive);
    while (m_estadoRx == state) {
        if (s.TimeOut) {
            m_estadoRx = RxFail;
            break;
        }
        // Once the application has been told to quit, no event loop runs
        // again: neither the reply nor the time-out can arrive, so the wait
        // fails instead of spinning.
        if (loop.exec() < 0) {
            m_estadoRx = RxFail;
            break;
        }
    }
    m_timCom.stop();
    s.TimeOut = false;
    m_loop = nullptr;
    if (m_estadoRx == RxFail && m_port->PortOpen()) {
        // The reply of this frame may still be on its way: the next send
        // drains the line first. (A port lost or closed during the wait
        // leaves nothing to drain.)
        m_unsettled = true;
        m_settleBy = QDeadlineTimer(m_replyTimeout);
    }
    return m_estadoRx;
}

void FrmComm::settleLine()
{
    if (!m_unsettled)
        return;
    m_unsettled = false;
    if (!m_port->PortOpen() || m_settleBy.hasExpired())
        return;
    if (m_port->InBufferCount() > 0) {
        m_port->Input();
        m_lastArrival.start();
    }
    // Every byte now raises the receive event, which throws it away.
    const int threshold = m_port->RThreshold();
    m_port->setRThreshold(1);
    QEventLoop loop;
    QTimer quiet;
    quiet.setSingleShot(true);
    connect(&quiet, &QTimer::timeout, &loop, &QEventLoop::quit);
    m_loop = &loop;
    m_settling = true;
    for (;;) {
        qint64 left = m_settleBy.remainingTime();
        if (m_lastArrival.isValid())
            left = qMin(left, quietGapMs() - m_lastArrival.elapsed());
        if (left <= 0 || !m_port->PortOpen())
            break;
        quiet.start(int(left));
        if (loop.exec() < 0)   // the program is ending
            break;
    }
    m_settling = false;
    m_loop = nullptr;
    m_port->setRThreshold(threshold);
}

int FrmComm::quietGapMs() const { return 100 + 40'000 / qMax(1, m_port->baudRate()); }

void FrmComm::endWait()
{
    if (m_loop)
        m_loop->quit();
}

void FrmComm::MSComm1_OnComm(int commEvent)
{
    if (commEvent != MSComm::comEvReceive)
        return;
    if (m_settling) {
        m_port->Input();
        m_lastArrival.start();
        endWait();
        return;
    }
    if (m_estadoRx != RxWaitAck && m_estadoRx != RxWaitRead)
        return;
    AppState &s = appState();
    s.EntradaRx = m_port->Input();
    QByteArray input = s.EntradaRx;
    const quint8 judged = judgeReply(m_estadoRx, &input, m_trama, &m_datosRx);
    if (judged == m_estadoRx) {
        // Not the reply (yet): what may still start it waits for more bytes.
        m_port->keepInput(input);
        return;
    }
    if (judged == RxFail)
        m_lastArrival.start();
    m_estadoRx = judged;
    endWait();
}

void FrmComm::TimCom_Timer()
{
    if (m_estadoRx == RxWaitAck || m_estadoRx == RxWaitRead) {
        if (const qint64 left = m_replyBy.remainingTime(); left > 0) {
            m_timCom.start(int(left));
            return;
        }
        // Bytes that reached the port in time are judged before the wait
        // gives up on them.
        m_port->pollInput();
        if (m_estadoRx != RxWaitAck && m_estadoRx != RxWaitRead)
            return;   // the reply was there: the receive handler ended the wait
    }
    appState().TimeOut = true;
    m_timCom.stop();
    endWait();
}

void FrmComm::Form_Load()
{
    if (!m_port->PortOpen())
        applyPortSettings(*m_port);
}

void FrmComm::Form_Unload()
{
    m_port->setPortOpen(false);
    m_frameWritten = false;
    if (m_estadoRx == RxWaitAck || m_estadoRx == RxWaitRead)
        m_estadoRx = RxFail;
    endWait();
}

FrmComm &frmComm()
{
    if (!oneInstance<FrmComm>())
        oneInstance<FrmComm>() = new FrmComm(QCoreApplication::instance());   // owned by the application
    return *oneInstance<FrmComm>();
}

void unloadFrmComm()
{
    if (FrmComm *host = oneInstance<FrmComm>()) {
        host->Form_Unload();
        if (host->waiting())
            return;
        oneInstance<FrmComm>() = nullptr;
        delete host;
    }
}

} // namespace orb
