// The three reports rendered to PDF and read back: every caption and value
// where its report prints it, page numbers, and relay blocks that never
// split across pages.

#include "ModPrint.h"
#include "PdfText.h"
#include "ReportRenderer.h"
#include "RptCon.h"
#include "RptRel.h"
#include "RptZon.h"
#include "Strings.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace orb;
using namespace orbtest;

namespace {

// The lines of a page with their blanks run together.
QStringList linesOf(const QString &page)
{
    QStringList lines;
    for (const QString &line : page.split(QLatin1Char('\n'))) {
        if (!line.simplified().isEmpty())
            lines << line.simplified();
    }
    return lines;
}

} // namespace

class TestReports : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(popplerPresent(&error), qPrintable(error));
    }
    void init() { setCurrentLanguage(Language::English); }
    void generalReport();
    void emptyZoneReport();
    void relaysRunOnInWholeBlocks();

private:
    QStringList render(Report &report, const QList<QVariantMap> &rows);
    QTemporaryDir m_dir;
};

QStringList TestReports::render(Report &report, const QList<QVariantMap> &rows)
{
    report.source = std::make_shared<MemoryRowSource>(rows);
    const QString pdf = m_dir.filePath(QStringLiteral("report.pdf"));
    QString error;
    QStringList pages;
    if (!renderReportToPdf(report, pdf, &error) || !pdfPages(pdf, &pages, &error))
        qWarning("%s", qPrintable(error));
    return pages;
}

void TestReports::generalReport()
{
    RptCon report;
    report.applyTitle(Str(4909) + QStringLiteral("Planta 2"));
    const QVariantMap conf{{"NOMCON", "Planta 2"}, {"NUMZON", 24}, {"NUMREL", 8},  {"ETIINI", "CENTRAL P2"},
                           {"INIDIA", 8},          {"ININIT", 22}, {"BAUD", 9600}, {"DATBIT", 8},
                           {"STPBIT", 1},          {"PAR", "n"},   {"FLU", 1},     {"PORT", 2}};
    const QStringList pages = render(report, {impConfCentralRow(conf)});
    QCOMPARE(pages.size(), 1);
    QCOMPARE(linesOf(pages.first()),
             (QStringList{"General Report of Configuration:", "Planta 2", "Config Name: Planta 2",
                          "Number of Zones: 24 Number of Relays: 8", "Panel Label: CENTRAL P2",
                          "Day Mode Beginning:", "8 Night Mode Beginning:", "22", "COMMUNICATIONS WITH CONTROL PANEL",
                          "9600 Bauds 8 Data bits 1 Stop Bits No Parity", "Port: 2 Xon/Xoff HandShaking"}));
}

void TestReports::emptyZoneReport()
{
    RptZon report;
    report.applyTitle(Str(4909) + QStringLiteral("Planta 2"));
    const QStringList pages = render(report, {});
    // The title, the column titles and the footer; the captions stay Spanish
    // in an English session.
    QCOMPARE(pages.size(), 1);
    QCOMPARE(linesOf(pages.first()), (QStringList{"Zones Report of Configuration:", "Planta 2", "Punto Etiqueta",
                                                  "Zones Report of Configuration: Planta 2 Página 1 de 1"}));
}

void TestReports::relaysRunOnInWholeBlocks()
{
    RptRel report;
    report.applyTitle(Str(4909) + QStringLiteral("Planta 2"));
    // New relays whose first list runs from no zone to one above the zone
    // count, in a configuration of 24 zones.
    const auto zoneLabel = [](int zone) -> std::optional<QString> {
        return zone >= 1 && zone <= 24 ? std::optional(QStringLiteral("ZONA %1").arg(zone)) : std::nullopt;
    };
    QList<QVariantMap> rows;
    for (int i = 1; i <= 128; ++i) {
        rows << impConfRelesRow({{"IDCON", 0}, {"IDREL", i}, {"TIP", 192}, {"ETIREL", QStringLiteral("RELE %1").arg(i)},
                                 {"IL1", 0}, {"FL1", 200}},
                                zoneLabel);
    }
    const QStringList pages = render(report, rows);
    // A4: the title and one relay on the first page, two relays on each
    // further page, each block whole.
    QCOMPARE(pages.size(), 65);
    QCOMPARE(linesOf(pages.first()),
             (QStringList{"Relays Report of Configuration:", "Planta 2", "Relay Number: 1 Type: NOT CONFIGURED",
                          "Label: RELE 1", "General Delay: minutes seconds", "REPLY",
                          "To Day Detector To Night Detector To Day Call Point To Night Call Point",
                          "NO_PRG NO_PRG NO_PRG NO_PRG", "ACTIVATION LIST", "General Activation YES",
                          "List Nr List Begining List End", "1 0 200", "2 0 0", "3 0 0", "4 0 0",
                          "Relays Report of Configuration: Planta 2 Page 1 of 65"}));
    int next = 2;
    const QRegularExpression number(QStringLiteral(R"(Relay Number:\s+(\d+))"));
    for (int p = 1; p < pages.size(); ++p) {
        const QStringList lines = linesOf(pages.at(p));
        QCOMPARE(lines.count(QStringLiteral("4 0 0")), p == 64 ? 1 : 2);
        for (auto m = number.globalMatch(pages.at(p)); m.hasNext(); ++next)
            QCOMPARE(m.next().captured(1).toInt(), next);
        QCOMPARE(lines.last(), QStringLiteral("Relays Report of Configuration: Planta 2 Page %1 of 65").arg(p + 1));
    }
    QCOMPARE(next, 129);
}

QTEST_MAIN(TestReports)
#include "test_reports.moc"
