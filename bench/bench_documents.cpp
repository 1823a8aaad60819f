// Time of storing a 128-zone, 128-relay configuration into a document and of
// opening that document into the working database. Runs in a temporary home
// so that it never touches the user's files. Prints milliseconds.
//
// Usage: bench_documents [repetitions]

#include "AppState.h"
#include "Documents.h"
#include "ModBas.h"
#include "Seams.h"
#include "TestConfiguration.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

bool makeConfiguration()
{
    return orbtest::makeConfiguration(128, 128, QStringLiteral("Bench"))
           && orb::Open_Conf() == orb::OpenResult::Opened;
}

void report(const char *what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    std::printf("%-28s median %.2f ms  min %.2f ms  max %.2f ms  (%zu runs)\n", what, ms[ms.size() / 2], ms.front(),
                ms.back(), ms.size());
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 20;
    // The new database has no general row yet when it is first opened; that
    // message is expected and not shown.
    orb::setMsgBoxHandler([](const QString &, int, const QString &) { return int(orb::AnsOk); });

    if (!makeConfiguration()) {
        std::fprintf(stderr, "cannot make the configuration\n");
        return 1;
    }
    const QString document = home.filePath(QStringLiteral("Bench.vcs"));
    std::vector<double> store, open;
    QElapsedTimer timer;
    for (int i = 0; i < runs; ++i) {
        QString error;
        timer.start();
        if (!orb::storeDocument(document, &error)) {
            std::fprintf(stderr, "store failed: %s\n", qPrintable(error));
            return 1;
        }
        store.push_back(timer.nsecsElapsed() / 1e6);
    }
    for (int i = 0; i < runs; ++i) {
        QString error;
        timer.start();
        if (orb::openDocument(document, &error) != orb::OpenDocumentResult::Opened) {
            std::fprintf(stderr, "open failed: %s\n", qPrintable(error));
            return 1;
        }
        open.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("document of 128 zones and 128 relays: %lld bytes\n",
                static_cast<long long>(QFileInfo(document).size()));
    report("Save (store into document)", store);
    report("Open (document to working)", open);
    orb::Close_DB();
    QFile::remove(orb::workingDatabasePath());
    return 0;
}
