// The progress box: loaded by its first use as a disabled child window of
// the main window's document area, its loaded flag following it, and set up
// by Show_Load for a one-relay transfer, and the end and failure of an
// exchange shown in it.

#include "AppState.h"
#include "FrmComm.h"
#include "FrmLoad.h"
#include "MdiHost.h"
#include "ScriptedBoxes.h"
#include "Strings.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QtTest>

using namespace orb;

class TestFrmLoad : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void firstUseLoadsTheDisabledBox();
    void loadedFlagFollowsTheBox();
    void showLoadSetsUpAOneRelayTransfer();
    void exchangeEndsAndFailsInTheBox();

private:
    std::unique_ptr<QMdiArea> m_area;
};

void TestFrmLoad::init()
{
    appState() = AppState{};
    m_area = std::make_unique<QMdiArea>();
    m_area->resize(800, 600);
    m_area->show();
    setMdiArea(m_area.get());
}

void TestFrmLoad::cleanup()
{
    FrmLoad::unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    setMdiArea(nullptr);
    m_area.reset();
}

void TestFrmLoad::firstUseLoadsTheDisabledBox()
{
    QVERIFY(!FrmLoad::loaded());
    FrmLoad *box = FrmLoad::load();
    QCOMPARE(FrmLoad::load(), box);   // one box, however often it is used
    QVERIFY(appState().FrmLoadCargado);
    QCOMPARE(box->objectName(), QStringLiteral("FrmLoad"));
    QCOMPARE(box->windowTitle(), QStringLiteral("Comunicando con Central"));
    QCOMPARE(box->lblLoad()->objectName(), QStringLiteral("lblLoad"));
    QCOMPARE(box->lblLoad()->text(), QStringLiteral("Escribiendo."));
    QCOMPARE(box->ProBar()->objectName(), QStringLiteral("ProBar"));
    QCOMPARE(box->ProBar()->minimum(), 0);
    QCOMPARE(box->ProBar()->maximum(), 100);
    QVERIFY2(!box->isEnabled(), "the box takes no input until a one-relay transfer enables it");

    // A child window of the document area, shown at once, centred in it.
    auto *sub = qobject_cast<QMdiSubWindow *>(box->parentWidget());
    QVERIFY(sub);
    QVERIFY(m_area->subWindowList().contains(sub));
    QVERIFY(sub->isVisible());
    QVERIFY(qAbs(sub->geometry().center().x() - m_area->width() / 2) <= 1);
    QVERIFY(qAbs(sub->geometry().center().y() - m_area->height() / 2) <= 1);
}

void TestFrmLoad::loadedFlagFollowsTheBox()
{
    FrmLoad::unload();   // nothing loaded: harmless
    QVERIFY(!appState().FrmLoadCargado);

    QPointer<FrmLoad> first = FrmLoad::load();
    FrmLoad::unload();
    QVERIFY(!appState().FrmLoadCargado);
    QVERIFY(!FrmLoad::loaded());

    // Used again before the old box is gone: the new box's flag stays set
    // when the old one is finally deleted.
    FrmLoad *second = FrmLoad::load();
    QVERIFY(second != first.data());
    QVERIFY(appState().FrmLoadCargado);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY2(first.isNull(), "the unloaded box is deleted");
    QVERIFY(appState().FrmLoadCargado);
    QCOMPARE(FrmLoad::loaded(), second);
    QCOMPARE(m_area->subWindowList().size(), 1);

    FrmLoad::unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!appState().FrmLoadCargado);
    QVERIFY(m_area->subWindowList().isEmpty());
}

void TestFrmLoad::showLoadSetsUpAOneRelayTransfer()
{
    FrmLoad *box = FrmLoad::load();
    box->ProBar()->setValue(60);
    appState().MaxProg = 40;
    Show_Load();
    QCOMPARE(FrmLoad::loaded(), box);
    QCOMPARE(box->ProBar()->minimum(), 0);
    QCOMPARE(box->ProBar()->maximum(), 40);
    QCOMPARE(box->ProBar()->value(), 0);
    QVERIFY(box->isEnabled());
    QWidget *frame = box->parentWidget();
    QVERIFY(frame->isVisible());
    // Outer size 4800 by 1170 twips, centred in the main window.
    QCOMPARE(frame->size(), QSize(twips(4800), twips(1170)));
    QVERIFY(qAbs(frame->geometry().center().x() - m_area->width() / 2) <= 1);
    QVERIFY(qAbs(frame->geometry().center().y() - m_area->height() / 2) <= 1);
}

void TestFrmLoad::exchangeEndsAndFailsInTheBox()
{
    ScriptedBoxes boxes;
    appState().TimeOut = true;
    Show_Sync();
    QVERIFY(appState().PuertoOk && !appState().TimeOut);
    QVERIFY(FrmLoad::loaded() && appState().FrmLoadCargado);
    QCOMPARE(FrmLoad::loaded()->windowTitle(), Str(567));
    QCOMPARE(FrmLoad::loaded()->lblLoad()->text(), Str(402) + Str(403));
    End_Comm();
    QVERIFY(!appState().PuertoOk && !appState().FrmLoadCargado && !FrmLoad::loaded());

    // Message 405, also when the box is already closed, under the title of
    // an exchange whatever title another command left in the slot.
    appState().TituloMsg = Str(109);
    Err_Comm();
    QCOMPARE(boxes.shown.size(), 1);
    QCOMPARE(boxes.shown.last().prompt, Str(405));
    QCOMPARE(boxes.shown.last().style, int(MsgOkCancelExclamation));
    QCOMPARE(boxes.shown.last().title, Str(414));
    unloadFrmComm();
}

QTEST_MAIN(TestFrmLoad)
#include "test_frmload.moc"
