#include "PrintHost.h"

#include "OneInstance.h"

#include <QPageSize>
#include <QPrinter>

namespace orb {

namespace {

class NoHost : public PrintHost {
public:
    QString configurationCaption() const override { return {}; }
    QSize mainWindowSize() const override { return {}; }
    QIcon reportCommandIcon(ReportOutput) const override { return {}; }
    // Without a main window there is no set-up to keep.
    std::shared_ptr<QPrinter> reportPrinter() override { return makeReportPrinter(); }
    // Without a main window no editing window holds anything.
    bool storeTypedEdits() override { return true; }
};

} // namespace

PrintHost &printHost()
{
    static NoHost none;
    return registeredHost<PrintHost>() ? *registeredHost<PrintHost>() : none;
}

void setPrintHost(PrintHost *host) { registeredHost<PrintHost>() = host; }

void withdrawPrintHost(PrintHost *host) { withdrawHost(host); }

std::shared_ptr<QPrinter> makeReportPrinter()
{
    auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    printer->setPageSize(QPageSize(QPageSize::A4));
    return printer;
}

void followSetUp(const QPrinter &setUp, QPrinter &printer)
{
    // The printer first: its paper sizes and margins decide what the
    // layout may be.
    if (setUp.outputFormat() == QPrinter::NativeFormat)
        printer.setPrinterName(setUp.printerName());
    else
        printer.setOutputFormat(setUp.outputFormat());
    printer.setFullPage(setUp.fullPage());
    printer.setPageLayout(setUp.pageLayout());
}

} // namespace orb
