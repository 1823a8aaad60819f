// Time of one move of the relay window's navigator over a configuration of
// 128 relays: the relay shown is edited (its label) and stored, then the next
// one is loaded and shown. Runs in a temporary home so that it
// never touches the user's files. Prints milliseconds per move.
//
// Usage: bench_relays [passes]

#include "BenchSupport.h"
#include "AppState.h"
#include "FrmRel.h"
#include "ModBas.h"
#include "Seams.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char **argv)
{
    orbbench::BenchHome home;
    QApplication app(argc, argv);
    const int passes = orbbench::runsFrom(argc, argv, 5);
    if (!home.isValid() || !orbbench::openConfiguration(128, 128))
        return 1;

    orb::FrmRel *window = orb::FrmRel::showWindow();
    std::vector<double> moves;
    QElapsedTimer timer;
    for (int pass = 0; pass < passes; ++pass) {
        window->moveTo(orb::RelayNavigator::First);
        for (int relay = 1; relay < 128; ++relay) {
            // The edit is stored as it is made; counted with the move.
            timer.start();
            window->TxtEti()->setText(QStringLiteral("PASS %1 RELAY %2").arg(pass).arg(relay));
            if (!window->moveTo(orb::RelayNavigator::Next)) {
                std::fprintf(stderr, "the move from relay %d failed\n", relay);
                return 1;
            }
            moves.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
    }
    std::sort(moves.begin(), moves.end());
    std::printf("move with store and load     median %.2f ms  90%% %.2f ms  max %.2f ms  (%zu moves)\n",
                moves[moves.size() / 2], moves[moves.size() * 9 / 10], moves.back(), moves.size());
    window->close();
    orb::Close_DB();
    return 0;
}
