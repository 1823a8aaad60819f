#pragma once
// The string table: every text the program shows has a number and a Spanish
// and an English version. The table in force follows the user-interface
// language (see languageId()).

#include <QList>
#include <QLocale>
#include <QString>

namespace orb {

enum class Language { Spanish, English };

// Windows-style language id for a locale: Spanish of Spain 3082, Argentina
// 11274, Uruguay 14346, Paraguay 15370; English of the USA 1033 and the UK
// 2057; Greek 1032; Turkish 1055. Any other locale maps to 1033.
int languageId(const QLocale &locale);

// Which table serves a language id: 3082, 1034, 11274, 14346 and 15370 get
// Spanish, everything else English.
Language languageForId(int langId);

// The language in force; starts from QLocale::system().
Language currentLanguage();
void setCurrentLanguage(Language language);

// The text with number id in the language in force. An id missing from the
// table is a programming error: it is reported with qWarning and "#id" is
// returned so that it shows on screen.
QString Str(int id);
QString Str(int id, Language language);
bool hasString(int id, Language language);
QList<int> stringIds();

} // namespace orb
