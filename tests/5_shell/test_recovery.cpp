// Start-up: the restore question after an unclean end (asked before the main
// window shows, once), what Yes and No do with good and broken working
// databases and after a New killed at each of its steps (a child process of
// this test), and the one-copy-per-user lock.

#include "FrmWel.h"
#include "InstanceLock.h"
#include "MainWindowFixture.h"
#include "SettingsStore.h"
#include "TestHome.h"

#include <csignal>

namespace {

// The child of the killed New: New of a 128-zone, 128-relay configuration
// over the working database as it lies (opened first unless it must stay as
// it lies), killed just before `operation` on the file named `fileName`;
// with `hot`, once a write into the new database has spilled into its file.
int newKilledAt(const QString &operation, const QString &fileName, bool hot, bool open)
{
    if (open && Open_Conf() == OpenResult::Opened)
        appState().ConfCargada = true;
    setDatabaseFileHook([&](const char *op, const QString &path) {
        if (operation != QLatin1String(op) || QFileInfo(path).fileName() != fileName)
            return;
        if (hot) {
            QSqlQuery q(BaseDatos());
            if (!q.exec(QStringLiteral("PRAGMA cache_size = 1")) || !BaseDatos().transaction()
                || !q.exec(QStringLiteral("UPDATE CONFZONAS SET ETIZON = 'NUEVA'"))
                || !q.exec(QStringLiteral("UPDATE CONFRELES SET ETIREL = 'NUEVA'")))
                std::_Exit(4);
        }
        std::raise(SIGKILL);
    });
    createConfiguration({"Nueva", "128", "128", "8", "20", "NUEVA"});
    return 3; // never killed
}

} // namespace

class TestRecovery : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void restoreAfterAKilledNewGivesBackTheOpenConfiguration_data();
    void restoreAfterAKilledNewGivesBackTheOpenConfiguration();
    void yesThatCannotRestoreGoesOnAndAsksAgain_data();
    void yesThatCannotRestoreGoesOnAndAsksAgain();
    void questionComesOnceBeforeTheMainWindowShows();
    void unwritableSettingsStillLeadToTheRestore();
    void secondInstanceIsRefusedUntilTheFirstEnds();

private:
    std::unique_ptr<ScriptedBoxes> m_boxes;
};

void TestRecovery::init()
{
    // Nothing a failed earlier run left behind counts.
    appState() = AppState{};
    setCurrentLanguage(Language::English);
    clearWorkingMarks();
    QDir(openSettingsStore()->fileName()).removeRecursively();
    for (const QString &path :
         {workingDatabasePath(), previousDatabasePath(), marksBesideDatabasePath(), InstanceLock::lockPath()})
        QFile::remove(path);
    m_boxes = std::make_unique<ScriptedBoxes>();
}

void TestRecovery::cleanup()
{
    m_boxes.reset();
    Close_DB();
}

void TestRecovery::restoreAfterAKilledNewGivesBackTheOpenConfiguration_data()
{
    QTest::addColumn<bool>("ownJournal"); // the working database left with a hot journal of its own
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("fileName"); // New is killed just before this operation on it
    QTest::addColumn<bool>("hot");         // while the new database is being written
    QTest::addColumn<int>("answer");
    const QString working = QStringLiteral("Vuvurov.mdb");
    const QString previous = QStringLiteral("Vuvurov.mdb.prev");
    QTest::newRow("before the set-aside") << false << "rename" << working << false << int(AnsYes);
    QTest::newRow("previous aside, new one written") << false << "remove" << previous << false << int(AnsYes);
    QTest::newRow("previous aside, new one being written") << false << "remove" << previous << true << int(AnsYes);
    QTest::newRow("own journal, halfway aside") << true << "rename" << working + "-journal" << false << int(AnsYes);
    QTest::newRow("own journal, previous aside, new one being written")
        << true << "remove" << previous + "-journal" << true << int(AnsYes);
    QTest::newRow("new one being written, answered No") << false << "remove" << previous << true << int(AnsNo);
}

void TestRecovery::restoreAfterAKilledNewGivesBackTheOpenConfiguration()
{
    QFETCH(bool, ownJournal);
    QFETCH(QString, operation);
    QFETCH(QString, fileName);
    QFETCH(bool, hot);
    QFETCH(int, answer);
    // The configuration that was open, with its own labels; an own journal
    // holds an edit that never completed, which must be undone.
    QVERIFY(makeConfiguration(128, 128, QStringLiteral("Before")));
    QVERIFY(execBound(QStringLiteral("UPDATE CONFZONAS SET ETIZON = 'ANTES ' || IDZON")));
    Close_DB();
    writeWorkingMarks(QStringLiteral("/plans/Hotel.vcs"), QStringLiteral("Hotel.vcs"));
    if (ownJournal)
        QVERIFY(leaveHotJournal(workingDatabasePath(), QStringLiteral("UPDATE CONFZONAS SET ETIZON = 'A MEDIAS'; "
                                                                      "UPDATE CONFRELES SET ETIREL = 'A MEDIAS'")));

    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--new-killed-at"), operation, fileName, QString::number(hot),
                 QString::number(!ownJournal)});
    QVERIFY(child.waitForFinished(60000));
    QVERIFY2(child.exitStatus() == QProcess::CrashExit, "New was not killed");

    appState() = AppState{};
    m_boxes->answers = {answer};
    if (answer == AnsNo) {
        // Nothing is left to come back later over another configuration.
        QCOMPARE(restoreUnsaved(), RestoreOutcome::Declined);
        QVERIFY(!QFile::exists(previousDatabasePath()));
        return;
    }
    QCOMPARE(restoreUnsaved(), RestoreOutcome::Restored);
    QCOMPARE(appState().NomCon, QStringLiteral("Before"));
    QCOMPARE(rows(QStringLiteral("PRAGMA integrity_check")), QStringList(QStringLiteral("ok")));
    QCOMPARE(rows(QStringLiteral("SELECT (SELECT count(*) FROM CONFZONAS WHERE ETIZON = 'ANTES ' || IDZON), "
                                 "(SELECT count(*) FROM CONFRELES WHERE ETIREL = 'ETI RELE ' || IDREL)")),
             QStringList(QStringLiteral("128|128")));
    const QStringList left = QDir(dataFolder()).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(left.filter(QRegularExpression(QStringLiteral("prev|journal|wal$|shm$"))), QStringList());
}

void TestRecovery::yesThatCannotRestoreGoesOnAndAsksAgain_data()
{
    QTest::addColumn<bool>("garbage");
    QTest::newRow("not a database") << true;
    QTest::newRow("no general row") << false;
}

void TestRecovery::yesThatCannotRestoreGoesOnAndAsksAgain()
{
    QFETCH(bool, garbage);
    QFile broken(workingDatabasePath());
    QVERIFY(garbage ? broken.open(QIODevice::WriteOnly) && broken.write(QByteArray(999, 'x')) > 0 : Create_DB());
    broken.close();
    writeWorkingMarks(QStringLiteral("/plans/Hotel.vcs"), QStringLiteral("Hotel.vcs"));
    m_boxes->answers = {AnsYes};
    {
        FrmMain main;
        main.load();
        // The question, and the failure as opening the working database
        // reports it (its texts are the working database's own test).
        QCOMPARE(m_boxes->shown.size(), 2);
        // The program goes on with nothing open; an orderly end keeps the
        // database and the marks for the next start.
        QVERIFY(!appState().ConfCargada && !appState().ConfModif && !appState().ConfRecup);
        main.show();
        QVERIFY(main.close());
    }
    // The marks stay, so the question comes again; No forgets them, opens
    // nothing and leaves the database. The next start asks nothing.
    m_boxes->shown.clear();
    QCOMPARE(restoreUnsaved(), RestoreOutcome::Declined);
    QCOMPARE(restoreUnsaved(), RestoreOutcome::NothingToRestore);
    QCOMPARE(m_boxes->shown.size(), 1);
    QVERIFY(!appState().ConfCargada && readWorkingMarks().file.isEmpty());
    QVERIFY(QFile::exists(workingDatabasePath()));
}

void TestRecovery::questionComesOnceBeforeTheMainWindowShows()
{
    // A working database left by an unclean end, and the marks that name it.
    QVERIFY(makeConfiguration(1, 4, QStringLiteral("Plaza")));
    Close_DB();
    writeWorkingMarks(QStringLiteral("/plans/Plaza.vcs"), QStringLiteral("Plaza.vcs"));
    FrmMain main;
    FrmWel splash(main);
    bool askedOverTheSplashAlone = false;
    m_boxes->answers = {AnsYes};
    m_boxes->onShow = [&](const ShownBox &) {
        askedOverTheSplashAlone = splash.isVisible() && !main.isVisible();
        splash.TimIni_Timer();   // a further timer event while the question waits
    };
    splash.start();
    // The timer's own event runs the start-up.
    QVERIFY(QTest::qWaitFor([&splash] { return splash.started(); }, 10000));
    QVERIFY(askedOverTheSplashAlone);
    QVERIFY(main.isVisible() && !splash.isVisible());
    QVERIFY(main.windowState() & Qt::WindowMaximized);
    splash.TimIni_Timer();
    QCOMPARE(m_boxes->shown.size(), 1);
    QCOMPARE(m_boxes->shown.first().prompt, Str(1042));
    QCOMPARE(m_boxes->shown.first().style, int(MsgYesNoExclamation));

    // Yes restores it as changed, and the marks stay where later runs look
    // for them.
    QVERIFY(appState().ConfCargada && appState().ConfModif && appState().ConfRecup);
    QCOMPARE(main.windowTitle(), QStringLiteral("Plaza.vcs (Restored) - ") + Str(1109));
    QCOMPARE(main.LblCon(2)->text(), Str(4911) + QStringLiteral("1"));
    QCOMPARE(openSettingsStore()->value("Properties/WorkingFile").toString(), QStringLiteral("/plans/Plaza.vcs"));
    QCOMPARE(openSettingsStore()->value("Properties/WorkingName").toString(), QStringLiteral("Plaza.vcs"));
}

void TestRecovery::unwritableSettingsStillLeadToTheRestore()
{
    // A folder where the settings file belongs: nobody, root included, can
    // write the file.
    const QString settingsFile = openSettingsStore()->fileName();
    QFile::remove(settingsFile);
    QVERIFY(QDir().mkpath(settingsFile));

    // New says once which file cannot be written; a further write of the
    // marks in the same run says nothing more.
    QVERIFY(createConfiguration({"Plaza", "3", "2", "8", "20", "PLAZA"}));
    QCOMPARE(m_boxes->shown.size(), 1);
    QVERIFY(m_boxes->shown.first().prompt.contains(settingsFile));
    writeWorkingMarks(appState().WorkingFile, appState().WorkingName);
    QCOMPARE(m_boxes->shown.size(), 1);

    // The run ends uncleanly: its state is gone, its files stay. The next
    // start offers the configuration back.
    Close_DB();
    appState() = AppState{};
    m_boxes->shown.clear();
    m_boxes->answers = {AnsYes};
    QCOMPARE(restoreUnsaved(), RestoreOutcome::Restored);
    QCOMPARE(m_boxes->shown.first().prompt, Str(1042));
    QCOMPARE(appState().NomCon, QStringLiteral("Plaza"));
    // The orderly end forgets it: nothing to restore, the database gone.
    endOpenConfiguration();
    QCOMPARE(readWorkingMarks().file, QString());
    QVERIFY(!QFile::exists(workingDatabasePath()));

    // Once the settings can be written again they hold the marks, and the
    // program's own copy no longer stands in their way.
    QVERIFY(QDir(settingsFile).removeRecursively());
    writeWorkingMarks(QStringLiteral("/plans/Hotel.vcs"), QStringLiteral("Hotel.vcs"));
    QVERIFY(!QFile::exists(marksBesideDatabasePath()));
    QCOMPARE(openSettingsStore()->value("Properties/WorkingFile").toString(), QStringLiteral("/plans/Hotel.vcs"));
}

void TestRecovery::secondInstanceIsRefusedUntilTheFirstEnds()
{
    // The lock file of a killed process (this program and host, a process id
    // no process can have) is taken over.
    {
        QFile left(InstanceLock::lockPath());
        QVERIFY(left.open(QIODevice::WriteOnly));
        const QByteArray program = QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUtf8();
        left.write("99999999\n" + program + "\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    }
    auto first = std::make_unique<InstanceLock>();
    QVERIFY(acquireInstanceLock(*first));
    QCOMPARE(QFileInfo(InstanceLock::lockPath()).absolutePath(), QFileInfo(workingDatabasePath()).absolutePath());

    InstanceLock second;
    QVERIFY(!acquireInstanceLock(second));
    QCOMPARE(m_boxes->shown.size(), 1);
    QCOMPARE(m_boxes->shown.first().prompt, alreadyRunningMessage());
    QVERIFY(second.heldByAnother());

    first.reset();
    QVERIFY(acquireInstanceLock(second));
}

int main(int argc, char **argv)
{
    const orbtest::TestHome home;
    if (argc == 6 && qstrcmp(argv[1], "--new-killed-at") == 0) {
        QCoreApplication app(argc, argv);
        return newKilledAt(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), qstrcmp(argv[4], "1") == 0,
                           qstrcmp(argv[5], "1") == 0);
    }
    QApplication app(argc, argv);
    TestRecovery test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_recovery.moc"
