// The string table: every text the code asks for exists in both languages,
// texts keep their blanks and accents, and the user-interface language picks
// the right table.

#include "Strings.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

using namespace orb;

class TestStrings : public QObject {
    Q_OBJECT
private slots:
    void everyIdUsedByTheCodeExistsInBothLanguages();
    void textsKeepBlanksAccentsAndSpellings();
    void languageIdsOfLocales_data();
    void languageIdsOfLocales();
    void tablesServingLanguageIds();
    void missingIdIsVisible();
};

void TestStrings::everyIdUsedByTheCodeExistsInBothLanguages()
{
    // The code asks for texts as Str(<number>) with a literal number; find
    // every such call in the sources.
    // Any other call (a number held in a variable) would escape this check,
    // so there must be none outside the table's own accessor.
    const QRegularExpression call(QStringLiteral(R"(\bStr\(\s*(\d+)\s*[,)])"));
    const QRegularExpression anyCall(QStringLiteral(R"(\bStr\((?!\s*\d+\s*[,)]))"));
    QSet<int> used;
    QStringList notLiteral;
    int files = 0;
    QDirIterator it(QStringLiteral(ORB_SOURCE_DIR "/src"), {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                    QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        ++files;
        const QString source = QString::fromUtf8(file.readAll());
        for (auto m = call.globalMatch(source); m.hasNext();)
            used.insert(m.next().captured(1).toInt());
        const QString name = QFileInfo(path).fileName();
        if (name == QLatin1String("Strings.h") || name == QLatin1String("Strings.cpp"))
            continue;
        for (auto m = anyCall.globalMatch(source); m.hasNext();) {
            const auto match = m.next();
            const qsizetype line = source.left(match.capturedStart()).count(QLatin1Char('\n')) + 1;
            notLiteral << QStringLiteral("%1:%2").arg(name).arg(line);
        }
    }
    QVERIFY2(notLiteral.isEmpty(), qPrintable(QStringLiteral("text asked for by a number that is not written out: ")
                                               + notLiteral.join(QStringLiteral(", "))));
    QVERIFY(files > 0);
    QVERIFY2(used.contains(1001), "the database failure message is among the texts used");
    QStringList missing;
    for (int id : std::as_const(used)) {
        if (!hasString(id, Language::Spanish))
            missing << QStringLiteral("%1 (Spanish)").arg(id);
        if (!hasString(id, Language::English))
            missing << QStringLiteral("%1 (English)").arg(id);
    }
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral(", "))));
}

void TestStrings::textsKeepBlanksAccentsAndSpellings()
{
    QCOMPARE(Str(1001, Language::Spanish), QStringLiteral("No hay Base de datos en "));
    QCOMPARE(Str(1002, Language::Spanish), QStringLiteral("Situela el el directorio indicado."));
    QCOMPARE(Str(1002, Language::English), QStringLiteral("Place it in the indicated directory. "));
    QCOMPARE(Str(4919, Language::Spanish), QStringLiteral("PREALARMA EXTINCIÓN"));
    QCOMPARE(Str(4919, Language::English), QStringLiteral("EXTINGUISHION PREALARM "));
    QCOMPARE(Str(405, Language::Spanish), QStringLiteral(" Error de Comunicación"));

    // Ids are unique and every entry has both texts.
    const QList<int> ids = stringIds();
    QCOMPARE(QSet<int>(ids.cbegin(), ids.cend()).size(), ids.size());
    QVERIFY(ids.size() > 200);
    for (int id : ids) {
        QVERIFY2(!Str(id, Language::Spanish).isEmpty(), qPrintable(QString::number(id)));
        QVERIFY2(!Str(id, Language::English).isEmpty(), qPrintable(QString::number(id)));
    }
}

void TestStrings::languageIdsOfLocales_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<int>("id");
    QTest::newRow("es_ES") << QLocale(QLocale::Spanish, QLocale::Spain) << 3082;
    QTest::newRow("es_AR") << QLocale(QLocale::Spanish, QLocale::Argentina) << 11274;
    QTest::newRow("es_UY") << QLocale(QLocale::Spanish, QLocale::Uruguay) << 14346;
    QTest::newRow("es_PY") << QLocale(QLocale::Spanish, QLocale::Paraguay) << 15370;
    QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates) << 1033;
    QTest::newRow("en_GB") << QLocale(QLocale::English, QLocale::UnitedKingdom) << 2057;
    QTest::newRow("el_GR") << QLocale(QLocale::Greek, QLocale::Greece) << 1032;
    QTest::newRow("tr_TR") << QLocale(QLocale::Turkish, QLocale::Turkey) << 1055;
    QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany) << 1033;
    QTest::newRow("es_MX") << QLocale(QLocale::Spanish, QLocale::Mexico) << 1033;
    QTest::newRow("C") << QLocale::c() << 1033;
}

void TestStrings::languageIdsOfLocales()
{
    QFETCH(QLocale, locale);
    QFETCH(int, id);
    QCOMPARE(languageId(locale), id);
}

void TestStrings::tablesServingLanguageIds()
{
    for (int id : {3082, 1034, 11274, 14346, 15370})
        QCOMPARE(languageForId(id), Language::Spanish);
    for (int id : {1033, 2057, 1032, 1055, 1031, 0})
        QCOMPARE(languageForId(id), Language::English);

    const Language before = currentLanguage();
    setCurrentLanguage(Language::Spanish);
    QCOMPARE(Str(4915), QStringLiteral("No Activo"));
    setCurrentLanguage(Language::English);
    QCOMPARE(Str(4915), QStringLiteral("No Active"));
    setCurrentLanguage(before);
}

void TestStrings::missingIdIsVisible()
{
    QTest::ignoreMessage(QtWarningMsg, "string 999999 missing from the string table");
    QCOMPARE(Str(999999, Language::English), QStringLiteral("#999999"));
    QVERIFY(!hasString(999999, Language::Spanish));
}

QTEST_GUILESS_MAIN(TestStrings)
#include "test_strings.moc"
