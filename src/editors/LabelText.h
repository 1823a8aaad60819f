#pragma once
// Panel labels go to the panel one Windows-1252 byte per character, so a
// label may hold only characters that code page can represent.

#include <QChar>
#include <QString>

namespace orb {

// True when Windows-1252 has a byte for the character.
bool labelCharFits(QChar c);
// True when every character of the text fits.
bool labelTextFits(const QString &text);

} // namespace orb
