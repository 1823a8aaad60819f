#pragma once
// What the report commands and windows need of the main window. The main
// window registers itself as the host when it is made and withdraws when it
// goes; until then (and in tests without a main window) a host that knows no
// configuration caption stands in, so the printing code never tests for it.

#include <QIcon>
#include <QSize>
#include <QString>
#include <memory>

class QPrinter;

namespace orb {

// Where a report goes: into a preview window or onto a printer.
enum class ReportOutput { Preview, Print };

class PrintHost {
public:
    virtual ~PrintHost() = default;

    // The caption of the configuration field of the status panel as it
    // stands; every report title ends with it.
    virtual QString configurationCaption() const = 0;
    // The main window's size; the report choosers centre themselves on it.
    virtual QSize mainWindowSize() const = 0;
    // The picture of the main window's preview or print command.
    virtual QIcon reportCommandIcon(ReportOutput output) const = 0;
    // The one printer set-up that previews and printing share: the printer,
    // paper and file the user chose last.
    virtual std::shared_ptr<QPrinter> reportPrinter() = 0;
    // Stores what an editing window holds typed but not yet entered, as
    // entering it would, before a report reads the configuration. False when
    // it could not be stored (told): no report is made.
    virtual bool storeTypedEdits() = 0;
};

// The registered host, or the stand-in.
PrintHost &printHost();
// Registers the host, and withdraws it when it goes (a host that is not the
// registered one withdraws nothing).
void setPrintHost(PrintHost *host);
void withdrawPrintHost(PrintHost *host);

// A printer as the reports start out on: high resolution, A4 paper.
std::shared_ptr<QPrinter> makeReportPrinter();

// Sets `printer` to the printer (or file format), paper, orientation and
// margins of `setUp`. A preview lays its pages out on a printer of its own
// that follows the shared set-up this way: the pages a preview shows belong
// to the printer they were laid out on, and laying out another preview's
// pages on the same printer would throw them away.
void followSetUp(const QPrinter &setUp, QPrinter &printer);

} // namespace orb
