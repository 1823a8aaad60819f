// Random byte strings, split at random points, fed to the receive side of a
// real wait: the wait never crashes or hangs and answers RxOk only for a
// well-formed reply to the frame sent, judged here from the protocol's own
// rules: the acknowledge exactly, or a read reply with the request's
// function, length and address anywhere among the bytes.

#include "FrmComm.h"
#include "ModCom.h"
#include "PanelSim.h"
#include "Seams.h"

#include <QRandomGenerator>
#include <QTimer>
#include <QtTest>
#include <optional>

using namespace orb;
using orb::test::PanelSim;

namespace {

constexpr quint32 kSeed = 20260511;
constexpr int kIterations = 600;

const QByteArray kAck = QByteArray::fromHex("C010578106DE");

QByteArray randomBytes(QRandomGenerator &rng, int count)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes.append(char(rng.bounded(256)));
    return bytes;
}

QByteArray withSum(QByteArray bytes)
{
    unsigned sum = 0;
    for (qsizetype i = 2; i < bytes.size(); ++i)
        sum += quint8(bytes.at(i));
    return bytes.append(char(sum % 256));
}

// The data of the first well-formed read reply to `request` within `bytes`.
std::optional<QByteArray> replyWithin(const QByteArray &bytes, const QByteArray &request)
{
    const int count = quint8(request.at(6));
    const QByteArray head = QByteArray::fromHex("C01052") + char(count + 2) + request.mid(4, 2);
    for (qsizetype at = 0; at + 7 + count <= bytes.size(); ++at) {
        const QByteArray candidate = bytes.mid(at, 7 + count);
        if (candidate.startsWith(head) && withSum(candidate.chopped(1)) == candidate)
            return candidate.mid(6, count);
    }
    return std::nullopt;
}

// A string near a good reply (so good ones come up often) or plain noise.
QByteArray candidate(QRandomGenerator &rng, const QByteArray &request)
{
    const int count = quint8(request.at(6));
    QByteArray bytes = request.at(2) != 'R'
                           ? kAck
                           : withSum(QByteArray::fromHex("C01052") + char(count + 2) + request.mid(4, 2)
                                     + randomBytes(rng, count));
    switch (rng.bounded(9)) {
    case 0: return bytes;
    case 1: bytes[rng.bounded(int(bytes.size()))] = char(rng.bounded(256)); return bytes;
    case 2: return bytes + randomBytes(rng, 1);
    case 3: bytes.chop(1 + rng.bounded(int(bytes.size()))); return bytes;
    case 4: return QByteArray::fromHex("10C0") + bytes;
    case 5: { // a whole reply to another address first (for the acknowledge: a negative one)
        QByteArray other = bytes.chopped(1);
        const int at = request.at(2) == 'R' ? 5 : 4;
        other[at] = char(quint8(other.at(at)) + 1 + rng.bounded(255));
        return withSum(other) + bytes.left(rng.bounded(int(bytes.size()) + 1));
    }
    case 6: return request + bytes.left(rng.bounded(int(bytes.size()) + 1)); // a line that echoes
    case 7: return kAck + bytes.left(rng.bounded(int(bytes.size()) + 1));   // an acknowledge, for a read too
    default: return randomBytes(rng, rng.bounded(30));
    }
}

} // namespace

class TestReplyFuzz : public QObject {
    Q_OBJECT
private slots:
    void randomRepliesNeverFool();
};

void TestReplyFuzz::randomRepliesNeverFool()
{
    qInfo("seed %u, %d iterations", kSeed, kIterations);
    QRandomGenerator rng(kSeed);
    setMsgBoxHandler([](const QString &prompt, int, const QString &) {
        qWarning("unexpected message: %s", qPrintable(prompt));
        return int(AnsOk);
    });

    // A real port on a silent panel: the frames go out, and the test plays
    // the panel's side on the receive buffer.
    PanelSim sim;
    QVERIFY(sim.start());
    orb::test::pointCom1At(sim.devicePath());
    sim.misbehave(PanelSim::Misbehaviour::Silent, PanelSim::kAlways);
    FrmComm &comm = frmComm();
    comm.setReplyTimeout(5);

    int oks = 0;
    for (int i = 0; i < kIterations; ++i) {
        Frame f;
        switch (rng.bounded(4)) {
        case 0: Msg_WrByte(f, AdrNumZon, i & 0xFF); break;
        case 1: Msg_RdByte(f, AdrNumZon); break;
        case 2: Msg_RdRel(f, 1 + i % 128); break;
        default: Msg_RdText(f, AreaZon, 1 + i % 128); break;
        }
        const bool read = f.RThreshold > 0;
        QVERIFY(comm.Send_Msg(f));

        const QByteArray input = candidate(rng, f.bytes());
        QList<QByteArray> chunks;
        for (qsizetype at = 0; at < input.size();) {
            const int piece = 1 + rng.bounded(int(input.size() - at));
            chunks << input.mid(at, piece);
            at += piece;
        }
        // An acknowledge wait takes everything up to the chunk with which
        // the threshold is reached and looks no further; a read wait looks
        // at every byte until it finds its reply.
        std::optional<QByteArray> expected;
        if (read) {
            expected = replyWithin(input, f.bytes());
        } else {
            QByteArray taken;
            for (qsizetype c = 0; c < chunks.size() && taken.size() < 6; ++c)
                taken += chunks.at(c);
            if (taken == kAck)
                expected = QByteArray();
        }

        QTimer::singleShot(0, &comm, [&comm, chunks] {
            for (const QByteArray &chunk : chunks)
                comm.MSComm1().receiveBytes(chunk);
        });
        const QByteArray before = comm.DatosRx();
        const quint8 state = read ? comm.Wait_Answer() : comm.Wait_Ack();
        QVERIFY2((state == RxOk || state == RxFail) && (state == RxOk) == expected.has_value(),
                 qPrintable(QStringLiteral("iteration %1: %2 gave %3")
                                .arg(i).arg(QString::fromLatin1(input.toHex(' '))).arg(state)));
        QCOMPARE(comm.DatosRx(), state == RxOk && read ? *expected : before);
        oks += state == RxOk ? 1 : 0;
    }
    qInfo("%d good replies, %d refused", oks, kIterations - oks);
    QVERIFY(oks > kIterations / 10 && oks < kIterations * 2 / 3);
    comm.setReplyTimeout(FrmComm::ReplyTimeout);
    unloadFrmComm();
}

QTEST_GUILESS_MAIN(TestReplyFuzz)
#include "test_reply_fuzz.moc"
