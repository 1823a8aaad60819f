#pragma once
// Printing a report definition onto pages. The renderer works in two passes:
// the first lays every band out on pages (growing the controls that may grow
// and moving bands that do not fit), so that the number of pages is known
// when the second paints them, "%P" included. It paints onto any paged
// device: a printer, a PDF writer or the printer a print preview hands out.

#include "Report.h"

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <QVariantMap>
#include <memory>

class QPagedPaintDevice;
class QPrintPreviewWidget;

namespace orb {

// One control as it lands on a page.
struct PlacedControl {
    const ReportControl *control = nullptr;   // into the report laid out
    QRect rect;          // twips from the top-left corner of the paper
    QString text;        // a label's caption (placeholders still in it) or a text box's value
    int section = 0;     // SectionKind of the band it belongs to
    int row = -1;        // detail row it shows; -1 outside the detail
    bool wrap = false;   // its text wraps at its width
};

struct ReportPage {
    QList<PlacedControl> controls;
};

struct ReportLayout {
    QList<ReportPage> pages;
};

// The first pass: the report with these rows on pages of paperTwips. The
// report header comes first on the first page, then the page header; the
// page footer sits at the bottom of every page; the report footer follows
// the last row.
ReportLayout layoutReport(const Report &report, const QList<QVariantMap> &rows, QSize paperTwips);

// A caption with "%i" replaced by the title, "%p" by the page number and
// "%P" by the page count, in one pass: a title holding "%P" prints as it is.
QString expandPlaceholders(const QString &caption, const QString &title, int page, int pages);

// Reads the report's rows, lays them out on the device's paper and paints
// every page. Returns the number of pages, 0 when the device could not be
// painted on.
int renderReport(const Report &report, QPagedPaintDevice &device);

// Renders the report into a PDF file on A4 paper. On failure returns false
// with the reason in *error.
bool renderReportToPdf(const Report &report, const QString &path, QString *error = nullptr);

// Lets a print preview show the report: each time the preview asks for its
// pages, the report is read and rendered anew onto the preview's printer.
void connectPreview(QPrintPreviewWidget &preview, std::shared_ptr<const Report> report);

} // namespace orb
