#include "PrintDialog.h"

#include <QApplication>
#include <QPrintDialog>
#include <QPrinter>

namespace orb {

namespace {

PrintDialogHandler &handler()
{
    static PrintDialogHandler h;
    return h;
}

bool showPrintDialog(QPrinter &printer, const QString &title)
{
    QPrintDialog dialog(&printer, QApplication::activeWindow());
    dialog.setWindowTitle(title);
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize
                      | QAbstractPrintDialog::PrintCollateCopies);
    dialog.setPrintRange(QAbstractPrintDialog::AllPages);
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
