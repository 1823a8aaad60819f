// The small shared widgets. The progress box: loaded by its first use as a
// disabled child window of the main window's document area, its loaded flag
// following it, set up by Show_Load for a one-relay transfer (centred on
// the main window) and by Show_Sync for an exchange, and taken away by
// End_Comm; its text and bar legible while it, or the main window, is
// disabled. The message boxes
// the program shows: every line of the prompt shows whole (a long prompt
// wraps) and the box is wide enough for its whole title in a window
// manager's title bar, in both languages, and belongs to the program's
// window. The Edit menu's commands on the focused combo box of a child
// window that can be typed into (on a text box: the main window's toolbar
// test; the Delete key is checked with the editors), tool tips without
// mnemonic marks, the menu keys inside text boxes, and the Window menu's
// arrangements of the child windows.

#include "AppState.h"
#include "Captions.h"
#include "EditCommands.h"
#include "FrmLoad.h"
#include "MdiHost.h"
#include "MenuKeys.h"
#include "QtSeams.h"
#include "Seams.h"
#include "Strings.h"
#include "TestHome.h"

#include <QtTest>
#include <QtWidgets>

using namespace orb;

Q_DECLARE_METATYPE(EditCommand)

class TestWidgets : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // The document area below room the main window's menus and toolbar
        // take, the main window away from the screen's corner.
        auto *layout = new QVBoxLayout(&m_main);
        layout->setContentsMargins(0, 80, 0, 0);
        layout->addWidget(&m_area);
        m_main.setGeometry(50, 40, 800, 680);
        m_main.show();
    }
    void init()
    {
        appState() = AppState{};
        // As the main window has it: the area scrolls to windows beyond it.
        m_area.setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        m_area.setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        setMdiArea(&m_area);
    }
    void cleanup()
    {
        FrmLoad::unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        qDeleteAll(m_area.subWindowList());
    }
    void progressBoxFromLoadToEndComm();
    void progressBoxDrawnInActiveColours_data();
    void progressBoxDrawnInActiveColours();
    void boxShowsWholeTextAndTitle_data();
    void boxShowsWholeTextAndTitle();
    void boxBelongsToTheProgramsWindow();
    void toolTipShowsNoMarks_data();
    void toolTipShowsNoMarks();
    void commandOnTheFocusedBox_data();
    void commandOnTheFocusedBox();
    void menuKeysInATextBox();
    void arrangements();

private:
    QWidget m_main;
    QMdiArea m_area;
};

void TestWidgets::progressBoxFromLoadToEndComm()
{
    FrmLoad::unload(); // nothing loaded: harmless
    QPointer<FrmLoad> first = FrmLoad::load();
    QCOMPARE(FrmLoad::load(), first.data()); // one box, however often it is used
    QVERIFY(appState().FrmLoadCargado && first->ProBar()->maximum() == 100);
    QVERIFY2(!first->isEnabled(), "the box takes no input until a one-relay transfer enables it");
    // A child window of the document area, shown at once, centred in it.
    auto *sub = qobject_cast<QMdiSubWindow *>(first->parentWidget());
    QVERIFY(sub && m_area.subWindowList().contains(sub) && sub->isVisible());
    QVERIFY((sub->geometry().center() - m_area.rect().center()).manhattanLength() <= 2);
    FrmLoad::unload();
    QVERIFY(!appState().FrmLoadCargado && !FrmLoad::loaded());

    // Used again before the old box is gone: the new box's flag stays set
    // when the old one is finally deleted.
    FrmLoad *box = FrmLoad::load();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY2(first.isNull(), "the unloaded box is deleted");
    QVERIFY(appState().FrmLoadCargado && FrmLoad::loaded() == box && m_area.subWindowList().size() == 1);

    box->ProBar()->setValue(60);
    appState().MaxProg = 40;
    Show_Load();
    QVERIFY(box->ProBar()->maximum() == 40 && box->ProBar()->value() == 0 && box->isEnabled());
    // Outer size 4800 by 1170 twips, centred on the main window's size
    // inside the document area; the main window's own position plays no
    // part.
    QWidget *frame = box->parentWidget();
    QVERIFY(frame->isVisible() && frame->size() == QSize(twips(4800), twips(1170)));
    QCOMPARE(frame->pos(), QPoint(m_main.width() / 2 - frame->width() / 2, m_main.height() / 2 - frame->height() / 2));

    appState().TimeOut = true;
    Show_Sync();
    QVERIFY(appState().PuertoOk && !appState().TimeOut && box->ProBar()->maximum() == 100);
    QCOMPARE(box->windowTitle() + '|' + box->lblLoad()->text(), Str(567) + '|' + Str(402) + Str(403));
    End_Comm();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!appState().PuertoOk && !appState().FrmLoadCargado && !FrmLoad::loaded());
    QVERIFY(m_area.subWindowList().isEmpty());
}

void TestWidgets::progressBoxDrawnInActiveColours_data()
{
    QTest::addColumn<Language>("language");
    QTest::addColumn<bool>("mainDisabled");
    QTest::newRow("Spanish, box disabled") << Language::Spanish << false;
    QTest::newRow("English, main window disabled") << Language::English << true;
}

void TestWidgets::progressBoxDrawnInActiveColours()
{
    QFETCH(Language, language);
    QFETCH(bool, mainDisabled);
    setCurrentLanguage(language);
    // The box takes no input during a transfer (and the clock command
    // disables the whole main window), yet what it tells stays legible:
    // its text dark, its bar in the colour of progress, not greyed.
    FrmLoad *box = FrmLoad::load();
    box->lblLoad()->setText(Str(588) + QStringLiteral(" 3"));
    box->ProBar()->setRange(0, 10);
    box->ProBar()->setValue(5);
    m_main.setEnabled(!mainDisabled);
    const auto restore = qScopeGuard([this] { m_main.setEnabled(true); });
    QVERIFY(!box->isEnabled() && !box->lblLoad()->isEnabled() && !box->ProBar()->isEnabled());

    const auto anyPixel = [](QWidget *widget, auto test) {
        const QImage image = widget->grab().toImage();
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (test(image.pixelColor(x, y)))
                    return true;
            }
        }
        return false;
    };
    QVERIFY2(anyPixel(box->lblLoad(), [](QColor c) { return qGray(c.rgb()) < 80; }), "the text is dark");
    const int progress = box->palette().color(QPalette::Active, QPalette::Highlight).hsvHue();
    QVERIFY2(anyPixel(box->ProBar(),
                      [progress](QColor c) { return c.hsvSaturation() > 100 && std::abs(c.hsvHue() - progress) < 20; }),
             "the bar is drawn in the colour of progress");
}

void TestWidgets::boxShowsWholeTextAndTitle_data()
{
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<int>("style");
    QTest::addColumn<QString>("title");

    const QString path = QStringLiteral("/home/installer/.local/share/ORBITarsis/Vuvurov.mdb");
    const QString lf2 = QStringLiteral("\n\n");
    // A long line that wraps; lines with a path no wrap can break; a short
    // prompt under a long title.
    for (Language language : {Language::Spanish, Language::English}) {
        const char *tag = language == Language::Spanish ? "es" : "en";
        QTest::addRow("%s restore question", tag)
            << Str(1042, language) << int(MsgYesNoExclamation) << Str(1043, language);
        QTest::addRow("%s database failure", tag)
            << Str(1001, language) + path + Str(1, language) + lf2 + QStringLiteral("13 (Permission denied)") + lf2
                   + Str(1002, language)
            << int(MsgOk) << applicationTitle();
        QTest::addRow("%s short prompt, long title", tag)
            << QStringLiteral("OK") << int(MsgOk) << Str(1109, language);
    }
}

void TestWidgets::boxShowsWholeTextAndTitle()
{
    QFETCH(QString, prompt);
    QFETCH(int, style);
    QFETCH(QString, title);

    const auto box = buildMessageBox(prompt, style, title);
    box->show();
    QVERIFY(QTest::qWaitForWindowExposed(box.get()));
    QCoreApplication::processEvents();

    auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
    QVERIFY(label);

    // Every line whole: as wide as the longest line (or, wrapped, the
    // longest word) and as high as the text at that width, inside the box.
    if (label->wordWrap()) {
        QVERIFY2(label->width() >= label->minimumSizeHint().width(), "a word is cut");
        QVERIFY2(label->height() >= label->heightForWidth(label->width()), "the last lines are cut");
    } else {
        QVERIFY2(label->width() >= label->sizeHint().width(), "the text is cut on the right");
        QVERIFY2(label->height() >= label->sizeHint().height(), "the text is cut below");
    }
    QVERIFY(box->rect().contains(label->geometry()));

    // A long prompt wraps rather than making the box wider than the screen.
    QVERIFY(box->width() <= box->screen()->availableGeometry().width());

    // The title in bold, as title bars show it, and room beside it for the
    // window icon and three buttons.
    QFont bold = box->font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    QVERIFY2(box->width() >= metrics.horizontalAdvance(title) + 8 * metrics.height(), "the title is cut");
}

void TestWidgets::boxBelongsToTheProgramsWindow()
{
    // Shown while another window of the program is active, the box is that
    // window's; while none is (the desktop has another program in front),
    // the main window's, the one holding the document area.
    installQtSeams();
    QWidget other;
    for (QWidget *active : {static_cast<QWidget *>(&other), static_cast<QWidget *>(nullptr)}) {
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        if (!active)
            other.hide();
        QCOMPARE(QApplication::activeWindow(), active);
        QPointer<QWidget> parent;
        QTimer::singleShot(0, [&parent] {
            QWidget *box = QApplication::activeModalWidget();
            parent = box->parentWidget();
            box->close();
        });
        MsgBox(QStringLiteral("Comunication Error"), MsgExclamation);
        QCOMPARE(parent.data(), active ? active : m_area.window());
    }
    setMsgBoxHandler({});
    setPointerHandler({});
    setFileDialogHandler({});
}

void TestWidgets::toolTipShowsNoMarks_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("tip");
    QTest::newRow("first letter") << "&Print" << "Print";
    QTest::newRow("inner letter") << "C&opy" << "Copy";
    QTest::newRow("doubled mark") << "Salt && &Pepper" << "Salt & Pepper";
    QTest::newRow("mark at the end") << "Save As...&" << "Save As...";
}

void TestWidgets::toolTipShowsNoMarks()
{
    QFETCH(QString, caption);
    QTEST(toolTipText(caption), "tip");
}

void TestWidgets::commandOnTheFocusedBox_data()
{
    QTest::addColumn<EditCommand>("command");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("from");      // selection start; -1 for no selection (caret at 2)
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("clipboardBefore");
    QTest::addColumn<QString>("textAfter");
    QTest::addColumn<QString>("clipboardAfter");
    using C = EditCommand;
    // A combo box that can be typed into, digits only, at most six. (The
    // commands on a plain text box: the main window's toolbar test.)
    QTest::newRow("copy") << C::Copy << "123456" << 1 << 3 << "x" << "123456" << "234";
    QTest::newRow("copy of nothing empties the clipboard") << C::Copy << "123456" << -1 << 0 << "x" << "123456" << "";
    QTest::newRow("cut") << C::Cut << "123456" << 0 << 2 << "x" << "3456" << "12";
    QTest::newRow("cut of nothing") << C::Cut << "123456" << -1 << 0 << "x" << "123456" << "";
    QTest::newRow("delete leaves the clipboard") << C::Delete << "123456" << 4 << 2 << "x" << "1234" << "x";
    // Paste is the box's own: its validator judges the text.
    QTest::newRow("paste over the selection") << C::Paste << "123456" << 1 << 4 << "9" << "196" << "9";
    QTest::newRow("paste the box refuses") << C::Paste << "1234" << -1 << 0 << "ab" << "1234" << "ab";
}

void TestWidgets::commandOnTheFocusedBox()
{
    QFETCH(EditCommand, command);
    QFETCH(QString, text);
    QFETCH(int, from);
    QFETCH(int, length);
    QFETCH(QString, clipboardBefore);
    QFETCH(QString, textAfter);
    QFETCH(QString, clipboardAfter);

    QWidget child;
    auto *layout = new QVBoxLayout(&child);
    auto *list = new QComboBox(&child);
    list->setEditable(true);
    list->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,6}")), &child));
    list->setCurrentText(text);
    QLineEdit *box = list->lineEdit();
    // A list that cannot be typed into is no text box.
    auto *choice = new QComboBox(&child);
    choice->addItem(QStringLiteral("N-None"));
    layout->addWidget(list);
    layout->addWidget(choice);
    child.show();
    QVERIFY(QTest::qWaitForWindowActive(&child));
    list->setFocus();
    if (from >= 0)
        box->setSelection(from, length);
    else
        box->setCursorPosition(2);
    QGuiApplication::clipboard()->setText(clipboardBefore);

    runEditCommand(command, &child);
    QCOMPARE(box->text(), textAfter);
    QCOMPARE(QGuiApplication::clipboard()->text(), clipboardAfter);

    // A focused control that is no text box, and no child at all: nothing.
    choice->setFocus();
    runEditCommand(EditCommand::Cut, &child);
    runEditCommand(EditCommand::Paste, nullptr);
    QCOMPARE(box->text() + choice->currentText(), textAfter + QStringLiteral("N-None"));
    QCOMPARE(QGuiApplication::clipboard()->text(), clipboardAfter);
}

namespace {

// A text box that keeps Ctrl+U for erasing its line, as the text boxes of
// Linux desktops do.
class ErasingBox : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    bool event(QEvent *e) override
    {
        if (e->type() == QEvent::ShortcutOverride && isCtrlU(e)) {
            e->accept();
            return true;
        }
        return QLineEdit::event(e);
    }
    void keyPressEvent(QKeyEvent *e) override { isCtrlU(e) ? clear() : QLineEdit::keyPressEvent(e); }

private:
    static bool isCtrlU(QEvent *e)
    {
        const auto *key = static_cast<QKeyEvent *>(e);
        return key->key() == Qt::Key_U && key->modifiers() == Qt::ControlModifier;
    }
};

} // namespace

void TestWidgets::menuKeysInATextBox()
{
    // Ctrl+U runs New, also when it cannot run, and the box keeps its text;
    // Ctrl+A selects the box's text rather than running Open.
    QWidget window;
    auto *box = new ErasingBox(QStringLiteral("ENTRADA"), &window);
    auto *newCommand = new QAction(&window), *open = new QAction(&window);
    newCommand->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_U));
    open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    window.addActions({newCommand, open});
    giveMenuKeysPrecedence(&window, {newCommand, open});
    window.show();
    QApplication::setActiveWindow(&window);
    box->setFocus();
    QSignalSpy news(newCommand, &QAction::triggered), opens(open, &QAction::triggered);
    QTest::keyClick(box, Qt::Key_U, Qt::ControlModifier);
    QCOMPARE(news.size(), 1);
    newCommand->setEnabled(false);
    QTest::keyClick(box, Qt::Key_U, Qt::ControlModifier);
    QCOMPARE(box->text(), QStringLiteral("ENTRADA"));
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QVERIFY(opens.isEmpty());
    QCOMPARE(box->selectedText(), QStringLiteral("ENTRADA"));
}

void TestWidgets::arrangements()
{
    QList<QMdiSubWindow *> subs;
    for (int i = 0; i < 4; ++i) {
        subs << m_area.addSubWindow(new QWidget);
        subs.last()->resize(200, 150);
        subs.last()->show();
    }
    subs.last()->showMinimized();
    const QRect room = m_area.viewport()->rect();
    // The windows show whole, without scroll bars, the open ones from the
    // top-left corner of the area.
    const auto shownWhole = [this, &subs] {
        QRect reach;
        for (int i = 0; i < 3; ++i)
            reach |= subs[i]->geometry();
        return reach.topLeft() == QPoint(0, 0) && m_area.viewport()->rect().contains(reach | subs[3]->geometry())
               && !m_area.horizontalScrollBar()->isVisible() && !m_area.verticalScrollBar()->isVisible();
    };

    // The minimised one lies at the bottom, whatever the arrangement; three
    // tiles, one above the other or side by side, share the rest. Each
    // arrangement starts from the area scrolled away to a window far off.
    for (Arrangement arrangement : {Arrangement::Cascade, Arrangement::TileHorizontally, Arrangement::TileVertically}) {
        subs[1]->move(1500, 1200);
        m_area.horizontalScrollBar()->setValue(m_area.horizontalScrollBar()->maximum());
        m_area.verticalScrollBar()->setValue(m_area.verticalScrollBar()->maximum());
        QVERIFY(m_area.verticalScrollBar()->value() > 0);
        arrangeChildren(arrangement);
        QVERIFY(shownWhole());
        QCOMPARE(subs[3]->geometry().bottom(), room.bottom());
        const QRect rest(0, 0, room.width(), subs[3]->y());
        QRegion covered;
        for (int i = 0; i < 3 && arrangement != Arrangement::Cascade; ++i) {
            const QRect g = subs[i]->geometry();
            const bool stacked = arrangement == Arrangement::TileHorizontally;
            QVERIFY(!covered.intersects(g) && (stacked ? g.width() == rest.width() : g.height() == rest.height()));
            covered += g;
        }
        QVERIFY(arrangement == Arrangement::Cascade || covered == QRegion(rest));
    }

    // A window of fixed size is neither cut nor stretched by a tile; the
    // next tile starts after it, and the others share the room it leaves.
    subs[0]->widget()->setFixedSize(500, 50);
    arrangeChildren(Arrangement::TileVertically);
    QVERIFY(subs[0]->size().width() >= 500 && subs[0]->widget()->size() == QSize(500, 50));
    QCOMPARE(subs[1]->x(), subs[0]->geometry().right() + 1);
    QVERIFY(shownWhole());
}

ORB_TEST_MAIN(TestWidgets)
#include "test_widgets.moc"
