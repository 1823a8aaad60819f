#include "Captions.h"

#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <climits>

namespace orb {

namespace {

// Room a parent's frame takes at its edge.
constexpr int kEdge = 2;
// The smallest type a caption is shrunk to.
constexpr qreal kSmallestPoints = 6.0;
// Room a button's frame takes on each side of its caption.
constexpr int kButtonFrame = 4;

} // namespace

void fitCaptionLeft(QLabel *caption)
{
    const QRect place = caption->geometry();
    const int room = place.right() + 1 - kEdge;
    QFont font = caption->font();
    while (caption->sizeHint().width() > room && font.pointSizeF() > kSmallestPoints) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
        caption->setFont(font);
    }
    const int width = std::min(room, std::max(place.width(), caption->sizeHint().width()));
    const int left = place.right() + 1 - width;
    caption->setGeometry(left, place.y(), width, place.height());
}

void setButtonCaption(QPushButton *button, const QString &caption)
{
    button->setAccessibleName(caption);
    const QFontMetrics metrics(button->font());
    // A few pixels either side for the button's frame.
    const int room = button->width() - 2 * kButtonFrame;
    const int twoLines = 2 * metrics.lineSpacing() + 4;
    QString text = caption;
    if (metrics.horizontalAdvance(caption) > room && button->height() >= twoLines) {
        // The break that leaves the longer line shortest.
        int best = -1;
        int bestWidth = INT_MAX;
        for (int i = int(caption.indexOf(QLatin1Char(' '))); i >= 0; i = int(caption.indexOf(QLatin1Char(' '), i + 1))) {
            const int width = std::max(metrics.horizontalAdvance(caption.left(i)),
                                       metrics.horizontalAdvance(caption.mid(i + 1)));
            if (width < bestWidth) {
                bestWidth = width;
                best = i;
            }
        }
        if (best >= 0)
            text = caption.left(best) + QLatin1Char('\n') + caption.mid(best + 1);
    }
    // A line still too wide takes a smaller type.
    QFont font = button->font();
    const auto widest = [&text](const QFont &f) {
        const QFontMetrics m(f);
        int width = 0;
        for (const QString &line : text.split(QLatin1Char('\n')))
            width = std::max(width, m.horizontalAdvance(line));
        return width;
    };
    while (widest(font) > room && font.pointSizeF() > kSmallestPoints)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    button->setFont(font);
    button->setText(text);
}

QString toolTipText(const QString &caption)
{
    QString text;
    text.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        // A mark takes the character after it as its own; "&&" is an "&".
        if (caption.at(i) == QLatin1Char('&') && ++i == caption.size())
            break;
        text += caption.at(i);
    }
    return text;
}

} // namespace orb
