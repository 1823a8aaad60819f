// Start-up: the restore question after an unclean end (asked before the main
// window shows, once), what Yes and No do with good and broken working
// databases, and the one-copy-per-user lock.

#include "FrmWel.h"
#include "InstanceLock.h"
#include "MainWindowFixture.h"
#include "SettingsStore.h"

namespace {

// A working database left by an unclean end (one general row) and the marks
// that name it.
void leaveWorkingDatabase(const QString &name, int zones, const QString &file = QStringLiteral("/plans/Hotel.vcs"))
{
    QVERIFY(makeConfiguration(zones, 4, name));
    Close_DB();
    writeWorkingMarks(file, QFileInfo(file).fileName());
}

} // namespace

class TestRecovery : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void yesAfterAnEndDuringACreateTakesThePreviousBack();
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

void TestRecovery::yesAfterAnEndDuringACreateTakesThePreviousBack()
{
    // The run ended while a new configuration was being made: the previous
    // working database is still aside, with nothing or a half-made one in
    // its place.
    leaveWorkingDatabase(QStringLiteral("Before the new one"), 5);
    for (bool halfMade : {false, true}) {
        Close_DB();
        appState() = AppState{};
        QVERIFY(QFile::rename(workingDatabasePath(), previousDatabasePath()));
        QVERIFY(!halfMade || Create_DB());
        m_boxes->answers = {AnsYes};
        QCOMPARE(restoreUnsaved(), RestoreOutcome::Restored);
        QCOMPARE(appState().NomCon, QStringLiteral("Before the new one"));
        QCOMPARE(appState().NumZon, quint8(5));
        QVERIFY(!QFile::exists(previousDatabasePath()));
    }
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
        QCOMPARE(m_boxes->shown.size(), 2);
        QVERIFY(m_boxes->shown.at(1).prompt.startsWith(garbage ? Str(1001) : Str(120)));
        // The program goes on with nothing open; an orderly end keeps the
        // database and the marks for the next start.
        QVERIFY(!appState().ConfCargada && !appState().ConfModif && !appState().ConfRecup);
        main.show();
        QVERIFY(main.close());
    }
    // The marks stay, so the question comes again; No forgets them, opens
    // nothing and leaves the database. Neither the next start nor a first
    // start with no marks at all asks.
    m_boxes->shown.clear();
    for (bool first : {false, false, true}) {
        if (first)
            openSettingsStore()->remove(QStringLiteral("Properties"));
        FrmMain again;
        again.load();
        QCOMPARE(m_boxes->shown.size(), 1);
        QCOMPARE(m_boxes->shown.first().prompt, Str(1042));
        QVERIFY(!appState().ConfCargada && again.PnlConf()->isHidden());
        QCOMPARE(readWorkingMarks().file, QString());
        QVERIFY(QFile::exists(workingDatabasePath()));
    }
}

void TestRecovery::questionComesOnceBeforeTheMainWindowShows()
{
    leaveWorkingDatabase(QStringLiteral("Plaza"), 1, QStringLiteral("/plans/Plaza.vcs"));
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
    QCOMPARE(m_boxes->shown.first().style, 52);
    QCOMPARE(m_boxes->shown.first().title, Str(1043));

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
    QCOMPARE(m_boxes->shown.first().style, 48);
    QCOMPARE(m_boxes->shown.first().title, Str(109));
    writeWorkingMarks(appState().WorkingFile, appState().WorkingName);
    QCOMPARE(m_boxes->shown.size(), 1);
    QCOMPARE(openSettingsStore()->status(), QSettings::AccessError);

    // The run ends uncleanly: its state is gone, its files stay. The next
    // start offers the configuration back.
    Close_DB();
    appState() = AppState{};
    m_boxes->shown.clear();
    m_boxes->answers = {AnsYes};
    {
        FrmMain main;
        main.load();
        QCOMPARE(m_boxes->shown.first().prompt, Str(1042));
        QVERIFY(appState().ConfRecup && appState().NomCon == QStringLiteral("Plaza"));
        main.show();
        QVERIFY(main.close());
    }
    // The orderly end forgets it: nothing to restore, the database gone.
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
    QCOMPARE(m_boxes->shown.first().style, 48);
    QVERIFY(second.heldByAnother());

    first.reset();
    QVERIFY(acquireInstanceLock(second));
}

QTEST_MAIN(TestRecovery)
#include "test_recovery.moc"
