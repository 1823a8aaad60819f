// The reports made from the working database and where they go: every
// caption and value where its report prints it, relay blocks that never
// split across pages, the refill of the print tables (and its refusal), the
// print dialog answered or cancelled, the preview window, and the choosers'
// dispatch by their Tag.

#include "ConfigTables.h"
#include "FrmPreview.h"
#include "PdfText.h"
#include "PrintDialog.h"
#include "ReportChoosers.h"
#include "ReportCommands.h"
#include "Schema.h"
#include "ScriptedBoxes.h"
#include "Strings.h"
#include "TestConfiguration.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace orb;
using namespace orbtest;

namespace {

class TestHost : public PrintHost {
public:
    QString configurationCaption() const override { return QStringLiteral(" Configuration: Hotel"); }
    QSize mainWindowSize() const override { return {900, 700}; }
    QIcon reportCommandIcon(ReportOutput) const override { return {}; }
    std::shared_ptr<QPrinter> reportPrinter() override { return printer; }
    std::shared_ptr<QPrinter> printer = makeReportPrinter();
};

using Row = QList<std::pair<QString, QVariant>>;

bool matches(const QString &text, const QString &pattern)
{
    return QRegularExpression(pattern, QRegularExpression::MultilineOption).match(text).hasMatch();
}

} // namespace

class TestPrintCommands : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void reportsFromTheWorkingDatabase_data();
    void reportsFromTheWorkingDatabase();
    void relaysRunOnInWholeBlocks();
    void failedRefillShowsNoReport_data();
    void failedRefillShowsNoReport();
    void previewWindowIsReusedAndReadsAfresh();
    void choosersRunTheReportOfTheirTag_data();
    void choosersRunTheReportOfTheirTag();

private:
    QStringList printedPages() const;

    QTemporaryDir m_dir;
    TestHost m_host;
    std::unique_ptr<ScriptedBoxes> m_boxes;
    QList<Pointer> m_pointer;
    int m_dialogs = 0;
    bool m_accept = true;
};

void TestPrintCommands::initTestCase()
{
    QString error;
    QVERIFY2(popplerPresent(&error), qPrintable(error));
    setPrintHost(&m_host);
}

void TestPrintCommands::init()
{
    appState() = AppState{};
    setCurrentLanguage(Language::English);
    m_boxes = std::make_unique<ScriptedBoxes>();
    m_pointer.clear();
    setPointerHandler([this](Pointer p) { m_pointer << p; });
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

    // A 50-character name, zone 1 added after the others, relay 2 an
    // extinction pre-alarm on zones 2 to 9 (there is no zone 9), relay 3 with
    // an unknown response code; stale rows in both print tables.
    const QString name = QStringLiteral("Hotel Plaza, ala norte, plantas baja a cuarta 0123");
    QVERIFY(makeConfiguration(4, 3, name));
    QVERIFY(execBound("UPDATE CONFCENTRAL SET PAR = 'e', FLU = 2, BAUD = 19200"));
    QVERIFY(execBound("DELETE FROM CONFZONAS WHERE IDZON = 1"));
    QVERIFY(execBound("INSERT INTO CONFZONAS (IDCON, IDZON, ETIZON) VALUES (0, 1, 'ENTRADA')"));
    QVERIFY(execBound("UPDATE CONFZONAS SET ETIZON = 'HALL' WHERE IDZON = 2"));
    QVERIFY(execBound("UPDATE CONFRELES SET TIP = 70, IL1 = 2, FL1 = 9 WHERE IDREL = 2"));
    QVERIFY(execBound("UPDATE CONFRELES SET DDIA = 3 WHERE IDREL = 3"));
    QVERIFY(replacePrintRows(tabImpConfCentral(), {Row{{"NOMCON", " STALE"}}}));
    QVERIFY(replacePrintRows(tabImpConfReles(), {Row{{"IDCON", 0}, {"IDREL", 9}, {"ETIREL", " STALE"}}}));
    m_boxes->shown.clear();   // the new database's own message
}

void TestPrintCommands::cleanup()
{
    for (ReportKind kind : {ReportKind::General, ReportKind::Zones, ReportKind::Relays}) {
        if (FrmPreview *window = FrmPreview::of(kind))
            delete window;
    }
    for (ReportOutput output : {ReportOutput::Preview, ReportOutput::Print})
        delete ReportChooser::loaded(output);
    setPrintDialogHandler({});
    setPointerHandler({});
    m_boxes.reset();
    Close_DB();
    QFile::remove(workingDatabasePath());
}

QStringList TestPrintCommands::printedPages() const
{
    QStringList pages;   // none when nothing was printed
    QString error;
    pdfPages(m_dir.filePath("report.pdf"), &pages, &error);
    return pages;
}

void TestPrintCommands::reportsFromTheWorkingDatabase_data()
{
    QTest::addColumn<ReportKind>("kind");
    QTest::addColumn<QString>("change");   // made to the working database first
    QTest::addColumn<QStringList>("lines");
    // The name is cut to its column behind its blank; the title ends with
    // the status caption, not with the name.
    QTest::newRow("general") << ReportKind::General << ""
                             << QStringList{R"(General Report of\s+Configuration: Hotel)",
                                            R"(Config Name:\s+Hotel Plaza, ala norte, plantas baja a cuarta 012$)",
                                            R"(Number of Zones:\s+4\s+Number of Relays:\s+3\s+Panel Label:\s+PANEL 1)",
                                            R"(Day Mode Beginning:\s+8\s+Night Mode Beginning:\s+20\s+COMMUNICATIONS)",
                                            R"(19200 Bauds\s+8 Data bits\s+1 Stop Bits\s+Even Parity)",
                                            R"(Port: 1\s+RTS HandShaking)"};
    // Zones by number, whatever order they were stored in; the captions stay
    // Spanish in an English session.
    QTest::newRow("zones") << ReportKind::Zones << ""
                           << QStringList{R"(Punto\s+Etiqueta\s+1\s+ENTRADA\s+2\s+HALL\s+3\s+ETI ZONA 3\s+4\s+)"
                                          R"(ETI ZONA 4)",
                                          R"(Zones Report of Configuration: Hotel\s+Página 1 de 1)"};
    QTest::newRow("no zones") << ReportKind::Zones << "DELETE FROM CONFZONAS"
                              << QStringList{R"(^Zones Report of Configuration: Hotel Punto Etiqueta Zones Report of )"
                                             R"(Configuration: Hotel Página 1 de 1\z)"};
    // Zone labels looked up beside the bounds; a bound without a zone has none.
    QTest::newRow("relays") << ReportKind::Relays << ""
                            << QStringList{R"(Relay Number:\s+2\s+Type:\s+EXTINTION PREALARM\s+Label:\s+ETI RELE 2)",
                                           R"(General Delay:\s+0minutes\s+0seconds\s+REPLY\s+To Day Detector\s+)"
                                           R"(To Night Detector\s+To Day Call Point\s+To Night Call Point)",
                                           R"(ACTIVATION LIST\s+General Activation\s+YES\s+List Nr\s+List Begining)",
                                           R"(^\s*1\s+2\s+HALL\s+9\s*$)", R"(NO_PRG\s+Inactive\s+Inactive\s+Inactive)",
                                           R"(Relays Report of Configuration: Hotel\s+Page 2 of 2)"};
}

void TestPrintCommands::reportsFromTheWorkingDatabase()
{
    QFETCH(ReportKind, kind);
    QFETCH(QString, change);
    QFETCH(QStringList, lines);
    QVERIFY(change.isEmpty() || execBound(change));
    const auto printTables = [] { return reportRows(tabImpConfCentral()) + reportRows(tabImpConfReles()); };
    const QList<QVariantMap> before = printTables();
    QVERIFY(runReport(kind, ReportOutput::Print));
    const QString layout = printedPages().join(QLatin1Char('\n'));
    for (const QString &line : std::as_const(lines))
        QVERIFY2(matches(line.contains('$') ? layout : layout.simplified(), line), qPrintable(line));
    QCOMPARE(m_pointer.last(), Pointer::Default);
    QVERIFY(m_boxes->shown.isEmpty());
    // The zone report changes no table; the others refill theirs.
    QCOMPARE(printTables() == before, kind == ReportKind::Zones);
}

void TestPrintCommands::relaysRunOnInWholeBlocks()
{
    // 128 new relays whose first list runs to a zone above the zone count:
    // on A4 the title and one relay on the first page, two relays on each
    // further page, each block whole.
    QVERIFY(execBound("DELETE FROM CONFRELES") && addDefaultRelayRows(0, 1, 128));
    QVERIFY(execBound("UPDATE CONFRELES SET FL1 = 200"));
    QVERIFY(runReport(ReportKind::Relays, ReportOutput::Print));
    const QStringList pages = printedPages();
    QCOMPARE(pages.size(), 65);
    QVERIFY(matches(pages.first().simplified(), "Relay Number: 1 Type: NOT CONFIGURED.* 1 0 200 2 0 0 3 0 0 4 0 0 "));
    int next = 1;
    const QRegularExpression number(QStringLiteral(R"(Relay Number:\s+(\d+))"));
    const QRegularExpression blockEnd(QStringLiteral(R"(^\s*4\s+0\s+0\s*$)"), QRegularExpression::MultilineOption);
    for (int p = 0; p < pages.size(); ++p) {
        const QString page = pages.at(p);
        QCOMPARE(page.count(blockEnd), p == 0 || p == 64 ? 1 : 2);
        for (auto m = number.globalMatch(page); m.hasNext(); ++next)
            QCOMPARE(m.next().captured(1).toInt(), next);
        QVERIFY(page.simplified().endsWith(QStringLiteral("Relays Report of Configuration: Hotel Page %1 of 65").arg(p + 1)));
    }
    QCOMPARE(next, 129);
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
    const QList<QVariantMap> rows = reportRows(table == "IMPCONFRELES" ? tabImpConfReles() : tabImpConfCentral());
    QCOMPARE(rows.size(), 1);
    QVERIFY(rows.first().value(table == "IMPCONFRELES" ? "ETIREL" : "NOMCON").toString().contains("STALE"));
}

void TestPrintCommands::previewWindowIsReusedAndReadsAfresh()
{
    QVERIFY(runReport(ReportKind::Relays, ReportOutput::Preview));
    FrmPreview *window = FrmPreview::of(ReportKind::Relays);
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), QStringLiteral("Relays Report of  Configuration: Hotel"));
    QTRY_COMPARE(window->pageCount(), 2);
    QCOMPARE(m_pointer, (QList<Pointer>{Pointer::Hourglass, Pointer::Default}));

    // Two more relays: the same window, read again.
    QVERIFY(execBound("INSERT INTO CONFRELES (IDCON, IDREL, TIP, ETIREL) VALUES (0, 4, 192, 'R4'), (0, 5, 192, 'R5')"));
    QVERIFY(runReport(ReportKind::Relays, ReportOutput::Preview));
    QCOMPARE(FrmPreview::of(ReportKind::Relays), window);
    QTRY_COMPARE(window->pageCount(), 3);
    window->command("CmdLast")->trigger();
    QCOMPARE(window->findChild<QLabel *>("LblPage")->text(), QStringLiteral("Page 3 of 3"));
    // Printing from the preview asks the dialog and prints what it shows.
    window->CmdPrint_Click();
    QCOMPARE(m_dialogs, 1);
    QCOMPARE(printedPages().size(), 3);
}

void TestPrintCommands::choosersRunTheReportOfTheirTag_data()
{
    QTest::addColumn<ReportOutput>("output");
    QTest::addColumn<int>("chosen");        // entry chosen from the list; -1 none
    QTest::addColumn<QString>("typed");     // text typed over the choice
    QTest::addColumn<bool>("accept");       // the print dialog's answer
    QTest::addColumn<QString>("report");    // the report's title; empty: none
    QTest::addColumn<bool>("staysOpen");
    const QString general = "General Report of Configuration: Hotel";
    const QString zones = "Zones Report of Configuration: Hotel";
    const QString relays = "Relays Report of Configuration: Hotel";
    QTest::newRow("preview untouched") << ReportOutput::Preview << -1 << "" << true << general << false;
    QTest::newRow("preview zones") << ReportOutput::Preview << 1 << "" << true << zones << false;
    QTest::newRow("print relays") << ReportOutput::Print << 2 << "" << true << relays << false;
    QTest::newRow("preview entry 4") << ReportOutput::Preview << 3 << "" << true << "" << true;
    QTest::newRow("print entry 5") << ReportOutput::Print << 4 << "" << true << "" << true;
    QTest::newRow("relay typed, not chosen") << ReportOutput::Print << -1 << Str(4107) << true << general << false;
    QTest::newRow("print cancelled") << ReportOutput::Print << 1 << "" << false << "" << true;
}

void TestPrintCommands::choosersRunTheReportOfTheirTag()
{
    QFETCH(ReportOutput, output);
    QFETCH(int, chosen);
    QFETCH(QString, typed);
    QFETCH(bool, accept);
    QFETCH(QString, report);
    QFETCH(bool, staysOpen);
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

    QCOMPARE(ReportChooser::loaded(output) != nullptr, staysOpen);
    QString shown;
    if (output == ReportOutput::Print) {
        const QStringList pages = printedPages();
        shown = pages.isEmpty() ? QString() : pages.first().simplified();
        QCOMPARE(m_dialogs, chosen <= 2 ? 1 : 0);
    } else {
        for (ReportKind kind : {ReportKind::General, ReportKind::Zones, ReportKind::Relays}) {
            if (FrmPreview *window = FrmPreview::of(kind))
                shown = window->windowTitle();
        }
    }
    shown = shown.simplified();
    QVERIFY2(report.isEmpty() ? shown.isEmpty() : shown.startsWith(report), qPrintable(shown));
}

QTEST_MAIN(TestPrintCommands)
#include "test_print_commands.moc"
