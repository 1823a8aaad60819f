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
    void storeTypedEdits() override {}
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

} // namespace orb
