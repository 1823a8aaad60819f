// Time of one move of the relay window's navigator over a configuration of
// 128 relays: the relay shown is edited (its label) and stored, then the next
// one is loaded and shown. Runs in a temporary home so that it
// never touches the user's files. Prints milliseconds per move.
//
// Usage: bench_relays [passes]

#include "AppState.h"
#include "FrmRel.h"
#include "ModBas.h"
#include "Seams.h"
#include "TestConfiguration.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char **argv)
{
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int passes = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 5;
    // The new database has no general row yet when it is first opened; that
    // message is expected and not shown.
    orb::setMsgBoxHandler([](const QString &, int, const QString &) { return int(orb::AnsOk); });
    if (!orbtest::makeConfiguration(128, 128, QStringLiteral("Bench"))
        || orb::Open_Conf() != orb::OpenResult::Opened) {
        std::fprintf(stderr, "cannot make the configuration\n");
        return 1;
    }

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
