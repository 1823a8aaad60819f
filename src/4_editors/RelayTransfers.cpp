#include "RelayTransfers.h"

#include "Exchange.h"
#include "FrmComm.h"
#include "Transfers.h"

namespace orb {

namespace {

using Result = RelayTransferResult;

// One transfer from its start to its end, whichever way it ends.
class RelayExchange {
public:
    explicit RelayExchange(RelayTransferHost &host)
        : m_host(host)
    {
        m_host.setBusy(true);
        m_host.closePortSettings();
        m_host.setTicker(false);
        m_host.prepareProgress();
        m_host.setTicker(true);
    }

    // Runs one phase: Completed when it got through, else the command is
    // ended and the way it ended returned.
    Result phase(const Builder &build, bool read, bool *rowMissing = nullptr, const Taker &take = {})
    {
        const Outcome outcome = m_line.exchange(build, read, MaxReint, take);
        // Whether what was read so far can be kept: told before the port
        // closes and the line's account goes with it.
        m_readTrusted = !answersOutOfStep() && !m_line.lastReadDoubted();
        if (rowMissing && *rowMissing)
            return end(Result::NoRow);
        switch (outcome) {
        case Outcome::Ok: return Result::Completed;
        case Outcome::PortFailed: return end(Result::PortFailed);
        case Outcome::Failed: return end(Result::Failed);
        }
        return end(Result::Failed);
    }

    // The box goes up at the first good label exchange; the ticker runs on.
    void labelDone()
    {
        if (!m_host.progressShown())
            m_host.showSync();
        m_host.setTicker(true);
    }

    // Nothing stray came after the last read, and no answer that no frame
    // awaited, up to the end of the last phase.
    bool readTrusted() const { return m_readTrusted; }

    // Watches the line after the last frame.
    bool endedInStep() { return m_line.end() == Outcome::Ok; }

    Result completed()
    {
        m_host.fillProgress();
        m_host.progress().close();
        m_host.setTicker(false);
        Comm_Completed();
        return end(Result::Completed);
    }

    // Ends the exchange: a failed phase with message 405, the others with
    // what they have already shown.
    Result end(Result result)
    {
        m_host.setTicker(false);
        if (result == Result::Failed)
            Err_Comm(m_host.progress());
        else
            End_Comm(m_host.progress());
        m_host.setBusy(false);
        return result;
    }

private:
    RelayTransferHost &m_host;
    Sequence m_line;
    bool m_readTrusted = true;
};

} // namespace

RelayTransferResult readRelay(RelayTransferHost &host)
{
    RelayExchange run(host);
    // The label shows once nothing after it has cast doubt on it: when the
    // record's answer has been taken, or when the record did not come and
    // nothing stray came after the label either.
    QString label;
    Result result = run.phase(
        [&host](Frame &f) {
            Msg_RdText(f, AreaRel, host.relayNumber());
            return true;
        },
        true, nullptr, [&label](const QByteArray &data) { label = labelOf(data); });
    if (result != Result::Completed)
        return result;
    run.labelDone();

    std::optional<RelayRecord> record;
    result = run.phase(
        [&host](Frame &f) {
            Msg_RdRel(f, host.relayNumber());
            return true;
        },
        true, nullptr, [&record](const QByteArray &data) { record = RelayRecord::fromBytes(data); });
    if (result != Result::Completed) {
        if (run.readTrusted())
            host.labelReceived(label);
        return result;
    }
    // A good reply of a 12-byte read is 12 bytes.
    if (!run.endedInStep() || !record)
        return run.end(Result::Failed);
    host.labelReceived(label);
    host.setTicker(true);
    // What cannot be stored has not been read into the configuration: no
    // "O.K." for it.
    if (!host.recordReceived(*record))
        return run.end(Result::NotStored);
    return run.completed();
}

RelayTransferResult writeRelay(RelayTransferHost &host, const QString &label)
{
    RelayExchange run(host);
    Result result = run.phase(
        [&host, label](Frame &f) {
            Msg_WrText(f, AreaRel, host.relayNumber(), label);
            return true;
        },
        false);
    if (result != Result::Completed)
        return result;
    run.labelDone();

    // The record comes from the relay's stored row, read anew for each
    // attempt; a row that is gone stops the write after its message.
    bool rowMissing = false;
    result = run.phase(
        [&host, &rowMissing](Frame &f) {
            rowMissing = !Msg_WrRel(f, host.relayNumber());
            return !rowMissing;
        },
        false, &rowMissing);
    if (result != Result::Completed)
        return result;
    if (!run.endedInStep())
        return run.end(Result::Failed);
    return run.completed();
}

} // namespace orb
