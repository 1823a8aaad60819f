#include "Cp1252.h"

#include <algorithm>
#include <array>

namespace orb {

namespace {

// Characters of bytes 0x80-0x9F; 0 where the code page defines none.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,   // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,        // 88-8F
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,   // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,   // 98-9F
};

} // namespace

int cp1252Byte(QChar ch)
{
    const char16_t code = ch.unicode();
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF))
        return code;
    for (int i = 0; i < int(kHigh.size()); ++i) {
        if (kHigh[i] != 0 && kHigh[i] == code)
            return 0x80 + i;
    }
    // The five undefined bytes stand for the control characters of the same
    // value, as fromCp1252 gives them back.
    if (code >= 0x80 && code <= 0x9F && kHigh[code - 0x80] == 0)
        return code;
    return -1;
}

bool fitsCp1252(const QString &text)
{
    for (const QChar ch : text) {
        if (cp1252Byte(ch) < 0)
            return false;
    }
    return true;
}

QByteArray toCp1252(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar ch : text) {
        const int byte = cp1252Byte(ch);
        bytes.append(byte < 0 ? '?' : char(byte));
    }
    return bytes;
}

QString fromCp1252(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = quint8(c);
        if (byte >= 0x80 && byte <= 0x9F && kHigh[byte - 0x80] != 0)
            text.append(QChar(kHigh[byte - 0x80]));
        else
            text.append(QChar(char16_t(byte)));
    }
    return text;
}

bool hasControlCharacters(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar ch) { return ch.category() == QChar::Other_Control; });
}

QString controlsAsBlanks(QString text)
{
    for (QChar &ch : text) {
        if (ch.category() == QChar::Other_Control)
            ch = QLatin1Char(' ');
    }
    return text;
}

} // namespace orb
