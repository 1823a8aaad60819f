// The Communication menu of the main window against the simulated panel:
// what the transfers disable while they run, what they give back, and the
// port-settings window opening inside the main window.

#include "FrmCommSys.h"
#include "MainWindowFixture.h"

class TestCommMenu : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_fx.start(3, 2, QStringLiteral("Hotel"));
        Show_ConfInfo();
        frmComm().setReplyTimeout(FrmComm::ReplyTimeout);
    }
    void cleanup() { m_fx.stop(); }
    void commandTakesAwayAndGivesBack_data();
    void commandTakesAwayAndGivesBack();
    void portSettingsOpenInsideTheMainWindow();

private:
    MainWindowFixture m_fx;
};

void TestCommMenu::commandTakesAwayAndGivesBack_data()
{
    // Send and receive disable the toolbar and the seven menus, the clock
    // the whole window; the frames of the command reach the panel.
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("off"); // disabled when the end is told
    QTest::addColumn<QStringList>("on");  // still enabled then
    QTest::addColumn<QString>("frames");  // function codes of the frames the panel saw
    const QStringList menus{"MnuArx", "MnuCom", "MnuEdi", "MnuHelp", "MnuPrg", "MnuVen", "MnuVer", "toolbar"};
    const QStringList window{"window"};
    QTest::newRow("send") << "MnuComSend" << menus << window << QString(5 + 3 + 2 * 2, QLatin1Char('W'));
    QTest::newRow("receive") << "MnuComRec" << menus << window << QString(5 + 7 + 2 * 1, QLatin1Char('R'));
    QTest::newRow("clock") << "MnuComTime" << window << QStringList() << ":;";
}

void TestCommMenu::commandTakesAwayAndGivesBack()
{
    QFETCH(QString, command);
    QFETCH(QStringList, off);
    QFETCH(QStringList, on);
    m_fx.sim->setMemory(AdrNumZon, QByteArray::fromHex("0701")); // 7 zones, 1 relay
    const QStringList before = m_fx.enabledCommands();
    QVERIFY(before.contains(command));
    QStringList during;
    m_fx.boxes->onShow = [&](const ShownBox &) { during = m_fx.enabledCommands(); };
    m_fx.main->menuItem(command)->trigger();
    QCOMPARE(m_fx.boxes->shown.size(), 1);
    QCOMPARE(m_fx.boxes->shown.first().prompt, Str(432));
    for (const QString &item : off + on)
        QCOMPARE(during.contains(item), on.contains(item));
    QCOMPARE(m_fx.enabledCommands(), before);
    QString frames;
    for (const QByteArray &frame : m_fx.sim->receivedFrames())
        frames += QLatin1Char(frame.at(2));
    QTEST(frames, "frames");
    // A receive shows the panel's counts in the status panel at once.
    QCOMPARE(m_fx.main->LblCon(2)->text(), confInfoTexts().at(2));
    QCOMPARE(m_fx.main->LblCon(2)->text().endsWith(QLatin1Char('7')), command == QLatin1String("MnuComRec"));
}

void TestCommMenu::portSettingsOpenInsideTheMainWindow()
{
    appState().PuertoOk = true;
    m_fx.main->menuItem(QStringLiteral("MnuComConf"))->trigger();
    QVERIFY(!appState().PuertoOk);
    QWidget *window = portSettingsWindow();
    QVERIFY(window);
    QCOMPARE(window->objectName(), QStringLiteral("FrmCommSys"));
    bool inside = false;
    for (QMdiSubWindow *sub : m_fx.main->documentArea()->subWindowList())
        inside = inside || sub->widget() == window;
    QVERIFY2(inside, "the port settings are a child window of the main window");

    // A transfer closes it first.
    m_fx.main->menuItem(QStringLiteral("MnuComSend"))->trigger();
    QVERIFY(!portSettingsWindow());
}

QTEST_MAIN(TestCommMenu)
#include "test_comm_menu.moc"
