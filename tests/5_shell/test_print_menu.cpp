// The main window's print and preview commands: the report of the active
// child window, titled with the status panel's configuration caption as it
// stands; nothing at all for any other child window.

#include "FrmPreview.h"
#include "MainWindowFixture.h"
#include "PrintDialog.h"

#include <QPrinter>

class TestPrintMenu : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        QFile::remove(m_dir.filePath("menu.pdf"));
        m_fx.start(2, 1);
        m_fx.main->show();
    }
    void cleanup()
    {
        setPrintDialogHandler({});
        setPointerHandler({});
        m_fx.stop();
    }
    void commandsFollowTheActiveChild_data();
    void commandsFollowTheActiveChild();

private:
    MainWindowFixture m_fx;
    QTemporaryDir m_dir;
};

void TestPrintMenu::commandsFollowTheActiveChild_data()
{
    QTest::addColumn<QString>("active");
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("report");   // title of what is printed or previewed; empty: nothing
    QTest::newRow("general, print") << "FrmConf" << 5 << "General Report of Planta 2";
    QTest::newRow("zones, preview") << "FrmZon" << 6 << "Zones Report of Planta 2";
    QTest::newRow("relays, preview") << "FrmRel" << 6 << "Relays Report of Planta 2";
    QTest::newRow("new configuration") << "FrmNew" << 5 << "";
    QTest::newRow("name in other case") << "frmconf" << 6 << "";
}

void TestPrintMenu::commandsFollowTheActiveChild()
{
    QFETCH(QString, active);
    QFETCH(int, button);
    QFETCH(QString, report);
    QList<Pointer> pointer;
    setPointerHandler([&pointer](Pointer p) { pointer << p; });
    setPrintDialogHandler([this](QPrinter &printer, const QString &) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(m_dir.filePath("menu.pdf"));
        return true;
    });
    // The caption as it stands, whatever the configuration is named; a zone
    // window behind the active one.
    m_fx.main->LblCon(0)->setText(QStringLiteral("Planta 2"));
    auto *behind = new QWidget;
    behind->setObjectName(QStringLiteral("FrmZon"));
    showAsChild(behind);
    auto *front = new QWidget;
    front->setObjectName(active);
    m_fx.main->documentArea()->setActiveSubWindow(showAsChild(front));

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

QTEST_MAIN(TestPrintMenu)
#include "test_print_menu.moc"
