// Start-up: the restore question after an unclean end (asked before the main
// window shows, once), what Yes and No do with good and broken working
// databases and after New, Open and Save As killed at each of their file
// steps (a child process of this test), and the one-copy-per-user lock.

#include "DocumentCommands.h"
#include "FrmWel.h"
#include "InstanceLock.h"
#include "MainWindowFixture.h"
#include "SettingsStore.h"
#include "TestHome.h"

#include <csignal>
#include <cstdio>
#include <sys/resource.h>

namespace {

// What the document commands ask of a main window that is not there.
class NoWindows : public DocumentHost {
public:
    bool closeConfigurationWindows() override { return true; }
    bool storeTypedEdits() override { return true; }
    void refresh() override {}
    void showNewConfiguration() override {}
    void closeMainWindow() override {}
    bool waitingForPanel() const override { return false; }
};

// The child of the killed commands. Over the open configuration (opened
// first unless it must stay as it lies), it runs `command`: "new" (a
// 128-zone, 128-relay configuration), "full" (the same on a disk that takes
// a few pages only), "open" (Otra.vcs of `folder`) or "saveas" (as
// Copia.vcs in `folder`); it is killed just before `operation` on the file
// whose name ends in `fileName` (with `hot`, once a write into the new
// database has spilled into its file), or once the command is over
// ("after"). The messages it shows go to its output.
int commandKilledAt(const QString &command, const QString &operation, const QString &fileName, bool hot, bool open,
                    const QString &folder)
{
    setCurrentLanguage(Language::English);
    AppState &s = appState();
    if (open && Open_Conf() == OpenResult::Opened) {
        s.ConfCargada = true;
        s.WorkingFile = readWorkingMarks().file;
        s.WorkingName = readWorkingMarks().name;
    }
    setMsgBoxHandler([](const QString &prompt, int, const QString &) {
        std::printf("%s\n", qPrintable(prompt));
        std::fflush(stdout);
        return int(AnsYes);
    });
    setDatabaseFileHook([&](const char *op, const QString &path) {
        if (operation != QLatin1String(op) || !QFileInfo(path).fileName().endsWith(fileName))
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
    const QString document = folder + (command == QLatin1String("open") ? "/Otra.vcs" : "/Copia.vcs");
    setFileDialogHandler([&document](const FileDialogRequest &) { return document; });
    DocumentCommands commands(std::make_unique<NoWindows>());
    if (command == QLatin1String("open")) {
        commands.Open();
    } else if (command == QLatin1String("saveas")) {
        commands.SaveAs();
    } else {
        if (command == QLatin1String("full")) {
            // Writes beyond the limit fail as on a full disk.
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{3 * 4096 + 100, RLIM_INFINITY};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
                return 5;
        }
        createConfiguration({"Nueva", "128", "128", "8", "20", "NUEVA"});
    }
    if (operation == QLatin1String("after"))
        std::raise(SIGKILL);
    return 3; // never killed
}

// The name, zone count and labels, and relay labels of the open
// configuration; labels as `prefix` and their number.
QStringList configurationRows(const QString &prefix)
{
    return rows(QStringLiteral("SELECT NOMCON, NUMZON, (SELECT count(*) FROM CONFZONAS WHERE ETIZON = ? || IDZON), "
                               "(SELECT count(*) FROM CONFRELES WHERE ETIREL = 'ETI RELE ' || IDREL) FROM CONFCENTRAL"),
                {prefix});
}

} // namespace

class TestRecovery : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void restoreNamesTheConfigurationItHolds_data();
    void restoreNamesTheConfigurationItHolds();
    void yesThatCannotRestoreGoesOnAndAsksAgain_data();
    void yesThatCannotRestoreGoesOnAndAsksAgain();
    void questionComesOnceBeforeTheMainWindowShows();
    void unwritableSettingsStillLeadToTheRestore();
    void secondInstanceIsRefusedUntilTheFirstEnds();

private:
    std::unique_ptr<ScriptedBoxes> m_boxes;
    std::unique_ptr<QTemporaryDir> m_dir; // the documents
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
    m_dir = std::make_unique<QTemporaryDir>();
}

void TestRecovery::cleanup()
{
    m_boxes.reset();
    setFileDialogHandler({});
    Close_DB();
    m_dir.reset();
}

void TestRecovery::restoreNamesTheConfigurationItHolds_data()
{
    QTest::addColumn<QString>("command");  // what the child runs (commandKilledAt)
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("fileName"); // the child is killed just before this operation on it
    QTest::addColumn<bool>("hot");         // while the new database is being written
    QTest::addColumn<bool>("ownJournal");  // the working database left with a hot journal of its own
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("restored"); // the configuration given back, and its title
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("shown");    // what the child's message says, if it shows one
    const QString working = QStringLiteral("Vuvurov.mdb");
    const QString previous = QStringLiteral("Vuvurov.mdb.prev");
    const QString settings = QStringLiteral("ORBITarsis.conf");
    const QString temp = QStringLiteral(".orbtmp");
    const auto row = [](const char *name, const char *command, const char *operation, const QString &fileName,
                        bool hot, bool ownJournal, const char *restored, const char *title) {
        QTest::newRow(name) << command << operation << fileName << hot << ownJournal << int(AnsYes) << restored
                            << title << "";
    };
    const char *before = "Before";
    const char *hotel = "Hotel.vcs";
    row("new: before the set-aside", "new", "rename", working, false, false, before, hotel);
    row("new: own journal, halfway aside", "new", "rename", working + "-journal", false, true, before, hotel);
    row("new: made, not yet named", "new", "write", settings, false, false, before, hotel);
    row("new: named, previous not yet dropped", "new", "remove", previous, false, false, "Nueva", "Config1");
    row("new: named, being written", "new", "remove", previous, true, false, "Nueva", "Config1");
    row("new: own journal, named, being written", "new", "remove", previous + "-journal", true, true, "Nueva",
        "Config1");
    row("new: done", "new", "after", QString(), false, false, "Nueva", "Config1");
    // Beyond the file-size limit the engine's writes fail as "disk I/O error"
    // (a full disk gives "13 (database or disk is full)"): either way the
    // message names the cause.
    QTest::newRow("new: disk full") << "full" << "after" << QString() << false << false << int(AnsYes) << before
                                    << hotel << " Error:\n\n778 (disk I/O error)\n\n";
    QTest::newRow("new: answered No") << "new" << "remove" << previous << true << false << int(AnsNo) << "" << ""
                                      << "";
    row("open: before the set-aside", "open", "rename", working, false, false, before, hotel);
    row("open: before the copy takes its place", "open", "rename", temp, false, false, before, hotel);
    row("open: in place, not yet named", "open", "write", settings, false, false, before, hotel);
    row("open: named, previous not yet dropped", "open", "remove", previous, false, false, "Otra", "Otra.vcs");
    row("open: done", "open", "after", QString(), false, false, "Otra", "Otra.vcs");
    row("save as: not yet named", "saveas", "write", settings, false, false, before, hotel);
    row("save as: named, not yet written", "saveas", "rename", temp, false, false, before, "Copia.vcs");
    row("save as: done", "saveas", "after", QString(), false, false, before, "Copia.vcs");
}

void TestRecovery::restoreNamesTheConfigurationItHolds()
{
    QFETCH(QString, command);
    QFETCH(QString, operation);
    QFETCH(QString, fileName);
    QFETCH(bool, hot);
    QFETCH(bool, ownJournal);
    QFETCH(int, answer);
    QFETCH(QString, restored);
    QFETCH(QString, title);
    QFETCH(QString, shown);
    // Two documents: another configuration, and the one that is open, with
    // its own labels; an own journal holds an edit that never completed,
    // which must be undone.
    QVERIFY(makeConfiguration(4, 2, QStringLiteral("Otra")));
    QVERIFY(execBound(QStringLiteral("UPDATE CONFZONAS SET ETIZON = 'OTRA ' || IDZON")));
    QVERIFY(storeDocument(m_dir->filePath(QStringLiteral("Otra.vcs"))));
    QVERIFY(makeConfiguration(128, 128, QStringLiteral("Before")));
    QVERIFY(execBound(QStringLiteral("UPDATE CONFZONAS SET ETIZON = 'ANTES ' || IDZON")));
    QVERIFY(storeDocument(m_dir->filePath(QStringLiteral("Hotel.vcs"))));
    Close_DB();
    writeWorkingMarks(m_dir->filePath(QStringLiteral("Hotel.vcs")), QStringLiteral("Hotel.vcs"));
    if (ownJournal)
        QVERIFY(leaveHotJournal(workingDatabasePath(), QStringLiteral("UPDATE CONFZONAS SET ETIZON = 'A MEDIAS'; "
                                                                      "UPDATE CONFRELES SET ETIREL = 'A MEDIAS'")));

    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--killed-at"), command, operation, fileName, QString::number(hot),
                 QString::number(!ownJournal), m_dir->path()});
    QVERIFY(child.waitForFinished(60000));
    QVERIFY2(child.exitStatus() == QProcess::CrashExit, "the command was not killed");
    const QString output = QString::fromLocal8Bit(child.readAllStandardOutput());
    QVERIFY2(output.contains(shown), qPrintable(output));

    appState() = AppState{};
    m_boxes->answers = {answer};
    if (answer == AnsNo) {
        // Nothing is left to come back later over another configuration.
        QCOMPARE(restoreUnsaved(), RestoreOutcome::Declined);
        QVERIFY(!QFile::exists(previousDatabasePath()));
        return;
    }
    QCOMPARE(restoreUnsaved(), RestoreOutcome::Restored);
    QCOMPARE(appState().WorkingName, title);
    QCOMPARE(rows(QStringLiteral("PRAGMA integrity_check")), QStringList(QStringLiteral("ok")));
    const QMap<QString, QStringList> expected{{"Before", {"Before|128|128|128"}},
                                              {"Otra", {"Otra|4|4|2"}},
                                              {"Nueva", {"Nueva|128|128|128"}}};
    const QMap<QString, QString> prefix{{"Before", "ANTES "}, {"Otra", "OTRA "}, {"Nueva", "ETI ZONA "}};
    QCOMPARE(configurationRows(prefix[restored]), expected[restored]);
    const QStringList left = QDir(dataFolder()).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(left.filter(QRegularExpression(QStringLiteral("prev|journal|wal$|shm$"))), QStringList());

    // The first Save proposes the document the title names and writes that
    // one only: every other document stays as it was.
    QMap<QString, QByteArray> documents;
    for (const QString &name : QDir(m_dir->path()).entryList({QStringLiteral("*.vcs")}, QDir::Files))
        documents[name] = fileBytes(m_dir->filePath(name));
    QString proposed;
    setFileDialogHandler([&](const FileDialogRequest &request) {
        proposed = request.proposedName;
        return m_dir->filePath(request.proposedName);
    });
    m_boxes->answers = {AnsYes}; // to replacing it
    DocumentCommands commands(std::make_unique<NoWindows>());
    QCOMPARE(commands.Save(), StoreOutcome::Stored);
    QCOMPARE(proposed, title);
    for (auto it = documents.cbegin(); it != documents.cend(); ++it) {
        if (it.key() != title)
            QVERIFY2(fileBytes(m_dir->filePath(it.key())) == it.value(), qPrintable(it.key()));
    }
    QCOMPARE(onSideConnection(m_dir->filePath(title), true,
                              [&](QSqlDatabase &db) {
                                  QSqlQuery q(db);
                                  return q.exec(QStringLiteral("SELECT NOMCON FROM CONFCENTRAL")) && q.next()
                                             ? q.value(0).toString()
                                             : QString();
                              }),
             restored);
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
    if (argc == 8 && qstrcmp(argv[1], "--killed-at") == 0) {
        QCoreApplication app(argc, argv);
        const QStringList args = QCoreApplication::arguments();
        return commandKilledAt(args.at(2), args.at(3), args.at(4), args.at(5) == QLatin1String("1"),
                               args.at(6) == QLatin1String("1"), args.at(7));
    }
    QApplication app(argc, argv);
    TestRecovery test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_recovery.moc"
