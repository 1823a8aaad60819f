// The progress box: loaded by its first use as a disabled child window of
// the main window's document area, its loaded flag following it, set up by
// Show_Load for a one-relay transfer and by Show_Sync for an exchange, and
// taken away by End_Comm.

#include "AppState.h"
#include "FrmLoad.h"
#include "MdiHost.h"
#include "Strings.h"

#include <QtTest>
#include <QtWidgets>

using namespace orb;

class TestFrmLoad : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        appState() = AppState{};
        m_area.resize(800, 600);
        m_area.show();
        setMdiArea(&m_area);
    }
    void cleanup()
    {
        FrmLoad::unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void firstUseLoadsTheDisabledBox();
    void loadedFlagFollowsTheBox();
    void showLoadAndShowSyncSetUpTheBox();

private:
    QMdiArea m_area;
};

void TestFrmLoad::firstUseLoadsTheDisabledBox()
{
    QVERIFY(!FrmLoad::loaded());
    FrmLoad *box = FrmLoad::load();
    QCOMPARE(FrmLoad::load(), box); // one box, however often it is used
    QVERIFY(appState().FrmLoadCargado && box->ProBar()->maximum() == 100);
    QVERIFY2(!box->isEnabled(), "the box takes no input until a one-relay transfer enables it");
    // A child window of the document area, shown at once, centred in it
    // (Show_Load centres it on the main window: see the main window's test).
    auto *sub = qobject_cast<QMdiSubWindow *>(box->parentWidget());
    QVERIFY(sub && m_area.subWindowList().contains(sub) && sub->isVisible());
    QVERIFY((sub->geometry().center() - m_area.rect().center()).manhattanLength() <= 2);
}

void TestFrmLoad::loadedFlagFollowsTheBox()
{
    FrmLoad::unload(); // nothing loaded: harmless
    QVERIFY(!appState().FrmLoadCargado);
    QPointer<FrmLoad> first = FrmLoad::load();
    FrmLoad::unload();
    QVERIFY(!appState().FrmLoadCargado && !FrmLoad::loaded());

    // Used again before the old box is gone: the new box's flag stays set
    // when the old one is finally deleted.
    FrmLoad *second = FrmLoad::load();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY2(first.isNull(), "the unloaded box is deleted");
    QVERIFY(appState().FrmLoadCargado && FrmLoad::loaded() == second && m_area.subWindowList().size() == 1);

    FrmLoad::unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!appState().FrmLoadCargado && m_area.subWindowList().isEmpty());
}

void TestFrmLoad::showLoadAndShowSyncSetUpTheBox()
{
    FrmLoad *box = FrmLoad::load();
    box->ProBar()->setValue(60);
    appState().MaxProg = 40;
    Show_Load();
    QCOMPARE(FrmLoad::loaded(), box);
    QVERIFY(box->ProBar()->maximum() == 40 && box->ProBar()->value() == 0 && box->isEnabled());
    // Outer size 4800 by 1170 twips.
    QWidget *frame = box->parentWidget();
    QVERIFY(frame->isVisible() && frame->size() == QSize(twips(4800), twips(1170)));

    appState().TimeOut = true;
    Show_Sync();
    QVERIFY(appState().PuertoOk && !appState().TimeOut && box->ProBar()->maximum() == 100);
    QCOMPARE(box->windowTitle() + '|' + box->lblLoad()->text(), Str(567) + '|' + Str(402) + Str(403));
    End_Comm();
    QVERIFY(!appState().PuertoOk && !appState().FrmLoadCargado && !FrmLoad::loaded());
}

QTEST_MAIN(TestFrmLoad)
#include "test_frmload.moc"
