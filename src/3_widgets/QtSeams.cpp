#include "QtSeams.h"

#include "MdiHost.h"
#include "Seams.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLayout>
#include <QMdiArea>
#include <QMessageBox>
#include <QScreen>

namespace orb {

namespace {

// The width a box needs to show its whole title in a window manager's title
// bar: the title in bold, as title bars show it, and room for the window icon
// and the buttons beside it.
int titleBarWidth(const QString &title, const QFont &font)
{
    QFont bold = font;
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    // Room for the window icon and three buttons beside the title, each
    // wider than a line is high, and the bar's margins: a common window
    // manager takes about eight lines' height for them.
    return metrics.horizontalAdvance(title) + 9 * metrics.height();
}

// QMessageBox sizes itself to its text whenever it shows or its layout
// changes, and keeps room for its title only in the font of a document
// window's title bar. This box then widens itself to its title as a window
// manager's title bar shows it; the wrapped text gets the extra room.
//
// A question (Yes and No) is answered with one of its buttons or not at
// all: QMessageBox would take Escape, its title bar's close button and the
// window manager's close for No, and No may throw work away. Such a box asks
// the window manager for no close button (one that shows it anyway finds it
// does nothing), and Escape and a close from outside do nothing.
class TitledMessageBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

    void requireAnswer()
    {
        m_answerRequired = true;
        setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                       | Qt::MSWindowsFixedSizeDialogHint);
    }

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (m_answerRequired && event->matches(QKeySequence::Cancel)) {
            event->accept();
            return;
        }
        QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent *event) override
    {
        if (m_answerRequired) {
            event->ignore();
            return;
        }
        QMessageBox::closeEvent(event);
    }

    bool event(QEvent *event) override
    {
        const bool handled = QMessageBox::event(event);
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::LayoutRequest:
        case QEvent::FontChange:
        case QEvent::StyleChange:
        case QEvent::WindowTitleChange:
            widenToTitle();
            break;
        default:
            break;
        }
        return handled;
    }

private:
    bool m_answerRequired = false;

    void widenToTitle()
    {
        const int width = qMin(titleBarWidth(windowTitle(), font()), screen()->availableGeometry().width());
        if (!isVisible() || !layout() || this->width() >= width)
            return;
        QLayout *grid = layout();
        grid->activate();
        const int height =
            grid->hasHeightForWidth() ? grid->totalHeightForWidth(width) : grid->totalMinimumSize().height();
        setFixedSize(width, height);
        QCoreApplication::removePostedEvents(this, QEvent::LayoutRequest);
    }
};

int showMessageBox(const QString &prompt, int style, const QString &title)
{
    const auto box = buildMessageBox(prompt, style, title, dialogParent());
    switch (box->exec()) {
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
    QFileDialog dialog(dialogParent(), request.title, request.directory, request.filter);
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

QWidget *dialogParent()
{
    if (QWidget *active = QApplication::activeWindow())
        return active;
    const QMdiArea *area = mdiArea();
    return area ? area->window() : nullptr;
}

std::unique_ptr<QMessageBox> buildMessageBox(const QString &prompt, int style, const QString &title, QWidget *parent)
{
    auto box = std::make_unique<TitledMessageBox>(parent);
    box->setWindowTitle(title);
    box->setText(prompt);
    switch (style & 0x70) {
    case MsgCritical: box->setIcon(QMessageBox::Critical); break;
    case MsgExclamation: box->setIcon(QMessageBox::Warning); break;
    default: box->setIcon(QMessageBox::NoIcon); break;
    }
    switch (style & 0x7) {
    case 1: // OK and Cancel
        box->setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case MsgYesNo:
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->requireAnswer();
        break;
    default:
        box->setStandardButtons(QMessageBox::Ok);
        break;
    }
    return box;
}

void installQtSeams()
{
    setMsgBoxHandler(showMessageBox);
    setPointerHandler(setPointer);
    setFileDialogHandler(showFileDialog);
}

} // namespace orb
