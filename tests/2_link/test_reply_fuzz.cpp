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

// The acknowledge and the read replies as the protocol defines them.
QByteArray ack() { return QByteArray::fromHex("C0105781 06DE"); }

bool wellFormedRead(const QByteArray &bytes, const QByteArray &request)
{
    const int count = quint8(request.at(6));
    if (bytes.size() != 7 + count || quint8(bytes.at(0)) != 0xC0 || quint8(bytes.at(1)) != 0x10
        || bytes.at(2) != 'R' || quint8(bytes.at(3)) != count + 2 || bytes.mid(4, 2) != request.mid(4, 2))
        return false;
    unsigned sum = 0;
    for (int i = 2; i < bytes.size() - 1; ++i)
        sum += quint8(bytes.at(i));
    return quint8(bytes.back()) == quint8(sum % 256);
}

// The data of the first well-formed reply within `bytes`, or null.
std::optional<QByteArray> replyWithin(const QByteArray &bytes, const QByteArray &request)
{
    const int length = 7 + quint8(request.at(6));
    for (qsizetype at = 0; at + length <= bytes.size(); ++at) {
        if (wellFormedRead(bytes.mid(at, length), request))
            return bytes.mid(at + 6, length - 7);
    }
    return std::nullopt;
}

QByteArray goodRead(QRandomGenerator &rng, const QByteArray &request)
{
    const int count = quint8(request.at(6));
    QByteArray bytes = QByteArray::fromHex("C01052");
    bytes.append(char(count + 2)).append(request.mid(4, 2));
    unsigned sum = quint8(bytes.at(2)) + quint8(bytes.at(3)) + quint8(bytes.at(4)) + quint8(bytes.at(5));
    for (int i = 0; i < count; ++i) {
        const char c = char(rng.bounded(256));
        bytes.append(c);
        sum += quint8(c);
    }
    bytes.append(char(sum % 256));
    return bytes;
}

// A string near a good reply (so good ones come up often) or plain noise.
QByteArray candidate(QRandomGenerator &rng, const QByteArray &request)
{
    const bool read = request.at(2) == 'R';
    QByteArray bytes = read ? goodRead(rng, request) : ack();
    switch (rng.bounded(7)) {
    case 0: return bytes;
    case 1: bytes[rng.bounded(int(bytes.size()))] = char(rng.bounded(256)); return bytes;
    case 2: bytes.append(char(rng.bounded(256))); return bytes;
    case 3: bytes.chop(1 + rng.bounded(int(bytes.size()))); return bytes;
    case 4: return QByteArray::fromHex("10C0") + bytes;
    case 5: {   // the reply to another address first
        QByteArray other = bytes;
        other[5] = char(quint8(other.at(5)) + 1 + rng.bounded(255));
        return other + bytes.left(rng.bounded(int(bytes.size()) + 1));
    }
    default: {
        QByteArray noise;
        const int length = rng.bounded(30);
        for (int i = 0; i < length; ++i)
            noise.append(char(rng.bounded(256)));
        return noise;
    }
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
    int fails = 0;
    for (int i = 0; i < kIterations; ++i) {
        const int kind = rng.bounded(4);   // 0 ack, 1-3 reads of 1, 12, 16 bytes
        const bool read = kind != 0;
        const int count = kind == 1 ? 1 : kind == 2 ? 12 : 16;
        Frame f;
        if (!read)
            Msg_WrByte(f, AdrNumZon, i & 0xFF);
        else if (count == 1)
            Msg_RdByte(f, AdrNumZon);
        else if (count == 12)
            Msg_RdRel(f, 1 + i % 128);
        else
            Msg_RdText(f, AreaZon, 1 + i % 128);
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
            for (const QByteArray &chunk : std::as_const(chunks)) {
                taken += chunk;
                if (taken.size() >= 6)
                    break;
            }
            if (taken == ack())
                expected = QByteArray();
        }

        QTimer::singleShot(0, &comm, [&comm, chunks] {
            for (const QByteArray &chunk : chunks)
                comm.MSComm1().receiveBytes(chunk);
        });
        const QByteArray before = comm.DatosRx();
        const quint8 state = read ? comm.Wait_Answer() : comm.Wait_Ack();
        QVERIFY2(state == RxOk || state == RxFail, qPrintable(QStringLiteral("iteration %1").arg(i)));
        QVERIFY2((state == RxOk) == expected.has_value(),
                 qPrintable(QStringLiteral("iteration %1: %2 gave %3").arg(i).arg(QString::fromLatin1(input.toHex(' '))).arg(state)));
        QCOMPARE(comm.DatosRx(), state == RxOk && read ? *expected : before);
        (state == RxOk ? oks : fails)++;
    }
    qInfo("%d good replies, %d refused", oks, fails);
    QVERIFY(oks > kIterations / 10);
    QVERIFY(fails > kIterations / 3);
    comm.setReplyTimeout(FrmComm::ReplyTimeout);
    unloadFrmComm();
}

QTEST_GUILESS_MAIN(TestReplyFuzz)
#include "test_reply_fuzz.moc"
