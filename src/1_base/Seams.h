#pragma once
// The one seam through which the program asks the user anything or changes
// the mouse pointer. The program installs handlers that show real dialogs
// (installQtSeams() in the widgets library); tests install scripted ones.
// Code without windows (database, frames, transfers) calls these too, so it
// is tested without a display.

#include <QString>
#include <functional>

namespace orb {

// Message-box styles and answers, numbered as the program has always used
// them.
enum MsgStyle {
    MsgOk = 0,
    MsgYesNo = 4,
    MsgCritical = 16,
    MsgExclamation = 48,
    MsgOkCancelExclamation = 49,
    MsgYesNoExclamation = 52,
};
enum MsgAnswer { AnsOk = 1, AnsCancel = 2, AnsYes = 6, AnsNo = 7 };

// Shows a message box and returns the answer. An empty title shows the
// application title "ORBITarsis".
int MsgBox(const QString &prompt, int style = MsgOk, const QString &title = QString());

// The title a box given no title shows.
QString applicationTitle();

using MsgBoxHandler = std::function<int(const QString &prompt, int style, const QString &title)>;
// Replaces the handler and returns the previous one. Without a handler the
// box is written to stderr and answered OK (or No for a question).
MsgBoxHandler setMsgBoxHandler(MsgBoxHandler handler);

// Mouse pointer: hourglass while busy, the default pointer otherwise.
enum class Pointer { Default, Hourglass };
void SetPointer(Pointer pointer);
Pointer currentPointer();
using PointerHandler = std::function<void(Pointer)>;
PointerHandler setPointerHandler(PointerHandler handler);

// File dialog. Returns the chosen path, or an empty string when cancelled.
struct FileDialogRequest {
    bool save = false;      // a save dialog (else an open dialog)
    QString title;
    QString filter;         // as QFileDialog takes it: "Text (*.vcs)"
    QString proposedName;   // the file name the dialog starts with
    QString directory;      // where the dialog starts; empty for the last one
};
QString FileDialog(const FileDialogRequest &request);
using FileDialogHandler = std::function<QString(const FileDialogRequest &)>;
FileDialogHandler setFileDialogHandler(FileDialogHandler handler);

} // namespace orb
