// The document commands as the user runs them from the main window's File
// menu, toolbar and close box: their questions (as real boxes too, which
// wait for Yes or No), the file dialog, the stores and opens they lead to,
// and the document state, marks and title after each.

#include "DocumentCommands.h"
#include "FrmNew.h"
#include "MainWindowFixture.h"
#include "QtSeams.h"
#include "TestHome.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// A child window of the main window; it refuses to close while `refuses`
// is set.
class EditingWindow : public QWidget {
public:
    bool refuses = false;
    void closeEvent(QCloseEvent *event) override { event->setAccepted(!refuses); }
};

// The configuration name held in a database; empty when it cannot be read.
QString nameIn(const QSqlDatabase &db)
{
    QSqlQuery q(db);
    return q.exec(QStringLiteral("SELECT NOMCON FROM CONFCENTRAL")) && q.next() ? q.value(0).toString() : QString();
}

// The same of a document, read on a connection of its own.
QString documentName(const QString &path) { return onSideConnection(path, true, nameIn); }

const QString kHotel = QStringLiteral("hotel.vcs");
const QString kEdited = QStringLiteral("Hotel edited");

// The real box of the question the program shows next, once it shows:
// Escape, a close as the window manager sends it, and a close of its own,
// after each of which it must still show with `intact()` still holding;
// then its button `answer`. Counts the boxes handled in `seen`.
void escapeThenAnswer(QObject *context, int answer, const std::function<void()> &intact, int *seen)
{
    auto *timer = new QTimer(context);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, context, [=] {
        const QPointer<QMessageBox> box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        timer->deleteLater();
        timer->stop();
        ++*seen;
        // Whatever fails below, the box is answered: the command goes on.
        const auto answered = qScopeGuard([&box, answer] {
            if (box && box->isVisible())
                box->button(answer == AnsYes ? QMessageBox::Yes : QMessageBox::No)->click();
        });
        const std::function<void()> attempts[] = {
            [&] { QTest::keyClick(box->windowHandle(), Qt::Key_Escape); },
            [&] {
                QCloseEvent close;
                QCoreApplication::sendEvent(box->windowHandle(), &close);
            },
            [&] { box->close(); },
        };
        for (const auto &attempt : attempts) {
            attempt();
            QCoreApplication::processEvents();
            QVERIFY(box && box->isVisible());
            intact();
            if (QTest::currentTestFailed())
                return;
        }
        // Nor does the title bar offer a close button.
        QVERIFY(!(box->windowFlags() & Qt::WindowCloseButtonHint));
    });
    timer->start();
}

// What an editing window does: changes the working database and marks the
// configuration changed.
void edit()
{
    QVERIFY(QSqlQuery(BaseDatos()).exec(QStringLiteral("UPDATE CONFCENTRAL SET NOMCON = 'Hotel edited'")));
    appState().ConfModif = true;
}

} // namespace

class TestDocumentCommands : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void saveRunsSaveAsUnlessTheConfigurationComesFromTheLastChosenFile();
    void noToReplacingOrACancelledSaveAsStopsTheAskingCommand();
    void closeQuestion_data();
    void closeQuestion();
    void failureKeepsTheConfigurationOpenAndChanged_data();
    void failureKeepsTheConfigurationOpenAndChanged();
    void storeTheFileSystemRefusesSaysSo_data();
    void storeTheFileSystemRefusesSaysSo();
    void storeOntoADocumentInUseChangesNothing_data();
    void storeOntoADocumentInUseChangesNothing();
    void questionClosedWithoutAnAnswerStays_data();
    void questionClosedWithoutAnAnswerStays();
    void newAndOpenLeaveTheRestoredMark_data();
    void newAndOpenLeaveTheRestoredMark();
    void windowsOfTheConfigurationCloseFirst();
    void closingWaitsForAnExchangeWithThePanel();

private:
    // A new configuration "Hotel" made as the new-configuration dialog
    // makes it; stored as hotel.vcs and then edited when asked.
    void makeNew(bool storedAndEdited = false);
    QString doc(const QString &fileName) const { return m_dir->filePath(fileName); }
    // Runs a menu command; its file dialog answers with fileName.
    void choose(const char *command, const QString &fileName) { m_answers << doc(fileName); trigger(command); }
    void trigger(const char *name) { m_fx.main->menuItem(QString::fromLatin1(name))->trigger(); }
    EditingWindow *addWindow(const char *name);
    // The run ends without an orderly close: its state and main window go,
    // its files and marks stay.
    void endUncleanly()
    {
        m_fx.main.reset();
        Close_DB();
        appState() = AppState{};
    }
    // Still open and changed as the test left it.
    void checkKeptOpen(const QString &name);
    // Nothing open any more, and nothing left of it.
    void checkEnded();

    MainWindowFixture m_fx;
    std::unique_ptr<QTemporaryDir> m_dir;
    QList<FileDialogRequest> m_requests; // every file dialog shown
    QStringList m_answers;               // their answers; cancel when empty
    QString m_marksFile;                 // what the marks of the last new configuration name
};

void TestDocumentCommands::init()
{
    m_fx.start();
    m_dir = std::make_unique<QTemporaryDir>();
    m_requests.clear();
    m_answers.clear();
    setFileDialogHandler([this](const FileDialogRequest &request) {
        m_requests.append(request);
        return m_answers.isEmpty() ? QString() : m_answers.takeFirst();
    });
    m_fx.main->show();
}

void TestDocumentCommands::cleanup()
{
    m_fx.stop();
    m_dir.reset();
}

void TestDocumentCommands::makeNew(bool storedAndEdited)
{
    QVERIFY(createConfiguration({QStringLiteral("Hotel"), QStringLiteral("4"), QStringLiteral("2"),
                                 QStringLiteral("8"), QStringLiteral("20"), QStringLiteral("PANEL")}));
    Show_ConfInfo();
    m_fx.main->LOAD_MAIN();
    m_marksFile = readWorkingMarks().file;
    if (storedAndEdited) {
        // From then on the marks name the document.
        choose("MnuArxSavAs", kHotel);
        m_marksFile = doc(kHotel);
        QCOMPARE(readWorkingMarks().file, m_marksFile);
        edit();
    }
}

EditingWindow *TestDocumentCommands::addWindow(const char *name)
{
    auto *window = new EditingWindow;
    window->setObjectName(QString::fromLatin1(name));
    m_fx.main->documentArea()->addSubWindow(window)->show();
    return window;
}

void TestDocumentCommands::checkKeptOpen(const QString &name)
{
    QVERIFY(appState().ConfCargada && appState().ConfModif && !appState().SavAsCancel);
    QCOMPARE(readWorkingMarks().file, m_marksFile);
    QCOMPARE(nameIn(BaseDatos()), name);
    QVERIFY(BaseDatos().isOpen() && m_fx.main->isVisible());
}

void TestDocumentCommands::checkEnded()
{
    QVERIFY(!appState().ConfCargada && !appState().ConfModif && appState().WorkingFile.isEmpty());
    QVERIFY(readWorkingMarks().file.isEmpty() && readWorkingMarks().name.isEmpty());
    QVERIFY(!QFile::exists(workingDatabasePath()));
}

void TestDocumentCommands::saveRunsSaveAsUnlessTheConfigurationComesFromTheLastChosenFile()
{
    makeNew();

    // Save (the toolbar's third button) with no file chosen yet in this run:
    // the save dialog, proposing the made-up title, in the home folder. A
    // name without extension is stored as chosen.
    m_answers << doc(QStringLiteral("hotel"));
    m_fx.main->toolButton(3)->trigger();
    QCOMPARE(m_requests.value(0).proposedName, Str(4924) + QStringLiteral("1"));
    QCOMPARE(m_requests.value(0).directory, QDir::homePath());
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("hotel")});
    QVERIFY(appState().ConfCargada && !appState().ConfModif);
    QVERIFY(m_fx.main->windowTitle().startsWith(QStringLiteral("hotel - ")));

    // Opened again (the toolbar's second button, asking nothing while
    // unchanged): the dialog starts on that file, and Save writes to it at
    // once.
    m_answers << doc(QStringLiteral("hotel"));
    m_fx.main->toolButton(2)->trigger();
    QVERIFY(!m_requests.last().save);
    QCOMPARE(m_requests.last().proposedName, QStringLiteral("hotel"));
    QCOMPARE(m_requests.last().directory, m_dir->path());
    QCOMPARE(readWorkingMarks().file, doc(QStringLiteral("hotel")));
    edit();
    trigger("MnuArxSav");
    QCOMPARE(m_requests.size(), 2);
    QVERIFY(m_fx.boxes->shown.isEmpty());
    QCOMPARE(documentName(doc(QStringLiteral("hotel"))), kEdited);
    QVERIFY(!appState().ConfModif);

    // The run ends without an orderly close; the next one restores the
    // configuration and knows no dialog file yet: Save runs Save As, in the
    // folder of the configuration's document.
    endUncleanly();
    m_fx.boxes->answers << AnsYes << AnsYes; // restore it; then replace the document
    m_fx.main = std::make_unique<FrmMain>();
    m_fx.main->load();
    QVERIFY(appState().ConfRecup);
    choose("MnuArxSav", QStringLiteral("hotel"));
    QCOMPARE(m_requests.size(), 3);
    QCOMPARE(m_requests.last().proposedName, QStringLiteral("hotel"));
    QCOMPARE(m_requests.last().directory, m_dir->path());
    QVERIFY(!appState().ConfRecup && !appState().ConfModif);
    // Unchanged, Close asks nothing. (Save after a New:
    // noToReplacingOrACancelledSaveAsStopsTheAskingCommand.)
    trigger("MnuArxClose");
    QCOMPARE(m_fx.boxes->shown.size(), 2);
    checkEnded();
}

void TestDocumentCommands::noToReplacingOrACancelledSaveAsStopsTheAskingCommand()
{
    QVERIFY(writeFile(doc(QStringLiteral("taken.vcs")), "old"));
    makeNew();

    // Save As onto an existing file asks; No stores nothing.
    choose("MnuArxSavAs", QStringLiteral("taken.vcs"));
    QCOMPARE(m_fx.boxes->shown.value(0).prompt, doc(QStringLiteral("taken.vcs")) + QLatin1Char(' ') + Str(6509));
    QCOMPARE(m_fx.boxes->shown.value(0).style, int(MsgYesNo));

    // Open: Yes to saving, No to replacing stops it; it never shows its own
    // dialog. New: Yes to saving, Save As cancelled stops it. (Close, Exit
    // and the close box: closeQuestion.)
    m_fx.boxes->answers << AnsYes << AnsNo << AnsYes;
    choose("MnuArxOpen", QStringLiteral("taken.vcs"));
    trigger("MnuArxNew");
    QCOMPARE(m_fx.boxes->shown.size(), 4);
    QCOMPARE(m_fx.boxes->shown[1].prompt, Str(1047) + appState().WorkingName);
    QCOMPARE(m_requests.size(), 3);
    QVERIFY(!FrmNew::loaded());
    QCOMPARE(fileBytes(doc(QStringLiteral("taken.vcs"))), QByteArray("old"));
    checkKeptOpen(QStringLiteral("Hotel"));

    // The dialog now names that file, but the configuration was never
    // stored there: Save asks again rather than overwriting it.
    m_fx.boxes->answers << AnsYes;
    choose("MnuArxSav", QStringLiteral("taken.vcs"));
    QCOMPARE(m_requests.size(), 4);
    QCOMPARE(documentName(doc(QStringLiteral("taken.vcs"))), QStringLiteral("Hotel"));
}

void TestDocumentCommands::closeQuestion_data()
{
    QTest::addColumn<QString>("command"); // a File menu item, or empty: the close box
    QTest::addColumn<int>("answer");      // to the close question
    QTest::addColumn<bool>("cancel");     // the Save As dialog that Yes opens
    for (const char *command : {"MnuArxClose", "MnuArxSal", ""}) {
        const char *row = *command ? command : "close box";
        QTest::addRow("%s, Yes", row) << QString::fromLatin1(command) << int(AnsYes) << false;
        QTest::addRow("%s, No", row) << QString::fromLatin1(command) << int(AnsNo) << false;
        QTest::addRow("%s, Yes, Save As cancelled", row) << QString::fromLatin1(command) << int(AnsYes) << true;
    }
}

void TestDocumentCommands::closeQuestion()
{
    QFETCH(QString, command);
    QFETCH(int, answer);
    QFETCH(bool, cancel);
    makeNew(true);
    const QByteArray stored = fileBytes(doc(kHotel));

    // Yes runs Save As although the configuration has its document;
    // choosing that document asks to replace it.
    m_fx.boxes->answers << answer << AnsYes;
    if (!cancel)
        m_answers << doc(kHotel);
    if (command.isEmpty())
        m_fx.main->close();
    else
        m_fx.main->menuItem(command)->trigger();

    const bool stores = answer == AnsYes && !cancel;
    QCOMPARE(m_fx.boxes->shown[0].prompt, Str(1044));
    QCOMPARE(m_fx.boxes->shown.size(), stores ? 2 : 1);
    QCOMPARE(m_requests.size(), answer == AnsYes ? 2 : 1);
    if (stores)
        QCOMPARE(documentName(doc(kHotel)), kEdited);
    else
        QCOMPARE(fileBytes(doc(kHotel)), stored);
    if (cancel) {
        checkKeptOpen(kEdited); // the close box too: the window stays
        return;
    }
    checkEnded();
    QCOMPARE(m_fx.main->isVisible(), command == QLatin1String("MnuArxClose"));
}

void TestDocumentCommands::failureKeepsTheConfigurationOpenAndChanged_data()
{
    QTest::addColumn<bool>("open"); // Open of a text file, or stores that fail
    QTest::newRow("open of a text file") << true;
    QTest::newRow("store") << false;
}

void TestDocumentCommands::failureKeepsTheConfigurationOpenAndChanged()
{
    QFETCH(bool, open);
    makeNew(true);
    const EditingWindow *zones = addWindow("FrmZon");
    if (open) {
        QVERIFY(writeFile(doc(QStringLiteral("bad.vcs")), "Hotel, 4 zones, 2 relays\n"));
        m_fx.boxes->answers << AnsNo; // the save question
        choose("MnuArxOpen", QStringLiteral("bad.vcs"));
        QCOMPARE(m_fx.boxes->shown.size(), 2);
        QVERIFY(m_fx.boxes->shown[1].prompt.startsWith(QStringLiteral("FALLO DE DASE DE DATOS: 26 (")));
    } else {
        documentCommands(*m_fx.main).setStoreFailureHook([](StoreStep s) { return s == StoreStep::Rename; });
        // Save, then Exit: Yes, Save As onto the document, Yes to replace
        // it; each store fails, says so, and the program goes on. (Which
        // message a failure shows, and that the old document stays, is the
        // documents' own test.)
        trigger("MnuArxSav");
        m_fx.boxes->answers << AnsYes << AnsYes;
        choose("MnuArxSal", kHotel);
        QCOMPARE(m_fx.boxes->shown.size(), 4);
        QVERIFY(m_fx.boxes->shown[0].prompt.startsWith(Str(1001) + doc(kHotel) + Str(1)));
        QCOMPARE(m_fx.boxes->shown[3].prompt, m_fx.boxes->shown[0].prompt);
    }
    QCOMPARE(appState().WorkingFile, doc(kHotel));
    checkKeptOpen(kEdited);
    QVERIFY(zones->isVisible());
}

void TestDocumentCommands::storeTheFileSystemRefusesSaysSo_data()
{
    QTest::addColumn<QString>("locked");   // the file or folder made immutable
    QTest::addColumn<QString>("fileName"); // the document Save As chooses; empty: Save
    QTest::newRow("Save: the rename over the document refused") << kHotel << "";
    QTest::newRow("Save As: nothing may be made in the folder") << "locked" << "locked/otro.vcs";
}

void TestDocumentCommands::storeTheFileSystemRefusesSaysSo()
{
    QFETCH(QString, locked);
    QFETCH(QString, fileName);
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("locked")));
    makeNew(true);
    const QByteArray stored = fileBytes(doc(kHotel));

    // An immutable file may be neither replaced nor removed, and nothing may
    // be made in or removed from an immutable folder: refused for real, to
    // root as to anyone.
    const int fd = ::open(QFile::encodeName(doc(locked)).constData(), O_RDONLY | O_CLOEXEC);
    QVERIFY(fd >= 0);
    const auto closeFd = qScopeGuard([fd] { ::close(fd); });
    int flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0 || ::ioctl(fd, FS_IOC_SETFLAGS, &(flags |= FS_IMMUTABLE_FL)) != 0)
        QSKIP("the immutable flag cannot be set here (it takes CAP_LINUX_IMMUTABLE and a file system that keeps it)");
    const auto unlock = qScopeGuard([fd, &flags] {
        flags &= ~FS_IMMUTABLE_FL;
        ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
    });

    if (fileName.isEmpty()) {
        trigger("MnuArxSav");
    } else {
        choose("MnuArxSavAs", fileName);
    }
    // It says so, naming the document and why; the document, the marks and
    // the changes stay, and nothing is left beside the document.
    QCOMPARE(m_fx.boxes->shown.size(), 1);
    const QString target = fileName.isEmpty() ? doc(kHotel) : doc(fileName);
    QVERIFY2(m_fx.boxes->shown[0].prompt.startsWith(Str(1001) + target + Str(1) + QStringLiteral("\n\n1 (")),
             qPrintable(m_fx.boxes->shown[0].prompt));
    QCOMPARE(fileBytes(doc(kHotel)), stored);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{kHotel});
    QCOMPARE(QDir(doc(QStringLiteral("locked"))).entryList(QDir::Files | QDir::Hidden), QStringList());
    QCOMPARE(appState().WorkingFile, doc(kHotel));
    checkKeptOpen(kEdited);
}

void TestDocumentCommands::storeOntoADocumentInUseChangesNothing_data()
{
    QTest::addColumn<QString>("fileName");   // the document Save As chooses; empty: Save
    QTest::addColumn<QString>("statements"); // another connection holding the document after these
    QTest::addColumn<QString>("reason");
    QTest::newRow("Save As: a folder where its journal belongs")
        << "otro.vcs" << "" << "26 (A device, a pipe, a socket or a folder lies where its journal belongs)";
    QTest::newRow("Save: another program writing it") << "" << "BEGIN EXCLUSIVE" << "5 (database is locked)";
    QTest::newRow("Save As: another program reading it")
        << kHotel << "BEGIN;SELECT count(*) FROM CONFZONAS" << "5 (database is locked)";
}

void TestDocumentCommands::storeOntoADocumentInUseChangesNothing()
{
    QFETCH(QString, fileName);
    QFETCH(QString, statements);
    QFETCH(QString, reason);
    makeNew(true);
    const QString target = doc(fileName.isEmpty() ? kHotel : fileName);
    if (statements.isEmpty())
        QVERIFY(QDir().mkdir(target + QStringLiteral("-journal")));
    const QByteArray stored = fileBytes(doc(kHotel));
    const QByteArray working = fileBytes(workingDatabasePath());
    const QString title = m_fx.main->windowTitle();

    {
        // Another connection of its own, which the engine keeps apart from
        // the store's as it keeps other programs apart.
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        other.setDatabaseName(target);
        QSqlQuery query(other);
        for (const QString &statement : statements.split(QLatin1Char(';'), Qt::SkipEmptyParts))
            QVERIFY2((other.isOpen() || other.open()) && query.exec(statement), qPrintable(statement));
        m_fx.boxes->answers << AnsYes; // replace it, when asked
        if (fileName.isEmpty())
            trigger("MnuArxSav");
        else
            choose("MnuArxSavAs", fileName);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other"));

    // It says so, naming the document and why; the document, the working
    // database, the marks, the title and the changes stay.
    QCOMPARE(m_fx.boxes->shown.size(), fileName == kHotel ? 2 : 1);
    QCOMPARE(m_fx.boxes->shown.last().prompt,
             Str(1001) + target + Str(1) + QStringLiteral("\n\n") + reason + QStringLiteral("\n\n") + Str(1002));
    QCOMPARE(fileBytes(doc(kHotel)), stored);
    QCOMPARE(fileBytes(workingDatabasePath()), working);
    QVERIFY(QFile::exists(target) == (target == doc(kHotel)));
    QCOMPARE(m_fx.main->windowTitle(), title);
    QCOMPARE(appState().WorkingFile, doc(kHotel));
    checkKeptOpen(kEdited);
}

void TestDocumentCommands::questionClosedWithoutAnAnswerStays_data()
{
    QTest::addColumn<QString>("command"); // a File menu item; "close box"; "restore": the next start
    QTest::addColumn<int>("answer");      // given once Escape and the closes have been tried
    QTest::newRow("close") << "MnuArxClose" << int(AnsNo);
    QTest::newRow("exit") << "MnuArxSal" << int(AnsNo);
    QTest::newRow("close box") << "close box" << int(AnsNo);
    QTest::newRow("new") << "MnuArxNew" << int(AnsYes);
    QTest::newRow("open") << "MnuArxOpen" << int(AnsNo);
    QTest::newRow("restore") << "restore" << int(AnsYes);
}

void TestDocumentCommands::questionClosedWithoutAnAnswerStays()
{
    QFETCH(QString, command);
    QFETCH(int, answer);
    makeNew(true);
    const bool restore = command == QLatin1String("restore");
    if (restore)
        endUncleanly();

    // The boxes the program itself shows, the test's file dialog kept.
    const FileDialogHandler files = setFileDialogHandler({});
    installQtSeams();
    setFileDialogHandler(files);
    const auto scripted = qScopeGuard([] {
        setMsgBoxHandler({});
        setPointerHandler({});
    });
    int seen = 0;
    QObject watch; // the watch for the box ends with the test
    escapeThenAnswer(&watch, answer, [&] {
        QVERIFY(QFile::exists(workingDatabasePath()));
        if (restore)
            QCOMPARE(readWorkingMarks().file, m_marksFile);
        else
            checkKeptOpen(kEdited);
    }, &seen);

    if (restore) {
        m_fx.main = std::make_unique<FrmMain>();
        m_fx.main->load();
    } else if (command == QLatin1String("close box")) {
        m_fx.main->close();
    } else {
        m_fx.main->menuItem(command)->trigger();
    }
    QCOMPARE(seen, 1);
    // The answer counts as given.
    if (restore) {
        QVERIFY(appState().ConfCargada && appState().ConfRecup);
        QCOMPARE(nameIn(BaseDatos()), kEdited);
    } else if (answer == AnsYes) {
        QCOMPARE(documentName(doc(kHotel)), kEdited);
        QVERIFY(FrmNew::loaded());
    } else if (command == QLatin1String("MnuArxOpen")) {
        QCOMPARE(m_requests.size(), 2); // the open dialog, cancelled
    } else {
        checkEnded();
    }
}

void TestDocumentCommands::newAndOpenLeaveTheRestoredMark_data()
{
    QTest::addColumn<bool>("open"); // Open of a document, or New
    QTest::newRow("new") << false;
    QTest::newRow("open") << true;
}

void TestDocumentCommands::newAndOpenLeaveTheRestoredMark()
{
    QFETCH(bool, open);
    makeNew(true);
    // The next start restores it.
    endUncleanly();
    m_fx.boxes->answers << AnsYes;
    m_fx.main = std::make_unique<FrmMain>();
    m_fx.main->load();
    const QString restored = QStringLiteral(" (") + Str(1216) + QStringLiteral(") - ");
    QCOMPARE(m_fx.main->windowTitle(), kHotel + restored + Str(1109));

    // No to saving it; then another configuration, made or opened, which
    // was never restored.
    if (open) {
        choose("MnuArxOpen", kHotel);
    } else {
        trigger("MnuArxNew");
        QVERIFY(FrmNew::loaded());
        fill(FrmNew::loaded(), {QStringLiteral("Otra"), QStringLiteral("2"), QStringLiteral("1"), QStringLiteral("8"),
                                QStringLiteral("20"), QStringLiteral("OTRA")});
        FrmNew::loaded()->CmdWrConf()->click();
    }
    QCOMPARE(nameIn(BaseDatos()), open ? QStringLiteral("Hotel") : QStringLiteral("Otra"));
    QVERIFY(!appState().ConfRecup);
    QCOMPARE(m_fx.main->windowTitle(), appState().WorkingName + QStringLiteral(" - ") + Str(1109));
}

void TestDocumentCommands::windowsOfTheConfigurationCloseFirst()
{
    makeNew();
    EditingWindow *settings = addWindow("FrmConf");
    settings->refuses = true;
    const QPointer<EditingWindow> zones(addWindow("FrmZon"));
    const EditingWindow *about = addWindow("FrmAbt");

    // A window that refuses to close keeps the configuration open.
    trigger("MnuArxClose");
    QVERIFY(!m_fx.main->close());
    QVERIFY(appState().ConfCargada && BaseDatos().isOpen() && !readWorkingMarks().file.isEmpty());

    // Once it gives way, Close closes every editing window before the
    // working database goes; other child windows stay.
    settings->refuses = false;
    trigger("MnuArxClose");
    checkEnded();
    QVERIFY(!zones || !zones->isVisible());
    QVERIFY(about->isVisible());
}

void TestDocumentCommands::closingWaitsForAnExchangeWithThePanel()
{
    m_fx.sim->misbehave(PanelSim::Misbehaviour::Silent);
    makeNew(true);

    // File/Close, File/Exit, File/Open and the close box are used while the
    // program waits for the panel (a window's own exchange leaves the menus
    // on): none of them takes the configuration away underneath it.
    FrmComm &comm = frmComm();
    comm.setReplyTimeout(300);
    QTimer::singleShot(0, m_fx.main.get(), [&] {
        trigger("MnuArxClose");
        trigger("MnuArxSal");
        trigger("MnuArxOpen");
        m_fx.main->close();
        checkKeptOpen(kEdited);
    });
    Frame frame;
    Msg_Time(frame);
    QVERIFY(comm.Send_Msg(frame));
    QCOMPARE(comm.Wait_Ack(), quint8(RxFail));
    QCOMPARE(m_requests.size(), 1);
    QVERIFY(m_fx.boxes->shown.isEmpty());

    // Once the exchange is over the window closes as usual, and the serial
    // host goes with it, closing the port.
    comm.Form_Unload();
    QVERIFY(comm.MSComm1().setPortOpen(true));
    QPointer<FrmComm> host(&comm);
    QVERIFY(m_fx.main->close()); // No to the close question
    QVERIFY(!host);
}

ORB_TEST_MAIN(TestDocumentCommands)
#include "test_document_commands.moc"
