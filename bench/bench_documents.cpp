// Time of storing a 128-zone, 128-relay configuration into a document and of
// opening that document into the working database. Runs in a temporary home
// so that it never touches the user's files. Prints milliseconds.
//
// Usage: bench_documents [repetitions]

#include "BenchSupport.h"
#include "AppState.h"
#include "Documents.h"
#include "ModBas.h"
#include "Seams.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {


} // namespace

int main(int argc, char **argv)
{
    orbbench::BenchHome home;
    QCoreApplication app(argc, argv);
    const int runs = orbbench::runsFrom(argc, argv, 20);
    if (!home.isValid() || !orbbench::openConfiguration(128, 128))
        return 1;
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
    orbbench::report("Save (store into document)", store);
    orbbench::report("Open (document to working)", open);
    orb::Close_DB();
    QFile::remove(orb::workingDatabasePath());
    return 0;
}
