// Helper of the crash test: makes a 128-zone, 128-relay configuration in its
// own working database and stores it into the document given on the command
// line over and over, relabelling the whole configuration with a new
// generation number before each store, until it is killed. Writes one line
// "stored <generation>" to stdout after each completed store.
//
// Usage: test_documents_writer <document> <first generation>

#include "Documents.h"
#include "ModBas.h"
#include "Seams.h"
#include "test_documents_config.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: test_documents_writer <document> <first generation>\n");
        return 2;
    }
    const QString document = args.at(1);
    qint64 generation = args.at(2).toLongLong();

    orb::setMsgBoxHandler([](const QString &, int, const QString &) { return int(orb::AnsOk); });
    if (!orbtest::makeConfiguration(128, 128) || orb::Open_Conf() != orb::OpenResult::Opened) {
        std::fprintf(stderr, "cannot make the configuration\n");
        return 3;
    }
    for (;;) {
        if (!orbtest::relabel(generation)) {
            std::fprintf(stderr, "cannot relabel\n");
            return 4;
        }
        QString error;
        if (!orb::storeDocument(document, &error)) {
            std::fprintf(stderr, "store failed: %s\n", qPrintable(error));
            return 5;
        }
        std::printf("stored %lld\n", static_cast<long long>(generation));
        std::fflush(stdout);
        ++generation;
    }
}
