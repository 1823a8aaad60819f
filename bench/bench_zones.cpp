// The zone window on a 128-zone configuration: every zone label read from
// the simulated panel paced at 9600 baud 8N1, with the time taken against
// the time its bytes need on the line (10 bits a byte); and the time the
// window takes to open (made, filled from the working database, laid out
// and painted), the median of 20 openings. Runs in a temporary home so that
// it never touches the user's files.
//
// Usage: bench_zones

#include "BenchSupport.h"
#include "AppState.h"
#include "FrmComm.h"
#include "FrmZon.h"
#include "MdiHost.h"
#include "ModBas.h"
#include "PanelSim.h"
#include "Seams.h"
#include "Strings.h"
#include "ZoneRowsModel.h"
#include "ZoneTransfers.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMdiArea>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

class QuietView : public orb::ZoneTransferView, public orb::ProgressSink {
public:
    orb::ProgressSink &progress() override { return *this; }
    void setWindowEnabled(bool) override {}
    void goToZone(int) override {}
    void zoneDone() override {}
    void stopTicker() override {}
    void setCaption(const QString &) override {}
    void setLabel(const QString &) override {}
    void setRange(int) override {}
    void setValue(int) override {}
    void close() override {}
};

bool readAllZones(orb::test::PanelSim &sim)
{
    sim.setBaud(9600);
    sim.resetCounters();
    orb::ZoneRowsModel zones;
    zones.reload();
    QuietView view;
    QElapsedTimer timer;
    timer.start();
    const bool done = orb::transferAllZones(orb::ZoneDirection::Read, 128, zones, view);
    const double wall = timer.nsecsElapsed() / 1e9;
    qint64 bytes = 0;
    for (const QByteArray &frame : sim.receivedFrames())
        bytes += frame.size() + 7 + quint8(frame.at(6));   // the read and its reply
    const double wire = double(bytes) * 10.0 / 9600.0;
    std::printf("read all zone labels  frames %3lld  bytes %5lld  wall %6.3f s  wire %6.3f s  ratio %.3f\n",
                static_cast<long long>(sim.receivedFrames().size()), static_cast<long long>(bytes), wall, wire,
                wall / wire);
    return done && sim.receivedFrames().size() == 128;
}

void openTheWindow()
{
    QMdiArea area;
    area.resize(1024, 768);
    area.show();
    orb::setMdiArea(&area);
    std::vector<double> times;
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer timer;
        timer.start();
        orb::FrmZon *window = orb::FrmZon::showWindow();
        QCoreApplication::processEvents();
        times.push_back(timer.nsecsElapsed() / 1e6);
        orb::closeChildWindow(QStringLiteral("FrmZon"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        (void)window;
    }
    std::sort(times.begin(), times.end());
    std::printf("open the zone window on 128 zones  median %.1f ms  slowest %.1f ms\n", times[times.size() / 2],
                times.back());
    orb::setMdiArea(nullptr);
}

} // namespace

int main(int argc, char **argv)
{
    orbbench::BenchHome home;
    QApplication app(argc, argv);
    if (!home.isValid() || !orbbench::openConfiguration(128, 1))
        return 1;
    orb::setMsgBoxHandler([](const QString &prompt, int, const QString &) {
        if (prompt != orb::Str(432))
            std::fprintf(stderr, "message: %s\n", qPrintable(prompt));
        return int(orb::AnsOk);
    });
    orb::test::PanelSim sim;
    if (!sim.start()) {
        std::fprintf(stderr, "cannot start the simulated panel\n");
        return 1;
    }
    orb::test::pointCom1At(sim.devicePath());
    sim.setMemory(0x0800, QByteArray(128 * 16, 'Z'));

    const bool ok = readAllZones(sim);
    openTheWindow();
    orb::unloadFrmComm();
    orb::Close_DB();
    return ok ? 0 : 1;
}
