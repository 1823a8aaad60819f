#include "GeneralFieldBoxes.h"

#include "AppState.h"
#include "EditKeys.h"
#include "Seams.h"
#include "Strings.h"

#include <QLineEdit>
#include <QValidator>

namespace orb {

namespace {

// Refuses any change (typed, pasted or dropped) that leaves a number field
// with a text it may not hold.
class GeneralFieldValidator : public QValidator {
public:
    GeneralFieldValidator(int index, bool signBlank, QObject *parent)
        : QValidator(parent)
        , m_index(index)
        , m_signBlank(signBlank)
    {
    }
    State validate(QString &input, int &) const override
    {
        return generalTextAcceptable(m_index, input, m_signBlank) ? Acceptable : Invalid;
    }

private:
    int m_index;
    bool m_signBlank;
};

} // namespace

GeneralFieldBoxes::GeneralFieldBoxes(QWidget *window, QWidget *panel,
                                     const std::array<QRect, kGeneralFieldCount> &places, bool signBlank)
    : QObject(window)
{
    for (int i = 0; i < kGeneralFieldCount; ++i) {
        auto *box = new QLineEdit(panel);
        box->setObjectName(QStringLiteral("TxtCon_%1").arg(i));
        box->setGeometry(places[i]);
        // The name and the label take a paste as typing would take it.
        if (i == FieldName || i == FieldLabel)
            box->setValidator(new TypedTextValidator(i, box));
        else
            box->setValidator(new GeneralFieldValidator(i, signBlank, box));
        EditKeys::install(
            box, window, [this, i](QChar key) { return TxtCon_KeyPress(i, key); },
            [this] {
                if (!m_stopped)
                    TxtCon_LostFocus();
            });
        m_boxes[i] = box;
    }
}

QLineEdit *GeneralFieldBoxes::box(int index) const
{
    return index >= 0 && index < kGeneralFieldCount ? m_boxes[index] : nullptr;
}

GeneralTexts GeneralFieldBoxes::texts() const
{
    GeneralTexts t;
    for (int i = 0; i < kGeneralFieldCount; ++i)
        t[i] = m_boxes[i]->text();
    return t;
}

void GeneralFieldBoxes::setTexts(const GeneralTexts &texts)
{
    for (int i = 0; i < kGeneralFieldCount; ++i)
        m_boxes[i]->setText(texts[i]);
}

void GeneralFieldBoxes::setToolTips()
{
    const QString tips[kGeneralFieldCount] = {Str(819), Str(820), Str(821), Str(822), Str(823), Str(824)};
    for (int i = 0; i < kGeneralFieldCount; ++i)
        m_boxes[i]->setToolTip(tips[i]);
}

bool GeneralFieldBoxes::TxtCon_KeyPress(int index, QChar key) const
{
    const QLineEdit *field = box(index);
    if (!field)
        return false;
    return generalKeyAccepted(index, key, int(field->text().size()), int(field->selectedText().size()));
}

bool GeneralFieldBoxes::TxtCon_LostFocus()
{
    if (m_checking)
        return true;
    AppState &s = appState();
    s.TituloMsg = Str(109);
    const std::optional<RangeFailure> failure = firstRangeFailure(texts());
    if (!failure)
        return true;
    // Focus moves while the message shows and when the field takes it back;
    // those moves run no further check.
    m_checking = true;
    s.Mensaje = failure->message;
    MsgBox(s.Mensaje, MsgExclamation, s.TituloMsg);
    m_boxes[failure->index]->clear();
    m_boxes[failure->index]->setFocus();
    m_checking = false;
    return false;
}

} // namespace orb
