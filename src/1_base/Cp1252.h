#pragma once
// Windows-1252, the code page in which texts travel to and from the panel:
// one byte per character. Bytes 0x80-0x9F carry the typographic characters
// of that code page (the euro sign, curly quotes, dashes, "Š", "Œ", ...);
// every other byte is the Latin-1 character of the same value.

#include <QByteArray>
#include <QChar>
#include <QString>

namespace orb {

// The byte of one character, or -1 when the code page has no such
// character.
int cp1252Byte(QChar ch);
// True when every character of the text has a Windows-1252 byte. The editors
// refuse other characters as they are typed.
bool fitsCp1252(const QString &text);
// The text as Windows-1252 bytes; a character the code page lacks becomes
// "?".
QByteArray toCp1252(const QString &text);
// The characters of Windows-1252 bytes. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) come back as the control
// characters of the same value, so every byte survives the round trip.
QString fromCp1252(const QByteArray &bytes);

// Whether a text holds a control character (a tab, a line break, NUL, ...).
// The editors refuse them: a label or name is one line of visible text.
bool hasControlCharacters(const QString &text);
// The text with each control character shown as a blank. Labels stored by
// earlier versions may hold NUL characters where the panel had nothing.
QString controlsAsBlanks(QString text);

} // namespace orb
