// Printing. The report engine: bands that do not fit on their page, growing
// texts, the order of the five sections on printed pages, and placeholders.
// The print rows: the words of codes the reports below do not hold. The reports
// made from the working database and where they go: every caption and value
// where its report prints it in both languages (captions too wide for their
// box cut at a whole word), relay blocks that never split across pages, the
// refill of the print tables (and its refusal), the print dialog answered or
// cancelled, the preview window and every page it shows whole whatever the
// labels hold, previews laid out on the page set-up chosen for printing
// (landscape), and the choosers' dispatch by their Tag.

#include "ConfigTables.h"
#include "FrmPreview.h"
#include "MdiHost.h"
#include "ModPrint.h"
#include "PrintDialog.h"
#include "ReportChoosers.h"
#include "ReportCommands.h"
#include "ReportRenderer.h"
#include "Schema.h"
#include "ScriptedBoxes.h"
#include "Strings.h"
#include "TestConfiguration.h"
#include "TestHome.h"

#include <QtPrintSupport>
#include <QtTest>
#include <QtWidgets>

using namespace orb;
using namespace orbtest;

namespace {

class TestHost : public PrintHost {
public:
    QString configurationCaption() const override { return QStringLiteral(" Configuration: Hotel"); }
    QSize mainWindowSize() const override { return {900, 700}; }
    QIcon reportCommandIcon(ReportOutput) const override { return {}; }
    std::shared_ptr<QPrinter> reportPrinter() override { return printer; }
    bool storeTypedEdits() override { return true; }
    std::shared_ptr<QPrinter> printer = makeReportPrinter();
};

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

using Row = QList<std::pair<QString, QVariant>>;

// The text of every page of a PDF file, laid out as printed (pdftotext,
// package poppler-utils, which scripts/setup installs); none when it cannot
// be read.
QStringList pdfPages(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return {};
    QStringList pages = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\f'));
    pages.removeAll(QString());
    return pages;
}

bool matches(const QString &text, const QString &pattern)
{
    return QRegularExpression(pattern, QRegularExpression::MultilineOption).match(text).hasMatch();
}

// A picture of the page a preview shows, fitted to its width: the first
// paper along the middle column of the picture that shows whole.
class PreviewPage {
public:
    explicit PreviewPage(const QImage &shot) : m_image(shot.convertToFormat(QImage::Format_RGB32))
    {
        const QRgb background = m_image.pixel(3, 3), white = qRgb(255, 255, 255);
        const int middle = m_image.width() / 2;
        for (int top = 1; top + 5 < m_image.height() && !wholePageShown(); ++top) {
            if (m_image.pixel(middle, top - 1) != background || m_image.pixel(middle, top) == background)
                continue;
            // Along the top margin, where nothing prints, from border to border.
            int left = middle, right = middle;
            while (left > 0 && m_image.pixel(left - 1, top + 5) == white)
                --left;
            while (right + 1 < m_image.width() && m_image.pixel(right + 1, top + 5) == white)
                ++right;
            m_corner = QPointF(left, top + 1);
            m_scale = (right - left + 1) / 11906.0;   // A4 is 11906 twips wide
        }
    }
    bool wholePageShown() const { return m_scale > 0 && m_corner.y() + 16838 * m_scale < m_image.height(); }
    // Whether anything is drawn inside an area of the paper (twips).
    bool inked(QRect twips) const
    {
        const QRect area = QRectF(m_corner + twips.topLeft() * m_scale, twips.size() * m_scale).toRect();
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                if (qGray(m_image.pixel(x, y)) < 160)
                    return true;
            }
        }
        return false;
    }
    // Whether the middle half of a control's left edge is drawn: its frame,
    // or the line of a shape without width.
    bool leftEdgeDrawn(QRect twips) const
    {
        int drawn = 0;
        for (int i = 0; i < 20; ++i) {
            const int y = twips.top() + twips.height() / 4 + twips.height() * i / 40;
            drawn += inked(QRect(twips.left() - 30, y - 20, 60, 40)) ? 1 : 0;
        }
        return drawn >= 16;
    }

private:
    QImage m_image;
    QPointF m_corner;
    double m_scale = 0;
};

// What a preview, fitted to its width, shows wrong of its page (1-based)
// of the layout: "whole page" when it shows none whole, else the first
// control not drawn as laid out (a frame or line not drawn, a text with
// letters not inked or one without them inked); empty when it shows the
// page as laid out.
QString misdrawn(FrmPreview *window, const ReportLayout &layout, int page)
{
    const PreviewPage shown(window->preview()->grab().toImage());
    if (!shown.wholePageShown())
        return QStringLiteral("whole page");
    const Report &report = window->report();
    for (const PlacedControl &p : layout.pages.at(page - 1).controls) {
        const ReportControl &c = *p.control;
        bool drawn = true;
        if (c.kind == ControlKind::Shape || c.heading)
            drawn = shown.leftEdgeDrawn(p.rect);
        if (drawn && (c.kind == ControlKind::Label || c.kind == ControlKind::TextBox)) {
            const QString text = expandPlaceholders(p.text, report.Title, page, int(layout.pages.size()));
            const bool letters = std::any_of(text.begin(), text.end(), [](QChar ch) { return ch.isLetterOrNumber(); });
            drawn = shown.inked(p.rect.adjusted(20, 20, -20, -20)) == letters;
        }
        if (!drawn)
            return QStringLiteral("%1 on page %2").arg(c.name).arg(page);
    }
    return {};
}

} // namespace

class TestPrintCommands : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void bandsThatDoNotFit_data();
    void bandsThatDoNotFit();
    void growingTextPushesWhatLiesBelow();
    void sectionsPrintInTheirOrderOnEveryPage();
    void wordsOfUnusualCodes();
    void reportsFromTheWorkingDatabase_data();
    void reportsFromTheWorkingDatabase();
    void failedRefillShowsNoReport_data();
    void failedRefillShowsNoReport();
    void previewOfBlankLabelsShowsEveryPageWhole();
    void previewsKeepTheirOwnPages();
    void previewFollowsALandscapeSetUp_data();
    void previewFollowsALandscapeSetUp();
    void choosersRunTheReportOfTheirTag_data();
    void choosersRunTheReportOfTheirTag();

private:
    QTemporaryDir m_dir;
    TestHost m_host;
    std::unique_ptr<ScriptedBoxes> m_boxes;
    int m_dialogs = 0;
    bool m_accept = true;
};

void TestPrintCommands::initTestCase()
{
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty(),
             "pdftotext is missing: the report tests read the PDF files with it; install poppler-utils");
    setPrintHost(&m_host);
}

void TestPrintCommands::init()
{
    appState() = AppState{};
    setCurrentLanguage(Language::English);
    m_boxes = std::make_unique<ScriptedBoxes>();
    m_dialogs = 0;
    m_accept = true;
    QFile::remove(m_dir.filePath("report.pdf"));
    // The user answers the print dialog by printing into a PDF file, or
    // cancels it.
    setPrintDialogHandler([this](QPrinter &printer, const QString &) {
        ++m_dialogs;
        if (m_accept) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(m_dir.filePath("report.pdf"));
        }
        return m_accept;
    });
    m_host.printer = makeReportPrinter();

    // A 50-character name, zone 1 added after the others, zone 3 without a
    // label, relay 2 an extinction pre-alarm on zones 2 to 9 (there is no
    // zone 9), relay 3 with a delay, an unknown response code and a list from
    // zone 3 to no bound at all; stale rows in both print tables.
    const QString name = QStringLiteral("Hotel Plaza, ala norte, plantas baja a cuarta 0123");
    QVERIFY(makeConfiguration(4, 3, name));
    QVERIFY(execBound("UPDATE CONFCENTRAL SET PAR = 'e', FLU = 2, BAUD = 19200"));
    QVERIFY(execBound("DELETE FROM CONFZONAS WHERE IDZON = 1"));
    QVERIFY(execBound("INSERT INTO CONFZONAS (IDCON, IDZON, ETIZON) VALUES (0, 1, 'ENTRADA')"));
    QVERIFY(execBound("UPDATE CONFZONAS SET ETIZON = 'HALL' WHERE IDZON = 2"));
    QVERIFY(execBound("UPDATE CONFZONAS SET ETIZON = '' WHERE IDZON = 3"));
    QVERIFY(execBound("UPDATE CONFRELES SET TIP = 70, IL1 = 2, FL1 = 9 WHERE IDREL = 2"));
    QVERIFY(execBound("UPDATE CONFRELES SET RMIN = 2, RSEC = 30, DDIA = 3, DNOCH = 1, PDIA = 2, IL1 = 3, FL1 = NULL "
                      "WHERE IDREL = 3"));
    QVERIFY(replacePrintRows(tabImpConfCentral(), {Row{{"NOMCON", " STALE"}}}));
    QVERIFY(replacePrintRows(tabImpConfReles(), {Row{{"IDCON", 0}, {"IDREL", 9}, {"ETIREL", " STALE"}}}));
    m_boxes->shown.clear();   // the new database's own message
}

void TestPrintCommands::cleanup()
{
    for (ReportKind kind : {ReportKind::General, ReportKind::Zones, ReportKind::Relays})
        delete FrmPreview::of(kind);
    for (ReportOutput output : {ReportOutput::Preview, ReportOutput::Print})
        delete ReportChooser::loaded(output);
    setPrintDialogHandler({});
    m_boxes.reset();
    Close_DB();
    QFile::remove(workingDatabasePath());
}

void TestPrintCommands::bandsThatDoNotFit_data()
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

void TestPrintCommands::bandsThatDoNotFit()
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

void TestPrintCommands::growingTextPushesWhatLiesBelow()
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

void TestPrintCommands::sectionsPrintInTheirOrderOnEveryPage()
{
    TestReport report;
    // A title that holds placeholders itself, and percent signs of no
    // placeholder, print as they are.
    report.Title = QStringLiteral("Listing 100%P");
    report.Sections(ReportHeader).height = 1200;
    report.label(ReportHeader, "title", 1500, 0, 4000, 300, QStringLiteral("START OF %i (%p)"));
    report.Sections(PageHeader).height = 300;
    report.label(PageHeader, "head", 0, 0, 2000, 240, QStringLiteral("COLUMNS"));
    report.Sections(Detail).height = 600;
    report.textBox(Detail, "name", 0, 0, 2000, 240, "NAME", {});
    report.Sections(PageFooter).height = 240;
    report.label(PageFooter, "foot", 0, 0, 3000, 240, QStringLiteral("Sheet %p/%P"));
    report.Sections(ReportFooter).height = 300;
    report.label(ReportFooter, "end", 0, 0, 2000, 240, QStringLiteral("THE END 50% %x %"));
    // 13718 twips of A4 above the footer: 20 rows under both headers, then the rest.
    report.source = std::make_shared<MemoryRowSource>(numberedRows(30));

    const QString pdf = m_dir.filePath(QStringLiteral("listing.pdf"));
    QString error;
    QVERIFY2(renderReportToPdf(report, pdf, &error), qPrintable(error));
    // What each page shows, top to bottom.
    QStringList shown;
    const QRegularExpression marks(
        QStringLiteral("START OF Listing 100%P \\(1\\)|COLUMNS|row \\d\\d|THE END 50% %x %|Sheet \\d/\\d"));
    for (const QString &page : pdfPages(pdf)) {
        shown << QString();
        for (auto m = marks.globalMatch(page); m.hasNext();)
            shown.last() += m.next().captured() + QLatin1Char(',');
    }
    QString first = QStringLiteral("START OF Listing 100%P (1),COLUMNS,"), second = QStringLiteral("COLUMNS,");
    for (int i = 1; i <= 30; ++i)
        (i <= 20 ? first : second) += QStringLiteral("row %1,").arg(i, 2, 10, QLatin1Char('0'));
    QCOMPARE(shown, (QStringList{first + QStringLiteral("Sheet 1/2,"), second + QStringLiteral("THE END 50% %x %,Sheet 2/2,")}));
}

void TestPrintCommands::wordsOfUnusualCodes()
{
    // Bit 7 stays part of the type: 134 is no extinction pre-alarm, and no
    // general activation. The general-activation bit is no part of the
    // type: 192 is a relay not configured. A missing code is no code. The
    // reports print the other words in both languages.
    QCOMPARE(relayTypeWord(134), QStringLiteral("NO_PRG"));
    QCOMPARE(relayTypeWord(192), QStringLiteral("NOT CONFIGURED"));
    QCOMPARE(generalActivationWord(134), QStringLiteral("NO"));
    QCOMPARE(responseWord(QVariant()), QStringLiteral("NO_PRG"));
    QCOMPARE(parityWord(QString()), QStringLiteral("Parity not Conf.."));
    QCOMPARE(flowWord(QVariant()), QStringLiteral("HandShaking not Conf."));
}

void TestPrintCommands::reportsFromTheWorkingDatabase_data()
{
    QTest::addColumn<ReportKind>("kind");
    QTest::addColumn<Language>("language");
    QTest::addColumn<QString>("change");   // made to the working database first
    QTest::addColumn<QStringList>("lines");
    // The name is cut to its column behind its blank; the title ends with
    // the status caption, not with the name. A caption wider than its box
    // ends with its last whole word that fits, clear of the value beside it.
    QTest::newRow("general") << ReportKind::General << Language::English << ""
                             << QStringList{R"(General Report of\s+Configuration: Hotel)",
                                            R"(Config Name:\s+Hotel Plaza, ala norte, plantas baja a cuarta 012$)",
                                            R"(Number of Zones:\s+4\s+Number of Relays:\s+3\s+Panel Label:\s+PANEL 1)",
                                            R"(Day Mode\s+8\s+Night Mode\s+20\s+COMMUNICATIONS)",
                                            R"(19200 Bauds\s+8 Data bits\s+1 Stop Bits\s+Even Parity)",
                                            R"(Port: 1\s+RTS HandShaking)"};
    QTest::newRow("general, Spanish") << ReportKind::General << Language::Spanish << ""
                                      << QStringList{R"(^\s*Informe General de\s+Configuration: Hotel\s+Nombre de la Configuración:)",
                                                     R"(Número de zonas:\s+4\s+Número de Reles:\s+3\s+Etiqueta Inicial:\s+PANEL 1)",
                                                     R"(Inicio modo día:\s+8\s+Inicio modo noche:\s+20\s+COMUNICACIONES CON LA CENTRAL:)",
                                                     R"(19200 Baudios\s+8 Data bits\s+1 Stop Bits\s+Paridad Par)",
                                                     R"(Puerto: 1\s+Control Flujo RTS\s*\z)"};
    // Zones by number, whatever order they were stored in; the captions stay
    // Spanish in an English session.
    QTest::newRow("zones") << ReportKind::Zones << Language::English << ""
                           << QStringList{R"(Punto\s+Etiqueta\s+1\s+ENTRADA\s+2\s+HALL\s+3\s+4\s+ETI ZONA 4)",
                                          R"(Zones Report of Configuration: Hotel\s+Página 1 de 1)"};
    QTest::newRow("no zones") << ReportKind::Zones << Language::English << "DELETE FROM CONFZONAS"
                              << QStringList{R"(^Zones Report of Configuration: Hotel Punto Etiqueta Zones Report of )"
                                             R"(Configuration: Hotel Página 1 de 1\z)"};
    // Zone labels looked up beside the bounds; a bound without a zone has none.
    QTest::newRow("relays") << ReportKind::Relays << Language::English << ""
                            << QStringList{R"(Relay\s+2\s+Type:\s+EXTINTION PREALARM\s+Label:\s+ETI RELE 2)",
                                           R"(General Delay:\s+0minutes\s+0seconds\s+REPLY\s+To Day Detector\s+)"
                                           R"(To Night Detector\s+To Day Call Point\s+To Night Call Point)",
                                           R"(ACTIVATION LIST\s+General Activation\s+YES\s+List Nr\s+List Begining)",
                                           R"(^\s*1\s+2\s+HALL\s+9\s*$)", R"(^\s*1\s+3\s+0\s*$)",
                                           R"(General Delay:\s+2minutes\s+30seconds)",
                                           R"(NO_PRG\s+Without Delay\s+With Delay\s+Inactive)",
                                           R"(Relays Report of Configuration: Hotel\s+Page 2 of 2\s*\z)"};
    QTest::newRow("relays, Spanish") << ReportKind::Relays << Language::Spanish << ""
                                     << QStringList{R"(Relé Número:\s+2\s+Tipo:\s+PREALARMA EXTINCIÓN\s+Etiqueta\s+ETI RELE 2)",
                                                    R"(Retraso General:\s+0minutos\s+0segundos\s+RESPUESTAS\s+A Detector Día\s+)"
                                                    R"(A Detector Noche\s+A Pulsador Día\s+A Pulsador Noche)",
                                                    R"(LISTAS DE ACTIVACION\s+Activación General\s+SI\s+NºLista\s+Inicio Lista\s+Fin Lista)",
                                                    R"(Informe de Relés de Configuration: Hotel\s+Página 1 de 2\s+)",
                                                    R"(Informe de Relés de Configuration: Hotel\s+Página 2 de 2\s*\z)"};
}

void TestPrintCommands::reportsFromTheWorkingDatabase()
{
    QFETCH(ReportKind, kind);
    QFETCH(Language, language);
    QFETCH(QString, change);
    QFETCH(QStringList, lines);
    QVERIFY(change.isEmpty() || execBound(change));
    setCurrentLanguage(language);
    const auto printTables = [] { return reportRows(tabImpConfCentral()) + reportRows(tabImpConfReles()); };
    const QList<QVariantMap> before = printTables();
    QVERIFY(runReport(kind, ReportOutput::Print));
    const QString layout = pdfPages(m_dir.filePath("report.pdf")).join(QLatin1Char('\n'));
    for (const QString &line : std::as_const(lines))
        QVERIFY2(matches(line.contains('$') ? layout : layout.simplified(), line), qPrintable(line));
    // The zone report changes no table; the others refill theirs.
    QCOMPARE(printTables() == before, kind == ReportKind::Zones);
}

void TestPrintCommands::failedRefillShowsNoReport_data()
{
    QTest::addColumn<ReportKind>("kind");
    QTest::addColumn<ReportOutput>("output");
    QTest::addColumn<QString>("table");
    QTest::newRow("general preview") << ReportKind::General << ReportOutput::Preview << "IMPCONFCENTRAL";
    QTest::newRow("relays print") << ReportKind::Relays << ReportOutput::Print << "IMPCONFRELES";
}

void TestPrintCommands::failedRefillShowsNoReport()
{
    QFETCH(ReportKind, kind);
    QFETCH(ReportOutput, output);
    QFETCH(QString, table);
    // The rows are emptied, but no new row may be written.
    const QString trigger = "CREATE TRIGGER refuse BEFORE INSERT ON %1 BEGIN SELECT RAISE(ABORT, 'refused'); END";
    QVERIFY(execBound(trigger.arg(table)));
    QVERIFY(!runReport(kind, output));
    QCOMPARE(m_boxes->shown.size(), 1);
    QVERIFY2(m_boxes->shown.first().prompt.startsWith(QStringLiteral("DELETE * from %1  Error: ").arg(table)),
             qPrintable(m_boxes->shown.first().prompt));
    QCOMPARE(m_dialogs, 0);
    QVERIFY(!FrmPreview::of(kind));
    // The transaction left the old rows in place.
    const QStringList rows = orbtest::rows(QStringLiteral("SELECT * FROM ") + table);
    QVERIFY2(rows.size() == 1 && rows.first().contains(QStringLiteral("STALE")), qPrintable(rows.join('\n')));
}

void TestPrintCommands::previewOfBlankLabelsShowsEveryPageWhole()
{
    QVERIFY(runReport(ReportKind::Relays, ReportOutput::Preview));
    FrmPreview *window = FrmPreview::of(ReportKind::Relays);
    QVERIFY(window);
    QTRY_COMPARE(window->pageCount(), 2);

    // Labels read from a blank panel: sixteen NUL characters each, on six
    // relays. The same window reads them afresh. On every page of the
    // preview each frame, heading and caption shows, and the labels show as
    // blanks.
    const QString blank(16, QChar(0));
    QVERIFY(execBound("DELETE FROM CONFRELES") && addDefaultRelayRows(0, 1, 6));
    QVERIFY(execBound("UPDATE CONFRELES SET ETIREL = ?, IL1 = 1, FL1 = 2", {blank}));
    QVERIFY(execBound("UPDATE CONFZONAS SET ETIZON = ?", {blank}));
    QVERIFY(runReport(ReportKind::Relays, ReportOutput::Preview));
    QCOMPARE(FrmPreview::of(ReportKind::Relays), window);
    window->resize(800, 1250);   // a whole page at the width of the window
    // The title and one relay on the first page, two on each further page:
    // no relay's block splits across pages.
    QTRY_COMPARE(window->pageCount(), 4);
    const Report &report = window->report();
    const ReportLayout layout = layoutReport(report, report.source->rows(), QSize(11906, 16838));
    QCOMPARE(layout.pages.size(), 4);
    for (int page = 1; page <= 4; ++page) {
        window->command(page == 1 ? "CmdFirst" : "CmdNext")->trigger();
        QCoreApplication::processEvents();
        const QString wrong = misdrawn(window, layout, page);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    }
    QCOMPARE(window->findChild<QLabel *>("LblPage")->text(), QStringLiteral("Page 4 of 4"));
    // Printing from the preview asks the dialog and prints what it shows.
    window->CmdPrint_Click();
    QCOMPARE(m_dialogs, 1);
    QCOMPARE(pdfPages(m_dir.filePath("report.pdf")).size(), 4);
}

void TestPrintCommands::previewsKeepTheirOwnPages()
{
    // Two previews in the document area, arranged three ways and each
    // brought forward in turn (read afresh after the cascade): each paints
    // its own pages, whatever the other rendered since.
    QMdiArea area;
    area.resize(1000, 800);
    setMdiArea(&area);
    area.show();
    QVERIFY(runReport(ReportKind::Zones, ReportOutput::Preview));
    QVERIFY(runReport(ReportKind::Relays, ReportOutput::Preview));
    const QList<std::pair<ReportKind, int>> previews = {{ReportKind::Zones, 1}, {ReportKind::Relays, 2}};
    for (Arrangement arrangement : {Arrangement::Cascade, Arrangement::TileHorizontally, Arrangement::TileVertically}) {
        arrangeChildren(arrangement);
        for (const auto &[kind, pages] : previews) {
            if (arrangement == Arrangement::Cascade)
                QVERIFY(runReport(kind, ReportOutput::Preview));
            FrmPreview *window = FrmPreview::of(kind);
            bringForward(window);
            QTRY_COMPARE(window->pageCount(), pages);
            // The first page as laid out, whole in sight from its top.
            frameOf(window)->resize(820, 1300);
            QScrollBar *scroll = window->preview()->findChild<QGraphicsView *>()->verticalScrollBar();
            scroll->setValue(scroll->minimum());
            const Report &report = window->report();
            const ReportLayout layout = layoutReport(report, report.source->rows(), QSize(11906, 16838));
            const QString wrong = misdrawn(window, layout, 1);
            QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        }
    }
}

void TestPrintCommands::previewFollowsALandscapeSetUp_data()
{
    QTest::addColumn<bool>("openBefore");
    QTest::newRow("preview opened after") << false;
    QTest::newRow("open preview read again") << true;
}

void TestPrintCommands::previewFollowsALandscapeSetUp()
{
    QFETCH(bool, openBefore);
    const QSize portrait(11906, 16838), landscape(16838, 11906);   // A4 in twips
    if (openBefore) {
        QVERIFY(runReport(ReportKind::Relays, ReportOutput::Preview));
        QCOMPARE(FrmPreview::of(ReportKind::Relays)->preview()->orientation(), QPageLayout::Portrait);
    }
    // Landscape is chosen in the print dialog: a preview lays its pages out
    // the same way from then on, on A4 turned on its side.
    setPrintDialogHandler([this](QPrinter &printer, const QString &) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(m_dir.filePath("report.pdf"));
        printer.setPageOrientation(QPageLayout::Landscape);
        return true;
    });
    QVERIFY(runReport(ReportKind::Relays, ReportOutput::Print));
    QVERIFY(runReport(ReportKind::Relays, ReportOutput::Preview));
    FrmPreview *window = FrmPreview::of(ReportKind::Relays);
    QCOMPARE(window->preview()->orientation(), QPageLayout::Landscape);
    const Report &report = window->report();
    const int pages = int(layoutReport(report, report.source->rows(), landscape).pages.size());
    QVERIFY2(pages != layoutReport(report, report.source->rows(), portrait).pages.size(),
             "the report takes as many pages either way");
    QTRY_COMPARE(window->pageCount(), pages);
}

void TestPrintCommands::choosersRunTheReportOfTheirTag_data()
{
    QTest::addColumn<ReportOutput>("output");
    QTest::addColumn<int>("chosen");        // entry chosen from the list; -1 none
    QTest::addColumn<QString>("typed");     // text typed over the choice
    QTest::addColumn<bool>("accept");       // the print dialog's answer
    QTest::addColumn<QString>("report");    // the report's title; empty: none
    // The status caption the titles end with begins with a blank.
    const QString general = "General Report of  Configuration: Hotel";
    const QString zones = "Zones Report of  Configuration: Hotel";
    const QString relays = "Relays Report of  Configuration: Hotel";
    QTest::newRow("preview untouched") << ReportOutput::Preview << -1 << "" << true << general;
    QTest::newRow("preview zones") << ReportOutput::Preview << 1 << "" << true << zones;
    QTest::newRow("print relays") << ReportOutput::Print << 2 << "" << true << relays;
    QTest::newRow("print entry 5") << ReportOutput::Print << 4 << "" << true << "";
    QTest::newRow("relay typed, not chosen") << ReportOutput::Print << -1 << Str(4107) << true << general;
    QTest::newRow("print cancelled") << ReportOutput::Print << 1 << "" << false << "";
}

void TestPrintCommands::choosersRunTheReportOfTheirTag()
{
    QFETCH(ReportOutput, output);
    QFETCH(int, chosen);
    QFETCH(QString, typed);
    QFETCH(bool, accept);
    QFETCH(QString, report);
    m_accept = accept;
    // Centred on the main window's size.
    ReportChooser *chooser = ReportChooser::showChooser(output);
    QCOMPARE(chooser->pos(), QPoint(450 - chooser->width() / 2, 350 - chooser->height() / 2));
    if (chosen >= 0) {
        chooser->CmbTipInf()->setCurrentIndex(chosen);
        emit chooser->CmbTipInf()->activated(chosen);
    }
    if (!typed.isEmpty()) {
        chooser->CmbTipInf()->lineEdit()->setText(typed);
        QTest::keyClick(chooser->CmbTipInf()->lineEdit(), Qt::Key_Return);
    } else {
        chooser->CmdPrint()->click();
    }

    // The chooser closes once its report went out, else it stays open.
    QCOMPARE(ReportChooser::loaded(output) != nullptr, report.isEmpty());
    QCOMPARE(m_dialogs, output == ReportOutput::Print && chosen <= 2 ? 1 : 0);
    // The title of the report printed, or of the preview shown.
    QString shown = m_host.printer->docName();
    for (ReportKind kind : {ReportKind::General, ReportKind::Zones, ReportKind::Relays}) {
        if (FrmPreview *window = FrmPreview::of(kind))
            shown = window->windowTitle();
    }
    QCOMPARE(shown, report);
}

ORB_TEST_MAIN(TestPrintCommands)
#include "test_print_commands.moc"
