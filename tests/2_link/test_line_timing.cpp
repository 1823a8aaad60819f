// Whole transfers against a panel that runs on a thread of its own and puts
// bytes on a 9600 baud line at its own moments: while the program writes a
// frame, between two waits, at once. A quick panel is heard at its first
// try, even when the end of each write is reported late, as serial drivers
// that poll for it do. Stray bytes around read replies, a reply sent twice
// back to back, noise at several frames or before every one, a last answer
// sent again near the end of the watch after it, and bytes before the first
// good answer: each transfer ends "Communication Ending O.K." with exactly
// what the panel holds (a read in doubt read again), or "Comunication
// Error" with nothing changed, never "O.K." with anything wrong.

#include "FakeTransferHost.h"
#include "FrmComm.h"
#include "LineNoise.h"
#include "PanelSim.h"
#include "ScriptedBoxes.h"
#include "SmallPanel.h"
#include "Strings.h"
#include "TestConfiguration.h"
#include "TestHome.h"
#include "Transfers.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace orb;
using orb::test::PanelSim;
using Map = PanelSim;
using M = PanelSim::Misbehaviour;

namespace {

constexpr int kZones = 3, kRelays = 2;
// Frames of a whole transfer of the small panel when every answer is good.
constexpr int kFrames = 5 + kZones + 2 * kRelays;

enum class Ends {
    Done,      // "O.K." with exactly the panel's data, after `extra` frames more than the fewest
    Stopped,   // "Comunication Error", nothing changed
    Either,    // one or the other, never "O.K." with wrong data
};

struct Line {
    char command = 'R';                 // 'R' receive, 'W' send
    int answerMs = 0;                   // the panel's answer time
    int lateEndMs = 0;                  // the end of each write is reported up to this late
    M what = M::Silent;
    QList<int> at = {};                 // addresses of the items that misbehave once each
    bool always = false;                // or every frame misbehaves
    int gap = 0;                        // gap of a second copy or of noise
    int glitchAtFrame = 0;              // an answer's worth of stray bytes just before this frame goes
    bool strayBeforeEvery = false;      // a stray byte just before every frame
    Ends ends = Ends::Done;
    int extra = 0;                      // frames beyond the fewest a good panel needs, at least
    bool exactly = false;               // ...and no more
};

} // namespace

Q_DECLARE_METATYPE(Line)

class TestLineTiming : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void transfers_data();
    void transfers();

private:
    std::unique_ptr<PanelSim> m_sim;
    ScriptedBoxes m_boxes;
};

void TestLineTiming::init()
{
    appState() = AppState{};
    m_boxes.shown.clear();
    m_sim = std::make_unique<PanelSim>();
    QVERIFY(m_sim->start());
    orb::test::pointCom1At(m_sim->devicePath());
    m_sim->setBaud(9600);
    frmComm().setReplyTimeout(300);
}

void TestLineTiming::cleanup()
{
    frmComm().setLineObserver(nullptr);
    frmComm().MSComm1().setWriteEndDelay(nullptr);
    frmComm().Form_Unload();
    m_sim.reset();
    Close_DB();
    QFile::remove(workingDatabasePath());
}

void TestLineTiming::transfers_data()
{
    QTest::addColumn<Line>("line");
    const auto row = [](const char *name, Line line) { QTest::newRow(name) << line; };
    // A panel that answers at once, or within a few milliseconds, while the
    // PC learns late that its frame has left: every answer heard at its
    // first try.
    row("receive, answers at once", {.exactly = true});
    row("receive, answers at once, end of write late", {.lateEndMs = 8, .exactly = true});
    row("receive, answers after 1 ms, end of write late", {.answerMs = 1, .lateEndMs = 8, .exactly = true});
    row("receive, answers after 3 ms, end of write late", {.answerMs = 3, .lateEndMs = 8, .exactly = true});
    row("send, answers at once, end of write late", {.command = 'W', .lateEndMs = 8, .exactly = true});
    // A stray byte just before a read reply, which passes the checksum one
    // byte early; the reply's real last byte comes after it.
    row("receive, stray byte before a zone label", {.answerMs = 2, .what = M::StrayBefore, .at = {Map::zoneLabel(2)}, .extra = 1});
    row("receive, stray byte before a relay record", {.answerMs = 2, .what = M::StrayBefore, .at = {Map::relayRecord(1)}, .extra = 1});
    row("receive, stray byte before the last reply", {.answerMs = 2, .what = M::StrayBefore, .at = {Map::relayRecord(2)}, .extra = 1});
    // A read reply sent twice back to back, split by the next frame.
    for (const int answerMs : {0, 1, 2, 4}) {
        const QByteArray name = "receive, zone label sent twice back to back, answers after " + QByteArray::number(answerMs) + " ms";
        row(name.constData(), {.answerMs = answerMs, .what = M::Doubled, .at = {Map::zoneLabel(1)}, .ends = Ends::Either});
    }
    // Noise at several frames of one sequence, and before every frame.
    row("receive, noise after three answers", {.answerMs = 2, .what = M::NoiseAfter,
        .at = {Map::kRelayCount, Map::zoneLabel(2), Map::relayLabel(1)}, .gap = 1, .extra = 3});
    row("receive, noise after every answer", {.answerMs = 2, .what = M::NoiseAfter, .always = true, .gap = 1, .ends = Ends::Stopped});
    row("receive, a stray byte before every frame", {.answerMs = 2, .strayBeforeEvery = true, .ends = Ends::Stopped});
    row("send, a stray byte before every frame", {.command = 'W', .answerMs = 2, .strayBeforeEvery = true, .exactly = true});
    // A last answer sent again just within the watch after it: only the
    // watch going on once bytes come sees the whole of it.
    row("send, last acknowledge again 45 ms later", {.command = 'W', .what = M::Doubled, .at = {Map::relayRecord(2)}, .gap = 45, .ends = Ends::Stopped});
    row("receive, last reply again 55 ms later", {.what = M::Doubled, .at = {Map::relayRecord(2)}, .gap = 55, .ends = Ends::Stopped});
    // Before the first good answer nothing taken can have moved: a glitch
    // when the port opens, an answer's worth before the first frame is sent
    // again (a reply that came after its drain).
    row("receive, glitch when the port opens", {.answerMs = 2, .glitchAtFrame = 1, .exactly = true});
    row("receive, a reply after its drain", {.answerMs = 2, .at = {Map::kZoneCount}, .glitchAtFrame = 2, .extra = 1, .exactly = true});
    row("send, a reply after its drain", {.command = 'W', .answerMs = 2, .at = {Map::kZoneCount}, .glitchAtFrame = 2, .extra = 1, .exactly = true});
}

void TestLineTiming::transfers()
{
    QFETCH(Line, line);
    QVERIFY(orbtest::makeConfiguration(kZones, kRelays));
    QCOMPARE(Open_Conf(), OpenResult::Opened);
    if (line.command == 'R')
        orbtest::setUpSmallPanel(*m_sim, kZones, kRelays);
    m_sim->setAnswerDelayMs(line.answerMs);
    m_sim->setDoubleGapMs(line.gap);
    for (const int address : line.at)
        m_sim->misbehave(line.what, 1, address);
    if (line.always)
        m_sim->misbehave(line.what, PanelSim::kAlways);
    // The pseudo-terminal takes a frame at once: its end is reported when
    // a real line at 9600 baud would have taken it out, and later still
    // when asked.
    frmComm().MSComm1().setWriteEndDelay(
        [late = line.lateEndMs, random = QRandomGenerator(20261207)](qsizetype bytes) mutable {
            return std::chrono::microseconds(bytes * 10'000'000 / 9600 + random.bounded(late * 1000 + 1));
        });
    if (line.glitchAtFrame > 0)
        frmComm().setLineObserver([this, at = line.glitchAtFrame, frames = 0](FrmComm::LineStep step) mutable {
            if (step == FrmComm::LineStep::BeforeWrite && ++frames == at)
                m_sim->sendRaw(QByteArray(30, PanelSim::kStray));
        });

    if (line.strayBeforeEvery)
        orbtest::strayBeforeEveryFrame(frmComm(), *m_sim);

    const QStringList before = orbtest::everyRow();
    const QByteArray image = orbtest::expectedImage();
    orbtest::FakeHost host;
    (line.command == 'R' ? Rec_AllConf : Send_AllConf)(host);

    QCOMPARE(m_boxes.shown.size(), 1);
    const QString prompt = m_boxes.shown.first().prompt;
    const bool done = prompt.startsWith(Str(432));
    QVERIFY2(done || prompt.startsWith(Str(405)), qPrintable(prompt));
    if (line.ends != Ends::Either)
        QVERIFY2(done == (line.ends == Ends::Done), qPrintable(prompt));
    if (!done) {
        QCOMPARE(orbtest::everyRow(), before);
        return;
    }
    if (line.command == 'R')
        QCOMPARE(orbtest::storedConfiguration(), orbtest::smallPanelStored(kZones, kRelays));
    else
        QCOMPARE(m_sim->memory(0, Map::kMemorySize), image);
    const int frames = m_sim->framesReceived(line.command);
    QVERIFY2(line.exactly ? frames == kFrames + line.extra : frames >= kFrames + line.extra, qPrintable(QString::number(frames)));
}

ORB_TEST_GUILESS_MAIN(TestLineTiming)
#include "test_line_timing.moc"
