// Time of refilling the relay report's print table from a working database
// of 128 relays (in a temporary home), of rendering the relay report of 128
// relays into a PDF file, and of a print preview of it up to its first page
// on screen (the preview renders every page, then paints the first). Prints
// milliseconds.
//
// Usage: bench_reports [repetitions] [pdf]   (pdf: keep the rendered file there)

#include "ModPrint.h"
#include "ReportRenderer.h"
#include "RptRel.h"
#include "Seams.h"
#include "Strings.h"
#include "TestConfiguration.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTemporaryDir>
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

void report(const char *what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    std::printf("%-36s median %.1f ms  min %.1f ms  max %.1f ms  (%zu runs)\n", what, ms[ms.size() / 2], ms.front(),
                ms.back(), ms.size());
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(QStringLiteral("data"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath(QStringLiteral("config"))));
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 20;
    const QString pdf = argc > 2 ? QString::fromLocal8Bit(argv[2]) : dir.filePath(QStringLiteral("relays.pdf"));
    // The new database has no general row yet when it is first opened; that
    // message is expected and not shown.
    orb::setMsgBoxHandler([](const QString &, int, const QString &) { return int(orb::AnsOk); });

    // Every relay with all four lists, each bound a zone with its label.
    if (!orbtest::makeConfiguration(128, 128, QStringLiteral("Bench"))
        || !orbtest::execBound(QStringLiteral("UPDATE CONFRELES SET IL1 = 1, FL1 = 128, IL2 = 5, FL2 = 9, "
                                              "IL3 = 100, FL3 = 120, IL4 = 3, FL4 = 4"))) {
        std::fprintf(stderr, "cannot make the configuration\n");
        return 1;
    }
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
    report("print table refilled", refill);
    report("PDF file", toPdf);
    report("preview up to its first page", toPreview);
    return 0;
}
