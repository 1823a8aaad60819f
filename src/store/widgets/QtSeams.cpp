#include "QtSeams.h"

#include "Seams.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>

namespace orb {

namespace {

int showMessageBox(const QString &prompt, int style, const QString &title)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title);
    box.setText(prompt);
    // Wide enough for its title, with room for the title bar's buttons: a
    // short prompt would otherwise cut the title.
    if (auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label"))) {
        QFont bold = box.font();
        bold.setBold(true);
        label->setMinimumWidth(QFontMetrics(bold).horizontalAdvance(title) + 60);
    }
    switch (style & 0x70) {
    case MsgCritical: box.setIcon(QMessageBox::Critical); break;
    case MsgExclamation: box.setIcon(QMessageBox::Warning); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    switch (style & 0x7) {
    case 1: // OK and Cancel
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case MsgYesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    default:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes: return AnsYes;
    case QMessageBox::No: return AnsNo;
    case QMessageBox::Cancel: return AnsCancel;
    default: return AnsOk;
    }
}

void setPointer(Pointer pointer)
{
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    if (pointer == Pointer::Hourglass)
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

QString showFileDialog(const FileDialogRequest &request)
{
    QFileDialog dialog(QApplication::activeWindow(), request.title, request.directory, request.filter);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The program asks its own replace question after a save dialog.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!request.proposedName.isEmpty())
        dialog.selectFile(request.proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

void installQtSeams()
{
    setMsgBoxHandler(showMessageBox);
    setPointerHandler(setPointer);
    setFileDialogHandler(showFileDialog);
}

} // namespace orb
