// The account of bytes on the line, fed a sequence's arrivals as a script of
// events and judged after each step:
//   F<n>r / F<n>w  a frame comes whose answer is n bytes: a read / a write
//   B<n>  bytes the line held before the frame's first byte
//   W<n>  bytes its wait saw        T  the wait took its one good answer
//   D<n>  bytes the drain saw       E  the drain after a failed try ended
//   H<n>  bytes the watch after the last frame saw
//   X     the read in doubt is read again
// and the verdicts expected after the last event: A accept, R read again,
// S stop.

#include "AnswerLedger.h"
#include "TestHome.h"

#include <QtTest>

using orb::AnswerLedger;
using Phase = AnswerLedger::Phase;
using Verdict = AnswerLedger::Verdict;

Q_DECLARE_METATYPE(Verdict)

class TestAnswerLedger : public QObject {
    Q_OBJECT
private slots:
    void verdicts_data();
    void verdicts();
};

void TestAnswerLedger::verdicts_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<Verdict>("verdict");
    const auto row = [](const char *name, const char *script, Verdict verdict) {
        QTest::newRow(name) << QString::fromLatin1(script) << verdict;
    };
    const Verdict A = Verdict::Accept, R = Verdict::ReadAgain, S = Verdict::Stop;
    row("good reads and watch", "F23r B0 W23 T F23r W23 T H0", A);
    row("good writes", "F6w W6 T F6w W6 T H0", A);
    // Noise after a read casts doubt on it; after an acknowledge it costs
    // nothing.
    row("stray byte before the frame after a read", "F23r W23 T F23r B1", R);
    row("stray byte before the frame after a write", "F6w W6 T F6w B1", A);
    row("stray byte in the watch after a read", "F23r W23 T H1", R);
    row("stray bytes in the watch after a write", "F6w W6 T H5", A);
    row("a failed try with part of an answer after a read", "F23r W23 T F23r W5 E", R);
    row("a failed try with more than one answer after a read", "F23r W23 T F23r W24 E", R);
    row("a failed try, silent, after a read", "F23r W23 T F23r E", A);
    row("a failed try, one wrong answer, after a read", "F23r W23 T F23r W23 E", A);
    row("the read in doubt read again", "F23r W23 T F23r B1 X", A);
    row("the read again taken", "F23r W23 T F23r B1 X F23r W23 T", A);
    // An answer's worth of bytes that no frame awaited, wherever it came.
    row("an answer's worth before a frame", "F6w W6 T F6w B6", S);
    row("an answer's worth in the watch", "F6w W6 T H6", S);
    row("a second answer in a failed try", "F6w W6 T F6w W12 E", S);
    row("a failed try's own late answer in its drain", "F6w W6 T F6w W0 D6 E", A);
    row("an acknowledge's worth after a read", "F23r W23 T F6w B6", S);
    row("stop stays", "F6w W6 T H6 F6w W6 T", S);
    // A reply sent twice, split by the next frame: part before it, the
    // rest in the wait of the read done again.
    row("a doubled reply split by a frame", "F23r W23 T F23r B10 X F23r W36 E", S);
    // Counted through failed tries, and from the last good answer only.
    row("counted through failed tries", "F8r W8 T F8r W10 E X F8r W14 E", S);
    row("counted afresh at each good answer", "F8r W8 T F8r B3 X F8r W8 T F8r B5", R);
    row("steady noise, one stray byte before every frame", "F8w W8 T F8w B1 W8 T F8w B1 W8 T F8w B1 W8 T F8w B1 W8 T F8w B1 W8 T F8w B1 W8 T F8w B1 W8 T F8w B1", A);
    row("steady noise after reads", "F8r W8 T F8r B1 X F8r W8 T F8r B1", R);
    // Nothing before the first good answer can have moved an answer taken.
    row("a glitch when the port opens", "F6w B30 W6 T", A);
    row("a late reply after the first frame's drain", "F8r W0 E F8r B8 W8 T", A);
}

void TestAnswerLedger::verdicts()
{
    QFETCH(QString, script);
    QFETCH(Verdict, verdict);
    AnswerLedger ledger;
    for (const QString &event : script.split(QLatin1Char(' '))) {
        const qsizetype n = event.mid(1).remove(QRegularExpression(QStringLiteral("[rw]$"))).toLongLong();
        switch (event.at(0).toLatin1()) {
        case 'F': ledger.frameComing(n, event.endsWith(QLatin1Char('r'))); break;
        case 'B': ledger.arrived(Phase::BeforeWrite, n); break;
        case 'W': ledger.arrived(Phase::Wait, n); break;
        case 'D': ledger.arrived(Phase::Drain, n); break;
        case 'H': ledger.arrived(Phase::Watch, n); break;
        case 'T': ledger.answerTaken(); break;
        case 'E': ledger.drainEnded(); break;
        case 'X': ledger.readDropped(); break;
        default: QFAIL(qPrintable(QStringLiteral("no such event: ") + event));
        }
    }
    QCOMPARE(ledger.verdict(), verdict);
    QCOMPARE(ledger.outOfStep(), verdict == Verdict::Stop);
}

ORB_TEST_GUILESS_MAIN(TestAnswerLedger)
#include "test_answer_ledger.moc"
