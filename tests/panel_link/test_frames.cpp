// Request frames byte for byte, the memory map, the relay record and its mode
// byte, Windows-1252 texts and the recognition of the panel's replies.

#include "AppState.h"
#include "Cp1252.h"
#include "ModBas.h"
#include "ModCom.h"
#include "Seams.h"
#include "Strings.h"

#include <QSqlQuery>
#include <QtTest>

using namespace orb;

namespace {

QByteArray hex(const char *text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); }

} // namespace

class TestFrames : public QObject {
    Q_OBJECT
private slots:
    void workedFrames();
    void addressesAtTheEdges();
    void textPadding();
    void checksumWrapsAround();
    void clockFrameIgnoresAddressBytes();
    void readFramesAskForTheirCount();
    void dateOutsideTheYearByte();
    void modeByte();
    void relayRecordBytes();
    void relayRecordFromItsRow();
    void relayWithoutRowBuildsNoFrame();
    void cp1252Texts();
    void cp1252EveryByteRoundTrips();
    void acknowledgeRecognisedExactly();
    void readRepliesChecked_data();
    void readRepliesChecked();
    void badReadRepliesRefused();
};

void TestFrames::workedFrames()
{
    Frame f;
    Msg_WrByte(f, AdrNumZon, 8);
    QCOMPARE(f.bytes(), hex("10 C0 57 03 00 22 08 84"));
    QVERIFY(f.Completa);
    QCOMPARE(f.RThreshold, 0);

    Msg_RdByte(f, AdrNumZon);
    QCOMPARE(f.bytes(), hex("10 C0 52 03 00 22 01 78"));
    QCOMPARE(f.RThreshold, 8);

    Msg_WrText(f, AreaZon, 1, QStringLiteral("ETI ZONA ") + QString::number(1));
    QCOMPARE(f.bytes(), hex("10 C0 57 12 08 00 45 54 49 20 5A 4F 4E 41 20 31 20 20 20 20 20 20 BC"));
    QCOMPARE(f.RThreshold, 0);

    Msg_RdText(f, AreaZon, 5);
    QCOMPARE(f.bytes(), hex("10 C0 52 03 08 40 10 AD"));
    QCOMPARE(f.RThreshold, 23);

    Msg_RdRel(f, 3);
    QCOMPARE(f.bytes(), hex("10 C0 52 03 10 50 0C C1"));
    QCOMPARE(f.RThreshold, 19);

    RelayRecord r;
    r.TIP = 32;
    r.Mode = ModeByte(2, 1, 0, 2);
    QCOMPARE(r.Mode, quint8(0xAD));
    r.RMIN = 1;
    r.RSEC = 30;
    r.IL[0] = 1;
    r.FL[0] = 4;
    Msg_WrRel(f, 2, r);
    QCOMPARE(f.bytes(), hex("10 C0 57 0E 10 30 20 AD 01 1E 01 04 00 00 00 00 00 00 96"));

    Msg_Time(f, QTime(14, 5, 9));
    QVERIFY(f.isShort());
    QCOMPARE(f.bytes(), hex("10 C0 3A 03 0E 05 09 59"));
    QCOMPARE(f.shortBytes(), f.bytes());

    QVERIFY(Msg_Date(f, QDate(2026, 12, 5)));
    QCOMPARE(f.bytes(), hex("10 C0 3B 03 05 0C 1A 69"));
}

void TestFrames::addressesAtTheEdges()
{
    QCOMPARE(zoneLabel(128), 0x0FF0);
    QCOMPARE(relayLabel(128), 0x1FE0);
    QCOMPARE(AdrRecRel(128), 0x1FF0);
    QCOMPARE(AdrRecRel(1), 0x1010);
    QCOMPARE(textAddress(AreaAbs, AdrEtiIni), 0x0010);

    Frame f;
    Msg_RdText(f, AreaZon, 128);
    QCOMPARE(f.DirMemH, quint8(0x0F));
    QCOMPARE(f.DirMemL, quint8(0xF0));
    Msg_RdText(f, AreaRel, 128);
    QCOMPARE(f.bytes().mid(4, 2), hex("1F E0"));
    Msg_RdRel(f, 128);
    QCOMPARE(f.bytes().mid(4, 2), hex("1F F0"));
    Msg_WrByte(f, AdrNumZon, 1);
    QCOMPARE(f.bytes().mid(4, 2), hex("00 22"));
    Msg_RdText(f, AreaZon, 1);
    QCOMPARE(f.bytes().mid(4, 2), hex("08 00"));
    Msg_WrText(f, AreaAbs, AdrEtiIni, QStringLiteral("PANEL"));
    QCOMPARE(f.bytes().mid(4, 2), hex("00 10"));

    Set_MsgAdr(f, 0x1000, 0x0FF0);
    QCOMPARE(f.DirMemH, quint8(0x1F));
    QCOMPARE(f.DirMemL, quint8(0xF0));
}

void TestFrames::textPadding()
{
    Frame f;
    const QString sixteen = QStringLiteral("ABCDEFGHIJKLMNOP");
    Msg_WrText(f, AreaZon, 3, sixteen);
    QCOMPARE(f.DatosMsg, sixteen.toLatin1());
    QCOMPARE(f.LongMsg, quint8(18));

    Msg_WrText(f, AreaZon, 3, QStringLiteral("0123456789"));
    QCOMPARE(f.DatosMsg, QByteArray("0123456789      "));

    Msg_WrText(f, AreaRel, 7, QString());
    QCOMPARE(f.DatosMsg, QByteArray(16, ' '));
    QCOMPARE(f.bytes().size(), 23);

    // A longer text is cut so that the frame keeps its length.
    Msg_WrText(f, AreaZon, 3, sixteen + QStringLiteral("XYZ"));
    QCOMPARE(f.DatosMsg, sixteen.toLatin1());
    QCOMPARE(f.LongMsg, quint8(18));
    QCOMPARE(f.bytes().size(), 23);
}

void TestFrames::checksumWrapsAround()
{
    // 'W' + 3 + 0 + 0x22 + 0x84 = 0x100: the checksum is 0x00.
    Frame f;
    Msg_WrByte(f, AdrNumZon, 0x84);
    QCOMPARE(f.ChkSum, quint8(0x00));
    QCOMPARE(quint8(f.bytes().back()), quint8(0x00));
    // One more wraps to 0x01.
    Msg_WrByte(f, AdrNumZon, 0x85);
    QCOMPARE(f.ChkSum, quint8(0x01));

    // A sum below 16 is the checksum itself.
    Frame small;
    small.Funcion = 1;
    small.LongMsg = 3;
    small.DirMemH = 0;
    small.DirMemL = 2;
    small.DatosMsg = QByteArray(1, char(4));
    Calc_ChkSum(small);
    QCOMPARE(small.ChkSum, quint8(10));

    QCOMPARE(FrameChecksum(QByteArray(300, char(0xFF)), 0, 300), quint8((300 * 0xFF) % 256));
    QCOMPARE(FrameChecksum(hex("C0 10 57 81 06 DE"), 2, 5), quint8(0xDE));
}

void TestFrames::clockFrameIgnoresAddressBytes()
{
    Frame fresh;
    Msg_Time(fresh, QTime(14, 5, 9));

    Frame reused;
    Msg_RdRel(reused, 128);   // leaves address bytes 1F F0
    Msg_Time(reused, QTime(14, 5, 9));
    QCOMPARE(reused.ChkSum, fresh.ChkSum);
    QCOMPARE(reused.bytes(), fresh.bytes());
    // The address bytes stay in the state but are not part of the frame.
    QCOMPARE(reused.DirMemH, quint8(0x1F));
    QCOMPARE(reused.RThreshold, 0);
}

void TestFrames::readFramesAskForTheirCount()
{
    Frame f;
    Msg_RdByte(f, AdrIniNit);
    QCOMPARE(f.LongMsg, quint8(3));
    QCOMPARE(f.DatosMsg, QByteArray(1, char(1)));
    Msg_RdText(f, AreaAbs, AdrEtiIni);
    QCOMPARE(f.LongMsg, quint8(3));
    QCOMPARE(f.DatosMsg, QByteArray(1, char(16)));
    Msg_RdRel(f, 9);
    QCOMPARE(f.LongMsg, quint8(3));
    QCOMPARE(f.DatosMsg, QByteArray(1, char(12)));
    // A write after a read expects the acknowledge again.
    Msg_WrByte(f, AdrIniDia, 7);
    QCOMPARE(f.RThreshold, 0);
}

void TestFrames::dateOutsideTheYearByte()
{
    Frame f;
    QVERIFY(Msg_Date(f, QDate(2000, 1, 1)));
    QCOMPARE(f.DatosMsg, hex("01 01 00"));
    QVERIFY(Msg_Date(f, QDate(2255, 12, 31)));
    QCOMPARE(f.DatosMsg, hex("1F 0C FF"));
    QVERIFY(!Msg_Date(f, QDate(2256, 1, 1)));
    QVERIFY(!f.Completa);
    QVERIFY(!Msg_Date(f, QDate(1999, 12, 31)));
    QVERIFY(!f.Completa);
}

void TestFrames::modeByte()
{
    QCOMPARE(ModeByte(0, 0, 0, 0), quint8(0x00));
    QCOMPARE(ModeByte(2, 2, 2, 2), quint8(0xFF));
    QCOMPARE(ModeByte(1, 1, 1, 1), quint8(0xCC));
    QCOMPARE(ModeByte(3, 3, 3, 3), quint8(0x00));
    QCOMPARE(ModeByte(1, 0, 0, 0), quint8(0x80));
    QCOMPARE(ModeByte(0, 0, 2, 0), quint8(0x50));
    QCOMPARE(ModeByte(0, 2, 0, 0), quint8(0x0A));
    QCOMPARE(ModeByte(0, 0, 0, 1), quint8(0x04));
    QCOMPARE(ModeByte(-1, 7, 3, 1), quint8(0x04));

    QCOMPARE(decodeModeByte(0xAD), (ModeCodes{2, 1, 0, 2}));
    QCOMPARE(decodeModeByte(0xFF), (ModeCodes{2, 2, 2, 2}));
    QCOMPARE(decodeModeByte(0xCC), (ModeCodes{1, 1, 1, 1}));
    QCOMPARE(decodeModeByte(0x00), (ModeCodes{0, 0, 0, 0}));
    // A delayed bit without its active bit reads as not active.
    QCOMPARE(decodeModeByte(0x20), (ModeCodes{0, 0, 0, 0}));
    QCOMPARE(decodeModeByte(0x01), (ModeCodes{0, 0, 0, 0}));
    QCOMPARE(decodeModeByte(0x33), (ModeCodes{0, 0, 0, 0}));

    // Every combination of valid codes survives the round trip.
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b)
            for (int c = 0; c < 3; ++c)
                for (int d = 0; d < 3; ++d)
                    QCOMPARE(decodeModeByte(ModeByte(a, b, c, d)), (ModeCodes{a, b, c, d}));
}

void TestFrames::relayRecordBytes()
{
    const QByteArray bytes = hex("C6 AD 01 1E 01 04 05 09 0A 0B 7F 80");
    const auto r = RelayRecord::fromBytes(bytes);
    QVERIFY(r.has_value());
    QCOMPARE(r->TIP, quint8(0xC6));
    QCOMPARE(r->RSEC, quint8(30));
    QCOMPARE(r->IL[2], quint8(0x0A));
    QCOMPARE(r->FL[3], quint8(0x80));
    QCOMPARE(r->toBytes(), bytes);
    QVERIFY(!RelayRecord::fromBytes(bytes.left(11)).has_value());
    QVERIFY(!RelayRecord::fromBytes(bytes + 'x').has_value());
}

namespace {

bool openFreshDatabase()
{
    if (!Create_DB())
        return false;
    QSqlDatabase db = BaseDatos();
    db.setDatabaseName(workingDatabasePath());
    return db.open();
}

} // namespace

void TestFrames::relayRecordFromItsRow()
{
    QVERIFY(openFreshDatabase());
    appState().IdCon = 0;
    QSqlQuery insert(BaseDatos());
    QVERIFY(insert.prepare(QStringLiteral(
        "INSERT INTO CONFRELES (IDCON, IDREL, TIP, ETIREL, RMIN, RSEC, DDIA, DNOCH, PDIA, PNOCH, "
        "IL1, FL1, IL2, FL2, IL3, FL3, IL4, FL4) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")));
    const QVariantList row2 = {0, 2, 32, QStringLiteral("ETI RELE 2"), 1, 30, 2, 1, 0, 2, 1, 4, 0, 0, 0, 0, 0, 0};
    for (const QVariant &v : row2)
        insert.addBindValue(v);
    QVERIFY(insert.exec());
    // The same relay in another configuration is not taken.
    const QVariantList other = {5, 3, 16, QStringLiteral("X"), 0, 0, 1, 1, 1, 1, 9, 9, 9, 9, 9, 9, 9, 9};
    for (int i = 0; i < other.size(); ++i)
        insert.bindValue(i, other.at(i));
    QVERIFY(insert.exec());

    Frame f;
    QVERIFY(Msg_WrRel(f, 2));
    QVERIFY(f.Completa);
    QCOMPARE(f.bytes(), hex("10 C0 57 0E 10 30 20 AD 01 1E 01 04 00 00 00 00 00 00 96"));
    QVERIFY(!relayRecordFromDatabase(3).has_value());
    appState().IdCon = 5;
    QCOMPARE(relayRecordFromDatabase(3)->IL[3], quint8(9));
    appState().IdCon = 0;
    Close_DB();
}

void TestFrames::relayWithoutRowBuildsNoFrame()
{
    QVERIFY(openFreshDatabase());
    QStringList shown;
    QList<int> styles;
    QStringList titles;
    auto previous = setMsgBoxHandler([&](const QString &prompt, int style, const QString &title) {
        shown << prompt;
        styles << style;
        titles << title;
        return int(AnsOk);
    });
    appState().TituloMsg = QStringLiteral("left from another message");
    Frame f;
    Msg_WrByte(f, AdrNumZon, 8);
    QVERIFY(!Msg_WrRel(f, 7));
    QVERIFY(!f.Completa);
    QCOMPARE(shown, QStringList{Str(120)});
    QCOMPARE(appState().MensajeAux, Str(120));
    // An OK box under the application title, whatever TituloMsg holds.
    QCOMPARE(styles, QList<int>{int(MsgOk)});
    QCOMPARE(titles, QStringList{applicationTitle()});
    setMsgBoxHandler(previous);
    Close_DB();
}

void TestFrames::cp1252Texts()
{
    Frame f;
    Msg_WrText(f, AreaZon, 2, QStringLiteral("Año Ó 5€"));
    QCOMPARE(f.DatosMsg.left(8), hex("41 F1 6F 20 D3 20 35 80"));
    QCOMPARE(fromCp1252(f.DatosMsg), QStringLiteral("Año Ó 5€        "));

    QCOMPARE(toCp1252(QStringLiteral("ñÑçÇ")), hex("F1 D1 E7 C7"));
    QCOMPARE(fromCp1252(hex("80 8A 9C 9F 96 85")), QStringLiteral("€ŠœŸ–…"));
    QVERIFY(fitsCp1252(QStringLiteral("ZONA Ñandú 3 €")));
    QVERIFY(!fitsCp1252(QStringLiteral("ZONA Ж")));
    QVERIFY(!fitsCp1252(QStringLiteral("✓")));
    QCOMPARE(cp1252Byte(QChar(0x0100)), -1);
    // A character outside the code page goes out as "?", never dropped, so
    // the label keeps its 16 bytes.
    Msg_WrText(f, AreaZon, 2, QStringLiteral("ЖA"));
    QCOMPARE(f.DatosMsg, QByteArray("?A              "));
}

void TestFrames::cp1252EveryByteRoundTrips()
{
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    const QString text = fromCp1252(all);
    QCOMPARE(text.size(), 256);
    QVERIFY(fitsCp1252(text));
    QCOMPARE(toCp1252(text), all);
    QCOMPARE(text.at(0x80), QChar(0x20AC));
    QCOMPARE(text.at(0xA0), QChar(0xA0));
    QCOMPARE(text.at(0xFF), QChar(0xFF));
}

void TestFrames::acknowledgeRecognisedExactly()
{
    const QByteArray ack = hex("C0 10 57 81 06 DE");
    QCOMPARE(AckFrame(), ack);
    QCOMPARE(judgeReply(RxWaitAck, ack, 0, nullptr), RxOk);
    for (int extra = 0; extra < 256; extra += 51)
        QCOMPARE(judgeReply(RxWaitAck, ack + char(extra), 0, nullptr), RxFail);
    QCOMPARE(judgeReply(RxWaitAck, ack.left(5), 0, nullptr), RxFail);
    QCOMPARE(judgeReply(RxWaitAck, QByteArray(), 0, nullptr), RxFail);
    for (int i = 0; i < ack.size(); ++i) {
        for (int delta = 1; delta < 256; ++delta) {
            QByteArray changed = ack;
            changed[i] = char(quint8(changed.at(i)) + delta);
            QCOMPARE(judgeReply(RxWaitAck, changed, 0, nullptr), RxFail);
        }
    }
    // The negative acknowledge and an echo of the PC's own frame.
    QCOMPARE(judgeReply(RxWaitAck, hex("C0 10 57 81 15 ED"), 0, nullptr), RxFail);
    QCOMPARE(judgeReply(RxWaitAck, hex("10 C0 57 03 00 22 08 84"), 0, nullptr), RxFail);
    // Outside a wait nothing is judged.
    QCOMPARE(judgeReply(RxOk, hex("00"), 0, nullptr), RxOk);
    QCOMPARE(judgeReply(RxFail, ack, 0, nullptr), RxFail);
}

namespace {

QByteArray readReply(const QByteArray &data)
{
    QByteArray reply = hex("C0 10 52");
    reply.append(char(2 + data.size())).append(char(0x12)).append(char(0x34)).append(data);
    reply.append(char(FrameChecksum(reply, 2, reply.size())));
    return reply;
}

} // namespace

void TestFrames::readRepliesChecked_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("one byte") << hex("17");
    QTest::newRow("relay record") << hex("C6 AD 01 1E 01 04 05 09 0A 0B 7F 80");
    QTest::newRow("label with blanks") << QByteArray("ZONA 1          ");
    QTest::newRow("label of zeros") << QByteArray(16, '\0');
}

void TestFrames::readRepliesChecked()
{
    QFETCH(QByteArray, data);
    const QByteArray reply = readReply(data);
    QCOMPARE(reply.size(), readReplyLength(int(data.size())));
    QByteArray got = "old";
    QCOMPARE(judgeReply(RxWaitRead, reply, int(reply.size()), &got), RxOk);
    QCOMPARE(got, data);
}

void TestFrames::badReadRepliesRefused()
{
    const QByteArray data = QByteArray("ETI ZONA 5      ");
    const QByteArray good = readReply(data);
    QByteArray got = "old";

    QByteArray badSum = good;
    badSum[badSum.size() - 1] = char(quint8(badSum.back()) + 1);
    QCOMPARE(judgeReply(RxWaitRead, badSum, 23, &got), RxFail);
    QByteArray badData = good;
    badData[10] = 'X';
    QCOMPARE(judgeReply(RxWaitRead, badData, 23, &got), RxFail);
    // One byte more or less, even with a checksum that fits the bytes.
    QByteArray longer = good.left(22) + char(0);
    longer.append(char(FrameChecksum(longer, 2, longer.size())));
    QCOMPARE(judgeReply(RxWaitRead, longer, 23, &got), RxFail);
    QCOMPARE(judgeReply(RxWaitRead, good.left(22), 23, &got), RxFail);
    // The echo of a one-byte read frame has a fitting checksum but is the
    // PC's own frame, not the panel's reply.
    QCOMPARE(judgeReply(RxWaitRead, hex("10 C0 52 03 00 22 01 78"), 8, &got), RxFail);
    // A reply from another panel.
    QByteArray otherPanel = good;
    otherPanel[1] = char(0x20);
    QCOMPARE(judgeReply(RxWaitRead, otherPanel, 23, &got), RxFail);
    QCOMPARE(got, QByteArray("old"));
    // The acknowledge is no read reply.
    QCOMPARE(judgeReply(RxWaitRead, AckFrame(), 6, &got), RxFail);
}

QTEST_GUILESS_MAIN(TestFrames)
#include "test_frames.moc"
