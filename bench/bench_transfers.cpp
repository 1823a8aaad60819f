// Sends and receives a 128-zone, 128-relay configuration through the
// simulated panel and compares the time taken with the time the same bytes
// need on a 9600 baud 8N1 line (10 bits a byte). Twice: with the simulator
// pacing the line at 9600 baud both ways, and unpaced, which leaves only the
// program's own cost per frame. Runs in a temporary home so that it never
// touches the user's files.
//
// With "slow" it also times how long a receive and the clock command take to
// give up on a panel that never answers, and a receive on a panel that
// answers every frame 2.2 s late, against the real reply time (about two
// minutes in all).
//
// Usage: bench_transfers [slow]

#include "BenchSupport.h"
#include "AppState.h"
#include "FrmComm.h"
#include "ModBas.h"
#include "PanelSim.h"
#include "Seams.h"
#include "Strings.h"
#include "Transfers.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <cstdio>

namespace {

class NoProgress : public orb::ProgressSink {
public:
    void setCaption(const QString &) override {}
    void setLabel(const QString &) override {}
    void setRange(int) override {}
    void setValue(int) override {}
    void close() override {}
};

class QuietHost : public orb::TransferHost {
public:
    void setCommandsEnabled(bool) override {}
    void setWindowEnabled(bool) override {}
    void refreshConfiguration() override {}
    bool closeEditingWindows() override { return true; }
    bool storeTypedEdits() override { return true; }
    void closePortSettings() override {}
    orb::ProgressSink &progress() override { return m_progress; }

private:
    NoProgress m_progress;
};

struct Traffic {
    int frames = 0;
    qint64 toPanel = 0;
    qint64 fromPanel = 0;
};

// What crossed the line in the frames the simulator received: every write
// is answered by the 6-byte acknowledge, a read of N bytes by 7 + N bytes.
Traffic trafficOf(const orb::test::PanelSim &sim)
{
    Traffic t;
    for (const QByteArray &frame : sim.receivedFrames()) {
        ++t.frames;
        t.toPanel += frame.size();
        t.fromPanel += frame.at(2) == 'R' ? 7 + quint8(frame.at(6)) : 6;
    }
    return t;
}

bool run(const char *direction, bool paced, orb::test::PanelSim &sim, void (*command)(orb::TransferHost &))
{
    sim.setBaud(paced ? 9600 : 0);
    sim.resetCounters();
    QuietHost host;
    int completed = 0;
    orb::setMsgBoxHandler([&completed](const QString &prompt, int, const QString &) {
        if (prompt == orb::Str(432))
            ++completed;
        else
            std::fprintf(stderr, "message: %s\n", qPrintable(prompt));
        return int(orb::AnsOk);
    });
    QElapsedTimer timer;
    timer.start();
    command(host);
    const double wall = timer.nsecsElapsed() / 1e9;
    const Traffic t = trafficOf(sim);
    const double wire = double(t.toPanel + t.fromPanel) * 10.0 / 9600.0;
    std::printf("%-7s %-7s frames %3d  bytes to panel %5lld  from panel %5lld  wall %7.3f s  wire %6.3f s  "
                "ratio %.3f  per frame %.3f ms\n",
                direction, paced ? "paced" : "unpaced", t.frames, static_cast<long long>(t.toPanel),
                static_cast<long long>(t.fromPanel), wall, wire, wall / wire, wall * 1000.0 / t.frames);
    return completed == 1;
}

// Runs a command against a panel that misbehaves at every frame until it
// gives up; true when it ended with the failure message.
bool giveUp(const char *what, orb::test::PanelSim &sim, void (*command)(orb::TransferHost &))
{
    // The drain that a failed wait of the run before leaves has run out.
    QThread::msleep(orb::FrmComm::ReplyTimeout + 100);
    QuietHost host;
    int failed = 0;
    orb::setMsgBoxHandler([&failed](const QString &prompt, int, const QString &) {
        failed += prompt == orb::Str(405) ? 1 : 0;
        return int(orb::AnsOk);
    });
    QElapsedTimer timer;
    timer.start();
    command(host);
    const double wall = timer.nsecsElapsed() / 1e9;
    sim.clearMisbehaviours();
    std::printf("%-40s gives up after %6.2f s\n", what, wall);
    return failed == 1;
}

} // namespace

int main(int argc, char **argv)
{
    orbbench::BenchHome home;
    QCoreApplication app(argc, argv);
    if (!home.isValid() || !orbbench::openConfiguration(128, 128))
        return 1;
    orb::test::PanelSim sim;
    if (!sim.start()) {
        std::fprintf(stderr, "cannot start the simulated panel\n");
        return 1;
    }
    orb::test::pointCom1At(sim.devicePath());

    bool ok = true;
    for (const bool paced : {true, false}) {
        ok = run("send", paced, sim, orb::Send_AllConf) && ok;
        ok = run("receive", paced, sim, orb::Rec_AllConf) && ok;
    }
    if (argc > 1 && QByteArray(argv[1]) == "slow") {
        using M = orb::test::PanelSim::Misbehaviour;
        sim.setBaud(0);
        sim.misbehave(M::Silent, orb::test::PanelSim::kAlways);
        ok = giveUp("receive, panel never answers", sim, orb::Rec_AllConf) && ok;
        sim.misbehave(M::Silent, orb::test::PanelSim::kAlways);
        ok = giveUp("clock, panel never answers", sim, orb::SetPanelClock) && ok;
        sim.setLateDelayMs(2200);
        sim.misbehave(M::Late, orb::test::PanelSim::kAlways);
        ok = giveUp("receive, every answer 2.2 s late", sim, orb::Rec_AllConf) && ok;
    }
    orb::unloadFrmComm();
    orb::Close_DB();
    return ok ? 0 : 1;
}
