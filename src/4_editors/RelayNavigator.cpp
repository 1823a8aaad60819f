#include "RelayNavigator.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPolygonF>
#include <QToolButton>

namespace orb {

namespace {

// A triangle pointing left or right, with a bar at its point for the
// first and last buttons.
QIcon arrowIcon(bool left, bool bar, const QColor &color)
{
    constexpr int size = 16;
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    // Drawn pointing right, mirrored for left.
    if (left) {
        painter.translate(size, 0);
        painter.scale(-1, 1);
    }
    const qreal tip = bar ? 11.5 : 12.5;
    painter.drawPolygon(QPolygonF({QPointF(4.5, 3), QPointF(tip, 8), QPointF(4.5, 13)}));
    if (bar)
        painter.drawRect(QRectF(12, 3, 2, 10));
    return QIcon(pixmap);
}

} // namespace

RelayNavigator::RelayNavigator(QWidget *parent)
    : QFrame(parent)
    , m_caption(new QLabel(this))
{
    setObjectName(QStringLiteral("DatRel"));
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);

    static const char *const names[4] = {"DatRelFirst", "DatRelPrevious", "DatRelNext", "DatRelLast"};
    const QColor ink = palette().color(QPalette::WindowText);
    for (int step = First; step <= Last; ++step) {
        auto *button = new QToolButton(this);
        button->setObjectName(QLatin1String(names[step]));
        button->setIcon(arrowIcon(step == First || step == Previous, step == First || step == Last, ink));
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::TabFocus);
        connect(button, &QToolButton::clicked, this, [this, step] { emit stepRequested(Step(step)); });
        m_buttons[step] = button;
    }
    m_caption->setObjectName(QStringLiteral("DatRelCaption"));
    m_caption->setAlignment(Qt::AlignCenter);
    m_caption->setTextFormat(Qt::PlainText);
    m_caption->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000")));

    layout->addWidget(m_buttons[First]);
    layout->addWidget(m_buttons[Previous]);
    layout->addWidget(m_caption, 1);
    layout->addWidget(m_buttons[Next]);
    layout->addWidget(m_buttons[Last]);
}

QString RelayNavigator::caption() const { return m_caption->text(); }

void RelayNavigator::setCaption(const QString &caption, const QString &spoken)
{
    m_caption->setText(caption);
    m_caption->setAccessibleName(spoken);
}

void RelayNavigator::setButtonNames(const std::array<QString, 4> &names)
{
    for (int step = First; step <= Last; ++step) {
        m_buttons[step]->setToolTip(names[step]);
        m_buttons[step]->setAccessibleName(names[step]);
    }
}

} // namespace orb
