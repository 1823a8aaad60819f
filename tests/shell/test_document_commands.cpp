// The document commands as the user runs them from the main window's File
// menu, toolbar and close box: their questions, the file dialog, the stores
// and opens they lead to, and the document state and marks after each.

#include "AppState.h"
#include "DocumentCommands.h"
#include "FrmComm.h"
#include "FrmMain.h"
#include "FrmNew.h"
#include "GeneralFields.h"
#include "ModBas.h"
#include "ModCom.h"
#include "PanelSim.h"
#include "Recovery.h"
#include "ScriptedBoxes.h"
#include "Strings.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace orb;

namespace {

// A scripted file dialog: records every request and answers from a queue
// (cancel when the queue is empty).
class ScriptedDialogs {
public:
    ScriptedDialogs()
    {
        setFileDialogHandler([this](const FileDialogRequest &request) {
            requests.append(request);
            return answers.isEmpty() ? QString() : answers.takeFirst();
        });
    }
    ~ScriptedDialogs() { setFileDialogHandler({}); }
    ScriptedDialogs(const ScriptedDialogs &) = delete;
    ScriptedDialogs &operator=(const ScriptedDialogs &) = delete;

    QList<FileDialogRequest> requests;
    QStringList answers;
};

// A child window of the open configuration that may refuse to close.
class EditingWindow : public QWidget {
public:
    explicit EditingWindow(const QString &name, bool refuses = false) : m_refuses(refuses)
    {
        setObjectName(name);
    }

protected:
    void closeEvent(QCloseEvent *event) override
    {
        if (m_refuses)
            event->ignore();
        else
            event->accept();
    }

private:
    bool m_refuses;
};

// Reads one value of a document through a connection of its own; an
// invalid variant when the document cannot be read.
QVariant documentValue(const QString &path, const QString &sql)
{
    QVariant value;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("inspect"));
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(sql) && q.next())
                value = q.value(0);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("inspect"));
    return value;
}

QString documentName(const QString &path)
{
    return documentValue(path, QStringLiteral("SELECT NOMCON FROM CONFCENTRAL")).toString();
}

QString workingName()
{
    QSqlQuery q(BaseDatos());
    if (!q.exec(QStringLiteral("SELECT NOMCON FROM CONFCENTRAL")) || !q.next())
        return QString();
    return q.value(0).toString();
}

// What an editing window does: changes the working database and marks the
// configuration changed.
void edit(const QString &name)
{
    QSqlQuery q(BaseDatos());
    QVERIFY(q.prepare(QStringLiteral("UPDATE CONFCENTRAL SET NOMCON = ?")));
    q.addBindValue(name);
    QVERIFY(q.exec());
    appState().ConfModif = true;
}

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), qint64(bytes.size()));
}

struct DocumentState {
    bool loaded;
    bool changed;
    bool restored;
    QString file;
    QString name;
};

DocumentState documentState()
{
    const AppState &s = appState();
    return {s.ConfCargada, s.ConfModif, s.ConfRecup, s.WorkingFile, s.WorkingName};
}

} // namespace

class TestDocumentCommands : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void newConfigurationStateAndFirstSaveRunsSaveAs();
    void saveAfterOpenWritesAtOnceAndOpenStartsOnTheLastFile();
    void saveAfterANewConfigurationNeverWritesTheEarlierDocument();
    void firstSaveAfterARestoreRunsSaveAsInTheDocumentsFolder();
    void saveAsOntoAnExistingFileAsksAndNoStoresNothing();
    void noToTheReplaceQuestionStopsTheAskingCommand();
    void yesToTheCloseQuestionAlwaysRunsSaveAs();
    void noToTheCloseQuestionEndsWithoutStoring();
    void unchangedConfigurationAsksNothing();
    void saveQuestionOfNewAndOpen();
    void exitWithNothingOpenEmptiesTheMarks();
    void exitKeepsAConfigurationThatCouldNotBeRestored();
    void cancellingTheSaveAsOfCloseExitOrClosingKeepsEverything();
    void closeBoxBehavesAsExit();
    void openOfABadFileLeavesEverythingAsItWas_data();
    void openOfABadFileLeavesEverythingAsItWas();
    void restoredMarkGoesOnlyWithAStore();
    void failedStoreKeepsTheConfigurationOpenAndChanged_data();
    void failedStoreKeepsTheConfigurationOpenAndChanged();
    void windowsOfTheConfigurationCloseFirst();
    void documentWithoutExtensionOrShortName();
    void closingWaitsForAnExchangeWithThePanel();

private:
    // A new configuration made as the new-configuration dialog makes it.
    void makeNew(const QString &name, int zones = 4, int relays = 2);
    // The document path of a file name in the test folder.
    QString doc(const QString &fileName) const { return m_dir->filePath(fileName); }
    // Stores the open configuration as a new document through Save As.
    void saveAsNew(const QString &fileName);
    // Opens a document through File/Open.
    void openDocumentFile(const QString &fileName);
    void trigger(const char *name) { m_main->menuItem(QString::fromLatin1(name))->trigger(); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedBoxes> m_boxes;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<FrmMain> m_main;
};

void TestDocumentCommands::init()
{
    appState() = AppState{};
    setCurrentLanguage(Language::English);
    clearWorkingMarks();
    Close_DB();
    QFile::remove(workingDatabasePath());
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_boxes = std::make_unique<ScriptedBoxes>();
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_main = std::make_unique<FrmMain>();
    m_main->load();
    m_main->show();
    QVERIFY(m_boxes->shown.isEmpty());
}

void TestDocumentCommands::cleanup()
{
    // Whatever a test left open ends without questions.
    appState().ConfModif = false;
    m_main.reset();
    m_dialogs.reset();
    m_boxes.reset();
    Close_DB();
    QFile::remove(workingDatabasePath());
    clearWorkingMarks();
    m_dir.reset();
}

void TestDocumentCommands::makeNew(const QString &name, int zones, int relays)
{
    GeneralTexts texts{name, QString::number(zones), QString::number(relays), QStringLiteral("8"),
                       QStringLiteral("20"), QStringLiteral("PANEL")};
    QVERIFY(createConfiguration(texts));
    Show_ConfInfo();
    m_main->LOAD_MAIN();
}

void TestDocumentCommands::saveAsNew(const QString &fileName)
{
    const int asked = m_dialogs->requests.size();
    m_dialogs->answers << doc(fileName);
    trigger("MnuArxSavAs");
    QCOMPARE(m_dialogs->requests.size(), asked + 1);
    QCOMPARE(appState().WorkingFile, doc(fileName));
}

void TestDocumentCommands::openDocumentFile(const QString &fileName)
{
    m_dialogs->answers << doc(fileName);
    trigger("MnuArxOpen");
    QCOMPARE(appState().WorkingFile, doc(fileName));
}

void TestDocumentCommands::newConfigurationStateAndFirstSaveRunsSaveAs()
{
    makeNew(QStringLiteral("Hotel Plaza"));
    DocumentState st = documentState();
    QVERIFY(st.loaded && st.changed && !st.restored);
    QCOMPARE(st.name, Str(4924) + QStringLiteral("1"));
    QCOMPARE(readWorkingMarks().name, st.name);
    QCOMPARE(readWorkingMarks().file, st.file);

    // Save with no file chosen yet in this run: the save dialog, proposing
    // the made-up title, with the documents' filter.
    m_dialogs->answers << doc(QStringLiteral("hotel.vcs"));
    m_main->toolButton(3)->trigger();
    QCOMPARE(m_dialogs->requests.size(), 1);
    const FileDialogRequest &request = m_dialogs->requests.first();
    QVERIFY(request.save);
    QCOMPARE(request.proposedName, Str(4924) + QStringLiteral("1"));
    QCOMPARE(request.filter, Str(1046) + QStringLiteral("(*.vcs)"));
    QCOMPARE(request.directory, QDir::homePath());
    QVERIFY(m_boxes->shown.isEmpty());

    // After the completed Save As: stored, named after the file, the marks
    // still naming the new configuration.
    QCOMPARE(documentName(doc(QStringLiteral("hotel.vcs"))), QStringLiteral("Hotel Plaza"));
    QCOMPARE(documentValue(doc(QStringLiteral("hotel.vcs")), QStringLiteral("SELECT COUNT(*) FROM CONFZONAS")).toInt(),
             4);
    st = documentState();
    QVERIFY(st.loaded && !st.changed && !st.restored);
    QCOMPARE(st.file, doc(QStringLiteral("hotel.vcs")));
    QCOMPARE(st.name, QStringLiteral("hotel.vcs"));
    QCOMPARE(readWorkingMarks().name, Str(4924) + QStringLiteral("1"));
    QVERIFY(m_main->windowTitle().startsWith(QStringLiteral("hotel.vcs - ")));
    QCOMPARE(documentCommands(*m_main).FileName(), doc(QStringLiteral("hotel.vcs")));
    QVERIFY(QFile::exists(workingDatabasePath()));
    QCOMPARE(workingName(), QStringLiteral("Hotel Plaza"));

    // From now on Save writes to that document at once.
    edit(QStringLiteral("Hotel Plaza 2"));
    trigger("MnuArxSav");
    QCOMPARE(m_dialogs->requests.size(), 1);
    QVERIFY(m_boxes->shown.isEmpty());
    QCOMPARE(documentName(doc(QStringLiteral("hotel.vcs"))), QStringLiteral("Hotel Plaza 2"));
    QVERIFY(!appState().ConfModif);
}

void TestDocumentCommands::saveAfterOpenWritesAtOnceAndOpenStartsOnTheLastFile()
{
    makeNew(QStringLiteral("First"));
    saveAsNew(QStringLiteral("first.vcs"));
    trigger("MnuArxClose");
    QVERIFY(!appState().ConfCargada);
    QVERIFY(!QFile::exists(workingDatabasePath()));

    openDocumentFile(QStringLiteral("first.vcs"));
    const FileDialogRequest &request = m_dialogs->requests.last();
    QVERIFY(!request.save);
    QCOMPARE(request.proposedName, QStringLiteral("first.vcs"));
    QCOMPARE(request.directory, m_dir->path());
    DocumentState st = documentState();
    QVERIFY(st.loaded && !st.changed);
    QCOMPARE(st.name, QStringLiteral("first.vcs"));
    QCOMPARE(readWorkingMarks().file, doc(QStringLiteral("first.vcs")));
    QCOMPARE(readWorkingMarks().name, QStringLiteral("first.vcs"));
    QCOMPARE(workingName(), QStringLiteral("First"));
    QCOMPARE(appState().NomCon, QStringLiteral("First"));

    // Save writes to the document at once: no dialog, no question.
    edit(QStringLiteral("First edited"));
    const int dialogs = m_dialogs->requests.size();
    trigger("MnuArxSav");
    QCOMPARE(m_dialogs->requests.size(), dialogs);
    QVERIFY(m_boxes->shown.isEmpty());
    QCOMPARE(documentName(doc(QStringLiteral("first.vcs"))), QStringLiteral("First edited"));
    QVERIFY(!appState().ConfModif);

    // The toolbar's third button does the same.
    edit(QStringLiteral("First again"));
    m_main->toolButton(3)->trigger();
    QCOMPARE(m_dialogs->requests.size(), dialogs);
    QCOMPARE(documentName(doc(QStringLiteral("first.vcs"))), QStringLiteral("First again"));
}

void TestDocumentCommands::saveAfterANewConfigurationNeverWritesTheEarlierDocument()
{
    makeNew(QStringLiteral("Earlier"));
    saveAsNew(QStringLiteral("earlier.vcs"));
    const QByteArray earlier = bytesOf(doc(QStringLiteral("earlier.vcs")));

    // Close, then a new configuration: the dialog still names the earlier
    // document, but Save asks for a file of its own.
    trigger("MnuArxClose");
    makeNew(QStringLiteral("Later"));
    trigger("MnuArxSav");
    QCOMPARE(m_dialogs->requests.size(), 2);
    QVERIFY(m_dialogs->requests.last().save);
    QCOMPARE(bytesOf(doc(QStringLiteral("earlier.vcs"))), earlier);
    // The dialog was cancelled: nothing stored, nothing changed.
    QVERIFY(appState().ConfModif);
    QVERIFY(!appState().SavAsCancel);
    QCOMPARE(appState().WorkingName, Str(4924) + QStringLiteral("2"));
}

void TestDocumentCommands::firstSaveAfterARestoreRunsSaveAsInTheDocumentsFolder()
{
    makeNew(QStringLiteral("Hotel"));
    saveAsNew(QStringLiteral("hotel.vcs"));
    trigger("MnuArxClose");
    openDocumentFile(QStringLiteral("hotel.vcs"));
    edit(QStringLiteral("Hotel edited"));

    // The run ends without an orderly close; the next one restores the
    // configuration and knows no dialog file yet.
    m_main.reset();
    Close_DB();
    appState() = AppState{};
    m_boxes->answers << AnsYes;
    m_main = std::make_unique<FrmMain>();
    m_main->load();
    QCOMPARE(m_boxes->shown.size(), 1);
    QVERIFY(appState().ConfRecup);
    QCOMPARE(appState().WorkingFile, doc(QStringLiteral("hotel.vcs")));

    m_dialogs->answers << doc(QStringLiteral("hotel.vcs"));
    m_boxes->answers << AnsYes;   // replace the document
    const int dialogs = m_dialogs->requests.size();
    trigger("MnuArxSav");
    QCOMPARE(m_dialogs->requests.size(), dialogs + 1);
    QVERIFY(m_dialogs->requests.last().save);
    QCOMPARE(m_dialogs->requests.last().proposedName, QStringLiteral("hotel.vcs"));
    QCOMPARE(m_dialogs->requests.last().directory, m_dir->path());
    QCOMPARE(m_boxes->shown.size(), 2);
    QCOMPARE(documentName(doc(QStringLiteral("hotel.vcs"))), QStringLiteral("Hotel edited"));
    QVERIFY(!appState().ConfRecup);
    QVERIFY(!appState().ConfModif);
}

void TestDocumentCommands::saveAsOntoAnExistingFileAsksAndNoStoresNothing()
{
    const QByteArray old("not yet a configuration");
    writeBytes(doc(QStringLiteral("taken.vcs")), old);
    makeNew(QStringLiteral("Hotel"));
    const DocumentState before = documentState();

    m_dialogs->answers << doc(QStringLiteral("taken.vcs"));
    m_boxes->answers << AnsNo;
    trigger("MnuArxSavAs");
    QCOMPARE(m_boxes->shown.size(), 1);
    QCOMPARE(m_boxes->shown[0].prompt, doc(QStringLiteral("taken.vcs")) + QLatin1Char(' ') + Str(6509));
    QCOMPARE(m_boxes->shown[0].style, int(MsgYesNo));
    QCOMPARE(m_boxes->shown[0].title, applicationTitle());
    QCOMPARE(bytesOf(doc(QStringLiteral("taken.vcs"))), old);
    QVERIFY(!appState().SavAsCancel);
    QVERIFY(appState().ConfModif);
    QCOMPARE(appState().WorkingFile, before.file);

    // The dialog now names that file, but the open configuration was never
    // stored there: Save asks again rather than overwriting it.
    m_dialogs->answers << doc(QStringLiteral("taken.vcs"));
    m_boxes->answers << AnsYes;
    trigger("MnuArxSav");
    QCOMPARE(m_dialogs->requests.size(), 2);
    QCOMPARE(m_boxes->shown.size(), 2);
    QCOMPARE(documentName(doc(QStringLiteral("taken.vcs"))), QStringLiteral("Hotel"));
    QVERIFY(!appState().ConfModif);
}

void TestDocumentCommands::noToTheReplaceQuestionStopsTheAskingCommand()
{
    writeBytes(doc(QStringLiteral("taken.vcs")), "old");
    makeNew(QStringLiteral("Hotel"));
    const QString marksFile = readWorkingMarks().file;

    // Close: Yes to the save question, the file exists, No to replacing it.
    m_boxes->answers << AnsYes << AnsNo;
    m_dialogs->answers << doc(QStringLiteral("taken.vcs"));
    trigger("MnuArxClose");
    QCOMPARE(m_boxes->shown.size(), 2);
    QVERIFY(appState().ConfCargada);
    QVERIFY(appState().ConfModif);
    QCOMPARE(readWorkingMarks().file, marksFile);
    QVERIFY(QFile::exists(workingDatabasePath()));
    QCOMPARE(workingName(), QStringLiteral("Hotel"));
    QCOMPARE(bytesOf(doc(QStringLiteral("taken.vcs"))), QByteArray("old"));

    // Open: the same answers stop it before its dialog.
    m_boxes->answers << AnsYes << AnsNo;
    m_dialogs->answers << doc(QStringLiteral("taken.vcs"));
    const int dialogs = m_dialogs->requests.size();
    trigger("MnuArxOpen");
    QCOMPARE(m_dialogs->requests.size(), dialogs + 1);   // the Save As only
    QVERIFY(m_dialogs->requests.last().save);
    QVERIFY(appState().ConfModif);
    QCOMPARE(workingName(), QStringLiteral("Hotel"));
}

void TestDocumentCommands::yesToTheCloseQuestionAlwaysRunsSaveAs()
{
    makeNew(QStringLiteral("Hotel"));
    saveAsNew(QStringLiteral("hotel.vcs"));
    edit(QStringLiteral("Hotel edited"));

    // The configuration has its document, yet Yes runs Save As; choosing
    // the same document asks to replace it.
    m_boxes->answers << AnsYes << AnsYes;
    m_dialogs->answers << doc(QStringLiteral("hotel.vcs"));
    trigger("MnuArxClose");
    QCOMPARE(m_boxes->shown.size(), 2);
    QCOMPARE(m_boxes->shown[0].prompt, Str(1044));
    QCOMPARE(m_boxes->shown[0].title, Str(1045));
    QCOMPARE(m_boxes->shown[0].style, int(MsgYesNo));
    QVERIFY(m_dialogs->requests.last().save);
    QCOMPARE(m_dialogs->requests.last().proposedName, QStringLiteral("hotel.vcs"));
    QVERIFY(m_boxes->shown[1].prompt.endsWith(Str(6509)));
    QCOMPARE(documentName(doc(QStringLiteral("hotel.vcs"))), QStringLiteral("Hotel edited"));

    const DocumentState st = documentState();
    QVERIFY(!st.loaded && !st.changed);
    QVERIFY(st.file.isEmpty() && st.name.isEmpty());
    QCOMPARE(readWorkingMarks().file, QString());
    QCOMPARE(readWorkingMarks().name, QString());
    QVERIFY(!QFile::exists(workingDatabasePath()));
    QCOMPARE(m_main->windowTitle(), Str(1109));
    QVERIFY(!m_main->menuItem(QStringLiteral("MnuArxSav"))->isEnabled());
}

void TestDocumentCommands::noToTheCloseQuestionEndsWithoutStoring()
{
    makeNew(QStringLiteral("Hotel"));
    saveAsNew(QStringLiteral("hotel.vcs"));
    const QByteArray stored = bytesOf(doc(QStringLiteral("hotel.vcs")));
    const int dialogs = m_dialogs->requests.size();

    // Close: No drops the changes the user chose to drop, and nothing else.
    edit(QStringLiteral("Hotel edited"));
    m_boxes->answers << AnsNo;
    trigger("MnuArxClose");
    QCOMPARE(m_boxes->shown.size(), 1);
    QCOMPARE(m_boxes->shown[0].prompt, Str(1044));
    QCOMPARE(m_dialogs->requests.size(), dialogs);
    QCOMPARE(bytesOf(doc(QStringLiteral("hotel.vcs"))), stored);
    QVERIFY(!appState().ConfCargada && !appState().ConfModif);
    QCOMPARE(readWorkingMarks().file, QString());
    QVERIFY(!QFile::exists(workingDatabasePath()));

    // The close box: the same.
    openDocumentFile(QStringLiteral("hotel.vcs"));
    edit(QStringLiteral("Hotel edited again"));
    m_boxes->answers << AnsNo;
    QVERIFY(m_main->close());
    QCOMPARE(m_boxes->shown.size(), 2);
    QCOMPARE(m_boxes->shown[1].prompt, Str(1044));
    QCOMPARE(m_dialogs->requests.size(), dialogs + 1);   // the Open only
    QCOMPARE(documentName(doc(QStringLiteral("hotel.vcs"))), QStringLiteral("Hotel"));
    QVERIFY(!appState().ConfCargada && !appState().ConfModif);
    QCOMPARE(readWorkingMarks().file, QString());
    QVERIFY(!QFile::exists(workingDatabasePath()));
}

void TestDocumentCommands::unchangedConfigurationAsksNothing()
{
    makeNew(QStringLiteral("Hotel"));
    saveAsNew(QStringLiteral("hotel.vcs"));
    QVERIFY(!appState().ConfModif);

    trigger("MnuArxNew");
    QVERIFY(FrmNew::loaded());
    FrmNew::loaded()->CmdCan_Click();
    QVERIFY(!FrmNew::loaded());

    m_main->toolButton(1)->trigger();   // New
    QVERIFY(FrmNew::loaded());
    FrmNew::loaded()->CmdCan_Click();

    openDocumentFile(QStringLiteral("hotel.vcs"));
    m_dialogs->answers << doc(QStringLiteral("hotel.vcs"));
    m_main->toolButton(2)->trigger();   // Open
    QCOMPARE(m_dialogs->requests.size(), 3);

    trigger("MnuArxClose");
    QVERIFY(!appState().ConfCargada);
    openDocumentFile(QStringLiteral("hotel.vcs"));
    trigger("MnuArxSal");
    QVERIFY(!m_main->isVisible());
    QVERIFY(m_boxes->shown.isEmpty());
    QCOMPARE(readWorkingMarks().file, QString());
    QVERIFY(!QFile::exists(workingDatabasePath()));
}

void TestDocumentCommands::saveQuestionOfNewAndOpen()
{
    makeNew(QStringLiteral("Hotel"));
    saveAsNew(QStringLiteral("hotel.vcs"));
    edit(QStringLiteral("Hotel edited"));

    // No: Open goes on and drops the changes as the user chose.
    m_boxes->answers << AnsNo;
    openDocumentFile(QStringLiteral("hotel.vcs"));
    QCOMPARE(m_boxes->shown.size(), 1);
    QCOMPARE(m_boxes->shown[0].prompt, Str(1047) + QStringLiteral("hotel.vcs"));
    QCOMPARE(m_boxes->shown[0].title, Str(1048));
    QCOMPARE(workingName(), QStringLiteral("Hotel"));

    // Yes: Save writes the opened document at once, then New goes on.
    edit(QStringLiteral("Hotel edited"));
    m_boxes->answers << AnsYes;
    const int dialogs = m_dialogs->requests.size();
    trigger("MnuArxNew");
    QCOMPARE(m_dialogs->requests.size(), dialogs);
    QCOMPARE(documentName(doc(QStringLiteral("hotel.vcs"))), QStringLiteral("Hotel edited"));
    QVERIFY(FrmNew::loaded());
    FrmNew::loaded()->CmdCan_Click();

    // Yes, and the Save As that Save runs is cancelled: New stops.
    makeNew(QStringLiteral("Other"));
    m_boxes->answers << AnsYes;
    trigger("MnuArxNew");
    QCOMPARE(m_dialogs->requests.size(), dialogs + 1);
    QVERIFY(!FrmNew::loaded());
    QVERIFY(!appState().SavAsCancel);
    QVERIFY(appState().ConfModif);
}

void TestDocumentCommands::exitWithNothingOpenEmptiesTheMarks()
{
    makeNew(QStringLiteral("Hotel"));
    appState().ConfModif = false;
    trigger("MnuArxClose");
    QVERIFY(!appState().ConfCargada);

    trigger("MnuArxSal");
    QVERIFY(m_boxes->shown.isEmpty());
    QVERIFY(!m_main->isVisible());
    QCOMPARE(readWorkingMarks().file, QString());
    QCOMPARE(readWorkingMarks().name, QString());
    QVERIFY(!QFile::exists(workingDatabasePath()));
}

void TestDocumentCommands::exitKeepsAConfigurationThatCouldNotBeRestored()
{
    // Start-up could not restore the configuration of an unclean end: its
    // working database and marks wait for the next start.
    QVERIFY(Create_DB());
    writeWorkingMarks(QStringLiteral("/plans/hotel.vcs"), QStringLiteral("hotel.vcs"));
    QVERIFY(!appState().ConfCargada);

    trigger("MnuArxSal");
    QVERIFY(!m_main->isVisible());
    QVERIFY(m_boxes->shown.isEmpty());
    QCOMPARE(readWorkingMarks().file, QStringLiteral("/plans/hotel.vcs"));
    QVERIFY(QFile::exists(workingDatabasePath()));
}

void TestDocumentCommands::cancellingTheSaveAsOfCloseExitOrClosingKeepsEverything()
{
    makeNew(QStringLiteral("Hotel"));
    const DocumentState before = documentState();
    const QString marksFile = readWorkingMarks().file;

    const auto keptOpen = [&] {
        const DocumentState st = documentState();
        QVERIFY(st.loaded && st.changed);
        QCOMPARE(st.file, before.file);
        QCOMPARE(st.name, before.name);
        QVERIFY(!appState().SavAsCancel);
        QCOMPARE(readWorkingMarks().file, marksFile);
        QVERIFY(QFile::exists(workingDatabasePath()));
        QVERIFY(BaseDatos().isOpen());
        QCOMPARE(workingName(), QStringLiteral("Hotel"));
        QVERIFY(m_main->isVisible());
    };

    m_boxes->answers << AnsYes;
    trigger("MnuArxClose");
    QCOMPARE(m_boxes->shown.size(), 1);
    QCOMPARE(m_dialogs->requests.size(), 1);
    keptOpen();

    m_boxes->answers << AnsYes;
    trigger("MnuArxSal");
    QCOMPARE(m_boxes->shown.size(), 2);
    QCOMPARE(m_dialogs->requests.size(), 2);
    keptOpen();

    m_boxes->answers << AnsYes;
    QVERIFY(!m_main->close());
    QCOMPARE(m_boxes->shown.size(), 3);
    QCOMPARE(m_dialogs->requests.size(), 3);
    keptOpen();
}

void TestDocumentCommands::closeBoxBehavesAsExit()
{
    makeNew(QStringLiteral("Hotel"));
    m_boxes->answers << AnsYes;
    m_dialogs->answers << doc(QStringLiteral("hotel.vcs"));
    QVERIFY(m_main->close());
    QCOMPARE(m_boxes->shown.size(), 1);
    QCOMPARE(m_boxes->shown[0].prompt, Str(1044));
    QCOMPARE(documentName(doc(QStringLiteral("hotel.vcs"))), QStringLiteral("Hotel"));
    QVERIFY(!appState().ConfCargada);
    QVERIFY(!appState().ConfModif);
    QVERIFY(appState().WorkingFile.isEmpty());
    QCOMPARE(readWorkingMarks().file, QString());
    QVERIFY(!QFile::exists(workingDatabasePath()));
}

void TestDocumentCommands::openOfABadFileLeavesEverythingAsItWas_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("text") << "text";
    QTest::newRow("empty") << "empty";
    QTest::newRow("no CONFCENTRAL") << "nogeneral";
    QTest::newRow("missing") << "missing";
}

void TestDocumentCommands::openOfABadFileLeavesEverythingAsItWas()
{
    QFETCH(QString, kind);
    const QString bad = doc(QStringLiteral("bad.vcs"));
    if (kind == QLatin1String("text")) {
        writeBytes(bad, "Hotel Plaza, 4 zones, 2 relays\n");
    } else if (kind == QLatin1String("empty")) {
        writeBytes(bad, QByteArray());
    } else if (kind == QLatin1String("nogeneral")) {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("maker"));
            db.setDatabaseName(bad);
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("CREATE TABLE CONFZONAS (IDCON INTEGER, IDZON INTEGER, ETIZON TEXT)")));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("maker"));
    }

    makeNew(QStringLiteral("Hotel"));
    saveAsNew(QStringLiteral("hotel.vcs"));
    edit(QStringLiteral("Hotel edited"));
    auto *zones = new EditingWindow(QStringLiteral("FrmZon"));
    m_main->documentArea()->addSubWindow(zones)->show();
    const DocumentState before = documentState();
    const QString marksFile = readWorkingMarks().file;

    m_boxes->answers << AnsNo;   // the save question
    m_dialogs->answers << bad;
    trigger("MnuArxOpen");
    QCOMPARE(m_boxes->shown.size(), 2);
    QVERIFY(m_boxes->shown[1].prompt.startsWith(QStringLiteral("FALLO DE DASE DE DATOS: ")));
    QVERIFY(m_boxes->shown[1].prompt.size() > QStringLiteral("FALLO DE DASE DE DATOS: ").size());
    QCOMPARE(m_boxes->shown[1].style, int(MsgOk));

    const DocumentState st = documentState();
    QCOMPARE(st.loaded, before.loaded);
    QCOMPARE(st.changed, before.changed);
    QCOMPARE(st.file, before.file);
    QCOMPARE(st.name, before.name);
    QCOMPARE(readWorkingMarks().file, marksFile);
    QVERIFY(BaseDatos().isOpen());
    QCOMPARE(workingName(), QStringLiteral("Hotel edited"));
    QVERIFY(zones->isVisible());
    if (kind != QLatin1String("missing"))
        QVERIFY(QFile::exists(bad));
}

void TestDocumentCommands::restoredMarkGoesOnlyWithAStore()
{
    makeNew(QStringLiteral("Hotel"));
    saveAsNew(QStringLiteral("hotel.vcs"));
    trigger("MnuArxClose");

    // As after a restore: open, changed and marked restored.
    openDocumentFile(QStringLiteral("hotel.vcs"));
    appState().ConfRecup = true;
    appState().ConfModif = true;
    m_main->LOAD_MAIN();
    QVERIFY(m_main->windowTitle().contains(Str(1216)));

    // Open keeps the mark.
    m_boxes->answers << AnsNo;
    openDocumentFile(QStringLiteral("hotel.vcs"));
    QVERIFY(appState().ConfRecup);
    QVERIFY(!appState().ConfModif);

    // Save clears it.
    trigger("MnuArxSav");
    QVERIFY(!appState().ConfRecup);
    QVERIFY(!m_main->windowTitle().contains(Str(1216)));
}

void TestDocumentCommands::failedStoreKeepsTheConfigurationOpenAndChanged_data()
{
    QTest::addColumn<int>("step");
    QTest::newRow("reading the working database") << int(StoreStep::Read);
    QTest::newRow("check") << int(StoreStep::Check);
    QTest::newRow("temporary file") << int(StoreStep::CreateTemp);
    QTest::newRow("compaction") << int(StoreStep::Compact);
    QTest::newRow("flush") << int(StoreStep::SyncFile);
    QTest::newRow("rename") << int(StoreStep::Rename);
}

void TestDocumentCommands::failedStoreKeepsTheConfigurationOpenAndChanged()
{
    QFETCH(int, step);
    const auto failing = StoreStep(step);
    makeNew(QStringLiteral("Hotel"));
    saveAsNew(QStringLiteral("hotel.vcs"));
    const QByteArray stored = bytesOf(doc(QStringLiteral("hotel.vcs")));
    edit(QStringLiteral("Hotel edited"));
    const QString marksFile = readWorkingMarks().file;
    documentCommands(*m_main).setStoreFailureHook([failing](StoreStep s) { return s == failing; });

    const auto checkFailure = [&](int box) {
        const ShownBox &shown = m_boxes->shown.at(box);
        if (isRepairStep(failing)) {
            QVERIFY(shown.prompt.startsWith(Str(1011)));
            QCOMPARE(shown.style, int(MsgCritical));
        } else {
            QVERIFY(shown.prompt.startsWith(Str(1001)));
            QCOMPARE(shown.style, int(MsgOk));
        }
        QVERIFY(appState().ConfCargada);
        QVERIFY(appState().ConfModif);
        QCOMPARE(appState().WorkingFile, doc(QStringLiteral("hotel.vcs")));
        QCOMPARE(readWorkingMarks().file, marksFile);
        QCOMPARE(bytesOf(doc(QStringLiteral("hotel.vcs"))), stored);
        QCOMPARE(workingName(), QStringLiteral("Hotel edited"));
        QVERIFY(BaseDatos().isOpen());
        QCOMPARE(m_main->isVisible(), true);
    };

    trigger("MnuArxSav");
    QCOMPARE(m_boxes->shown.size(), 1);
    checkFailure(0);

    // Exit: Yes, Save As onto the document, Yes to replace, the store
    // fails: the program does not end.
    m_boxes->answers << AnsYes << AnsYes;
    m_dialogs->answers << doc(QStringLiteral("hotel.vcs"));
    trigger("MnuArxSal");
    QCOMPARE(m_boxes->shown.size(), 4);
    checkFailure(3);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"hotel.vcs"});

    // Once the store succeeds the same command goes through.
    documentCommands(*m_main).setStoreFailureHook({});
    trigger("MnuArxSav");
    QCOMPARE(documentName(doc(QStringLiteral("hotel.vcs"))), QStringLiteral("Hotel edited"));
    QVERIFY(!appState().ConfModif);
}

void TestDocumentCommands::windowsOfTheConfigurationCloseFirst()
{
    makeNew(QStringLiteral("Hotel"));
    appState().ConfModif = false;

    // A window that refuses to close keeps the configuration open.
    auto *stubborn = new EditingWindow(QStringLiteral("FrmConf"), true);
    QMdiSubWindow *stubbornFrame = m_main->documentArea()->addSubWindow(stubborn);
    stubbornFrame->show();
    trigger("MnuArxClose");
    QVERIFY(appState().ConfCargada);
    QVERIFY(BaseDatos().isOpen());
    QVERIFY(!readWorkingMarks().file.isEmpty());
    QVERIFY(!m_main->close());
    QVERIFY(appState().ConfCargada);

    // Once it gives way, Close closes it and every other editing window
    // before the working database goes; other child windows stay.
    delete stubbornFrame;
    auto *zones = new EditingWindow(QStringLiteral("FrmZon"));
    m_main->documentArea()->addSubWindow(zones)->show();
    auto *about = new EditingWindow(QStringLiteral("FrmAbt"));
    m_main->documentArea()->addSubWindow(about)->show();
    QPointer<EditingWindow> zonesAlive(zones);
    trigger("MnuArxClose");
    QVERIFY(!appState().ConfCargada);
    QVERIFY(!zonesAlive || !zonesAlive->isVisible());
    QVERIFY(about->isVisible());
    QVERIFY(!QFile::exists(workingDatabasePath()));
}

void TestDocumentCommands::documentWithoutExtensionOrShortName()
{
    makeNew(QStringLiteral("Hotel"));
    // Besides each document, nothing else is left in the folder; a file
    // whose name matches what cutting four characters would give is
    // untouched.
    writeBytes(doc(QStringLiteral("Ho.mdb")), "user file");
    saveAsNew(QStringLiteral("Hotel"));
    saveAsNew(QStringLiteral("a"));
    QCOMPARE(documentName(doc(QStringLiteral("Hotel"))), QStringLiteral("Hotel"));
    QCOMPARE(documentName(doc(QStringLiteral("a"))), QStringLiteral("Hotel"));
    QCOMPARE(bytesOf(doc(QStringLiteral("Ho.mdb"))), QByteArray("user file"));
    QStringList files = QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden);
    files.sort();
    QCOMPARE(files, QStringList({"Ho.mdb", "Hotel", "a"}));

    trigger("MnuArxClose");
    openDocumentFile(QStringLiteral("a"));
    QCOMPARE(appState().WorkingName, QStringLiteral("a"));
    QCOMPARE(workingName(), QStringLiteral("Hotel"));
}

void TestDocumentCommands::closingWaitsForAnExchangeWithThePanel()
{
    orb::test::PanelSim sim;
    QVERIFY(sim.start());
    orb::test::pointCom1At(sim.devicePath());
    sim.misbehave(orb::test::PanelSim::Misbehaviour::Silent);
    makeNew(QStringLiteral("Hotel"));
    const QString marksFile = readWorkingMarks().file;

    saveAsNew(QStringLiteral("hotel.vcs"));
    saveAsNew(QStringLiteral("other.vcs"));
    const int dialogs = m_dialogs->requests.size();

    // File/Close, File/Exit, File/Open and the close box are used while the
    // program waits for the panel (a window's own exchange leaves the menus
    // on): none of them takes the configuration away underneath it.
    FrmComm &comm = frmComm();
    comm.setReplyTimeout(300);
    bool closedDuringWait = true;
    bool stillOpenDuringWait = false;
    QTimer::singleShot(0, m_main.get(), [&] {
        trigger("MnuArxClose");
        trigger("MnuArxSal");
        m_dialogs->answers << doc(QStringLiteral("hotel.vcs"));
        trigger("MnuArxOpen");
        closedDuringWait = m_main->close();
        stillOpenDuringWait = appState().ConfCargada && QFile::exists(workingDatabasePath());
    });
    Frame frame;
    Msg_Time(frame);
    QVERIFY(comm.Send_Msg(frame));
    QCOMPARE(comm.Wait_Ack(), quint8(RxFail));
    QVERIFY(stillOpenDuringWait);
    QVERIFY(!closedDuringWait);
    QVERIFY(m_main->isVisible());
    QVERIFY(appState().ConfCargada);
    QCOMPARE(appState().WorkingFile, doc(QStringLiteral("other.vcs")));
    QCOMPARE(m_dialogs->requests.size(), dialogs);
    QCOMPARE(readWorkingMarks().file, marksFile);
    QVERIFY(BaseDatos().isOpen());
    QCOMPARE(workingName(), QStringLiteral("Hotel"));
    m_dialogs->answers.clear();

    // Once the exchange is over the window closes as usual, and the serial
    // host goes with it, closing the port.
    comm.Form_Unload();
    QVERIFY(comm.MSComm1().setPortOpen(true));
    QPointer<FrmComm> host(&comm);
    QVERIFY(m_main->close());
    QVERIFY(!appState().ConfCargada);
    QVERIFY(!QFile::exists(workingDatabasePath()));
    QVERIFY(!host);
}

QTEST_MAIN(TestDocumentCommands)
#include "test_document_commands.moc"
