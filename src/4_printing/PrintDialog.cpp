#include "PrintDialog.h"

#include "QtSeams.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QRadioButton>
#include <QTimer>

namespace orb {

namespace {

PrintDialogHandler &handler()
{
    static PrintDialogHandler h;
    return h;
}

bool showPrintDialog(QPrinter &printer, const QString &title)
{
    QPrintDialog dialog(&printer, dialogParent());
    dialog.setWindowTitle(title);
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize
                      | QAbstractPrintDialog::PrintCollateCopies);
    dialog.setPrintRange(QAbstractPrintDialog::AllPages);
    // Every page prints. The desktop's dialog may still offer a range of
    // pages, whatever its options say, once it shows: such a choice would
    // not be kept.
    QTimer::singleShot(0, &dialog, [&dialog] {
        for (const char *range : {"printRange", "pagesRadioButton", "printCurrentPage", "printSelection"}) {
            if (auto *choice = dialog.findChild<QRadioButton *>(QLatin1String(range)))
                choice->setEnabled(false);
        }
    });
    return dialog.exec() == QDialog::Accepted;
}

} // namespace

bool PrintDialog(QPrinter &printer, const QString &title)
{
    return handler() && handler()(printer, title);
}

PrintDialogHandler setPrintDialogHandler(PrintDialogHandler h)
{
    return std::exchange(handler(), std::move(h));
}

void installPrintDialog() { setPrintDialogHandler(showPrintDialog); }

} // namespace orb
