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
    if (!frame.Completa || m_outOfStep)
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
    if (!s.PuertoOk || m_outOfStep)
        return false;

    // What came in since the last wait answers no frame: it is taken (and
    // counted) here rather than thrown away unseen.
    m_awaited = frame.RThreshold > 0 ? frame.RThreshold : AckFrame().size();
    observe(LineStep::BeforeWrite);
    takeUnawaited();
    if (m_outOfStep)
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
    // Output returns once the last byte has left: the reply time starts now,
    // and what the device holds at this moment came before the panel could
    // answer the frame.
    m_replyBy = QDeadlineTimer(m_replyTimeout, Qt::PreciseTimer);
    m_sinceWritten.start();
    observe(LineStep::AfterWrite);
    takeUnawaited();
    if (m_outOfStep)
        return false;
    m_frameWritten = true;
    return true;
}

void FrmComm::takeUnawaited()
{
    m_port->pollInput();
    countUnawaited(m_port->Input().size());
}

void FrmComm::countUnawaited(qsizetype bytes)
{
    if (m_inStep)
        addUnawaited(bytes);
}

void FrmComm::addUnawaited(qsizetype bytes)
{
    m_unawaited += qMax<qsizetype>(0, bytes);
    if (m_unawaited >= answerSize())
        m_outOfStep = true;
}

qsizetype FrmComm::answerSize() const
{
    return m_lastTaken > 0 ? qMin(m_awaited, m_lastTaken) : m_awaited;
}

void FrmComm::lineClosed()
{
    m_frameWritten = false;
    m_inStep = false;
    m_outOfStep = false;
    m_unsettled = false;
    m_judgeDrain = false;
    m_lastTaken = 0;
    m_unawaited = 0;
    m_slowestMs = 0;
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
    const bool cameInStep = m_inStep;
    if (!m_frameWritten || m_outOfStep || !m_port->PortOpen()) {
        m_estadoRx = RxFail;
        m_frameWritten = false;
        m_inStep = false;
        return m_estadoRx;
    }
    m_frameWritten = false;   // one wait per frame
    m_estadoRx = state;
    m_tryBytes = 0;
    m_lastArrival.invalidate();

    QEventLoop loop;
    m_loop = &loop;
    m_timCom.start(int(qMax<qint64>(0, m_replyBy.remainingTime())));
    // Bytes that came in between the send and the wait (an event loop run
    // by the caller) are judged at once.
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
    m_inStep = m_estadoRx == RxOk;
    if (m_inStep) {
        m_lastTaken = m_awaited;
        m_unawaited = 0;
        m_slowestMs = qMax(m_slowestMs, m_sinceWritten.elapsed());
    } else if (!m_outOfStep && m_port->PortOpen()) {
        // The reply of this frame may still be on its way: the next send
        // drains the line first, and then tells whether the bytes this
        // wait and the drain saw hold more than its one answer. (A port
        // lost or closed during the wait leaves nothing to drain.)
        m_unsettled = true;
        m_judgeDrain = cameInStep;
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
        m_tryBytes += m_port->Input().size();
        m_lastArrival.start();
    }
    if (m_port->PortOpen() && !m_settleBy.hasExpired())
        runLine(LineMode::Settling, m_settleBy, true);
    if (!m_judgeDrain)
        return;
    m_judgeDrain = false;
    // The failed wait may rightly have had its own answer, however wrong;
    // anything beyond that counts with what no frame awaited before it.
    addUnawaited(m_tryBytes - m_awaited);
}

bool FrmComm::watchAfterLast()
{
    if (waiting() || !m_inStep || !m_port->PortOpen())
        return false;
    m_lastArrival.invalidate();
    takeUnawaited();
    if (m_unawaited > 0)
        m_lastArrival.start();
    if (!m_outOfStep) {
        runLine(LineMode::Watching, QDeadlineTimer(watchMs(), Qt::PreciseTimer), false);
        // Bytes came: the watch goes on until the line is quiet, so that an
        // answer whose first bytes came within it is counted whole.
        if (m_unawaited > 0 && !m_outOfStep)
            runLine(LineMode::Watching, QDeadlineTimer(m_replyTimeout, Qt::PreciseTimer), true);
        // A last look at what reached the port by the end of the watch.
        if (m_port->PortOpen())
            takeUnawaited();
    }
    return m_inStep && !m_outOfStep && m_port->PortOpen();
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
        if (left <= 0 || !m_port->PortOpen() || (mode == LineMode::Watching && m_outOfStep))
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
        m_tryBytes += m_port->Input().size();
        m_lastArrival.start();
        endWait();
        return;
    }
    if (m_lineMode == LineMode::Watching) {
        // Nothing awaits these bytes after the last frame.
        countUnawaited(m_port->Input().size());
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
    m_tryBytes += s.EntradaRx.size();
    if (judged == RxOk && input.isEmpty()) {
        m_estadoRx = RxOk;
        m_datosRx = data;
    } else {
        // A wrong answer, or more than the answer in one read: noise or a
        // second answer, which the drain before the next send tells apart.
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
