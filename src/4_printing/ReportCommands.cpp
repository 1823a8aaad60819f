#include "ReportCommands.h"

#include "FrmPreview.h"
#include "ModPrint.h"
#include "PrintDialog.h"
#include "PrintHost.h"
#include "ReportRenderer.h"
#include "RptCon.h"
#include "RptRel.h"
#include "RptZon.h"
#include "Schema.h"
#include "Seams.h"
#include "Strings.h"
#include "WorkingRows.h"

#include <QPrinter>

namespace orb {

std::optional<ReportKind> reportOfWindow(const QString &windowName)
{
    if (windowName == QLatin1String("FrmConf"))
        return ReportKind::General;
    if (windowName == QLatin1String("FrmZon"))
        return ReportKind::Zones;
    if (windowName == QLatin1String("FrmRel"))
        return ReportKind::Relays;
    return std::nullopt;
}

std::shared_ptr<Report> workingReport(ReportKind kind)
{
    std::shared_ptr<Report> report;
    switch (kind) {
    case ReportKind::General:
        report = std::make_shared<RptCon>();
        report->source = std::make_shared<TableRowSource>(tabImpConfCentral());
        break;
    case ReportKind::Zones:
        report = std::make_shared<RptZon>();
        report->source = std::make_shared<TableRowSource>(tabConfZonas());
        break;
    case ReportKind::Relays:
        report = std::make_shared<RptRel>();
        report->source = std::make_shared<TableRowSource>(tabImpConfReles());
        break;
    }
    return report;
}

std::shared_ptr<Report> prepareReport(ReportKind kind)
{
    std::shared_ptr<Report> report = workingReport(kind);
    bool ready = true;
    switch (kind) {
    case ReportKind::General: ready = Prn_Con(static_cast<RptCon &>(*report)); break;
    case ReportKind::Zones: Prn_Zon(static_cast<RptZon &>(*report)); break;
    case ReportKind::Relays: ready = Prn_Rel(static_cast<RptRel &>(*report)); break;
    }
    return ready ? report : nullptr;
}

bool printReport(const Report &report, const std::function<void()> &handedOut)
{
    const std::shared_ptr<QPrinter> printer = printHost().reportPrinter();
    // The dialog waits for the user, not for the program; the pages take a
    // moment.
    const Pointer before = currentPointer();
    SetPointer(Pointer::Default);
    if (!PrintDialog(*printer, Str(4101))) {
        SetPointer(before);
        return false;
    }
    if (handedOut)
        handedOut();
    SetPointer(Pointer::Hourglass);
    printer->setDocName(report.Title);
    const bool printed = renderReport(report, *printer) > 0;
    SetPointer(before);
    if (!printed)
        MsgBox(Str(9309), MsgExclamation, Str(109));
    return printed;
}

bool runReport(ReportKind kind, ReportOutput output, const std::function<void()> &handedOut)
{
    if (!printHost().storeTypedEdits())
        return false;
    SetPointer(Pointer::Hourglass);
    bool done = false;
    if (const std::shared_ptr<Report> report = prepareReport(kind)) {
        if (output == ReportOutput::Print) {
            done = printReport(*report, handedOut);
        } else {
            if (handedOut)
                handedOut();
            FrmPreview::showReport(kind, report);
            done = true;
        }
    }
    SetPointer(Pointer::Default);
    return done;
}

std::optional<ReportKind> reportOfChildren(const QList<QWidget *> &windows)
{
    if (const auto *preview = windows.isEmpty() ? nullptr : qobject_cast<const FrmPreview *>(windows.first()))
        return preview->kind();
    for (const QWidget *window : windows) {
        if (const std::optional<ReportKind> kind = reportOfWindow(window->objectName()))
            return kind;
    }
    return std::nullopt;
}

void runReportOfChildren(const QList<QWidget *> &windows, ReportOutput output)
{
    if (const std::optional<ReportKind> kind = reportOfChildren(windows))
        runReport(*kind, output);
}

} // namespace orb
