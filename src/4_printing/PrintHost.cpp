#include "PrintHost.h"

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
};

PrintHost *&registered()
{
    static PrintHost *host = nullptr;
    return host;
}

} // namespace

PrintHost &printHost()
{
    static NoHost none;
    return registered() ? *registered() : none;
}

void setPrintHost(PrintHost *host) { registered() = host; }

void withdrawPrintHost(PrintHost *host)
{
    if (registered() == host)
        registered() = nullptr;
}

std::shared_ptr<QPrinter> makeReportPrinter()
{
    auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    printer->setPageSize(QPageSize(QPageSize::A4));
    return printer;
}

} // namespace orb
