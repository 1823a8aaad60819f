// Start-up: the restore question after an unclean end (asked before the main
// window shows, once), what Yes and No do with good and broken working
// databases and after New, Open and Save As killed at each of their file
// steps (a child process of this test), and the one-copy-per-user lock.

#include "DocumentCommands.h"
#include "FrmWel.h"
#include "InstanceLock.h"
#include "MSComm.h"
#include "MainWindowFixture.h"
#include "SettingsStore.h"
#include "TestHome.h"

#include <csignal>
#include <cstdio>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>

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

// The child of secondInstanceIsRefusedUntilTheFirstEnds: a start of the
// program as far as its lock, on a disk that takes no write of more than
// `sizeLimit` bytes (none when negative). It says whether it may run
// ("held") or not ("refused", after the message it shows), and holds the
// lock until it is killed or its input ends.
int holdLock(qint64 sizeLimit)
{
    setCurrentLanguage(Language::English);
    if (sizeLimit >= 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{rlim_t(sizeLimit), RLIM_INFINITY};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return 5;
    }
    setMsgBoxHandler([](const QString &prompt, int, const QString &title) {
        std::printf("[%s] %s\n", qPrintable(title), qPrintable(prompt));
        return int(AnsOk);
    });
    InstanceLock lock;
    const bool held = acquireInstanceLock(lock);
    std::printf(held ? "held\n" : "refused\n");
    std::fflush(stdout);
    if (!held)
        return 1;
    while (std::getchar() != EOF) {
    }
    return 0;
}

// The child of ownFilesInTheWayAreNeverWaitedOn: the start-up's restore,
// every question answered Yes, then the device it would use for Com1. The
// messages it shows go to its output, with their titles.
int startUp()
{
    setCurrentLanguage(Language::English);
    setMsgBoxHandler([](const QString &prompt, int, const QString &title) {
        std::printf("[%s] %s\n", qPrintable(title), qPrintable(prompt));
        std::fflush(stdout);
        return int(AnsYes);
    });
    const RestoreOutcome outcome = restoreUnsaved();
    std::printf("outcome %d\nport %s\n", int(outcome), qPrintable(deviceForPort(1)));
    return 0;
}

// Puts something other than a file at path: "pipe", "folder", "dangling"
// (a link to nothing) or "loop" (a link to itself); or an empty file
// ("empty").
bool putInTheWay(const QString &path, const QString &kind, const QString &nowhere)
{
    const QByteArray name = QFile::encodeName(path);
    if (kind == QLatin1String("empty"))
        return writeFile(path, QByteArray());
    if (kind == QLatin1String("pipe"))
        return ::mkfifo(name.constData(), 0600) == 0;
    if (kind == QLatin1String("folder"))
        return QDir().mkpath(path);
    return QFile::link(kind == QLatin1String("loop") ? path : nowhere, path);
}

// Removes whatever lies at path.
void removeEntry(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir() && !info.isSymLink())
        QDir(path).removeRecursively();
    else
        ::unlink(QFile::encodeName(path).constData());
}

// The previous working database aside under a note that says nothing
// ("empty", "missing" or cut short), as an earlier build could leave it.
bool leaveNote(const QString &note, const WorkingMarks &previous)
{
    QByteArray bytes;
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out << previous.file << previous.name;
    }
    if (note == QLatin1String("missing"))
        return !QFile::exists(previousMarksPath());
    return writeFile(previousMarksPath(), note == QLatin1String("empty") ? QByteArray() : bytes.left(bytes.size() / 2));
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
    void noRoomForTheNoteStopsNewAndOpen_data();
    void noRoomForTheNoteStopsNewAndOpen();
    void noteThatSaysNothingIsNeverTakenForAgreement_data();
    void noteThatSaysNothingIsNeverTakenForAgreement();
    void secondInstanceIsRefusedUntilTheFirstEnds_data();
    void secondInstanceIsRefusedUntilTheFirstEnds();
    void ownFilesInTheWayAreNeverWaitedOn_data();
    void ownFilesInTheWayAreNeverWaitedOn();
    void unreadMarksKeepTheWorkingDatabase_data();
    void unreadMarksKeepTheWorkingDatabase();
    void leftoversOfAWriteOfTheMarksGoAtTheStart_data();
    void leftoversOfAWriteOfTheMarksGoAtTheStart();

private:
    std::unique_ptr<ScriptedBoxes> m_boxes;
    std::unique_ptr<QTemporaryDir> m_dir; // the documents
};

void TestRecovery::init()
{
    // Nothing a failed earlier run left behind counts.
    appState() = AppState{};
    setCurrentLanguage(Language::English);
    for (const QString &path : {settingsFilePath(), settingsFilePath() + QStringLiteral(".lock"),
                                marksBesideDatabasePath(), previousMarksPath()})
        removeEntry(path);
    clearWorkingMarks();
    for (const QString &path :
         {workingDatabasePath(), previousDatabasePath(), marksBesideDatabasePath(), previousMarksPath()})
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
    // What the killed command was writing is gone, whatever the answer: a
    // copy beside the working database or beside the document.
    const auto tempsLeft = [this] {
        const QRegularExpression temp(QStringLiteral("\\.orbtmp"));
        return QDir(dataFolder()).entryList(QDir::Files | QDir::Hidden).filter(temp)
               + QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden).filter(temp);
    };
    if (answer == AnsNo) {
        // Nothing is left to come back later over another configuration.
        QCOMPARE(restoreUnsaved(), RestoreOutcome::Declined);
        QVERIFY(!QFile::exists(previousDatabasePath()));
        QCOMPARE(tempsLeft(), QStringList());
        return;
    }
    QCOMPARE(restoreUnsaved(), RestoreOutcome::Restored);
    QCOMPARE(tempsLeft(), QStringList());
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

void TestRecovery::noRoomForTheNoteStopsNewAndOpen_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("folder");   // a folder lies where the note goes, rather than a full disk
    QTest::newRow("open") << "open" << false;
    QTest::newRow("new") << "new" << false;
    QTest::newRow("open, a folder at the note") << "open" << true;
    QTest::newRow("new, a folder at the note") << "new" << true;
}

void TestRecovery::noRoomForTheNoteStopsNewAndOpen()
{
    QFETCH(QString, command);
    QFETCH(bool, folder);
    QVERIFY(makeConfiguration(4, 2, QStringLiteral("Otra")));
    const QString other = m_dir->filePath(QStringLiteral("Otra.vcs"));
    QVERIFY(storeDocument(other));
    QVERIFY(makeConfiguration(128, 128, QStringLiteral("Before")));
    QCOMPARE(Open_Conf(), OpenResult::Opened);
    AppState &s = appState();
    s.ConfCargada = true;
    s.WorkingFile = m_dir->filePath(QStringLiteral("Hotel.vcs"));
    s.WorkingName = QStringLiteral("Hotel.vcs");
    writeWorkingMarks(s.WorkingFile, s.WorkingName);
    const QByteArray working = fileBytes(workingDatabasePath());

    // From the note beside the previous working database on, the disk takes
    // no write at all, as a full one.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit unlimited{};
    QVERIFY(::getrlimit(RLIMIT_FSIZE, &unlimited) == 0);
    const auto restore = qScopeGuard([&unlimited] {
        setDatabaseFileHook({});
        ::setrlimit(RLIMIT_FSIZE, &unlimited);
        std::signal(SIGXFSZ, SIG_DFL);
    });
    setDatabaseFileHook([&unlimited, folder](const char *operation, const QString &path) {
        const rlimit full{0, unlimited.rlim_max};
        if (qstrcmp(operation, "write") == 0 && path == previousMarksPath())
            QVERIFY(folder ? QDir().mkpath(path) : ::setrlimit(RLIMIT_FSIZE, &full) == 0);
    });
    if (command == QLatin1String("open")) {
        setFileDialogHandler([&other](const FileDialogRequest &) { return other; });
        DocumentCommands(std::make_unique<NoWindows>()).Open();
    } else {
        QVERIFY(!createConfiguration({"Nueva", "128", "128", "8", "20", "NUEVA"}));
    }
    ::setrlimit(RLIMIT_FSIZE, &unlimited);

    // The command stops and names the cause and the file it could not
    // write; the open configuration, its working database and the marks
    // stay as they were, and nothing is left aside that a later start could
    // take for them (a folder in the note's place is left as it is).
    const QString cause = folder ? QStringLiteral("21 (Is a directory)") : QStringLiteral("27 (File too large)");
    QCOMPARE(m_boxes->shown.size(), 1);
    QCOMPARE(m_boxes->shown.first().prompt,
             command == QLatin1String("open") ? QStringLiteral("FALLO DE DASE DE DATOS: ") + cause + ' ' + previousMarksPath()
                                              : Str(1001) + previousMarksPath() + Str(1) + QStringLiteral("\n\n")
                                                    + cause + QStringLiteral("\n\n") + Str(1002));
    QCOMPARE(fileBytes(workingDatabasePath()), working);
    QVERIFY(BaseDatos().isOpen());
    QCOMPARE(configurationRows(QStringLiteral("ETI ZONA ")), QStringList("Before|128|128|128"));
    QCOMPARE(readWorkingMarks().file, s.WorkingFile);
    QCOMPARE(readWorkingMarks().name, s.WorkingName);
    QVERIFY(!QFile::exists(previousDatabasePath()));
    QCOMPARE(QFileInfo(previousMarksPath()).isDir(), folder);
    if (folder)
        QVERIFY(QDir(previousMarksPath()).removeRecursively());
}

void TestRecovery::noteThatSaysNothingIsNeverTakenForAgreement_data()
{
    QTest::addColumn<QString>("note");     // "empty", "missing" or "cut short"
    QTest::addColumn<bool>("newInPlace");  // the new configuration in place, named by the marks
    QTest::addColumn<QString>("restored");
    QTest::newRow("empty note, the new one in place") << "empty" << true << "Otra";
    QTest::newRow("no note, the new one in place") << "missing" << true << "Otra";
    QTest::newRow("note cut short, the new one in place") << "cut short" << true << "Otra";
    // Then the previous one is all there is, and what the marks name.
    QTest::newRow("empty note, nothing in place") << "empty" << false << "Before";
}

void TestRecovery::noteThatSaysNothingIsNeverTakenForAgreement()
{
    QFETCH(QString, note);
    QFETCH(bool, newInPlace);
    QFETCH(QString, restored);
    // An end between the marks naming the new configuration and the previous
    // one being dropped, with a note that does not say what the marks named.
    const WorkingMarks hotel{m_dir->filePath(QStringLiteral("Hotel.vcs")), QStringLiteral("Hotel.vcs")};
    const WorkingMarks otra{m_dir->filePath(QStringLiteral("Otra.vcs")), QStringLiteral("Otra.vcs")};
    QVERIFY(makeConfiguration(128, 128, QStringLiteral("Before")));
    Close_DB();
    QVERIFY(renameFile(workingDatabasePath(), previousDatabasePath()));
    QVERIFY(leaveNote(note, hotel));
    const WorkingMarks marks = newInPlace ? otra : hotel;
    if (newInPlace) {
        QVERIFY(makeConfiguration(4, 2, QStringLiteral("Otra")));
        Close_DB();
    }
    writeWorkingMarks(marks.file, marks.name);

    m_boxes->answers = {AnsYes};
    QCOMPARE(restoreUnsaved(), RestoreOutcome::Restored);
    QCOMPARE(appState().NomCon, restored);
    QCOMPARE(appState().WorkingName, marks.name);
    QVERIFY(!QFile::exists(previousDatabasePath()) && !QFile::exists(previousMarksPath()));
}

void TestRecovery::secondInstanceIsRefusedUntilTheFirstEnds_data()
{
    QTest::addColumn<qint64>("sizeLimit"); // the largest write the first copy's disk takes; -1: any
    QTest::addColumn<QString>("noFolder"); // why its data folder cannot be made: "", "file" (where
                                           // its parent belongs) or "read-only" (its parent's disk)
    QTest::addColumn<QString>("cause");    // as the message gives it
    QTest::newRow("disk with room") << qint64(-1) << "" << "";
    QTest::newRow("disk full") << qint64(0) << "" << "";
    QTest::newRow("data folder cannot be made") << qint64(-1) << "file" << "20 (Not a directory)";
    QTest::newRow("data folder on a read-only disk") << qint64(-1) << "read-only" << "30 (Read-only file system)";
}

void TestRecovery::secondInstanceIsRefusedUntilTheFirstEnds()
{
    QFETCH(qint64, sizeLimit);
    QFETCH(QString, noFolder);
    QFETCH(QString, cause);
    // The first copy: a start of the program in a process of its own.
    QString notAFolder = m_dir->filePath(QStringLiteral("data"));
    QProcess first;
    const QString readOnly = m_dir->filePath(QStringLiteral("read-only"));
    const auto unmount = qScopeGuard([&readOnly] { ::umount2(QFile::encodeName(readOnly).constData(), MNT_DETACH); });
    if (noFolder == QLatin1String("file")) {
        QVERIFY(writeFile(notAFolder, "a file where the data folder's parent belongs"));
    } else if (noFolder == QLatin1String("read-only")) {
        QVERIFY(QDir().mkpath(readOnly));
        if (::mount("tmpfs", QFile::encodeName(readOnly).constData(), "tmpfs", MS_RDONLY, "size=16k") != 0)
            QSKIP("a read-only disk cannot be mounted here (it needs root)");
        notAFolder = readOnly + QStringLiteral("/data");
    }
    if (!noFolder.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), notAFolder);
        first.setProcessEnvironment(env);
    }
    first.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    first.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--hold-lock"), QString::number(sizeLimit)});
    QVERIFY2(first.waitForStarted(), qPrintable(first.errorString()));
    QString said;
    while (!said.endsWith(QLatin1String("held\n")) && !said.endsWith(QLatin1String("refused\n"))) {
        QVERIFY2(first.waitForReadyRead(60000), qPrintable(said));
        said += QString::fromLocal8Bit(first.readAll());
    }
    if (!noFolder.isEmpty()) {
        // A lock that cannot be taken at all is no reason to run unguarded:
        // the program says why, with the cause of the folder's making, and
        // does not start.
        const QString folder = notAFolder + QStringLiteral("/ORBITarsis");
        QCOMPARE(said, QLatin1Char('[') + Str(109) + QStringLiteral("] ") + Str(9104).arg(folder, cause)
                           + QStringLiteral("\nrefused\n"));
        QVERIFY(first.waitForFinished(60000));
        QCOMPARE(first.exitCode(), 1);
        return;
    }
    // It runs, on a full disk as well, and keeps every later start out.
    QCOMPARE(said, QStringLiteral("held\n"));
    InstanceLock second;
    QVERIFY(!acquireInstanceLock(second));
    QVERIFY(second.heldByAnother());
    QCOMPARE(m_boxes->shown.size(), 1);
    QCOMPARE(m_boxes->shown.first().prompt, alreadyRunningMessage());
    QCOMPARE(m_boxes->shown.first().title, Str(109));

    // Killed, it leaves nothing that keeps the next start out; that one
    // keeps out the next in turn.
    first.kill();
    QVERIFY(first.waitForFinished(60000));
    QVERIFY(acquireInstanceLock(second));
    InstanceLock third;
    QVERIFY(!acquireInstanceLock(third));
    QVERIFY(third.heldByAnother());
}

void TestRecovery::ownFilesInTheWayAreNeverWaitedOn_data()
{
    QTest::addColumn<QString>("file"); // whose place is taken: "marks", "settings", "note" or "lock"
    QTest::addColumn<QString>("kind"); // by what (putInTheWay)
    QTest::addColumn<int>("fault");    // what the message gives as the cause, when it names the file
    const QList<std::pair<const char *, int>> kinds{
        {"pipe", kNotAFile}, {"folder", EISDIR}, {"dangling", ENOENT}, {"loop", ELOOP}};
    for (const char *file : {"marks", "settings", "note", "lock"}) {
        for (const auto &[kind, fault] : kinds)
            QTest::addRow("%s: %s", file, kind) << file << kind << fault;
    }
    // What a kill during a write of the marks could leave.
    QTest::newRow("lock: left empty") << "lock" << "empty" << 0;
}

void TestRecovery::ownFilesInTheWayAreNeverWaitedOn()
{
    QFETCH(QString, file);
    QFETCH(QString, kind);
    QFETCH(int, fault);
    // An unclean end left a configuration, the marks that name it in the
    // settings file with a port's device, and, for the note, the previous
    // working database aside.
    QVERIFY(makeConfiguration(4, 2, QStringLiteral("Before")));
    Close_DB();
    {
        const auto settings = openSettingsStore();
        settings->setValue(QStringLiteral("Ports/Com1"), QStringLiteral("/dev/ttyUSB0"));
    }
    const WorkingMarks hotel{m_dir->filePath(QStringLiteral("Hotel.vcs")), QStringLiteral("Hotel.vcs")};
    writeWorkingMarks(hotel.file, hotel.name);
    const QMap<QString, QString> paths{{"marks", marksBesideDatabasePath()},
                                       {"settings", settingsFilePath()},
                                       {"note", previousMarksPath()},
                                       {"lock", settingsFilePath() + QStringLiteral(".lock")}};
    const QString path = paths[file];
    if (file == QLatin1String("note"))
        QVERIFY(QFile::copy(workingDatabasePath(), previousDatabasePath()));
    if (file == QLatin1String("settings"))
        QVERIFY(QFile::remove(path));
    QVERIFY(putInTheWay(path, kind, m_dir->filePath(QStringLiteral("gone"))));
    const auto removeIt = qScopeGuard([&path] { removeEntry(path); });

    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--start-up")});
    if (!child.waitForFinished(15000)) {
        child.kill();
        child.waitForFinished();
        QFAIL(qPrintable(QStringLiteral("the start waited on %1 (%2)").arg(path, kind)));
    }
    QCOMPARE(child.exitCode(), 0);
    const QString output = QString::fromLocal8Bit(child.readAllStandardOutput());
    const QString question = QLatin1Char('[') + Str(1043) + QStringLiteral("] ") + Str(1042) + QLatin1Char('\n');
    QString expected;
    if (file == QLatin1String("marks") || file == QLatin1String("settings")) {
        // The marks cannot be read: said with the file and the cause, and
        // the configuration is left where it is, nothing asked. Without
        // the settings file the port is the usual one.
        expected = QLatin1Char('[') + Str(109) + QStringLiteral("] ")
                   + Str(9041).arg(path, ownFileFaultText(fault), dataFolder()) + QLatin1Char('\n')
                   + QStringLiteral("outcome %1\n").arg(int(RestoreOutcome::MarksUnreadable))
                   + QStringLiteral("port %1\n")
                         .arg(file == QLatin1String("settings") ? QStringLiteral("/dev/ttyS0")
                                                                : QStringLiteral("/dev/ttyUSB0"));
    } else {
        // Neither the note nor the settings file's lock is needed: the
        // configuration comes back, its marks written back into the
        // settings file beside whatever lies at the lock's place.
        expected = question + QStringLiteral("outcome %1\n").arg(int(RestoreOutcome::Restored))
                   + QStringLiteral("port /dev/ttyUSB0\n");
        QCOMPARE(readWorkingMarks().file, hotel.file);
        QVERIFY(!QFile::exists(previousDatabasePath()));
    }
    QCOMPARE(output, expected);
    QVERIFY(QFile::exists(workingDatabasePath()));
}

void TestRecovery::unreadMarksKeepTheWorkingDatabase_data()
{
    QTest::addColumn<int>("answer"); // to whether Open may replace it
    QTest::newRow("No keeps it") << int(AnsNo);
    QTest::newRow("Yes replaces it") << int(AnsYes);
}

void TestRecovery::unreadMarksKeepTheWorkingDatabase()
{
    QFETCH(int, answer);
    QVERIFY(makeConfiguration(4, 2, QStringLiteral("Otra")));
    const QString other = m_dir->filePath(QStringLiteral("Otra.vcs"));
    QVERIFY(storeDocument(other));
    // An unclean end left a configuration; a folder stands where the marks
    // beside the working database belong, so nothing can tell.
    QVERIFY(makeConfiguration(8, 4, QStringLiteral("Before")));
    Close_DB();
    writeWorkingMarks(m_dir->filePath(QStringLiteral("Hotel.vcs")), QStringLiteral("Hotel.vcs"));
    QVERIFY(QDir().mkpath(marksBesideDatabasePath()));
    const QByteArray working = fileBytes(workingDatabasePath());

    // The start says so, names the folder and asks nothing.
    QCOMPARE(restoreUnsaved(), RestoreOutcome::MarksUnreadable);
    QCOMPARE(m_boxes->shown.size(), 1);
    QVERIFY(m_boxes->shown.first().prompt.contains(marksBesideDatabasePath()));
    QVERIFY(!appState().ConfCargada);

    // Open asks before it replaces that configuration.
    int dialogs = 0;
    setFileDialogHandler([&](const FileDialogRequest &) {
        ++dialogs;
        return other;
    });
    m_boxes->shown.clear();
    m_boxes->answers = {answer};
    DocumentCommands commands(std::make_unique<NoWindows>());
    commands.Open();
    QCOMPARE(m_boxes->shown.size(), 1);
    QCOMPARE(m_boxes->shown.first().style, int(MsgYesNoExclamation));
    QVERIFY(m_boxes->shown.first().prompt.contains(marksBesideDatabasePath()));
    if (answer == AnsNo) {
        // No: nothing chosen, nothing replaced, and the end of the run
        // leaves it for the next start.
        QCOMPARE(dialogs, 0);
        QVERIFY(commands.Exit());
        QCOMPARE(fileBytes(workingDatabasePath()), working);
        return;
    }
    // Yes: the document takes its place, and is a configuration as any
    // other: the orderly end removes it.
    QCOMPARE(dialogs, 1);
    QVERIFY(appState().ConfCargada);
    QCOMPARE(appState().NomCon, QStringLiteral("Otra"));
    QVERIFY(commands.Exit());
    QVERIFY(!QFile::exists(workingDatabasePath()));
}

void TestRecovery::leftoversOfAWriteOfTheMarksGoAtTheStart_data()
{
    QTest::addColumn<bool>("data");     // in the data folder, else the settings folder
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("goes");
    // What a write of the settings file or of the marks beside the working
    // database cut short leaves: its new file, and the lock and the file
    // that Qt's own write of it keeps beside it.
    QTest::newRow("settings: new file") << false << ".ORBITarsis.conf.a1b2c3d4.orbtmp" << true;
    QTest::newRow("settings: its lock") << false << ".ORBITarsis.conf.a1b2c3d4.orbtmp.lock" << true;
    QTest::newRow("settings: Qt's copy") << false << ".ORBITarsis.conf.a1b2c3d4.orbtmp.Xy12Zq" << true;
    QTest::newRow("marks: new file") << true << ".ORBITarsis.marks.0k9j8h7g.orbtmp" << true;
    QTest::newRow("marks: its lock") << true << ".ORBITarsis.marks.0k9j8h7g.orbtmp.lock" << true;
    // Files of the user's that only look alike stay.
    QTest::newRow("settings: a copy of the user's") << false << "ORBITarsis.conf.bak" << false;
    QTest::newRow("settings: not the program's name") << false << ".ORBITarsis.conf.A1B2C3D4.orbtmp" << false;
    QTest::newRow("marks: another file's") << true << ".Other.marks.0k9j8h7g.orbtmp" << false;
}

void TestRecovery::leftoversOfAWriteOfTheMarksGoAtTheStart()
{
    QFETCH(bool, data);
    QFETCH(QString, name);
    QFETCH(bool, goes);
    const QString path =
        QDir(data ? dataFolder() : QFileInfo(settingsFilePath()).absolutePath()).filePath(name);
    QVERIFY(writeFile(path, "left"));
    const auto removeIt = qScopeGuard([&path] { QFile::remove(path); });
    QCOMPARE(restoreUnsaved(), RestoreOutcome::NothingToRestore);
    QCOMPARE(QFile::exists(path), !goes);
}

int main(int argc, char **argv)
{
    const orbtest::TestHome home;
    if (argc == 3 && qstrcmp(argv[1], "--hold-lock") == 0) {
        QCoreApplication app(argc, argv);
        return holdLock(QByteArray(argv[2]).toLongLong());
    }
    if (argc == 2 && qstrcmp(argv[1], "--start-up") == 0) {
        QCoreApplication app(argc, argv);
        return startUp();
    }
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
