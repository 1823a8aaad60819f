// Request frames byte for byte, the relay record and its mode byte, and
// Windows-1252 texts; and the panel's replies: random byte strings, split at
// random points, fed to the receive side of a real wait, which never crashes
// or hangs and answers RxOk only for a well-formed reply to the frame sent,
// judged here from the protocol's own rules: the acknowledge exactly, or a
// read reply with the request's function, length and address anywhere among
// the bytes.

#include "AppState.h"
#include "Cp1252.h"
#include "FrmComm.h"
#include "ModBas.h"
#include "ModCom.h"
#include "PanelSim.h"
#include "Seams.h"
#include "TestConfiguration.h"

#include <QRandomGenerator>
#include <QtTest>
#include <optional>

using namespace orb;
using orb::test::PanelSim;

namespace {

QByteArray hex(const char *text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); }

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

class TestFrames : public QObject {
    Q_OBJECT
private slots:
    void framesByteForByte_data();
    void framesByteForByte();
    void textsAreCutAndEncoded();
    void modeByteAndRelayRecord();
    void randomRepliesNeverFool();
};

void TestFrames::framesByteForByte_data()
{
    QTest::addColumn<QByteArray>("built");
    QTest::addColumn<QByteArray>("expected");
    // One frame value reused throughout, as the transfers do: nothing of one
    // frame may leak into the next (the clock frames carry no address).
    Frame f;
    const auto row = [&f](const char *name, const char *expected) {
        QTest::newRow(name) << (f.Completa ? f.bytes() : QByteArray("incomplete")) << hex(expected);
    };
    Msg_WrByte(f, AdrNumZon, 8);
    row("zone count", "10 C0 57 03 00 22 08 84");
    // 'W' + 3 + 0 + 0x22 + 0x84 = 0x100.
    Msg_WrByte(f, AdrNumZon, 0x84);
    row("checksum wraps around", "10 C0 57 03 00 22 84 00");
    Msg_RdByte(f, AdrNumZon);
    row("read zone count", "10 C0 52 03 00 22 01 78");
    Msg_WrText(f, AreaZon, 1, QStringLiteral("ETI ZONA 1"));
    row("zone label", "10 C0 57 12 08 00 45 54 49 20 5A 4F 4E 41 20 31 20 20 20 20 20 20 BC");
    Msg_RdText(f, AreaZon, 5);
    row("read zone 5", "10 C0 52 03 08 40 10 AD");
    Msg_RdText(f, AreaZon, 128);
    row("read zone 128", "10 C0 52 03 0F F0 10 64");
    Msg_RdText(f, AreaRel, 128);
    row("read relay label 128", "10 C0 52 03 1F E0 10 64");
    Msg_RdRel(f, 3);
    row("read relay 3", "10 C0 52 03 10 50 0C C1");
    Msg_RdRel(f, 128);
    row("read relay 128", "10 C0 52 03 1F F0 0C 70");
    RelayRecord r;
    r.TIP = 32;
    r.Mode = ModeByte(2, 1, 0, 2);
    r.RMIN = 1;
    r.RSEC = 30;
    r.IL[0] = 1;
    r.FL[0] = 4;
    Msg_WrRel(f, 2, r);
    row("relay 2", "10 C0 57 0E 10 30 20 AD 01 1E 01 04 00 00 00 00 00 00 96");
    Msg_Time(f, QTime(14, 5, 9));
    row("time", "10 C0 3A 03 0E 05 09 59");
    Msg_Date(f, QDate(2026, 12, 5));
    row("date", "10 C0 3B 03 05 0C 1A 69");
    // The year byte holds 2000-2255; another year builds no frame.
    Msg_Date(f, QDate(2255, 12, 31));
    row("last year", "10 C0 3B 03 1F 0C FF 68");
    Msg_Date(f, QDate(2256, 1, 1));
    QTest::newRow("year 2256") << (f.Completa ? f.bytes() : QByteArray()) << QByteArray();
}

void TestFrames::framesByteForByte()
{
    QFETCH(QByteArray, built);
    QTEST(built, "expected");
}

void TestFrames::textsAreCutAndEncoded()
{
    // A longer text is cut so that the frame keeps its length.
    Frame f;
    Msg_WrText(f, AreaZon, 3, QStringLiteral("ABCDEFGHIJKLMNOPXYZ"));
    QCOMPARE(f.DatosMsg, QByteArray("ABCDEFGHIJKLMNOP"));
    QCOMPARE(f.LongMsg, quint8(18));
    // One byte per character in Windows-1252; a character outside the code
    // page goes out as "?", never dropped, so the label keeps its 16 bytes.
    Msg_WrText(f, AreaZon, 2, QStringLiteral("Año Ó 5€"));
    QCOMPARE(f.DatosMsg.left(8), hex("41 F1 6F 20 D3 20 35 80"));
    Msg_WrText(f, AreaZon, 2, QStringLiteral("ЖA"));
    QCOMPARE(f.DatosMsg, QByteArray("?A              "));
    // Every byte survives the round trip, the undefined ones included.
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    QCOMPARE(toCp1252(fromCp1252(all)), all);
    QCOMPARE(fromCp1252(hex("80 8A 9C 9F 96 85")), QStringLiteral("€ŠœŸ–…"));
}

void TestFrames::modeByteAndRelayRecord()
{
    for (int n = 0; n < 81; ++n) { // every combination of valid codes
        const ModeCodes codes{n % 3, n / 3 % 3, n / 9 % 3, n / 27};
        QCOMPARE(decodeModeByte(ModeByte(codes)), codes);
    }
    QCOMPARE(ModeByte(3, 3, 3, 3), quint8(0x00));
    // A delayed bit without its active bit reads as not active.
    QCOMPARE(decodeModeByte(0x20), (ModeCodes{0, 0, 0, 0}));

    const QByteArray bytes = hex("C6 AD 01 1E 01 04 05 09 0A 0B 7F 80");
    QCOMPARE(RelayRecord::fromBytes(bytes)->toBytes(), bytes);
    QVERIFY(!RelayRecord::fromBytes(bytes.left(11)).has_value());

    // The record from the relay's row; the same relay number in another
    // configuration is not taken.
    QVERIFY(orbtest::makeConfiguration(0, 0));
    const QString insert = QStringLiteral(
        "INSERT INTO CONFRELES (IDCON, IDREL, TIP, ETIREL, RMIN, RSEC, DDIA, DNOCH, PDIA, PNOCH, "
        "IL1, FL1, IL2, FL2, IL3, FL3, IL4, FL4) VALUES (?, ?, ?, 'R', ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    QVERIFY(orbtest::execBound(insert, {0, 2, 32, 1, 30, 2, 1, 0, 2, 1, 4, 0, 0, 0, 0, 0, 9}));
    QVERIFY(orbtest::execBound(insert, {5, 3, 16, 0, 0, 1, 1, 1, 1, 9, 9, 9, 9, 9, 9, 9, 9}));
    appState().IdCon = 0;
    QCOMPARE(relayRecordFromDatabase(2)->toBytes(), hex("20 AD 01 1E 01 04 00 00 00 00 00 09"));
    QVERIFY(!relayRecordFromDatabase(3).has_value());
    appState().IdCon = 5;
    QCOMPARE(relayRecordFromDatabase(3)->IL[3], quint8(9));
    Close_DB();
}

void TestFrames::randomRepliesNeverFool()
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

QTEST_GUILESS_MAIN(TestFrames)
#include "test_frames.moc"
