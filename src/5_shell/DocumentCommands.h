#pragma once
// The document commands of the File menu (New, Open, Save, Save As, Close,
// Exit) and what the main window's closing does, on ".vcs" documents.
//
// The rule every command keeps: unsaved changes are never dropped. A save
// question answered Yes goes on only after the store really happened; a
// cancelled dialog, No to the replace question or a failed store stops the
// command that asked, and the configuration stays open and marked changed.
// So does a label typed but not yet entered that cannot be stored: every
// command stops before its question.
//
// The file dialog's last chosen file ("FileName") is kept here for the run:
// Open starts the dialog on it, and Save writes to it at once only when the
// open configuration was opened from or stored to that very file.
//
// The commands reach the main window only through DocumentHost, so they are
// tested with a host of the test's own as well as with the real window.

#include "Documents.h"

#include <QObject>
#include <QString>
#include <memory>

namespace orb {

class FrmMain;

// What the document commands need from the main window.
class DocumentHost {
public:
    virtual ~DocumentHost() = default;
    // Closes the windows that work on the open configuration (editing
    // windows, port settings, progress box) before its working database is
    // replaced or deleted. False when one of them refused to close. The
    // save question has been answered by then, so a closing window stores
    // nothing into the configuration: what it has not stored is dropped.
    virtual bool closeConfigurationWindows() = 0;
    // Stores what an editing window holds typed but not yet entered, as
    // entering it would, so that it counts as a change: every command calls
    // this before it judges or stores the configuration. False when it could
    // not be stored (told): the command stops there with nothing changed,
    // and the text waits where it was typed.
    virtual bool storeTypedEdits() = 0;
    // Status fields, title, menus and toolbar for the current document state.
    virtual void refresh() = 0;
    // Shows the new-configuration dialog, which creates the configuration.
    virtual void showNewConfiguration() = 0;
    // Closes the main window; its closing runs closing() once more.
    virtual void closeMainWindow() = 0;
    // True while the program waits for the panel's reply. The exchange
    // goes on working in the configuration, so it is neither closed nor
    // replaced meanwhile.
    virtual bool waitingForPanel() const = 0;
};

enum class StoreOutcome {
    Stored,      // the document was written and the document state updated
    Cancelled,   // the Save As dialog was cancelled (SavAsCancel set)
    NotStored,   // No to the replace question, or the store failed (reported)
};

class DocumentCommands : public QObject {
    Q_OBJECT
public:
    explicit DocumentCommands(std::unique_ptr<DocumentHost> host, QObject *parent = nullptr);
    ~DocumentCommands() override;

    // File/New: the save question, then the new-configuration dialog.
    void New();
    // File/Open: the save question, the open dialog, then the chosen
    // document becomes the working database. A file that is not a whole
    // configuration is refused before anything is touched.
    // Open, Close, Exit and closing() do nothing while the program waits
    // for the panel.
    void Open();
    // File/Save: stores into the dialog's last file, or runs Save As when
    // the open configuration does not come from that file. Clears
    // SavAsCancel after a Save As it ran.
    StoreOutcome Save();
    // File/Save As: the save dialog proposing WorkingName, the replace
    // question for an existing file, then the store; the marks name the
    // chosen document from the start of the store on, and the earlier one
    // again when it fails. A cancelled dialog sets SavAsCancel.
    StoreOutcome SaveAs();
    // File/Close: the close question, then the configuration ends (marks
    // emptied, working database closed and deleted). False when it stayed open.
    bool Close();
    // File/Exit: as Close, then the main window closes. False when nothing
    // closed.
    bool Exit();
    // The main window is closing: the close question and the clean-up of
    // Close. False keeps the window open (Save As cancelled, a store that
    // did not happen, or a window that refused to close).
    bool closing();

    // The file the document dialog last chose in this run; empty before
    // the first choice.
    QString FileName() const { return m_fileName; }

    // Test seam: passed to every store (see storeDocument).
    void setStoreFailureHook(StoreStepHook hook) { m_storeHook = std::move(hook); }

private:
    bool newOpenQuestion();
    bool closeQuestion();
    bool endConfiguration();
    StoreOutcome store(const QString &path, bool saveAs);
    FileDialogRequest dialogRequest(bool save) const;

    std::unique_ptr<DocumentHost> m_host;
    QString m_fileName;
    StoreStepHook m_storeHook;
};

// The document commands of the main window, made on first use and owned by
// it (so the dialog's file name lives as long as the window).
DocumentCommands &documentCommands(FrmMain &main);

} // namespace orb
