#pragma once
// The seam through which the program asks where and how a report prints.
// The program installs the real print dialog (installPrintDialog()); tests
// install a handler that answers, so nothing waits for a user.

#include <QString>
#include <functional>

class QPrinter;

namespace orb {

// Asks the user about `printer` in a dialog titled `title`. True when the
// user chose to print: the printer then holds the printer, paper and file
// chosen. False when the dialog was cancelled: the printer is as it was.
bool PrintDialog(QPrinter &printer, const QString &title);

using PrintDialogHandler = std::function<bool(QPrinter &printer, const QString &title)>;
// Replaces the handler and returns the previous one. Without a handler
// every dialog counts as cancelled.
PrintDialogHandler setPrintDialogHandler(PrintDialogHandler handler);

// Installs the desktop's print dialog as the handler. It prints every page
// (there is no range to choose) and, on a machine without printers, offers
// printing to a PDF file.
void installPrintDialog();

} // namespace orb
