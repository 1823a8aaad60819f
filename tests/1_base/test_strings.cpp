// The string table: every text the code asks for exists in both languages,
// texts keep their blanks and accents, and the user-interface language picks
// the right table.

#include "Strings.h"
#include "TestHome.h"

#include <QDirIterator>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

using namespace orb;

class TestStrings : public QObject {
    Q_OBJECT
private slots:
    void everyIdUsedByTheCodeExistsInBothLanguages();
    void textsKeepBlanksAndAccents();
    void languageOfLocales_data();
    void languageOfLocales();
    void missingIdIsVisible();
};

void TestStrings::everyIdUsedByTheCodeExistsInBothLanguages()
{
    // The code asks for texts as Str(<number>) with a literal number. Any
    // other call (a number held in a variable) would escape this check, so
    // there must be none outside the table's own accessor.
    const QRegularExpression call(QStringLiteral(R"(\bStr\(\s*(\d+)\s*[,)])"));
    const QRegularExpression anyCall(QStringLiteral(R"(\bStr\((?!\s*\d+\s*[,)]))"));
    QSet<int> used;
    QStringList notLiteral;
    QDirIterator it(QStringLiteral(ORB_SOURCE_DIR "/src"), {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                    QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString source = QString::fromUtf8(file.readAll());
        for (auto m = call.globalMatch(source); m.hasNext();)
            used.insert(m.next().captured(1).toInt());
        if (!it.fileName().startsWith(QLatin1String("Strings.")) && anyCall.match(source).hasMatch())
            notLiteral << it.fileName();
    }
    QVERIFY2(notLiteral.isEmpty(), qPrintable(QStringLiteral("text asked for by a number that is not written out: ")
                                               + notLiteral.join(QStringLiteral(", "))));
    QVERIFY2(used.contains(1001), "the database failure message is among the texts used");
    QStringList missing;
    for (int id : std::as_const(used)) {
        for (Language language : {Language::Spanish, Language::English}) {
            if (!hasString(id, language) || Str(id, language).isEmpty())
                missing << QString::number(id);
        }
    }
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral(", "))));
    // Ids are unique.
    const QList<int> ids = stringIds();
    QCOMPARE(QSet<int>(ids.cbegin(), ids.cend()).size(), ids.size());
}

void TestStrings::textsKeepBlanksAndAccents()
{
    // A blank at the end, and one at the start before an accented letter.
    QCOMPARE(Str(1002, Language::English), QStringLiteral("Place it in the indicated directory. "));
    QCOMPARE(Str(405, Language::Spanish), QStringLiteral(" Error de Comunicación"));
}

void TestStrings::languageOfLocales_data()
{
    // The Spanish of Spain and of three countries of South America has a
    // table of its own; every other language and country gets the English
    // one.
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<bool>("spanish");
    QTest::newRow("es_ES") << QLocale(QLocale::Spanish, QLocale::Spain) << true;
    QTest::newRow("es_AR") << QLocale(QLocale::Spanish, QLocale::Argentina) << true;
    QTest::newRow("es_MX") << QLocale(QLocale::Spanish, QLocale::Mexico) << false;
    QTest::newRow("en_GB") << QLocale(QLocale::English, QLocale::UnitedKingdom) << false;
}

void TestStrings::languageOfLocales()
{
    QFETCH(QLocale, locale);
    QTEST(languageForId(languageId(locale)) == Language::Spanish, "spanish");
}

void TestStrings::missingIdIsVisible()
{
    QTest::ignoreMessage(QtWarningMsg, "string 999999 missing from the string table");
    QCOMPARE(Str(999999, Language::English), QStringLiteral("#999999"));
    QVERIFY(!hasString(999999, Language::Spanish));
}

ORB_TEST_GUILESS_MAIN(TestStrings)
#include "test_strings.moc"
