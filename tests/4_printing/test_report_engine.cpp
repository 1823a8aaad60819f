// The report engine: placeholders, bands that do not fit on their page,
// growing texts, the order of the five sections on printed pages, and
// pictures.

#include "PdfText.h"
#include "ReportRenderer.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace orb;
using namespace orbtest;

namespace {

class TestReport : public Report {
public:
    using Report::add;
    using Report::label;
    using Report::textBox;
};

QList<QVariantMap> numberedRows(int count)
{
    QList<QVariantMap> rows;
    for (int i = 1; i <= count; ++i)
        rows.append({{QStringLiteral("NAME"), QStringLiteral("row %1").arg(i, 2, 10, QLatin1Char('0'))}});
    return rows;
}

// Where each detail control landed, in order: "row/page".
QString placement(const ReportLayout &layout)
{
    QStringList out;
    for (int p = 0; p < layout.pages.size(); ++p) {
        for (const PlacedControl &c : layout.pages.at(p).controls)
            out << QStringLiteral("%1/%2").arg(c.row).arg(p);
    }
    return out.join(QLatin1Char(' '));
}

} // namespace

class TestReportEngine : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(popplerPresent(&error), qPrintable(error));
    }
    void placeholders_data();
    void placeholders();
    void bandsThatDoNotFit_data();
    void bandsThatDoNotFit();
    void growingTextPushesWhatLiesBelow();
    void sectionsPrintInTheirOrderOnEveryPage();
};

void TestReportEngine::placeholders_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("printed");
    // Plain titles and page numbers show on the reports' own pages.
    QTest::newRow("title holding placeholders") << "%i (%p)" << "100%P %p" << "100%P %p (3)";
    QTest::newRow("other percent signs") << "50% %x %" << "" << "50% %x %";
}

void TestReportEngine::placeholders()
{
    QFETCH(QString, caption);
    QFETCH(QString, title);
    QTEST(expandPlaceholders(caption, title, 3, 12), "printed");
}

void TestReportEngine::bandsThatDoNotFit_data()
{
    QTest::addColumn<bool>("keepTogether");
    QTest::addColumn<int>("bandHeight");
    QTest::addColumn<QList<QPoint>>("controls");   // top and height of each control
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("placement");
    // 9120 twips between the margins: two bands of 4000 fit, the third does not.
    const QList<QPoint> two{{0, 1000}, {3000, 240}};
    QTest::newRow("kept together: moves whole") << true << 4000 << two << 3 << "0/0 0/0 1/0 1/0 2/1 2/1";
    QTest::newRow("free: splits between controls") << false << 4000 << two << 3 << "0/0 0/0 1/0 1/0 2/0 2/1";
    // Taller than a page: printed across pages, a control taller than the page cut at its foot.
    const QList<QPoint> tall{{0, 15000}, {12000, 240}};
    QTest::newRow("taller than a page") << true << 20000 << tall << 2 << "0/0 0/1 1/2 1/3";
}

void TestReportEngine::bandsThatDoNotFit()
{
    QFETCH(bool, keepTogether);
    QFETCH(int, bandHeight);
    QFETCH(QList<QPoint>, controls);
    QFETCH(int, rows);
    TestReport report;
    ReportSection &detail = report.Sections(Detail);
    detail.height = bandHeight;
    detail.keepTogether = keepTogether;
    for (const QPoint &c : controls)
        report.add(Detail, ControlKind::Shape, "box", 0, c.x(), 1000, c.y());
    const ReportLayout layout = layoutReport(report, numberedRows(rows), QSize(12000, 12000));
    QTEST(placement(layout), "placement");
    for (const ReportPage &page : layout.pages) {
        for (const PlacedControl &c : page.controls)
            QVERIFY2(c.rect.top() >= 1440 && c.rect.bottom() < 12000 - 1440, "inside the margins");
    }
}

void TestReportEngine::growingTextPushesWhatLiesBelow()
{
    TestReport report;
    report.Sections(Detail).height = 1000;
    const QString text = QStringLiteral("a long text that cannot stay on one line of this narrow box");
    report.label(Detail, "grows", 0, 0, 1000, 240, text).canGrow = true;
    report.label(Detail, "fixed", 1200, 0, 1000, 240, text);
    report.label(Detail, "below", 0, 500, 1000, 240, QStringLiteral("x"));
    const ReportLayout layout = layoutReport(report, numberedRows(2), QSize(12000, 16000));
    QCOMPARE(layout.pages.size(), 1);
    const auto &c = layout.pages.first().controls;
    QCOMPARE(c.size(), 6);
    const int growth = c[0].rect.height() - 240;
    QVERIFY2(growth >= 240, "the text takes several lines");
    QCOMPARE(c[1].rect, QRect(1440 + 1200, 1440, 1000, 240));
    QCOMPARE(c[2].rect.top(), 1440 + 500 + growth);
    QCOMPARE(c[3].rect.top(), 1440 + 1000 + growth);   // the next band starts below the grown one
}

void TestReportEngine::sectionsPrintInTheirOrderOnEveryPage()
{
    TestReport report;
    report.Title = QStringLiteral("Listing");
    report.Sections(ReportHeader).height = 1200;
    report.label(ReportHeader, "title", 1500, 0, 4000, 300, QStringLiteral("START OF %i"));
    QImage picture(1178, 1179, QImage::Format_Mono);
    picture.fill(1);
    report.add(ReportHeader, ControlKind::Image, "Image1", 0, 0, 1440, 990).picture = picture;
    report.Sections(PageHeader).height = 300;
    report.label(PageHeader, "head", 0, 0, 2000, 240, QStringLiteral("COLUMNS"));
    report.Sections(Detail).height = 600;
    report.textBox(Detail, "name", 0, 0, 2000, 240, "NAME", {});
    report.Sections(PageFooter).height = 240;
    report.label(PageFooter, "foot", 0, 0, 3000, 240, QStringLiteral("Sheet %p/%P"));
    report.Sections(ReportFooter).height = 300;
    report.label(ReportFooter, "end", 0, 0, 2000, 240, QStringLiteral("THE END"));
    // 13718 twips of A4 above the footer: 20 rows under both headers, then the rest.
    report.source = std::make_shared<MemoryRowSource>(numberedRows(30));

    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("listing.pdf"));
    QString error;
    QStringList pages;
    QVERIFY2(renderReportToPdf(report, pdf, &error) && pdfPages(pdf, &pages, &error), qPrintable(error));
    // What each page shows, top to bottom.
    QStringList shown;
    const QRegularExpression marks(QStringLiteral("START OF Listing|COLUMNS|row \\d\\d|THE END|Sheet \\d/\\d"));
    for (const QString &page : std::as_const(pages)) {
        shown << QString();
        for (auto m = marks.globalMatch(page); m.hasNext();)
            shown.last() += m.next().captured() + QLatin1Char(',');
    }
    QString first = QStringLiteral("START OF Listing,COLUMNS,"), second = QStringLiteral("COLUMNS,");
    for (int i = 1; i <= 30; ++i)
        (i <= 20 ? first : second) += QStringLiteral("row %1,").arg(i, 2, 10, QLatin1Char('0'));
    QCOMPARE(shown, (QStringList{first + QStringLiteral("Sheet 1/2,"), second + QStringLiteral("THE END,Sheet 2/2,")}));
    QString images;
    QVERIFY2(runPoppler(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}, &images, &error),
             qPrintable(error));
    QVERIFY2(QRegularExpression(QStringLiteral("\\n\\s*1\\s+\\d+\\s+image\\s+1178\\s+1179\\s")).match(images).hasMatch(),
             qPrintable(images));
}

QTEST_MAIN(TestReportEngine)
#include "test_report_engine.moc"
