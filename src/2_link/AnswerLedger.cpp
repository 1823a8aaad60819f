#include "AnswerLedger.h"

namespace orb {

void AnswerLedger::frameComing(qsizetype awaited, bool read)
{
    m_awaited = awaited;
    m_reading = read;
    m_tryBytes = 0;
}

void AnswerLedger::arrived(Phase phase, qsizetype bytes)
{
    if (bytes <= 0)
        return;
    switch (phase) {
    case Phase::Wait:
    case Phase::Drain:
        m_tryBytes += bytes;
        break;
    case Phase::BeforeWrite:
    case Phase::Watch:
        if (m_counting)
            count(bytes);
        doubt(bytes);
        break;
    }
}

void AnswerLedger::answerTaken()
{
    m_counting = true;
    m_unawaited = 0;
    m_lastTaken = m_awaited;
    m_readPending = m_reading;
    m_doubt = false;
    m_tryBytes = 0;
}

void AnswerLedger::drainEnded()
{
    if (m_counting && m_tryBytes > m_awaited)
        count(m_tryBytes - m_awaited);
    // Part of an answer, or more than one: a stray byte or the rest of an
    // earlier reply may be among them.
    if (m_tryBytes != m_awaited)
        doubt(m_tryBytes);
    m_tryBytes = 0;
}

AnswerLedger::Verdict AnswerLedger::verdict() const
{
    if (m_outOfStep)
        return Verdict::Stop;
    if (m_readPending && m_doubt)
        return Verdict::ReadAgain;
    return Verdict::Accept;
}

void AnswerLedger::count(qsizetype bytes)
{
    m_unawaited += bytes;
    const qsizetype answer = m_lastTaken > 0 ? qMin(m_awaited, m_lastTaken) : m_awaited;
    if (m_unawaited >= answer)
        m_outOfStep = true;
}

void AnswerLedger::doubt(qsizetype bytes)
{
    if (m_readPending && bytes > 0)
        m_doubt = true;
}

} // namespace orb
