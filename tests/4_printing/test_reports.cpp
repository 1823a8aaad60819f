// The three reports rendered to PDF and read back: the labels their
// initialisation fills by position, what each report prints where, page
// numbers, and relay blocks that never split across pages.

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

QStringList captionsOf(const Report &report, int section, const QStringList &names)
{
    QStringList captions;
    for (const QString &name : names) {
        for (const ReportControl &c : report.Sections(section).controls) {
            if (c.name == name)
                captions << c.caption;
        }
    }
    return captions;
}

// A configuration of 24 zones.
std::optional<QString> zoneLabel(int zone)
{
    if (zone < 1 || zone > 24)
        return std::nullopt;
    return QStringLiteral("ZONA %1").arg(zone);
}

QVariantMap relay(int number, const QVariant &tip, int firstZone = 0, int lastZone = 0)
{
    return impConfRelesRow({{"IDCON", 0}, {"IDREL", number}, {"TIP", tip}, {"ETIREL", QStringLiteral("RELE %1").arg(number)},
                            {"IL1", firstZone}, {"FL1", lastZone}},
                           zoneLabel);
}

bool matches(const QString &text, const QString &pattern)
{
    return QRegularExpression(pattern, QRegularExpression::MultilineOption).match(text).hasMatch();
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
    void labelsFilledByPosition();
    void generalReport();
    void emptyZoneReport();
    void relaysRunOnInWholeBlocks();

private:
    QStringList render(const Report &report);
    QTemporaryDir m_dir;
};

QStringList TestReports::render(const Report &report)
{
    const QString pdf = m_dir.filePath(QStringLiteral("report.pdf"));
    QString error;
    QStringList pages;
    if (!renderReportToPdf(report, pdf, &error) || !pdfPages(pdf, &pages, &error))
        qWarning("%s", qPrintable(error));
    return pages;
}

void TestReports::labelsFilledByPosition()
{
    setCurrentLanguage(Language::Spanish);
    const RptCon con;
    QCOMPARE(captionsOf(con, Detail, {"Label1", "Label2", "Label4", "Label5", "Label6", "Label7", "Label8"}),
             (QStringList{"Etiqueta Inicial:", "Nombre de la Configuración:", "Número de zonas:", "Inicio modo día:",
                          "Número de Reles:", "COMUNICACIONES CON LA CENTRAL:", "Inicio modo noche:"}));
    setCurrentLanguage(Language::English);
    const RptRel rel;
    QCOMPARE(captionsOf(rel, Detail,
                        {"Label1", "Label6", "Label7", "Label8", "Label9", "Label10", "Label11", "Label12", "Label13",
                         "Label14", "Label15", "Label16", "Label17", "Label18", "Label19", "Label20", "Label21",
                         "Label26", "Label28", "Label29"}),
             (QStringList{"Relay Number:", "Type:", "Label:", "General Delay:", "minutes", "seconds", "REPLY",
                          "To Day Detector", "To Night Detector", "To Day Call Point", "To Night Call Point",
                          "ACTIVATION LIST", "General Activation", "1", "2", "3", "4", "List Nr", "List Begining",
                          "List End"}));
    QCOMPARE(captionsOf(rel, PageFooter, {"Label30", "Label31"}), (QStringList{"Page %p of %P", "%i"}));
}

void TestReports::generalReport()
{
    RptCon report;
    report.applyTitle(Str(4909) + QStringLiteral("Planta 2"));
    const QVariantMap conf{{"NOMCON", "Planta 2"}, {"NUMZON", 24}, {"NUMREL", 8},  {"ETIINI", "CENTRAL P2"},
                           {"INIDIA", 8},          {"ININIT", 22}, {"BAUD", 9600}, {"DATBIT", 8},
                           {"STPBIT", 1},          {"PAR", "n"},   {"FLU", 1},     {"PORT", 2}};
    report.source = std::make_shared<MemoryRowSource>(QList<QVariantMap>{impConfCentralRow(conf)});
    const QStringList pages = render(report);
    QCOMPARE(pages.size(), 1);
    const QString &page = pages.first();
    for (const char *line : {R"(General Report of\s+Configuration:)", R"(^\s*Config Name:\s+Planta 2\s*$)",
                             R"(Number of Zones:\s+24\s+Number of Relays:\s+8)", R"(Panel Label:\s+CENTRAL P2)",
                             R"(COMMUNICATIONS WITH CONTROL PANEL)",
                             R"(9600 Bauds\s+8 Data bits\s+1 Stop Bits\s+No Parity)", R"(Port: 2\s+Xon/Xoff HandShaking)"})
        QVERIFY2(matches(page, QLatin1String(line)), line);
    QVERIFY(!page.contains(QLatin1String("Page")));
}

void TestReports::emptyZoneReport()
{
    RptZon report;
    report.applyTitle(Str(4909) + QStringLiteral("Planta 2"));
    report.source = std::make_shared<MemoryRowSource>();
    const QStringList pages = render(report);
    QCOMPARE(pages.size(), 1);
    // The title, the column titles and the footer; the captions stay Spanish in an English session.
    QStringList lines = pages.first().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (QString &line : lines)
        line = line.simplified();
    lines.removeAll(QString());
    QCOMPARE(lines, (QStringList{"Zones Report of Configuration:", "Planta 2", "Punto Etiqueta",
                                 "Zones Report of Configuration: Planta 2 Página 1 de 1"}));
}

void TestReports::relaysRunOnInWholeBlocks()
{
    RptRel report;
    report.applyTitle(Str(4909) + QStringLiteral("Planta 2"));
    // New relays whose first list runs from no zone to one above the zone count.
    QList<QVariantMap> rows;
    for (int i = 1; i <= 128; ++i)
        rows.append(relay(i, 192, 0, 200));
    report.source = std::make_shared<MemoryRowSource>(rows);
    const QStringList pages = render(report);
    // A4: the title and one relay on the first page, two relays on each further page.
    QCOMPARE(pages.size(), 65);
    const QString &first = pages.first();
    for (const char *line : {R"(Relay Number:\s+1\s+Type:\s+NOT CONFIGURED\s*$)", R"(General Activation\s+YES\s*$)",
                             R"(^\s*1\s+0\s+200\s*$)"})
        QVERIFY2(matches(first, QLatin1String(line)), line);
    int next = 1;
    const QRegularExpression number(QStringLiteral(R"(Relay Number:\s+(\d+))"));
    const QRegularExpression lastLine(QStringLiteral(R"(^\s*4\s+0\s+0\s*$)"), QRegularExpression::MultilineOption);
    for (int p = 0; p < pages.size(); ++p) {
        const QString &page = pages.at(p);
        const int blocks = p == 0 || p == 64 ? 1 : 2;
        QCOMPARE(page.count(number), blocks);
        QCOMPARE(page.count(lastLine), blocks);
        for (auto m = number.globalMatch(page); m.hasNext(); ++next)
            QCOMPARE(m.next().captured(1).toInt(), next);
        QVERIFY(matches(page, QStringLiteral(R"(Relays Report of\s+Configuration: Planta 2\s+Page %1 of 65\s*$)").arg(p + 1)));
    }
    QCOMPARE(next, 129);
}

QTEST_MAIN(TestReports)
#include "test_reports.moc"
