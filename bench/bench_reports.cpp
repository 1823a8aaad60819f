// Time of refilling the relay report's print table from a working database
// of 128 relays (in a temporary home), of rendering the relay report of 128
// relays into a PDF file, and of a print preview of it up to its first page
// on screen (the preview renders every page, then paints the first). Prints
// milliseconds.
//
// Usage: bench_reports [repetitions] [pdf]   (pdf: keep the rendered file there)

#include "BenchSupport.h"
#include "ModPrint.h"
#include "ReportRenderer.h"
#include "RptRel.h"
#include "Seams.h"
#include "Strings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// 128 relays with every field filled, as the print table holds them.
QList<QVariantMap> relayRows()
{
    const auto zone = [](int n) -> std::optional<QString> {
        if (n < 1 || n > 128)
            return std::nullopt;
        return QStringLiteral("ZONA %1").arg(n);
    };
    QList<QVariantMap> rows;
    for (int i = 1; i <= 128; ++i) {
        const QVariantMap relay{{"IDCON", 0},           {"IDREL", i},      {"TIP", i % 2 ? 192 : 80},
                                {"ETIREL", QStringLiteral("ETI RELE %1").arg(i)},
                                {"RMIN", i % 60},       {"RSEC", i % 60},  {"DDIA", i % 3},
                                {"DNOCH", (i + 1) % 3}, {"PDIA", 2},       {"PNOCH", 1},
                                {"IL1", i},             {"FL1", i + 3},    {"IL2", 0},
                                {"FL2", 0},             {"IL3", 120},      {"FL3", 130},
                                {"IL4", 1},             {"FL4", 128}};
        rows.append(orb::impConfRelesRow(relay, zone));
    }
    return rows;
}


} // namespace

int main(int argc, char **argv)
{
    orbbench::BenchHome home;
    QApplication app(argc, argv);
    const int runs = orbbench::runsFrom(argc, argv, 20);
    const QString pdf = argc > 2 ? QString::fromLocal8Bit(argv[2]) : home.filePath(QStringLiteral("relays.pdf"));
    // Every relay with all four lists, each bound a zone with its label.
    if (!home.isValid() || !orbbench::openConfiguration(128, 128)
        || !orbtest::execBound(QStringLiteral("UPDATE CONFRELES SET IL1 = 1, FL1 = 128, IL2 = 5, FL2 = 9, "
                                              "IL3 = 100, FL3 = 120, IL4 = 3, FL4 = 4")))
        return 1;
    std::vector<double> refill;
    QElapsedTimer timer;
    for (int i = 0; i < runs; ++i) {
        orb::RptRel prepared;
        timer.start();
        if (!orb::Prn_Rel(prepared))
            return 1;
        refill.push_back(timer.nsecsElapsed() / 1e6);
    }

    auto relays = std::make_shared<orb::RptRel>();
    relays->applyTitle(orb::Str(4909) + QStringLiteral("Bench"));
    relays->source = std::make_shared<orb::MemoryRowSource>(relayRows());

    std::vector<double> toPdf, toPreview;
    for (int i = 0; i < runs; ++i) {
        QString error;
        timer.start();
        if (!orb::renderReportToPdf(*relays, pdf, &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        toPdf.push_back(timer.nsecsElapsed() / 1e6);
    }

    QPrinter printer;
    printer.setPageSize(QPageSize(QPageSize::A4));
    QPrintPreviewWidget preview(&printer);
    preview.resize(800, 1000);
    orb::connectPreview(preview, relays);
    preview.show();
    int pages = 0;
    for (int i = 0; i < runs; ++i) {
        timer.start();
        preview.updatePreview();
        QCoreApplication::processEvents();
        const QPixmap first = preview.grab();
        toPreview.push_back(timer.nsecsElapsed() / 1e6);
        pages = preview.pageCount();
        if (first.isNull())
            return 1;
    }
    std::printf("relay report of 128 relays: %d pages\n", pages);
    orbbench::report("print table refilled", refill);
    orbbench::report("PDF file", toPdf);
    orbbench::report("preview up to its first page", toPreview);
    return 0;
}
