#include "Strings.h"

#include <QFile>
#include <QHash>
#include <QTextStream>
#include <QtDebug>

namespace orb {

namespace {

struct Table {
    QHash<int, QString> spanish;
    QHash<int, QString> english;
    QList<int> ids;
};

QString unescape(QString text)
{
    text.replace(QLatin1String("\\n"), QLatin1String("\n"));
    return text;
}

const Table &table()
{
    static const Table loaded = [] {
        Table t;
        QFile file(QStringLiteral(":/strings.tsv"));
        if (!file.open(QIODevice::ReadOnly)) {
            qWarning("string table missing from the program's resources");
            return t;
        }
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        for (const QString &line : lines) {
            if (line.isEmpty())
                continue;
            const QStringList fields = line.split(QLatin1Char('\t'));
            bool ok = false;
            const int id = fields.value(0).toInt(&ok);
            if (!ok || fields.size() != 3) {
                qWarning() << "bad string table line:" << line;
                continue;
            }
            t.spanish.insert(id, unescape(fields.at(1)));
            t.english.insert(id, unescape(fields.at(2)));
            t.ids.append(id);
        }
        return t;
    }();
    return loaded;
}

Language &languageSlot()
{
    static Language language = languageForId(languageId(QLocale::system()));
    return language;
}

} // namespace

int languageId(const QLocale &locale)
{
    switch (locale.language()) {
    case QLocale::Spanish:
        switch (locale.territory()) {
        case QLocale::Spain: return 3082;
        case QLocale::Argentina: return 11274;
        case QLocale::Uruguay: return 14346;
        case QLocale::Paraguay: return 15370;
        default: return 1033;   // only these Spanish-speaking ids have a table
        }
    case QLocale::English:
        return locale.territory() == QLocale::UnitedKingdom ? 2057 : 1033;
    case QLocale::Greek:
        return 1032;
    case QLocale::Turkish:
        return 1055;
    default:
        return 1033;
    }
}

Language languageForId(int langId)
{
    switch (langId) {
    case 3082: case 1034: case 11274: case 14346: case 15370:
        return Language::Spanish;
    default:
        return Language::English;
    }
}

Language currentLanguage() { return languageSlot(); }
void setCurrentLanguage(Language language) { languageSlot() = language; }

QString Str(int id) { return Str(id, currentLanguage()); }

QString Str(int id, Language language)
{
    const auto &texts = language == Language::Spanish ? table().spanish : table().english;
    const auto it = texts.constFind(id);
    if (it == texts.constEnd()) {
        qWarning("string %d missing from the string table", id);
        return QLatin1Char('#') + QString::number(id);
    }
    return *it;
}

bool hasString(int id, Language language)
{
    return (language == Language::Spanish ? table().spanish : table().english).contains(id);
}

QList<int> stringIds() { return table().ids; }

} // namespace orb
