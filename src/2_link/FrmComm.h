#pragma once
// The serial host: owns the serial control MSComm1 and the reply timer
// TimCom, sends one frame at a time and waits for the panel's answer. It is
// never shown.
//
// Every exchange goes: build a frame (ModCom.h), Send_Msg (the frame's kind
// decides its layout, so the clock frames go the same way), test
// ErrPuerto(), Wait_Ack or Wait_Answer, test EstadoRx() (and read DatosRx()
// after a good read), retry or go on; at the end End_Comm, after a failure
// Err_Comm (Progress.h).
//
// The port is opened by the first send of a sequence (applying the port
// settings of the open configuration) and stays open until End_Comm, Err_Comm
// or Form_Unload, so no reply is lost between the frame and its wait and the
// modem lines do not pulse at every frame. A frame has left the PC before its
// wait starts.
//
// The reply time runs on the monotonic clock from the moment the frame's
// last byte has left the PC, whenever the wait itself starts. The timer that
// ends a wait is only a wake-up: the wait ends once that deadline has passed,
// after a last look at the line, so a reply whose last byte arrived in time
// counts even when its receive event had not yet been handled.
//
// A reply must be the answer to the frame just sent, and nothing in it
// names that frame, so every byte that comes is told to the AnswerLedger
// (AnswerLedger.h states the rule) with the phase it came in: before the
// frame's first byte is handed to the port, in its wait, in the drain after
// a failed wait, or in the watch after the last frame. After a failed wait
// the next send first drains the line: it reads what arrives, up to one
// reply time-out after the failure, and ends early once the line has been
// quiet for a short gap after the last byte, so that a late reply is never
// taken for the next frame's.
//
// A wait yields to the event loop (a local QEventLoop) until the reply or
// the time-out; timers and windows stay live. While a wait runs, another
// send or wait is refused: it changes nothing and reports failure.

#include "AnswerLedger.h"
#include "Frame.h"
#include "MSComm.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>

class QEventLoop;

namespace orb {

class FrmComm : public QObject {
    Q_OBJECT
public:
    // Time the panel has to answer, from the end of the frame.
    static constexpr int ReplyTimeout = 2000;

    explicit FrmComm(QObject *parent = nullptr);
    ~FrmComm() override;

    MSComm &MSComm1() { return *m_port; }
    QTimer &TimCom() { return m_timCom; }

    // Reply state: RxWaitAck, RxWaitRead while waiting, then RxOk or RxFail;
    // 0 before the first wait.
    quint8 EstadoRx() const { return m_estadoRx; }
    // The last send could not open the port: message 401 was shown and
    // nothing was written.
    bool ErrPuerto() const { return m_errPuerto; }
    // Data bytes of the last good read reply (a label read is taken as text
    // through labelReceived(), Exchange.h).
    QByteArray DatosRx() const { return m_datosRx; }
    // The last frame written to the port.
    QByteArray Trama() const { return m_trama; }
    // Station address the acknowledge must come from.
    quint8 DirRx() const { return kPanelStation; }

    // Writes a complete frame, with the layout of its kind (request or
    // clock frame). Opens the port when it is closed; when that fails shows
    // message 401 with the port's error number and text and sets
    // ErrPuerto. After a failed wait it drains the line first (above; this
    // yields to the event loop and counts as a wait). Returns true when the
    // frame was written. An incomplete frame is never written (the next
    // wait then fails at once), nor is a frame while a wait runs, while the
    // exchanges are out of step, or while the last read is in doubt (what
    // the line held before the write may put them so).
    bool Send_Msg(const Frame &frame);

    // Waits for the acknowledge / for the read reply of the frame just
    // sent, until ReplyTimeout after the frame was written. Ends with
    // EstadoRx RxOk or RxFail, which is also returned. A wait with no frame
    // written before it (the port could not be opened, was lost, or the
    // frame was refused) ends with RxFail at once. A wait started while
    // another runs returns RxFail and leaves the running one's state alone.
    // A good reply with more bytes in the same read ends with RxFail; what
    // they were is told by the drain before the next send (above).
    quint8 Wait_Ack();
    quint8 Wait_Answer();

    // True while a wait, the drain before a send or the watch after the
    // last frame runs.
    bool waiting() const { return m_loop != nullptr; }

    // An answer came that no frame awaited (AnswerLedger.h): the replies of
    // this sequence may have answered other frames than the program thinks.
    // Until the port is closed every send is refused (it writes nothing and
    // returns false) and every wait fails at once.
    bool outOfStep() const { return m_ledger.outOfStep(); }
    // Bytes that answered no frame came after the last good answer, a read
    // reply, before the next one was taken: that reply may have been
    // shifted, and no frame is written until it has been read again.
    bool readInDoubt() const { return m_ledger.readInDoubt(); }
    // The read in doubt is being read again: its answer no longer counts.
    void dropReadInDoubt() { m_ledger.readDropped(); }

    // Ends a sequence whose last wait went well: watches the line for
    // watchMs() for bytes that answer no frame (a second answer to the
    // last frame, or its own answer pushed late by a doubled one), and once
    // bytes come, until the line has been quiet for quietGapMs() (one reply
    // time more at most). True when none came, or only noise after an
    // acknowledge; false when the exchanges are out of step, when the last
    // read is in doubt (readInDoubt()), or when the last wait did not go
    // well.
    bool watchAfterLast();

    // Applies the stored port settings when the port is closed.
    void Form_Load();
    // Closes the port (ends a sequence); a running wait ends with RxFail.
    void Form_Unload();

    // The receive handler and the time-out tick. The tick ends the wait only
    // once the reply time has run out (it starts the timer again for what
    // is left when it comes early), and only after the bytes that reached
    // the port by then have been looked at.
    void MSComm1_OnComm(int commEvent);
    void TimCom_Timer();

    // Tests may shorten the reply time.
    void setReplyTimeout(int ms) { m_replyTimeout = ms; }
    int replyTimeout() const { return m_replyTimeout; }

    // Quiet time after the last byte that ends the drain early: 100 ms and
    // four bytes at the port's baud rate.
    int quietGapMs() const;
    // Length of the watch after the last frame: as long as the slowest
    // good answer of this sequence took (from its frame's last byte to its
    // own last byte), and 40 ms and two bytes at the port's baud rate more,
    // long enough for a second answer that leaves the panel 30 ms after the
    // first to start arriving.
    int watchMs() const;

    // What the exchange does at each step on the line, for tests that put
    // bytes on it at set moments: just before what the line holds before a
    // frame is looked at (after the drain), and once the frame has left.
    enum class LineStep { BeforeWrite, AfterWrite };
    void setLineObserver(std::function<void(LineStep)> observer) { m_lineObserver = std::move(observer); }

private:
    bool send(const Frame &frame);
    quint8 waitFor(quint8 state);
    void endWait();
    void settleLine();
    // The port was opened or closed: the next sequence starts afresh.
    void lineClosed();
    void observe(LineStep step)
    {
        if (m_lineObserver)
            m_lineObserver(step);
    }
    // Runs the event loop until `until`, or until the line has been quiet
    // for quietGapMs() when `quietEnds`; every byte that arrives meanwhile
    // is taken by the receive handler in `mode`.
    enum class LineMode { Waiting, Settling, Watching };
    void runLine(LineMode mode, const QDeadlineTimer &until, bool quietEnds);

    MSComm *m_port;
    QTimer m_timCom;
    QEventLoop *m_loop = nullptr;
    int m_replyTimeout = ReplyTimeout;
    quint8 m_estadoRx = 0;
    bool m_errPuerto = false;
    bool m_frameWritten = false;   // a frame went out and awaits its wait
    bool m_unsettled = false;      // a wait failed: its reply may still come
    bool m_lastWaitOk = false;     // the last wait took its answer
    LineMode m_lineMode = LineMode::Waiting;   // what the receive handler does with bytes
    qsizetype m_awaited = 0;       // length of the answer the frame written awaits
    AnswerLedger m_ledger;
    qint64 m_slowestMs = 0;        // the slowest good answer of this sequence
    QElapsedTimer m_sinceWritten;  // since the frame's last byte left
    QDeadlineTimer m_replyBy;      // end of the reply time of the frame written
    QDeadlineTimer m_settleBy;     // end of the drain at the latest
    QElapsedTimer m_lastArrival;   // since bytes last came in; invalid: none yet
    QByteArray m_datosRx;
    QByteArray m_trama;
    std::function<void(LineStep)> m_lineObserver;
};

// The program's one serial host, made on first use (owned by the
// application object when there is one).
FrmComm &frmComm();
// Closes the port and deletes the serial host (program exit). A host whose
// wait is under way (the main window closed during a transfer) has that
// wait fail and is kept: the transfer up the stack still uses it, and it
// goes with the application object.
void unloadFrmComm();

} // namespace orb
