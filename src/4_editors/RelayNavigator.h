#pragma once
// The navigator of the relay window (DatRel): first, previous, next and
// last buttons, with arrow pictures, around a caption that shows the number
// of the relay shown. It only asks to move; the window decides whether the
// move happens (the relay shown is stored first) and sets the caption.

#include <QFrame>
#include <array>

class QLabel;
class QToolButton;

namespace orb {

class RelayNavigator : public QFrame {
    Q_OBJECT
public:
    enum Step { First, Previous, Next, Last };

    explicit RelayNavigator(QWidget *parent = nullptr);

    QToolButton *button(Step step) const { return m_buttons[step]; }
    QLabel *captionLabel() const { return m_caption; }
    QString caption() const;
    // The caption (the relay number) and how assistive technology reads
    // it (`spoken`).
    void setCaption(const QString &caption, const QString &spoken);
    // Tool tips and accessible names of the four buttons, in Step order.
    void setButtonNames(const std::array<QString, 4> &names);

signals:
    void stepRequested(orb::RelayNavigator::Step step);

private:
    std::array<QToolButton *, 4> m_buttons{};
    QLabel *m_caption;
};

} // namespace orb
