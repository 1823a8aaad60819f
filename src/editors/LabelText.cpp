#include "LabelText.h"

namespace orb {

bool labelCharFits(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return true;
    // The printable characters Windows-1252 places in 0x80..0x9F.
    switch (u) {
    case 0x20AC: case 0x201A: case 0x0192: case 0x201E: case 0x2026: case 0x2020: case 0x2021:
    case 0x02C6: case 0x2030: case 0x0160: case 0x2039: case 0x0152: case 0x017D: case 0x2018:
    case 0x2019: case 0x201C: case 0x201D: case 0x2022: case 0x2013: case 0x2014: case 0x02DC:
    case 0x2122: case 0x0161: case 0x203A: case 0x0153: case 0x017E: case 0x0178:
        return true;
    default:
        return false;
    }
}

bool labelTextFits(const QString &text)
{
    for (QChar c : text) {
        if (!labelCharFits(c))
            return false;
    }
    return true;
}

} // namespace orb
