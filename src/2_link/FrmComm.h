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
// exchange is thrown away before each send, and a frame has left the PC
// before its wait starts.
//
// The reply time runs on the monotonic clock from the moment the frame's
// last byte has left the PC, whenever the wait itself starts. The timer that
// ends a wait is only a wake-up: the wait ends once that deadline has passed,
// after a last look at the line, so a reply whose last byte arrived in time
// counts even when its receive event had not yet been handled.
//
// A reply must be the answer to the frame just sent. A read reply names its
// function, length and address, and anything else that arrives during a
// read wait is passed over. The acknowledge names nothing, so after a wait
// that failed (no reply in time, or a wrong one) the next send first drains
// the line: it reads and throws away what arrives, up to one reply time-out
// after the failure, and ends early once the line has been quiet for a
// short gap after the last byte. A late acknowledge of an earlier frame is
// thus never taken for the next frame's.
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
    // wait then fails at once), nor is a frame while a wait runs.
    bool Send_Msg(const Frame &frame);

    // Waits for the acknowledge / for the read reply of the frame just
    // sent, until ReplyTimeout after the frame was written. Ends with
    // EstadoRx RxOk or RxFail, which is also returned. A wait with no frame
    // written before it (the port could not be opened, was lost, or the
    // frame was refused) ends with RxFail at once. A wait started while
    // another runs returns RxFail and leaves the running one's state alone.
    quint8 Wait_Ack();
    quint8 Wait_Answer();

    // True while a wait, or the drain before a send, runs.
    bool waiting() const { return m_loop != nullptr; }

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

private:
    bool send(const Frame &frame);
    quint8 waitFor(quint8 state);
    void endWait();
    void settleLine();

    MSComm *m_port;
    QTimer m_timCom;
    QEventLoop *m_loop = nullptr;
    int m_replyTimeout = ReplyTimeout;
    quint8 m_estadoRx = 0;
    bool m_errPuerto = false;
    bool m_frameWritten = false;   // a frame went out and awaits its wait
    bool m_unsettled = false;      // a wait failed: its reply may still come
    bool m_settling = false;       // the line is being drained
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
