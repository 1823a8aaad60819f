// Request frames byte for byte, the memory map, the relay record and its mode
// byte, Windows-1252 texts and the recognition of the panel's replies.

#include "AppState.h"
#include "Cp1252.h"
#include "ModBas.h"
#include "ModCom.h"
#include "Strings.h"
#include "ScriptedBoxes.h"
#include "TestConfiguration.h"

#include <QtTest>

using namespace orb;

namespace {

QByteArray hex(const char *text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); }

// The panel's reply to a read frame: its address, `data`, a correct
// checksum; `length` replaces the length byte when not 0.
QByteArray readReply(const QByteArray &request, const QByteArray &data, int length = 0)
{
    QByteArray reply = hex("C0 10 52");
    reply.append(char(length ? length : 2 + data.size())).append(request.mid(4, 2)).append(data);
    reply.append(char(FrameChecksum(reply, 2, reply.size())));
    return reply;
}

QByteArray request(void (*build)(Frame &, int), int argument)
{
    Frame f;
    build(f, argument);
    return f.bytes();
}

} // namespace

class TestFrames : public QObject {
    Q_OBJECT
private slots:
    void workedFrames();
    void addressesAtTheEdges();
    void textsAreCutAndEncoded();
    void checksumWrapsAround();
    void modeByte();
    void relayRecordFromBytesAndRows();
    void relayWithoutRowBuildsNoFrame();
    void repliesJudged_data();
    void repliesJudged();

private:
    ScriptedBoxes m_boxes;
};

void TestFrames::workedFrames()
{
    // One frame value reused throughout, as the transfers do: nothing of one
    // frame may leak into the next (the clock frames carry no address).
    Frame f;
    Msg_WrByte(f, AdrNumZon, 8);
    QCOMPARE(f.bytes(), hex("10 C0 57 03 00 22 08 84"));
    QVERIFY(f.Completa);

    Msg_RdByte(f, AdrNumZon);
    QCOMPARE(f.bytes(), hex("10 C0 52 03 00 22 01 78"));

    Msg_WrText(f, AreaZon, 1, QStringLiteral("ETI ZONA ") + QString::number(1));
    QCOMPARE(f.bytes(), hex("10 C0 57 12 08 00 45 54 49 20 5A 4F 4E 41 20 31 20 20 20 20 20 20 BC"));

    Msg_RdText(f, AreaZon, 5);
    QCOMPARE(f.bytes(), hex("10 C0 52 03 08 40 10 AD"));

    Msg_RdRel(f, 3);
    QCOMPARE(f.bytes(), hex("10 C0 52 03 10 50 0C C1"));

    RelayRecord r;
    r.TIP = 32;
    r.Mode = ModeByte(2, 1, 0, 2);
    r.RMIN = 1;
    r.RSEC = 30;
    r.IL[0] = 1;
    r.FL[0] = 4;
    Msg_WrRel(f, 2, r);
    QCOMPARE(f.bytes(), hex("10 C0 57 0E 10 30 20 AD 01 1E 01 04 00 00 00 00 00 00 96"));

    Msg_Time(f, QTime(14, 5, 9));
    QCOMPARE(f.bytes(), hex("10 C0 3A 03 0E 05 09 59"));

    QVERIFY(Msg_Date(f, QDate(2026, 12, 5)));
    QCOMPARE(f.bytes(), hex("10 C0 3B 03 05 0C 1A 69"));

    // The year byte holds 2000-2255; another year builds no frame.
    QVERIFY(Msg_Date(f, QDate(2255, 12, 31)));
    QCOMPARE(f.DatosMsg, hex("1F 0C FF"));
    QVERIFY(!Msg_Date(f, QDate(2256, 1, 1)));
    QVERIFY(!f.Completa);
}

void TestFrames::addressesAtTheEdges()
{
    Frame f;
    Msg_RdText(f, AreaZon, 128);
    QCOMPARE(f.bytes().mid(4, 2), hex("0F F0"));
    Msg_RdText(f, AreaRel, 128);
    QCOMPARE(f.bytes().mid(4, 2), hex("1F E0"));
    Msg_RdRel(f, 128);
    QCOMPARE(f.bytes().mid(4, 2), hex("1F F0"));
    Msg_WrByte(f, AdrNumZon, 1);
    QCOMPARE(f.bytes().mid(4, 2), hex("00 22"));
}

void TestFrames::textsAreCutAndEncoded()
{
    // A longer text is cut so that the frame keeps its length.
    Frame f;
    Msg_WrText(f, AreaZon, 3, QStringLiteral("ABCDEFGHIJKLMNOPXYZ"));
    QCOMPARE(f.DatosMsg, QByteArray("ABCDEFGHIJKLMNOP"));
    QCOMPARE(f.LongMsg, quint8(18));

    // One byte per character in Windows-1252, and back.
    Msg_WrText(f, AreaZon, 2, QStringLiteral("Año Ó 5€"));
    QCOMPARE(f.DatosMsg.left(8), hex("41 F1 6F 20 D3 20 35 80"));
    QCOMPARE(fromCp1252(hex("80 8A 9C 9F 96 85")), QStringLiteral("€ŠœŸ–…"));
    QVERIFY(fitsCp1252(QStringLiteral("ZONA Ñandú 3 €")));
    QVERIFY(!fitsCp1252(QStringLiteral("ZONA Ж")));
    // A character outside the code page goes out as "?", never dropped, so
    // the label keeps its 16 bytes.
    Msg_WrText(f, AreaZon, 2, QStringLiteral("ЖA"));
    QCOMPARE(f.DatosMsg, QByteArray("?A              "));

    // Every byte survives the round trip, the undefined ones included.
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    QCOMPARE(toCp1252(fromCp1252(all)), all);
}

void TestFrames::checksumWrapsAround()
{
    // 'W' + 3 + 0 + 0x22 + 0x84 = 0x100: the checksum is 0x00, one more 0x01.
    Frame f;
    Msg_WrByte(f, AdrNumZon, 0x84);
    QCOMPARE(quint8(f.bytes().back()), quint8(0x00));
    Msg_WrByte(f, AdrNumZon, 0x85);
    QCOMPARE(quint8(f.bytes().back()), quint8(0x01));
}

void TestFrames::modeByte()
{
    QCOMPARE(ModeByte(0, 0, 0, 0), quint8(0x00));
    QCOMPARE(ModeByte(2, 2, 2, 2), quint8(0xFF));
    QCOMPARE(ModeByte(1, 1, 1, 1), quint8(0xCC));
    QCOMPARE(ModeByte(3, 3, 3, 3), quint8(0x00));
    QCOMPARE(ModeByte(0, 0, 2, 0), quint8(0x50));
    QCOMPARE(decodeModeByte(0xAD), (ModeCodes{2, 1, 0, 2}));
    // A delayed bit without its active bit reads as not active.
    QCOMPARE(decodeModeByte(0x20), (ModeCodes{0, 0, 0, 0}));
    for (int n = 0; n < 81; ++n) {   // every combination of valid codes
        const ModeCodes codes{n % 3, n / 3 % 3, n / 9 % 3, n / 27};
        QCOMPARE(decodeModeByte(ModeByte(codes)), codes);
    }
}

void TestFrames::relayRecordFromBytesAndRows()
{
    const QByteArray bytes = hex("C6 AD 01 1E 01 04 05 09 0A 0B 7F 80");
    QCOMPARE(RelayRecord::fromBytes(bytes)->toBytes(), bytes);
    QVERIFY(!RelayRecord::fromBytes(bytes.left(11)).has_value());

    // The worked relay from its row; the same relay number in another
    // configuration is not taken.
    QVERIFY(orbtest::makeConfiguration(0, 0));
    const QString insert = QStringLiteral(
        "INSERT INTO CONFRELES (IDCON, IDREL, TIP, ETIREL, RMIN, RSEC, DDIA, DNOCH, PDIA, PNOCH, "
        "IL1, FL1, IL2, FL2, IL3, FL3, IL4, FL4) VALUES (?, ?, ?, 'R', ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    QVERIFY(orbtest::execBound(insert, {0, 2, 32, 1, 30, 2, 1, 0, 2, 1, 4, 0, 0, 0, 0, 0, 0}));
    QVERIFY(orbtest::execBound(insert, {5, 3, 16, 0, 0, 1, 1, 1, 1, 9, 9, 9, 9, 9, 9, 9, 9}));
    appState().IdCon = 0;
    Frame f;
    QVERIFY(Msg_WrRel(f, 2));
    QCOMPARE(f.bytes(), hex("10 C0 57 0E 10 30 20 AD 01 1E 01 04 00 00 00 00 00 00 96"));
    QVERIFY(!relayRecordFromDatabase(3).has_value());
    appState().IdCon = 5;
    QCOMPARE(relayRecordFromDatabase(3)->IL[3], quint8(9));
    Close_DB();
}

void TestFrames::relayWithoutRowBuildsNoFrame()
{
    QVERIFY(orbtest::makeConfiguration(0, 0));
    m_boxes.shown.clear();
    appState().TituloMsg = QStringLiteral("left from another message");
    Frame f;
    Msg_WrByte(f, AdrNumZon, 8);
    QVERIFY(!Msg_WrRel(f, 7));
    QVERIFY(!f.Completa);
    // An OK box under the application title, whatever TituloMsg holds.
    QCOMPARE(m_boxes.shown.size(), 1);
    QCOMPARE(m_boxes.shown.first().prompt, Str(120));
    QCOMPARE(m_boxes.shown.first().style, int(MsgOk));
    QCOMPARE(m_boxes.shown.first().title, applicationTitle());
    Close_DB();
}

void TestFrames::repliesJudged_data()
{
    QTest::addColumn<quint8>("state");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("request");   // the frame just sent
    QTest::addColumn<quint8>("result");
    QTest::addColumn<QByteArray>("data");      // what a good read reply carries
    QTest::addColumn<QByteArray>("kept");      // what still waits for more bytes
    const QByteArray ack = hex("C0 10 57 81 06 DE");
    const QByteArray write = hex("10 C0 57 03 00 22 08 84");
    const QByteArray none;
    QTest::newRow("acknowledge") << RxWaitAck << ack << write << RxOk << none << none;
    for (int i = 0; i < ack.size(); ++i) {
        QByteArray changed = ack;
        changed[i] = char(quint8(changed.at(i)) ^ (i == 3 ? 0xFF : 0x01));
        QTest::addRow("acknowledge, byte %d changed", i) << RxWaitAck << changed << write << RxFail << none << none;
    }
    QTest::newRow("acknowledge and one byte") << RxWaitAck << ack + '\0' << write << RxFail << none << none;
    QTest::newRow("acknowledge cut") << RxWaitAck << ack.left(5) << write << RxFail << none << none;
    QTest::newRow("echo of a write") << RxWaitAck << write << write << RxFail << none << none;

    const QByteArray one = request(Msg_RdByte, AdrNumZon);
    const QByteArray record = request(Msg_RdRel, 3);
    const QByteArray zone5 = request([](Frame &f, int z) { Msg_RdText(f, AreaZon, z); }, 5);
    const QByteArray bytes12 = hex("C6 AD 01 1E 01 04 05 09 0A 0B 7F 80");
    const QByteArray label("ETI ZONA 5      ");
    const QByteArray good = readReply(zone5, label);
    QTest::newRow("read of 1") << RxWaitRead << readReply(one, hex("17")) << one << RxOk << hex("17") << none;
    QTest::newRow("read of 12") << RxWaitRead << readReply(record, bytes12) << record << RxOk << bytes12 << none;
    QTest::newRow("read of 16") << RxWaitRead << good << zone5 << RxOk << label << none;
    // The reply is found after a late reply glued to it.
    QTest::newRow("late reply to zone 4 first")
        << RxWaitRead << readReply(request([](Frame &f, int z) { Msg_RdText(f, AreaZon, z); }, 4), label.left(15) + '4')
                             + good
        << zone5 << RxOk << label << none;
    // Not the reply: passed over, and the wait goes on.
    QByteArray bad = good;
    bad[22] = char(quint8(bad.back()) + 1);
    QTest::newRow("bad checksum") << RxWaitRead << bad << zone5 << RxWaitRead << none << none;
    bad = good;
    bad[1] = char(0x20);
    QTest::newRow("another panel") << RxWaitRead << bad << zone5 << RxWaitRead << none << none;
    QTest::newRow("reply to the relay count")
        << RxWaitRead << readReply(request(Msg_RdByte, AdrNumRel), hex("17")) << one << RxWaitRead << none << none;
    bad = hex("C0 10 57") + good.mid(3, 19);
    bad.append(char(FrameChecksum(bad, 2, bad.size())));
    QTest::newRow("function W") << RxWaitRead << bad << zone5 << RxWaitRead << none << none;
    QTest::newRow("length of 12") << RxWaitRead << readReply(zone5, label, 14) << zone5 << RxWaitRead << none << none;
    QTest::newRow("acknowledge for a read") << RxWaitRead << ack << one << RxWaitRead << none << none;
    // The echo of a one-byte read frame has a fitting checksum but is the
    // PC's own frame, not the panel's reply.
    QTest::newRow("echo of a read") << RxWaitRead << one << one << RxWaitRead << none << none;
    // The start of the reply waits for its rest.
    QTest::newRow("one byte less") << RxWaitRead << good.left(22) << zone5 << RxWaitRead << none << good.left(22);
    QTest::newRow("noise, then the start") << RxWaitRead << hex("C0 10 52 C0 10") << zone5 << RxWaitRead << none
                                           << hex("C0 10");
    QTest::newRow("not a read frame") << RxWaitRead << good << write << RxFail << none << none;
}

void TestFrames::repliesJudged()
{
    QFETCH(quint8, state);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, request);
    QFETCH(quint8, result);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, kept);
    QByteArray got = "old";
    QCOMPARE(judgeReply(state, &input, request, &got), result);
    QCOMPARE(got, data.isEmpty() ? QByteArray("old") : data);
    QCOMPARE(input, kept);
}

QTEST_GUILESS_MAIN(TestFrames)
#include "test_frames.moc"
