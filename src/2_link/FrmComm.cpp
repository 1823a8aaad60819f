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
        lineClosed();
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
    if (!frame.Completa || outOfStep())
        return false;

    if (!m_port->PortOpen()) {
        Form_Load();
        lineClosed();
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
    if (!s.PuertoOk || outOfStep())
        return false;

    // What the line holds before the frame's first byte answers no frame.
    // Everything from then on is the frame's wait's, even what arrives
    // before the write is known to have ended: a quick panel's answer may.
    m_awaited = frame.RThreshold > 0 ? frame.RThreshold : AckFrame().size();
    m_ledger.frameComing(m_awaited, frame.RThreshold > 0);
    observe(LineStep::BeforeWrite);
    m_port->pollInput();
    m_ledger.arrived(AnswerLedger::Phase::BeforeWrite, m_port->Input().size());
    // The last read is kept only when nothing stray came after it: in doubt
    // it is read again before this frame goes (Exchange.h).
    if (m_ledger.verdict() != AnswerLedger::Verdict::Accept)
        return false;
    m_port->setRThreshold(int(m_awaited));
    m_trama = frame.bytes();
    if (!m_port->Output(m_trama)) {
        // The device went away or would not take the frame: start afresh
        // at the next send.
        m_port->setPortOpen(false);
        lineClosed();
        return false;
    }
    // The reply time starts once the frame has left.
    m_replyBy = QDeadlineTimer(m_replyTimeout, Qt::PreciseTimer);
    m_sinceWritten.start();
    observe(LineStep::AfterWrite);
    m_frameWritten = true;
    return true;
}

void FrmComm::lineClosed()
{
    m_frameWritten = false;
    m_unsettled = false;
    m_slowestMs = 0;
    m_ledger.reset();
}

quint8 FrmComm::Wait_Ack()
{
    if (waiting())
        return RxFail;
    m_awaited = AckFrame().size();
    m_port->setRThreshold(int(m_awaited));
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
    m_lastWaitOk = false;
    if (!m_frameWritten || outOfStep() || !m_port->PortOpen()) {
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
    // What arrived since the frame's first byte was handed to the port (a
    // quick panel may answer before the write is known to have ended) is
    // judged at once.
    m_port->pollInput();
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
    m_lastWaitOk = m_estadoRx == RxOk;
    if (m_lastWaitOk) {
        m_ledger.answerTaken();
        m_slowestMs = qMax(m_slowestMs, m_sinceWritten.elapsed());
    } else if (!outOfStep() && m_port->PortOpen()) {
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
    // What the failed wait left unjudged (the start of a reply that never
    // came whole) is the drain's.
    if (m_port->InBufferCount() > 0) {
        m_ledger.arrived(AnswerLedger::Phase::Drain, m_port->Input().size());
        m_lastArrival.start();
    }
    if (m_port->PortOpen() && !m_settleBy.hasExpired())
        runLine(LineMode::Settling, m_settleBy, true);
    m_ledger.drainEnded();
}

bool FrmComm::watchAfterLast()
{
    if (waiting() || !m_lastWaitOk || !m_port->PortOpen())
        return false;
    m_lastArrival.invalidate();
    m_port->pollInput();
    if (m_port->InBufferCount() > 0) {
        m_ledger.arrived(AnswerLedger::Phase::Watch, m_port->Input().size());
        m_lastArrival.start();
    }
    if (!outOfStep()) {
        runLine(LineMode::Watching, QDeadlineTimer(watchMs(), Qt::PreciseTimer), false);
        // Bytes came: the watch goes on until the line has been quiet for a
        // while (one reply time more at most), so that an answer whose first
        // bytes came within it is counted whole.
        if (m_lastArrival.isValid() && !outOfStep())
            runLine(LineMode::Watching, QDeadlineTimer(m_replyTimeout, Qt::PreciseTimer), true);
        // A last look at what reached the port by the end of the watch.
        if (m_port->PortOpen()) {
            m_port->pollInput();
            m_ledger.arrived(AnswerLedger::Phase::Watch, m_port->Input().size());
        }
    }
    return m_ledger.verdict() == AnswerLedger::Verdict::Accept && m_port->PortOpen();
}

void FrmComm::runLine(LineMode mode, const QDeadlineTimer &until, bool quietEnds)
{
    // Every byte now raises the receive event.
    const int threshold = m_port->RThreshold();
    m_port->setRThreshold(1);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    m_loop = &loop;
    m_lineMode = mode;
    for (;;) {
        qint64 left = until.remainingTime();
        if (quietEnds && m_lastArrival.isValid())
            left = qMin(left, quietGapMs() - m_lastArrival.elapsed());
        if (left <= 0 || !m_port->PortOpen() || (mode == LineMode::Watching && outOfStep()))
            break;
        timer.start(int(left));
        if (loop.exec() < 0)   // the program is ending
            break;
    }
    m_lineMode = LineMode::Waiting;
    m_loop = nullptr;
    m_port->setRThreshold(threshold);
}

int FrmComm::quietGapMs() const { return 100 + 40'000 / qMax(1, m_port->baudRate()); }

int FrmComm::watchMs() const { return int(m_slowestMs) + 40 + 20'000 / qMax(1, m_port->baudRate()); }

void FrmComm::endWait()
{
    if (m_loop)
        m_loop->quit();
}

void FrmComm::MSComm1_OnComm(int commEvent)
{
    if (commEvent != MSComm::comEvReceive)
        return;
    if (m_lineMode == LineMode::Settling) {
        m_ledger.arrived(AnswerLedger::Phase::Drain, m_port->Input().size());
        m_lastArrival.start();
        endWait();
        return;
    }
    if (m_lineMode == LineMode::Watching) {
        // Nothing awaits these bytes after the last frame.
        m_ledger.arrived(AnswerLedger::Phase::Watch, m_port->Input().size());
        m_lastArrival.start();
        endWait();
        return;
    }
    // Outside a wait the bytes stay for the next send to find.
    if (m_estadoRx != RxWaitAck && m_estadoRx != RxWaitRead)
        return;
    AppState &s = appState();
    s.EntradaRx = m_port->Input();
    QByteArray input = s.EntradaRx;
    QByteArray data = m_datosRx;
    const quint8 judged = judgeReply(m_estadoRx, &input, m_trama, &data);
    if (judged == m_estadoRx) {
        // Not the whole reply yet: it waits for more bytes.
        m_port->keepInput(input);
        return;
    }
    m_ledger.arrived(AnswerLedger::Phase::Wait, s.EntradaRx.size());
    if (judged == RxOk && input.isEmpty()) {
        m_estadoRx = RxOk;
        m_datosRx = data;
    } else {
        // A wrong answer, or more than the answer in one read: noise or a
        // second answer, which the ledger tells apart once the line has
        // been drained.
        m_estadoRx = RxFail;
        m_lastArrival.start();
    }
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
    lineClosed();
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
