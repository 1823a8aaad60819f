#include "DocumentCommands.h"

#include "AppState.h"
#include "FrmComm.h"
#include "FrmCommSys.h"
#include "FrmLoad.h"
#include "FrmMain.h"
#include "FrmNew.h"
#include "ModBas.h"
#include "Recovery.h"
#include "Seams.h"
#include "SettingsStore.h"
#include "Strings.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>

namespace orb {

namespace {

// A store that did not happen stops the command that asked for it, just as
// a cancelled dialog does; the cancelled mark is used up here.
bool storeLetsCommandGoOn(StoreOutcome outcome)
{
    if (outcome == StoreOutcome::Stored)
        return true;
    appState().SavAsCancel = false;
    return false;
}

// Nothing is open, yet the marks name a configuration (the one start-up
// could not restore), or could not be read while a working database was
// there. It waits, with its marks and working database, for the next start.
bool unrestoredConfigurationWaits()
{
    const AppState &s = appState();
    return !s.ConfCargada && (s.UnreadMarksKeepDatabase || !readWorkingMarks().file.isEmpty());
}

// New and Open replace the working database. While it may hold the
// configuration of an unclean end that could not be offered back (the
// marks could not be read), they ask first; No stops them.
bool mayReplaceUnreadConfiguration()
{
    const AppState &s = appState();
    if (s.ConfCargada || !s.UnreadMarksKeepDatabase)
        return true;
    MarksFault fault;
    readWorkingMarks(&fault);
    const QString file = fault.path.isEmpty() ? settingsFilePath() : fault.path;
    return MsgBox(Str(9044).arg(QDir::toNativeSeparators(dataFolder()), QDir::toNativeSeparators(file)),
                  MsgYesNoExclamation, Str(109))
           == AnsYes;
}

class MainWindowHost : public DocumentHost {
public:
    explicit MainWindowHost(FrmMain &main) : m_main(&main) {}

    bool closeConfigurationWindows() override
    {
        if (m_main && !m_main->closeEditingWindows())
            return false;
        unloadPortSettings();
        FrmLoad::unload();
        return true;
    }
    bool storeTypedEdits() override { return !m_main || m_main->storeTypedEdits(); }
    void refresh() override
    {
        Show_ConfInfo();
        if (m_main)
            m_main->LOAD_MAIN();
    }
    void showNewConfiguration() override { FrmNew::showDialog(); }
    void closeMainWindow() override
    {
        if (m_main)
            m_main->close();
    }
    bool waitingForPanel() const override { return frmComm().waiting(); }

private:
    QPointer<FrmMain> m_main;
};

} // namespace

DocumentCommands::DocumentCommands(std::unique_ptr<DocumentHost> host, QObject *parent)
    : QObject(parent)
    , m_host(std::move(host))
{
    setObjectName(QStringLiteral("DocumentCommands"));
}

DocumentCommands::~DocumentCommands() = default;

FileDialogRequest DocumentCommands::dialogRequest(bool save) const
{
    FileDialogRequest request = documentDialogRequest(save);
    // The dialog starts where it was last used: Open on the last chosen
    // file itself, Save As in its folder with WorkingName proposed.
    if (!m_fileName.isEmpty()) {
        request.directory = QFileInfo(m_fileName).absolutePath();
        if (!save)
            request.proposedName = QFileInfo(m_fileName).fileName();
    } else {
        // Nothing chosen yet in this run (a restored configuration): the
        // folder of the configuration's own document when it has one; a new
        // configuration's made-up name lies in the program's data folder,
        // which is no place for documents.
        const QString folder = QFileInfo(appState().WorkingFile).absolutePath();
        const bool ownFolder = !appState().WorkingFile.isEmpty() && QFileInfo(folder).isDir()
                               && QFileInfo(folder) != QFileInfo(dataFolder());
        request.directory = ownFolder ? folder : QDir::homePath();
    }
    return request;
}

bool DocumentCommands::newOpenQuestion()
{
    if (!m_host->storeTypedEdits() || !mayReplaceUnreadConfiguration())
        return false;
    if (!asksNewOpenQuestion() || askNewOpenQuestion() != AnsYes)
        return true;
    const StoreOutcome outcome = appState().WorkingFile.isEmpty() ? SaveAs() : Save();
    return storeLetsCommandGoOn(outcome);
}

bool DocumentCommands::closeQuestion()
{
    if (!m_host->storeTypedEdits())
        return false;
    if (!asksCloseQuestion() || askCloseQuestion() != AnsYes)
        return true;
    // Yes always chooses the document anew.
    return storeLetsCommandGoOn(SaveAs());
}

StoreOutcome DocumentCommands::store(const QString &path, bool saveAs)
{
    // Save As names the document in the marks before it writes it: from then
    // on a restore holds the configuration meant for that document, and its
    // first Save proposes that one and no other. A failed store names the
    // earlier document again.
    const AppState &s = appState();
    const WorkingMarks earlier{s.WorkingFile, s.WorkingName};
    const bool renames = saveAs && (path != earlier.file || documentTitle(path) != earlier.name);
    if (renames)
        writeWorkingMarks(path, documentTitle(path));
    QString error;
    StoreFailure failure;
    if (!storeDocument(path, &error, &failure, m_storeHook)) {
        if (renames)
            writeWorkingMarks(earlier.file, earlier.name);
        showStoreFailure(failure, error);
        return StoreOutcome::NotStored;
    }
    applyStored(path, saveAs);
    m_host->refresh();
    return StoreOutcome::Stored;
}

void DocumentCommands::New()
{
    if (!newOpenQuestion())
        return;
    m_host->showNewConfiguration();
}

void DocumentCommands::Open()
{
    if (m_host->waitingForPanel() || !newOpenQuestion())
        return;
    const QString chosen = FileDialog(dialogRequest(false));
    if (chosen.isEmpty())
        return;
    const QString path = QFileInfo(chosen).absoluteFilePath();
    m_fileName = path;

    // A file that is no configuration is refused before the windows of the
    // open one close or its working database is touched.
    QString error;
    if (!validateDocument(path, &error)) {
        showOpenFailure(error);
        return;
    }
    if (!m_host->closeConfigurationWindows())
        return;

    switch (openDocument(path, &error)) {
    case OpenDocumentResult::Invalid:
    case OpenDocumentResult::CopyFailed:
        // The working database is as it was, open again when it was open.
        showOpenFailure(error);
        m_host->refresh();
        return;
    case OpenDocumentResult::WorkingOpenFailed:
        // The document replaced the working database but cannot be opened
        // there (reported): nothing usable is open any more, so the
        // configuration ends in order rather than counting as open.
        endOpenConfiguration();
        m_host->refresh();
        return;
    case OpenDocumentResult::Opened:
        break;
    }
    applyOpened(path);
    m_host->refresh();
}

StoreOutcome DocumentCommands::Save()
{
    if (!m_host->storeTypedEdits() || !appState().ConfCargada)
        return StoreOutcome::NotStored;
    if (saveRunsSaveAs(m_fileName)) {
        const StoreOutcome outcome = SaveAs();
        appState().SavAsCancel = false;
        return outcome;
    }
    return store(m_fileName, false);
}

StoreOutcome DocumentCommands::SaveAs()
{
    if (!m_host->storeTypedEdits() || !appState().ConfCargada)
        return StoreOutcome::NotStored;
    const QString chosen = FileDialog(dialogRequest(true));
    if (chosen.isEmpty()) {
        appState().SavAsCancel = true;
        return StoreOutcome::Cancelled;
    }
    const QString path = QFileInfo(chosen).absoluteFilePath();
    m_fileName = path;
    if (!confirmReplace(path))
        return StoreOutcome::NotStored;
    return store(path, true);
}

bool DocumentCommands::endConfiguration()
{
    if (!m_host->closeConfigurationWindows())
        return false;
    if (unrestoredConfigurationWaits())
        Close_DB();
    else
        endOpenConfiguration();
    return true;
}

bool DocumentCommands::Close()
{
    if (m_host->waitingForPanel() || !closeQuestion() || !endConfiguration())
        return false;
    m_host->refresh();
    return true;
}

bool DocumentCommands::Exit()
{
    if (m_host->waitingForPanel() || !closeQuestion() || !endConfiguration())
        return false;
    m_host->refresh();
    m_host->closeMainWindow();
    return true;
}

bool DocumentCommands::closing() { return !m_host->waitingForPanel() && closeQuestion() && endConfiguration(); }

DocumentCommands &documentCommands(FrmMain &main)
{
    if (auto *commands = main.findChild<DocumentCommands *>(QString(), Qt::FindDirectChildrenOnly))
        return *commands;
    return *new DocumentCommands(std::make_unique<MainWindowHost>(main), &main);
}

} // namespace orb
