#pragma once
// Where an exchange with the panel shows its progress, and how an exchange
// sequence ends. The progress box of the windows is one such place; the
// transfers only know this interface, so they run (and are tested) without
// any window.

#include <QString>

namespace orb {

class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    // Each of these shows the progress (loading the box first when needed).
    virtual void setCaption(const QString &caption) = 0;
    virtual void setLabel(const QString &text) = 0;
    virtual void setRange(int maximum) = 0;   // from 0
    virtual void setValue(int value) = 0;
    // Takes the progress away; harmless when nothing shows.
    virtual void close() = 0;
};

// The title of the messages that end an exchange: its failure (405) and its
// success (432).
QString exchangeMessageTitle();

// Ends an exchange sequence: PuertoOk cleared, the serial port closed, the
// progress closed.
void End_Comm(ProgressSink &progress);
// Reports a failed exchange: the progress closed, message 405 (OK/Cancel,
// exclamation) under exchangeMessageTitle(), then End_Comm.
void Err_Comm(ProgressSink &progress);
// The message of a completed exchange: 432 (OK/Cancel, exclamation; the
// answer is not used) under exchangeMessageTitle().
void Comm_Completed();

} // namespace orb
