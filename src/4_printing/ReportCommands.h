#pragma once
// The print and preview commands: a report is prepared from the open
// configuration and then shown in a preview window or printed through the
// print dialog. The main window runs the report of the editing window active
// last; the report choosers run the report chosen from their list.

#include "PrintHost.h"

#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace orb {

class Report;

enum class ReportKind { General, Zones, Relays };

// The report of an editing window by its name (exact, case-sensitive):
// "FrmConf" the general report, "FrmZon" the zone report, "FrmRel" the relay
// report; nullopt for any other.
std::optional<ReportKind> reportOfWindow(const QString &windowName);

// The report of that kind reading its rows from the working database
// (IMPCONFCENTRAL, CONFZONAS, IMPCONFRELES), not yet prepared.
std::shared_ptr<Report> workingReport(ReportKind kind);

// The report of that kind prepared for showing or printing: titled, its
// print table refilled (see Prn_Con, Prn_Zon, Prn_Rel). Null when the refill
// failed; the user has been told.
std::shared_ptr<Report> prepareReport(ReportKind kind);

// Asks through the print dialog where to print, then prints every page onto
// the printer set-up the previews share. `handedOut` runs once the user has
// chosen to print, before the pages go. False when the dialog was cancelled
// (nothing printed, the set-up as it was) or printing failed (the user has
// been told).
bool printReport(const Report &report, const std::function<void()> &handedOut = {});

// A whole command with the hourglass pointer: stores a label still being
// typed (a failure to store it, told, ends the command with no report),
// prepares the report, then previews or prints it. `handedOut` runs when the report goes to its preview
// window or, once the print dialog is answered with print, to the printer.
// True when the report was shown or printed.
bool runReport(ReportKind kind, ReportOutput output, const std::function<void()> &handedOut = {});

// The report of the main window's print and preview commands, given its
// child windows from the one in front back to the one active longest ago:
// the report a preview in front shows, else that of the editing window
// active last (whatever else is in front: the About box, the port settings,
// a chooser); nullopt when no editing window is open.
std::optional<ReportKind> reportOfChildren(const QList<QWidget *> &windows);

// The main window's print and preview commands: runs that report; without
// one does nothing, the pointer included.
void runReportOfChildren(const QList<QWidget *> &windows, ReportOutput output);

} // namespace orb
