// A store killed at any moment leaves the document whole: a child process
// (this program, started with "--store-forever") stores a 128-zone, 128-relay
// configuration into one document over and over, relabelling all of it with
// a new generation before each store, and is killed (SIGKILL) at moments
// drawn from a fixed seed. After each kill the
// document must open, hold one configuration whose every row carries the same
// generation, never go back to an older generation, and at most the one
// temporary file the killed store was writing may be left beside it. The next
// store into the document removes that file.

#include "AppState.h"
#include "Documents.h"
#include "ModBas.h"
#include "Seams.h"
#include "test_documents_config.h"

#include <QProcess>
#include <cstdio>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

using namespace orb;
using namespace orbtest;

namespace {

constexpr int kKills = 30;
constexpr qint64 kGenerationsPerRound = 1000000;

QStringList tempFilesIn(const QString &folder)
{
    QStringList names = folderEntries(folder);
    names.removeAll(QStringLiteral("Planta.vcs"));
    return names;
}

// The child: makes the configuration in its own working database and stores
// it into the document over and over, a new generation each time, writing a
// line after each completed store, until it is killed.
int storeForever(const QString &document, qint64 generation)
{
    if (!makeConfiguration(128, 128) || Open_Conf() != OpenResult::Opened)
        return 3;
    for (;; ++generation) {
        QString error;
        if (!relabel(generation) || !storeDocument(document, &error)) {
            std::fprintf(stderr, "store failed: %s\n", qPrintable(error));
            return 4;
        }
        std::printf("stored %lld\n", static_cast<long long>(generation));
        std::fflush(stdout);
    }
}

} // namespace

class TestDocumentsCrash : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void killedStoresLeaveAWholeDocument();
};

void TestDocumentsCrash::initTestCase()
{
    setMsgBoxHandler([](const QString &prompt, int, const QString &) {
        qWarning("unexpected message: %s", qPrintable(prompt));
        return int(AnsOk);
    });
}

void TestDocumentsCrash::killedStoresLeaveAWholeDocument()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.filePath(QStringLiteral("docs"));
    QVERIFY(QDir().mkpath(folder));
    const QString document = folder + QStringLiteral("/Planta.vcs");

    const QRegularExpression tempName(QStringLiteral("^\\.Planta\\.vcs\\.[a-z0-9]{8}\\.orbtmp(-journal)?$"));
    QRandomGenerator random(20240611u);
    qint64 lastGeneration = -1;
    int killedMidStore = 0;
    for (int round = 0; round < kKills; ++round) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("child%1").arg(round)));

        QProcess child;
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--store-forever"), document, QString::number(qint64(round) * kGenerationsPerRound)});
        QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
        if (round == 0) {
            // The first round runs until a document exists.
            while (!child.canReadLine())
                QVERIFY2(child.waitForReadyRead(60000), "the writer stored nothing");
        } else {
            // Anywhere from the child's start-up to many stores in.
            QThread::usleep(random.bounded(0, 250000));
        }
        child.kill();
        QVERIFY(child.waitForFinished(60000));
        QVERIFY2(child.exitStatus() == QProcess::CrashExit,
                 qPrintable(QStringLiteral("the writer ended by itself with %1").arg(child.exitCode())));

        // At most the file being written and its journal.
        QSet<QString> written;
        for (const QString &name : tempFilesIn(folder)) {
            QVERIFY2(tempName.match(name).hasMatch(), qPrintable(name));
            written.insert(name.section(QLatin1Char('-'), 0, 0));
        }
        QVERIFY(written.size() <= 1);
        killedMidStore += int(written.size());

        QString error;
        QVERIFY2(validateDocument(document, &error), qPrintable(error));
        QCOMPARE(openDocument(document, &error), OpenDocumentResult::Opened);
        const QString name = appState().NomCon;
        QVERIFY2(name.startsWith(QLatin1String("GEN ")), qPrintable(name));
        const qint64 generation = name.mid(4).toLongLong();
        QVERIFY2(generation >= lastGeneration, "the document went back to an older configuration");
        lastGeneration = generation;
        // Opening checked that the document holds 128 zones and 128 relays.
        QCOMPARE(appState().NumZon, quint8(128));
        // Every label its generation's prefix and its number.
        QCOMPARE(rows("SELECT (SELECT count(*) FROM CONFZONAS WHERE ETIZON = ? || IDZON), "
                      "(SELECT count(*) FROM CONFRELES WHERE ETIREL = ? || IDREL)",
                      {zonePrefix(generation), relayPrefix(generation)}),
                 QStringList("128|128"));
    }
    qInfo("%d of %d kills left a temporary file behind; last generation %lld", killedMidStore, kKills,
          static_cast<long long>(lastGeneration));

    // The next store cleans up after the last kill, and only that: files
    // that merely look like its temporary files, or belong to another
    // document, stay.
    const QStringList others{QStringLiteral(".Other.vcs.k3j9x0a1.orbtmp"), QStringLiteral(".Planta.vcs.short.orbtmp"),
                             QStringLiteral("Pl.mdb"), QStringLiteral("Planta.vcs.k3j9x0a1.orbtmp")};
    for (const QString &other : others)
        QVERIFY(writeFile(folder + QLatin1Char('/') + other, other.toUtf8()));
    QString error;
    QVERIFY2(storeDocument(document, &error), qPrintable(error));
    QCOMPARE(tempFilesIn(folder), others);
    Close_DB();
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 4 && args.at(1) == QLatin1String("--store-forever"))
        return storeForever(args.at(2), args.at(3).toLongLong());
    TestDocumentsCrash test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_documents_crash.moc"
