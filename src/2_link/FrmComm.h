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
// modem lines do not pulse at every frame. Input left over from an earlier
// exchange is thrown away before each send (after a good reply it also puts
// the exchanges out of step, below), and a frame has left the PC before its
// wait starts.
//
// The reply time runs on the monotonic clock from the moment the frame's
// last byte has left the PC, whenever the wait itself starts. The timer that
// ends a wait is only a wake-up: the wait ends once that deadline has passed,
// after a last look at the line, so a reply whose last byte arrived in time
// counts even when its receive event had not yet been handled.
//
// A reply must be the answer to the frame just sent, and nothing in it
// names that frame: the acknowledge is the same for every write, and the
// first six bytes of a read reply are not the program's to check (a read
// reply is 7 + n bytes whose last byte is the sum of bytes 3 to 6 + n). So
// the answer is told by its timing alone:
//  - bytes waiting before a frame is written, or arriving before its last
//    byte has left the PC, are never its answer;
//  - after a wait that failed (no reply in time, or a wrong one) the next
//    send first drains the line: it reads and throws away what arrives, up
//    to one reply time-out after the failure, and ends early once the line
//    has been quiet for a short gap after the last byte. A late reply to
//    an earlier frame is thus never taken for the next frame's;
//  - after a good reply every byte that no frame awaits (found before the
//    next frame is written, arriving while it is written, or beyond the
//    reply within its wait) means the replies can no longer be matched to
//    the frames (a panel that answers twice, say): the exchanges are out of
//    step, and every send and wait fails until the port is closed. After
//    the last frame of a sequence, watchAfterLast() looks for such bytes a
//    short while longer.
//
// A wait yields to the event loop (a local QEventLoop) until the reply or
// the time-out; timers and windows stay live. While a wait runs, another
// send or wait is refused: it changes nothing and reports failure.

#include "Frame.h"
#include "MSComm.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

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
    // wait then fails at once), nor is a frame while a wait runs or while
    // the exchanges are out of step (bytes no frame awaits found before the
    // frame is written put them so; so do bytes that arrive while it is
    // written, and then the send returns false too).
    bool Send_Msg(const Frame &frame);

    // Waits for the acknowledge / for the read reply of the frame just
    // sent, until ReplyTimeout after the frame was written. Ends with
    // EstadoRx RxOk or RxFail, which is also returned. A wait with no frame
    // written before it (the port could not be opened, was lost, or the
    // frame was refused) ends with RxFail at once. A wait started while
    // another runs returns RxFail and leaves the running one's state alone.
    // A good reply followed by more bytes within the same read ends with
    // RxFail and the exchanges out of step.
    quint8 Wait_Ack();
    quint8 Wait_Answer();

    // True while a wait, the drain before a send or the watch after the
    // last frame runs.
    bool waiting() const { return m_loop != nullptr; }

    // Bytes came that no frame awaited after a good reply (above): the
    // replies of this sequence may have answered other frames than the
    // program thinks. Until the port is closed every send is refused (it
    // writes nothing and returns false) and every wait fails at once.
    bool outOfStep() const { return m_outOfStep; }

    // Ends a sequence whose last wait went well: watches the line for
    // watchMs() for bytes that no frame awaits (a second answer to the last
    // frame). True when none came and the exchanges are in step; false
    // (out of step) otherwise, also when the last wait did not go well.
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
    // Length of the watch after the last frame: long enough for a second
    // answer that leaves the panel 30 ms after the first to start arriving
    // (40 ms and two bytes at the port's baud rate).
    int watchMs() const;

private:
    bool send(const Frame &frame);
    quint8 waitFor(quint8 state);
    void endWait();
    void settleLine();
    // Takes what the device holds now: bytes no frame awaits. They put the
    // exchanges out of step when the last wait went well.
    void takeUnawaited();
    // The port was closed: the next sequence starts in step.
    void lineClosed();
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
    LineMode m_lineMode = LineMode::Waiting;   // what the receive handler does with bytes
    bool m_inStep = false;         // the last wait went well: every further byte is unawaited
    bool m_outOfStep = false;      // unawaited bytes came after a good reply
    QDeadlineTimer m_replyBy;      // end of the reply time of the frame written
    QDeadlineTimer m_settleBy;     // end of the drain at the latest
    QElapsedTimer m_lastArrival;   // since bytes last came in; invalid: none yet
    QByteArray m_datosRx;
    QByteArray m_trama;
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
