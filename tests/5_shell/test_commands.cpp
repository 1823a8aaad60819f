// The commands of the main window outside the documents: the toolbar's
// buttons the other tests do not use; the Communication menu against the
// simulated panel (what the transfers disable while they run, what they give
// back, the port settings they close first); print and preview of the
// report of the editing window active last (or of the preview in front),
// titled with the status panel's configuration caption as it stands, and
// nothing without an editing window; the preview's keys working at once;
// and the About box.

#include "FrmAbt.h"
#include "FrmCommSys.h"
#include "FrmConf.h"
#include "FrmPreview.h"
#include "FrmWel.h"
#include "MainWindowFixture.h"
#include "PrintDialog.h"
#include "ReportCommands.h"

#include <QPrinter>

class TestCommands : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        QFile::remove(m_dir.filePath("menu.pdf"));
        m_fx.start(3, 2, QStringLiteral("Hotel"));
        Show_ConfInfo();
        frmComm().setReplyTimeout(FrmComm::ReplyTimeout);
        m_fx.main->show();
    }
    void cleanup()
    {
        setPrintDialogHandler({});
        setPointerHandler({});
        m_fx.stop();
    }
    void toolbarButtonsRunTheirCommands();
    void commandTakesAwayAndGivesBack_data();
    void commandTakesAwayAndGivesBack();
    void printFollowsTheActiveChild_data();
    void printFollowsTheActiveChild();
    void previewTakesTheKeys();
    void aboutBox();

private:
    MainWindowFixture m_fx;
    QTemporaryDir m_dir;
};

void TestCommands::toolbarButtonsRunTheirCommands()
{
    // The buttons of the File and Programming menus' commands run in the
    // tests of those commands; print and preview in printFollowsTheActiveChild.
    // Here the edit commands, on a box of the general window with "123" in
    // it, its "2" selected, and the port settings, a child window of the main
    // window.
    QLineEdit *box = FrmConf::showWindow()->findChild<QLineEdit *>(QStringLiteral("TxtCon_1"));
    const QList<std::pair<int, QString>> rows = {{8, "13|2"}, {9, "123|2"}, {10, "143|4"}};
    for (const auto &[button, after] : rows) {
        box->setText(QStringLiteral("123"));
        box->setFocus();
        box->setSelection(1, 1);
        QGuiApplication::clipboard()->setText(QStringLiteral("4"));
        m_fx.main->toolButton(button)->trigger();
        QCOMPARE(box->text() + QLatin1Char('|') + QGuiApplication::clipboard()->text(), after);
    }
    appState().PuertoOk = true;
    m_fx.main->toolButton(12)->trigger();
    QVERIFY(!appState().PuertoOk && portSettingsWindow() && m_fx.main->activeChild() == portSettingsWindow());
}

void TestCommands::commandTakesAwayAndGivesBack_data()
{
    // Send and receive disable the toolbar and the seven menus, the clock
    // the whole window. (The frames each command sends: the transfers' own
    // test.)
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("off"); // disabled when the end is told
    QTest::addColumn<QStringList>("on");  // still enabled then
    const QStringList menus{"MnuArx", "MnuCom", "MnuEdi", "MnuHelp", "MnuPrg", "MnuVen", "MnuVer", "toolbar"};
    const QStringList window{"window"};
    QTest::newRow("send") << "MnuComSend" << menus << window;
    QTest::newRow("receive") << "MnuComRec" << menus << window;
    QTest::newRow("clock") << "MnuComTime" << window << QStringList();
}

void TestCommands::commandTakesAwayAndGivesBack()
{
    QFETCH(QString, command);
    QFETCH(QStringList, off);
    QFETCH(QStringList, on);
    m_fx.sim->setMemory(AdrNumZon, QByteArray::fromHex("0701")); // 7 zones, 1 relay
    const QStringList before = m_fx.enabledCommands();
    QStringList during;
    m_fx.boxes->onShow = [&](const ShownBox &) { during = m_fx.enabledCommands(); };
    QVERIFY(openPortSettings());
    m_fx.main->menuItem(command)->trigger();
    m_fx.checkOnlyBox(432, Str(414));
    QVERIFY2(!portSettingsWindow(), "the port settings close first");
    for (const QString &item : off + on)
        QCOMPARE(during.contains(item), on.contains(item));
    QCOMPARE(m_fx.enabledCommands(), before);
    // A receive shows the panel's counts in the status panel at once.
    QCOMPARE(m_fx.main->LblCon(2)->text().endsWith(QLatin1Char('7')), command == QLatin1String("MnuComRec"));
}

void TestCommands::printFollowsTheActiveChild_data()
{
    QTest::addColumn<QString>("behind");   // the editing window behind; empty: none
    QTest::addColumn<QString>("active");   // the window in front; "preview": the relay report's
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("report");   // title of what is printed or previewed; empty: nothing
    QTest::newRow("general, print") << "FrmZon" << "FrmConf" << 5 << "General Report of Planta 2";
    QTest::newRow("zones, preview") << "" << "FrmZon" << 6 << "Zones Report of Planta 2";
    QTest::newRow("relays, preview") << "FrmZon" << "FrmRel" << 6 << "Relays Report of Planta 2";
    // Another window in front: the editing window active last, or the
    // report a preview in front shows.
    QTest::newRow("About box in front") << "FrmZon" << "FrmAbt" << 5 << "Zones Report of Planta 2";
    QTest::newRow("preview in front") << "FrmZon" << "preview" << 5 << "Relays Report of Planta 2";
    QTest::newRow("port settings, no editing window") << "" << "FrmCommSys" << 6 << "";
    QTest::newRow("name in other case") << "" << "frmconf" << 6 << "";
}

void TestCommands::printFollowsTheActiveChild()
{
    QFETCH(QString, behind);
    QFETCH(QString, active);
    QFETCH(int, button);
    QFETCH(QString, report);
    setPrintDialogHandler([this](QPrinter &printer, const QString &) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(m_dir.filePath("menu.pdf"));
        return true;
    });
    // The caption as it stands, whatever the configuration is named.
    m_fx.main->LblCon(0)->setText(QStringLiteral("Planta 2"));
    for (const QString &name : {behind, active}) {
        if (name == QLatin1String("preview")) {
            QVERIFY(runReport(ReportKind::Relays, ReportOutput::Preview));
        } else if (!name.isEmpty()) {
            auto *window = new QWidget;
            window->setObjectName(name);
            m_fx.main->documentArea()->setActiveSubWindow(showAsChild(window));
        }
    }
    QList<Pointer> pointer;
    setPointerHandler([&pointer](Pointer p) { pointer << p; });

    m_fx.main->TolBarBut_ButtonClick(button);
    const QMdiSubWindow *current = m_fx.main->documentArea()->currentSubWindow();
    const auto *preview = current ? qobject_cast<const FrmPreview *>(current->widget()) : nullptr;
    QString shown = preview ? preview->windowTitle() : QString();
    if (button == 5) {
        shown = m_fx.main->reportPrinter()->docName();   // the title of the report printed
        QCOMPARE(QFileInfo(m_dir.filePath("menu.pdf")).size() > 0, !report.isEmpty());
    }
    QCOMPARE(shown, report);
    // The hourglass while the report is made, the default pointer after.
    QCOMPARE(pointer.isEmpty(), report.isEmpty());
    QVERIFY(pointer.isEmpty() || (pointer.first() == Pointer::Hourglass && pointer.last() == Pointer::Default));
    QVERIFY(m_fx.boxes->shown.isEmpty());
}

void TestCommands::previewTakesTheKeys()
{
    // The relay report of two relays on two pages. Its keys work without a
    // click on the page: when the preview opens, when it is brought forward
    // again, and when it was minimised (it comes back to its size).
    QApplication::setActiveWindow(m_fx.main.get());
    m_fx.main->MnuPrgRel_Click();
    QWidget *relays = m_fx.main->activeChild();
    FrmPreview *preview = nullptr;
    for (const char *step : {"opens", "forward again", "minimised"}) {
        if (qstrcmp(step, "forward again") == 0)
            bringForward(relays);
        if (qstrcmp(step, "minimised") == 0)
            frameOf(preview)->showMinimized();
        m_fx.main->MnuArxVis_Click();
        preview = qobject_cast<FrmPreview *>(m_fx.main->activeChild());
        QVERIFY2(preview && !frameOf(preview)->isMinimized(), step);
        QTRY_COMPARE(preview->pageCount(), 2);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_End, Qt::ControlModifier);
        QVERIFY2(preview->currentPage() == 2, step);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageUp);
        QVERIFY2(preview->currentPage() == 1, step);
    }
}

void TestCommands::aboutBox()
{
    setCurrentLanguage(Language::Spanish);
    m_fx.main->menuItem(QStringLiteral("MnuHelpAbt"))->trigger();
    auto *box = qobject_cast<FrmAbt *>(m_fx.main->activeChild());
    QVERIFY(box && box->isVisible());
    QCOMPARE(box->LblVer()->text(), Str(109) + QStringLiteral("     (") + programVersion() + QLatin1Char(')'));
    // 300 twips from the top, centred on the main window's width.
    const QWidget *frame = frameOf(box);
    QCOMPARE(frame->pos(), QPoint(m_fx.main->width() / 2 - frame->width() / 2, 20));
    // One box at a time; OK closes it.
    m_fx.main->MnuHelpAbt_Click();
    QCOMPARE(m_fx.main->documentArea()->subWindowList().size(), 1);
    box->CmdOK()->click();
    QTRY_VERIFY(m_fx.main->documentArea()->subWindowList().isEmpty());
}

QTEST_MAIN(TestCommands)
#include "test_commands.moc"
