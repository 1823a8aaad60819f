// The message boxes the program shows: every line of the prompt shows whole
// (a long prompt wraps) and the box is wide enough for its whole title in a
// window manager's title bar, in both languages.

#include "QtSeams.h"
#include "Seams.h"
#include "Strings.h"

#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QtTest>

using namespace orb;

class TestMsgBox : public QObject {
    Q_OBJECT
private slots:
    void boxShowsWholeTextAndTitle_data();
    void boxShowsWholeTextAndTitle();
};

void TestMsgBox::boxShowsWholeTextAndTitle_data()
{
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<int>("style");
    QTest::addColumn<QString>("title");

    const QString path = QStringLiteral("/home/installer/.local/share/ORBITarsis/Vuvurov.mdb");
    const QString lf2 = QStringLiteral("\n\n");
    for (Language language : {Language::Spanish, Language::English}) {
        const char *tag = language == Language::Spanish ? "es" : "en";
        QTest::addRow("%s restore question", tag)
            << Str(1042, language) << int(MsgYesNoExclamation) << Str(1043, language);
        QTest::addRow("%s database failure", tag)
            << Str(1001, language) + path + Str(1, language) + lf2 + QStringLiteral("13 (Permission denied)") + lf2
                   + Str(1002, language)
            << int(MsgOk) << applicationTitle();
        QTest::addRow("%s port failure", tag)
            << Str(401, language) + QStringLiteral("1 No such file or directory") << int(MsgCritical)
            << Str(109, language);
        QTest::addRow("%s transfer failure", tag)
            << Str(405, language) << int(MsgOkCancelExclamation) << Str(109, language);
        QTest::addRow("%s short prompt, long title", tag)
            << QStringLiteral("OK") << int(MsgOk) << Str(1109, language);
    }
}

void TestMsgBox::boxShowsWholeTextAndTitle()
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

QTEST_MAIN(TestMsgBox)
#include "test_msgbox.moc"
