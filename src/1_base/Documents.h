#pragma once
// Documents: a ".vcs" file is a complete copy of the working database.
//
// Storing never touches the working database: on a separate read-only
// connection it is checked (sound, and a whole configuration,
// ConfigurationCheck.h) and copied in compacted form (VACUUM INTO) into a
// new temporary file beside the document, the copy is flushed to disk, the
// old document's journals are removed (applied to the new document they
// would turn it back into the old one) and the copy is renamed over the
// document in one step, then the folder is flushed. After a crash at any
// moment the document is either the old one or the new one, whole. From
// before the copy is made until it is in place the old document is held
// with the engine's exclusive lock; while another program reads or writes
// it, the store waits as long as an open would (5 s) and then gives up,
// leaving the document and that program's journal alone.
//
// Opening reads the document through the engine, read-only (so a document
// in WAL mode comes with the changes still in its -wal file), checks it,
// and copies its rows into a temporary file beside the working database
// whose tables are made as the program makes them: the document's own
// schema (column types, triggers, views, other tables) never comes along.
// A document the engine could only read by applying a journal another
// program left is refused. The copy is checked to hold one whole
// configuration (ConfigurationCheck.h), and only then put in place of the
// working database, which waits aside with its journals (Marks.h) until the
// copy is open with Open_Conf and the marks name the document. A bad file
// leaves the working database and the open configuration exactly as they
// were, and the document is never written.
//
// Temporary files are named "." + the first 50 characters of the target's
// file name + "." + eight random letters or digits + ".orbtmp": hidden, never
// ending in ".vcs", so the document dialogs never offer them. A command
// removes its own before it ends. One left behind by a crash (with the
// journal SQLite may keep beside it) is removed at the next start
// (removeLeftoverTemps), or by the next store into the same document (or
// the next open into the working database); nothing ever reads it.
//
// Files of the program's own are never documents: a temporary file, the
// working database, and whatever lies in the data folder or beside the
// settings file are refused as the document to open and as the target of a
// store. So is a document with a pipe, device, socket or folder where its
// journal belongs: the engine would open it before the document.
//
// The helpers at the end apply what the document commands do to ConfCargada,
// ConfModif, ConfRecup, WorkingFile and WorkingName, and ask their questions.

#include "Seams.h"

#include <QString>
#include <functional>

namespace orb {

// The steps of a store, in order.
enum class StoreStep {
    Read,       // the working database opened for reading (missing or unreadable)
    Check,      // the working database checked: sound, and a whole configuration
    CreateTemp, // a new temporary file beside the document
    Compact,    // compacted copy of the working database into it
    SyncFile,   // the copy flushed to disk
    Rename,     // the copy put in place of the document in one step
    SyncFolder, // the folder flushed so that the new name is durable
};

// The steps of an open, in order.
enum class OpenStep {
    CreateTemp, // a new temporary file beside the working database
    Copy,       // the document checked, read through the engine and its rows copied into it
    SyncFile,   // the copy flushed to disk
    Validate,   // the copy checked to be a whole configuration
    SetAside,   // the working database set aside (Marks.h)
    Rename,     // the copy put in place of the working database
};

// Test seam: called before each step; returning true makes that step fail
// as if its file operation had failed (with EIO).
using StoreStepHook = std::function<bool(StoreStep)>;
using OpenStepHook = std::function<bool(OpenStep)>;

// What a failed store is reported against.
enum class StoreFault {
    Working, // the working database is missing or cannot be read
    Check,   // the working database is damaged or not a whole configuration
    Target,  // the document could not be written: its folder, the disk
};

struct StoreFailure {
    StoreStep step = StoreStep::Read;
    StoreFault fault = StoreFault::Working;
    QString path; // the file a copy failure names: the working database or the document
};

// Stores the working database into documentPath (see above), after checking
// that it is sound and holds a whole configuration (checkConfiguration).
// Shows the hourglass pointer while it runs and puts the default pointer
// back. On failure returns false, leaves the old document as it was (or,
// when only the final folder flush failed, the new document whole in its
// place), no temporary file behind, and fills error with the error number
// followed by its text in brackets, and failure with the failing step and
// what it is reported against. A failed compaction is the document's when
// its folder or disk refused the copy (no space, no permission, cannot
// open), the working database's otherwise.
// A store onto a file of the program's own (see above), onto a device,
// pipe or socket, or onto a document with anything but files where its
// journals belong, is refused, and so is a store of a working database with
// such journals. A store onto a document another program holds fails with
// the engine's "database is locked" once the wait is over.
bool storeDocument(const QString &documentPath, QString *error = nullptr, StoreFailure *failure = nullptr,
                   const StoreStepHook &simulateFailure = {});

// Creates a new, empty temporary file beside the target (named as above),
// never reusing an existing name. Its permissions are those of the file it
// replaces (replacedPath), or the usual ones for a new file. Returns the
// path, or an empty string with errno set.
QString createTemp(const QString &folder, const QString &targetFileName, const QString &replacedPath);
// Removes the temporary files of the target in folder that an end of the
// program left, with their journals and what the settings store's writer
// leaves beside them.
void removeStaleTemps(const QString &folder, const QString &targetFileName);

// Removes the temporary files an open or a store cut short by the end of
// the program left: those beside the working database, and those beside the
// document at documentPath (the real one, behind links) when one is given.
// Run at start-up, while no other copy of the program is at work.
void removeLeftoverTemps(const QString &documentPath);

// Shows the message for a failed store: string 1011 and the error with the
// critical icon when the working database is not fit to be stored, the
// copy-failure message naming the working database or the document when
// one of them could not be read or written.
void showStoreFailure(const StoreFailure &failure, const QString &error);

// Checks that the file at path is a configuration document: an SQLite
// database (not text, not empty, not a file of the program's own, no pipe
// where its journal belongs) that passes a quick check and holds one
// whole configuration (checkConfiguration). The file is opened read-only on
// a separate connection and closed again; the file itself is not changed.
// On failure fills error with an error number and its text in brackets.
bool validateDocument(const QString &path, QString *error = nullptr);

enum class OpenDocumentResult {
    Opened,            // the document is the working database, header loaded
    Invalid,           // not a configuration document: nothing changed
    CopyFailed,        // the document could not be copied: nothing changed
    WorkingOpenFailed, // the working database was replaced but Open_Conf could not load it
};

// Opens the document at path into the working database (see above) and,
// once it is open, writes the marks naming it (path and its title). For
// Invalid and CopyFailed the working database and the marks are left as
// they were, and if its connection was open it is open again. Fills error
// as validateDocument.
OpenDocumentResult openDocument(const QString &path, QString *error = nullptr,
                                const OpenStepHook &simulateFailure = {});

// Shows the Open failure message: "FALLO DE DASE DE DATOS: " and the error.
void showOpenFailure(const QString &error);

// ---------------------------------------------------------------------------
// Document state and the questions of the document commands. The marks of
// an open configuration and the orderly end of one are kept by the shell
// (writeWorkingMarks, endOpenConfiguration).

// The title of a document as the file dialog reports it: its file name
// without the folder.
QString documentTitle(const QString &fileName);

// After Open: ConfCargada set, ConfModif and ConfRecup cleared,
// WorkingFile/WorkingName := fileName and its title (what openDocument
// wrote into the marks).
void applyOpened(const QString &fileName);

// After a completed Save As (saveAs true) or Save: ConfModif and ConfRecup
// cleared, WorkingFile/WorkingName := fileName and its title; Save As also
// sets ConfCargada. The marks are the caller's (DocumentCommands).
void applyStored(const QString &fileName, bool saveAs);

// The save question of New and Open is asked only when a configuration is
// open and changed; that of Close, Exit and the closing only when changed.
bool asksNewOpenQuestion();
bool asksCloseQuestion();

// The questions themselves, composed in Mensaje and TituloMsg: string 1047
// and WorkingName titled 1048, and string 1044 titled 1045, with Yes/No
// buttons. Return the answer (AnsYes or AnsNo).
int askNewOpenQuestion();
int askCloseQuestion();

// Save writes at once only to the file the dialog last chose
// (dialogFileName) and only when the open configuration was opened from or
// stored to that file; otherwise it runs Save As.
bool saveRunsSaveAs(const QString &dialogFileName);

// The request of the Open (save false) and Save As (save true) dialogs:
// filter string 1046 and "(*.vcs)"; Save As proposes WorkingName.
FileDialogRequest documentDialogRequest(bool save);

// Before a Save As writes onto an existing file: the chosen path, a blank
// and string 6509, Yes/No, no title. True when the file does not exist or
// the answer is Yes.
bool confirmReplace(const QString &path);

} // namespace orb
