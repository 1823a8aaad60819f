// The commands of the main window outside the documents: the toolbar's
// buttons, each running its menu command, and the About box.

#include "AppState.h"
#include "FrmAbt.h"
#include "FrmConf.h"
#include "FrmMain.h"
#include "FrmWel.h"
#include "MdiHost.h"
#include "Marks.h"
#include "ModBas.h"
#include "PrintDialog.h"
#include "ScriptedBoxes.h"
#include "Strings.h"
#include "TestConfiguration.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QtTest>

using namespace orb;

class TestCommands : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void toolbarButtonsRunTheirCommands();
    void aboutBox();

private:
    std::unique_ptr<ScriptedBoxes> m_boxes;
    std::unique_ptr<FrmMain> m_main;
};

void TestCommands::init()
{
    appState() = AppState{};
    setCurrentLanguage(Language::English);
    clearWorkingMarks();
    m_boxes = std::make_unique<ScriptedBoxes>();
    m_main = std::make_unique<FrmMain>();
    m_main->load();
    m_main->show();
}

void TestCommands::cleanup()
{
    m_main.reset();
    m_boxes.reset();
}

void TestCommands::toolbarButtonsRunTheirCommands()
{
    QVERIFY(orbtest::makeConfiguration(2, 2));
    QCOMPARE(Open_Conf(), OpenResult::Opened);
    appState().ConfCargada = true;
    m_main->LOAD_MAIN();
    QList<bool> dialogs;   // the file dialogs asked for: save or open
    setFileDialogHandler([&dialogs](const FileDialogRequest &request) {
        dialogs << request.save;
        return QString();
    });
    int printDialogs = 0;
    setPrintDialogHandler([&printDialogs](QPrinter &, const QString &) { return ++printDialogs, false; });
    const auto child = [this] { return m_main->activeChild() ? m_main->activeChild()->objectName() : QString(); };
    // A box of the general window with "123" in it, its "2" selected.
    const auto selectInBox = [] {
        QLineEdit *box = FrmConf::showWindow()->findChild<QLineEdit *>(QStringLiteral("TxtCon_1"));
        box->setText(QStringLiteral("123"));
        box->setFocus();
        box->setSelection(1, 1);
        QGuiApplication::clipboard()->setText(QStringLiteral("4"));
        return box;
    };
    struct Row {
        int button;
        std::function<bool()> done;
    };
    QLineEdit *box = nullptr;
    const QList<Row> rows = {
        {1, [&] { return child() == QLatin1String("FrmNew"); }},
        {2, [&] { return dialogs == QList<bool>{false}; }},
        {3, [&] { return dialogs == QList<bool>{false, true}; }},
        {5, [&] { return printDialogs == 1; }},
        {6, [&] { return child() == QLatin1String("FrmPreview"); }},
        {8, [&] { return box->text() == QLatin1String("13") && QGuiApplication::clipboard()->text() == "2"; }},
        {9, [&] { return box->text() == QLatin1String("123") && QGuiApplication::clipboard()->text() == "2"; }},
        {10, [&] { return box->text() == QLatin1String("143"); }},
        {12, [&] { return child() == QLatin1String("FrmCommSys"); }},
        {14, [&] { return child() == QLatin1String("FrmConf"); }},
        {15, [&] { return child() == QLatin1String("FrmZon"); }},
        {16, [&] { return child() == QLatin1String("FrmRel"); }},
    };
    for (const Row &row : rows) {
        QVERIFY(m_main->closeEditingWindows());
        closeChildWindow(QStringLiteral("FrmCommSys"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        // Print, preview and the edit commands act on the general window.
        if (row.button == 5 || row.button == 6 || (row.button >= 8 && row.button <= 10))
            box = selectInBox();
        QAction *button = m_main->toolButton(row.button);
        QVERIFY2(button && button->isEnabled(), qPrintable(QString::number(row.button)));
        button->trigger();
        QVERIFY2(row.done(), qPrintable(QStringLiteral("button %1").arg(row.button)));
    }
    QVERIFY(m_main->closeEditingWindows());
    setFileDialogHandler({});
    setPrintDialogHandler({});
    appState().ConfModif = false;
    Close_DB();
}

void TestCommands::aboutBox()
{
    for (const Language language : {Language::Spanish, Language::English}) {
        setCurrentLanguage(language);
        m_main->menuItem(QStringLiteral("MnuHelpAbt"))->trigger();
        auto *box = qobject_cast<FrmAbt *>(m_main->activeChild());
        QVERIFY(box && box->isVisible());
        QCOMPARE(box->windowTitle(), Str(106));
        QCOMPARE(box->LblVer()->text(), Str(109) + QStringLiteral("     (") + programVersion() + QLatin1Char(')'));
        QVERIFY(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+$")).match(programVersion()).hasMatch());
        QCOMPARE(box->LblInf()->text(), Str(102) + "\n\n" + Str(103) + "\n\n" + Str(108));
        QCOMPARE(box->CmdOK()->text(), Str(105));
        // 300 twips from the top, centred on the main window's width.
        const QWidget *frame = frameOf(box);
        QCOMPARE(frame->y(), 20);
        QCOMPARE(frame->x(), m_main->width() / 2 - frame->width() / 2);
        // One box at a time; OK closes it.
        m_main->TolBarBut_ButtonClick(4);   // a gap: nothing
        m_main->MnuHelpAbt_Click();
        QCOMPARE(m_main->documentArea()->subWindowList().size(), 1);
        box->CmdOK()->click();
        QTRY_VERIFY(m_main->documentArea()->subWindowList().isEmpty());
    }
}

QTEST_MAIN(TestCommands)
#include "test_commands.moc"
