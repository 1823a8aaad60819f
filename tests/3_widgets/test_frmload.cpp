// The progress box: loaded by its first use as a disabled child window of
// the main window's document area, its loaded flag following it, set up by
// Show_Load for a one-relay transfer and by Show_Sync for an exchange, and
// taken away by End_Comm.

#include "AppState.h"
#include "FrmLoad.h"
#include "MdiHost.h"
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
    void showLoadAndShowSyncSetUpTheBox();

private:
    // Centred in the document area.
    void checkCentred(const QWidget *frame);
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

void TestFrmLoad::checkCentred(const QWidget *frame)
{
    QVERIFY(qAbs(frame->geometry().center().x() - m_area->width() / 2) <= 1);
    QVERIFY(qAbs(frame->geometry().center().y() - m_area->height() / 2) <= 1);
}

void TestFrmLoad::firstUseLoadsTheDisabledBox()
{
    QVERIFY(!FrmLoad::loaded());
    FrmLoad *box = FrmLoad::load();
    QCOMPARE(FrmLoad::load(), box); // one box, however often it is used
    QVERIFY(appState().FrmLoadCargado);
    QCOMPARE(QStringList({box->objectName(), box->lblLoad()->objectName(), box->ProBar()->objectName()}),
             QStringList({"FrmLoad", "lblLoad", "ProBar"}));
    QCOMPARE(box->ProBar()->maximum(), 100);
    QVERIFY2(!box->isEnabled(), "the box takes no input until a one-relay transfer enables it");
    // A child window of the document area, shown at once, centred in it.
    auto *sub = qobject_cast<QMdiSubWindow *>(box->parentWidget());
    QVERIFY(sub && m_area->subWindowList().contains(sub) && sub->isVisible());
    checkCentred(sub);
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
    QVERIFY(appState().FrmLoadCargado);
    QCOMPARE(FrmLoad::loaded(), second);
    QCOMPARE(m_area->subWindowList().size(), 1);

    FrmLoad::unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!appState().FrmLoadCargado && m_area->subWindowList().isEmpty());
}

void TestFrmLoad::showLoadAndShowSyncSetUpTheBox()
{
    FrmLoad *box = FrmLoad::load();
    box->ProBar()->setValue(60);
    appState().MaxProg = 40;
    Show_Load();
    QCOMPARE(FrmLoad::loaded(), box);
    QVERIFY(box->ProBar()->maximum() == 40 && box->ProBar()->value() == 0 && box->isEnabled());
    // Outer size 4800 by 1170 twips, centred in the main window.
    QWidget *frame = box->parentWidget();
    QVERIFY(frame->isVisible());
    QCOMPARE(frame->size(), QSize(twips(4800), twips(1170)));
    checkCentred(frame);

    appState().TimeOut = true;
    Show_Sync();
    QVERIFY(appState().PuertoOk && !appState().TimeOut);
    QCOMPARE(box->windowTitle(), Str(567));
    QCOMPARE(box->lblLoad()->text(), Str(402) + Str(403));
    QCOMPARE(box->ProBar()->maximum(), 100);
    End_Comm();
    QVERIFY(!appState().PuertoOk && !appState().FrmLoadCargado && !FrmLoad::loaded());
}

QTEST_MAIN(TestFrmLoad)
#include "test_frmload.moc"
