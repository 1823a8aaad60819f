// The commands of the main window outside the documents: the About box.

#include "AppState.h"
#include "FrmAbt.h"
#include "FrmMain.h"
#include "FrmWel.h"
#include "MdiHost.h"
#include "Marks.h"
#include "ScriptedBoxes.h"
#include "Strings.h"

#include <QLabel>
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
