// Start-up: the splash, the restore question after an unclean end (asked
// before the main window shows), what Yes and No do with good and broken
// working databases, and the one-copy-per-user lock.

#include "AppState.h"
#include "FrmMain.h"
#include "FrmWel.h"
#include "InstanceLock.h"
#include "ModBas.h"
#include "Recovery.h"
#include "ScriptedBoxes.h"
#include "SettingsStore.h"
#include "Strings.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLockFile>
#include <QSqlQuery>
#include <QTimer>
#include <QtTest>

using namespace orb;

namespace {

// A working database left by an unclean end: one general row.
void leaveWorkingDatabase(const QString &name, int zones, int relays)
{
    QVERIFY(Create_DB());
    QSqlDatabase db = BaseDatos();
    db.setDatabaseName(workingDatabasePath());
    QVERIFY(db.open());
    QSqlQuery q(db);
    QVERIFY(q.prepare(QStringLiteral("INSERT INTO CONFCENTRAL (IDCON, NOMCON, NUMZON, NUMREL, INIDIA, ININIT, ETIINI) "
                                     "VALUES (3, ?, ?, ?, 7, 21, 'HOTEL PLAZA')")));
    q.addBindValue(name);
    q.addBindValue(zones);
    q.addBindValue(relays);
    QVERIFY(q.exec());
    Close_DB();
}

} // namespace

class TestRecovery : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void firstStartAsksNothing();
    void marksMissingReadAsEmpty();
    void yesRestoresTheConfiguration();
    void yesAfterAnEndDuringACreateTakesThePreviousBack();
    void yesWithABrokenDatabaseGoesOnWithNothingOpen();
    void yesWithoutAGeneralRowKeepsTheMarks();
    void noForgetsTheMarksAndLeavesTheDatabase();
    void splashShowsNameVersionAndMaker();
    void questionComesBeforeTheMainWindowShows();
    void startUpRunsOnce();
    void secondInstanceIsRefused();
    void lockOfAnEndedProcessIsTakenOver();

private:
    std::unique_ptr<ScriptedBoxes> m_boxes;
};

void TestRecovery::init()
{
    appState() = AppState{};
    setCurrentLanguage(Language::English);
    clearWorkingMarks();
    m_boxes = std::make_unique<ScriptedBoxes>();
}

void TestRecovery::cleanup()
{
    m_boxes.reset();
    Close_DB();
    QFile::remove(workingDatabasePath());
    clearWorkingMarks();
}

void TestRecovery::firstStartAsksNothing()
{
    FrmMain main;
    main.load();
    QVERIFY(m_boxes->shown.isEmpty());
    QVERIFY(!appState().ConfCargada);
    QCOMPARE(main.windowTitle(), Str(1109));
    QVERIFY(main.PnlConf()->isHidden());
}

void TestRecovery::marksMissingReadAsEmpty()
{
    {
        auto settings = openSettingsStore();
        settings->remove(QStringLiteral("Properties"));
    }
    QCOMPARE(readWorkingMarks().file, QString());
    QCOMPARE(restoreUnsaved(), RestoreOutcome::NothingToRestore);
    writeWorkingMarks(QStringLiteral("/plans/a.vcs"), QStringLiteral("a.vcs"));
    {
        auto settings = openSettingsStore();
        QCOMPARE(settings->value(QStringLiteral("Properties/WorkingFile")).toString(), QStringLiteral("/plans/a.vcs"));
        QCOMPARE(settings->value(QStringLiteral("Properties/WorkingName")).toString(), QStringLiteral("a.vcs"));
    }
}

void TestRecovery::yesRestoresTheConfiguration()
{
    leaveWorkingDatabase(QStringLiteral("Hotel Plaza, ground and first floor"), 12, 4);
    const QString file = dataFolder() + QStringLiteral("/Config1");
    writeWorkingMarks(file, QStringLiteral("Config1"));
    m_boxes->answers = {AnsYes};

    FrmMain main;
    main.load();

    QCOMPARE(m_boxes->shown.size(), 1);
    QCOMPARE(m_boxes->shown.first().prompt, Str(1042));
    QCOMPARE(m_boxes->shown.first().style, 52);
    QCOMPARE(m_boxes->shown.first().title, Str(1043));

    const AppState &s = appState();
    QVERIFY(s.ConfCargada);
    QVERIFY(s.ConfModif);
    QVERIFY(s.ConfRecup);
    QCOMPARE(s.WorkingFile, file);
    QCOMPARE(s.WorkingName, QStringLiteral("Config1"));
    QCOMPARE(s.IdCon, qint16(3));
    QCOMPARE(s.NumZon, quint8(12));
    QCOMPARE(s.NumRel, quint8(4));
    QCOMPARE(s.IniDia, quint8(7));
    QCOMPARE(s.IniNit, quint8(21));
    QCOMPARE(s.EtiIni, QStringLiteral("HOTEL PLAZA"));
    QVERIFY(BaseDatos().isOpen());

    QCOMPARE(main.windowTitle(), QStringLiteral("Config1 (Restored) - ") + Str(1109));
    QCOMPARE(main.LblCon(0)->text(), Str(4909) + QStringLiteral("Hotel Plaza, ground and f"));
    QCOMPARE(main.LblCon(2)->text(), Str(4911) + QStringLiteral("12"));
    QVERIFY(!main.PnlConf()->isHidden());
    QVERIFY(main.menuItem(QStringLiteral("MnuComSend"))->isEnabled());
    QVERIFY(!main.menuItem(QStringLiteral("MnuArxImp"))->isEnabled());
    QCOMPARE(readWorkingMarks().file, file);
    QCOMPARE(readWorkingMarks().name, QStringLiteral("Config1"));
}

void TestRecovery::yesAfterAnEndDuringACreateTakesThePreviousBack()
{
    // The process ended while a new configuration was being made: the
    // previous working database is still aside.
    leaveWorkingDatabase(QStringLiteral("Before the new one"), 5, 5);
    QFile::remove(previousDatabasePath());
    QVERIFY(QFile::rename(workingDatabasePath(), previousDatabasePath()));
    writeWorkingMarks(QStringLiteral("/plans/Before.vcs"), QStringLiteral("Before.vcs"));
    m_boxes->answers = {AnsYes};
    QCOMPARE(restoreUnsaved(), RestoreOutcome::Restored);
    QCOMPARE(appState().NomCon, QStringLiteral("Before the new one"));
    QVERIFY(QFile::exists(workingDatabasePath()));
    QVERIFY(!QFile::exists(previousDatabasePath()));

    // The end came while the new one was being filled: a half-made working
    // database stands in the place of the one the marks name.
    Close_DB();
    appState() = AppState{};
    QVERIFY(QFile::rename(workingDatabasePath(), previousDatabasePath()));
    QVERIFY(Create_DB());
    m_boxes->shown.clear();
    m_boxes->answers = {AnsYes};
    QCOMPARE(restoreUnsaved(), RestoreOutcome::Restored);
    QCOMPARE(m_boxes->shown.size(), 1);
    QCOMPARE(appState().NomCon, QStringLiteral("Before the new one"));
    QCOMPARE(appState().NumZon, quint8(5));
    QVERIFY(!QFile::exists(previousDatabasePath()));
}

void TestRecovery::yesWithABrokenDatabaseGoesOnWithNothingOpen()
{
    QFile broken(workingDatabasePath());
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write(QByteArray("not a database at all\n").repeated(50));
    broken.close();
    writeWorkingMarks(QStringLiteral("/plans/Hotel.vcs"), QStringLiteral("Hotel.vcs"));
    m_boxes->answers = {AnsYes};

    {
        FrmMain main;
        main.load();
        QCOMPARE(m_boxes->shown.size(), 2);
        QVERIFY(m_boxes->shown.at(1).prompt.startsWith(Str(1001) + workingDatabasePath() + Str(1) + "\n\n"));
        QVERIFY(m_boxes->shown.at(1).prompt.endsWith(QStringLiteral("\n\n") + Str(1002)));
        QCOMPARE(m_boxes->shown.at(1).style, 0);
        QCOMPARE(m_boxes->shown.at(1).title, QStringLiteral("ORBITarsis"));
        // The program goes on, with nothing open.
        QVERIFY(!appState().ConfCargada);
        QVERIFY(!appState().ConfRecup);
        QCOMPARE(main.windowTitle(), Str(1109));
        QVERIFY(!main.menuItem(QStringLiteral("MnuArxSav"))->isEnabled());
        // An orderly end of this run keeps them too.
        main.show();
        QVERIFY(main.close());
        QVERIFY(QFile::exists(workingDatabasePath()));
    }
    // The marks stay, so the question comes again; No then forgets them.
    QCOMPARE(readWorkingMarks().file, QStringLiteral("/plans/Hotel.vcs"));
    m_boxes->shown.clear();
    m_boxes->answers = {AnsNo};
    FrmMain again;
    again.load();
    QCOMPARE(m_boxes->shown.size(), 1);
    QCOMPARE(m_boxes->shown.first().prompt, Str(1042));
    QCOMPARE(readWorkingMarks().file, QString());
}

void TestRecovery::yesWithoutAGeneralRowKeepsTheMarks()
{
    QVERIFY(Create_DB());
    writeWorkingMarks(QStringLiteral("/plans/Empty.vcs"), QStringLiteral("Empty.vcs"));
    m_boxes->answers = {AnsYes};
    FrmMain main;
    main.load();
    QCOMPARE(m_boxes->shown.size(), 2);
    QCOMPARE(m_boxes->shown.at(1).prompt, Str(120));
    QVERIFY(!appState().ConfCargada);
    QVERIFY(!appState().ConfModif);
    QVERIFY(main.PnlConf()->isHidden());
    QCOMPARE(readWorkingMarks().name, QStringLiteral("Empty.vcs"));
}

void TestRecovery::noForgetsTheMarksAndLeavesTheDatabase()
{
    leaveWorkingDatabase(QStringLiteral("Left behind"), 2, 2);
    writeWorkingMarks(QStringLiteral("/plans/Left.vcs"), QStringLiteral("Left.vcs"));
    m_boxes->answers = {AnsNo};
    {
        FrmMain main;
        main.load();
        QCOMPARE(m_boxes->shown.size(), 1);
        QVERIFY(!appState().ConfCargada);
        QVERIFY(appState().NomCon.isEmpty());
        QCOMPARE(main.windowTitle(), Str(1109));
    }
    QCOMPARE(readWorkingMarks().file, QString());
    QCOMPARE(readWorkingMarks().name, QString());
    QVERIFY(QFile::exists(workingDatabasePath()));
    // The next start asks nothing.
    FrmMain next;
    next.load();
    QCOMPARE(m_boxes->shown.size(), 1);
}

void TestRecovery::splashShowsNameVersionAndMaker()
{
    FrmMain main;
    FrmWel splash(main);
    QVERIFY(splash.windowFlags() & Qt::SplashScreen);
    QVERIFY(splash.windowTitle().isEmpty());
    QCOMPARE(splash.findChild<QLabel *>(QStringLiteral("lblProductName"))->text(), Str(5708));
    QCOMPARE(splash.findChild<QLabel *>(QStringLiteral("lblCompany"))->text(), Str(5707));
    QCOMPARE(splash.findChild<QLabel *>(QStringLiteral("lblPlatform"))->text(), Str(5705));
    const QString version = splash.findChild<QLabel *>(QStringLiteral("lblVersion"))->text();
    QVERIFY(QRegularExpression(QStringLiteral("^Version (0|[1-9]\\d*)\\.(0|[1-9]\\d*)\\.(0|[1-9]\\d*)$"))
                .match(version)
                .hasMatch());
    QVERIFY(!splash.findChild<QLabel *>(QStringLiteral("imgLogo"))->pixmap().isNull());
    QVERIFY(splash.findChild<QWidget *>(QStringLiteral("Frame1")));
}

void TestRecovery::questionComesBeforeTheMainWindowShows()
{
    leaveWorkingDatabase(QStringLiteral("Plaza"), 1, 1);
    writeWorkingMarks(QStringLiteral("/plans/Plaza.vcs"), QStringLiteral("Plaza.vcs"));
    FrmMain main;
    FrmWel splash(main);
    bool mainVisible = true;
    bool splashVisible = false;
    m_boxes->answers = {AnsYes};
    m_boxes->onShow = [&](const ShownBox &) {
        mainVisible = main.isVisible();
        splashVisible = splash.isVisible();
    };
    splash.start();
    QVERIFY(splash.isVisible());
    QVERIFY(splash.TimIni()->isActive());
    QVERIFY(splash.TimIni()->isSingleShot());
    QCOMPARE(splash.TimIni()->interval(), 1500);
    QVERIFY(!main.isVisible());

    // The timer's own event runs the start-up.
    QVERIFY(QTest::qWaitFor([&splash] { return splash.started(); }, 10000));
    QCOMPARE(m_boxes->shown.size(), 1);
    QVERIFY(!mainVisible);
    QVERIFY(splashVisible);
    QVERIFY(main.isVisible());
    QVERIFY(main.windowState() & Qt::WindowMaximized);
    QVERIFY(!splash.isVisible());
    QVERIFY(!splash.TimIni()->isActive());
    QCOMPARE(main.windowTitle(), QStringLiteral("Plaza.vcs (Restored) - ") + Str(1109));
}

void TestRecovery::startUpRunsOnce()
{
    writeWorkingMarks(QStringLiteral("/plans/x.vcs"), QStringLiteral("x.vcs"));
    FrmMain main;
    FrmWel splash(main);
    // A start value the start-up sets back.
    appState().NumNuevas = 4;
    splash.start();
    int nested = 0;
    m_boxes->onShow = [&](const ShownBox &) {
        // A further timer event while the question waits starts nothing.
        ++nested;
        splash.TimIni_Timer();
    };
    m_boxes->answers = {AnsNo};
    splash.TimIni_Timer();
    splash.TimIni_Timer();
    QCOMPARE(nested, 1);
    QCOMPARE(m_boxes->shown.size(), 1);
    QVERIFY(splash.started());
    QCOMPARE(appState().NumNuevas, 0.0);
}

void TestRecovery::secondInstanceIsRefused()
{
    auto first = std::make_unique<InstanceLock>();
    QVERIFY(acquireInstanceLock(*first));
    QVERIFY(m_boxes->shown.isEmpty());
    QCOMPARE(QFileInfo(InstanceLock::lockPath()).absolutePath(), QFileInfo(workingDatabasePath()).absolutePath());

    InstanceLock second;
    QVERIFY(!acquireInstanceLock(second));
    QCOMPARE(m_boxes->shown.size(), 1);
    QCOMPARE(m_boxes->shown.first().prompt, alreadyRunningMessage());
    QCOMPARE(m_boxes->shown.first().style, 48);
    QVERIFY(!second.isLocked());
    QVERIFY(second.heldByAnother());

    // Once the first copy ends, a new start runs.
    first.reset();
    QVERIFY(acquireInstanceLock(second));
    QCOMPARE(m_boxes->shown.size(), 1);
}

void TestRecovery::lockOfAnEndedProcessIsTakenOver()
{
    // A lock file left by a process that was killed: its process id no
    // longer runs.
    QProcess ended;
    ended.start(QStringLiteral("true"));
    QVERIFY(ended.waitForStarted());
    const qint64 deadPid = ended.processId();
    QVERIFY(ended.waitForFinished());
    QVERIFY(deadPid > 0);
    QFile left(InstanceLock::lockPath());
    QVERIFY(left.open(QIODevice::WriteOnly));
    // Same program name and host as this process: only the process id tells
    // that the holder is gone.
    const QByteArray program = QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUtf8();
    left.write(QByteArray::number(deadPid) + "\n" + program + "\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    left.close();
    // Another lock on the file sees it held until the stale check runs.
    QVERIFY(QFile::exists(InstanceLock::lockPath()));

    InstanceLock lock;
    QVERIFY(acquireInstanceLock(lock));
    QVERIFY(m_boxes->shown.isEmpty());
}

QTEST_MAIN(TestRecovery)
#include "test_recovery.moc"
