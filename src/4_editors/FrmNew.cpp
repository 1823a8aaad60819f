#include "FrmNew.h"

#include "AppState.h"
#include "DelKey.h"
#include "EditorHost.h"
#include "FrmComm.h"
#include "FrmCommSys.h"
#include "FrmLoad.h"
#include "MdiHost.h"
#include "OneInstance.h"
#include "Seams.h"
#include "Strings.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QValidator>
#include <algorithm>

namespace orb {

namespace {

// Refuses any change (typed, pasted or dropped) that leaves a field with a
// text it may not hold.
class GeneralFieldValidator : public QValidator {
public:
    GeneralFieldValidator(int index, QObject *parent)
        : QValidator(parent)
        , m_index(index)
    {
    }
    State validate(QString &input, int &) const override
    {
        return generalTextAcceptable(m_index, input) ? Acceptable : Invalid;
    }

private:
    int m_index;
};

} // namespace

FrmNew *FrmNew::loaded() { return oneInstance<FrmNew>().data(); }

FrmNew *FrmNew::showDialog()
{
    if (FrmNew *dialog = loaded()) {
        if (auto *sub = qobject_cast<QMdiSubWindow *>(dialog->parentWidget()); sub && mdiArea())
            mdiArea()->setActiveSubWindow(sub);
        dialog->TxtCon(FieldName)->setFocus();
        return dialog;
    }
    // Owned by the document area's subwindow, which deletes it on close.
    auto *dialog = new FrmNew(mdiArea());
    oneInstance<FrmNew>() = dialog;
    showAsChild(dialog);
    dialog->onLoad();
    return dialog;
}

FrmNew::FrmNew(QWidget *parent)
    : QWidget(parent)
    , m_pnlTop(new QFrame(this))
{
    setObjectName(QStringLiteral("FrmNew"));
    setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setFixedSize(twips(5415), twips(3915));

    m_pnlTop->setObjectName(QStringLiteral("PnlTop"));
    m_pnlTop->setFrameShape(QFrame::Panel);
    m_pnlTop->setFrameShadow(QFrame::Raised);
    m_pnlTop->setGeometry(rect());

    struct Place {
        int left, top, width, height;
    };
    // Caption labels LblCon(6)..LblCon(11) and their fields, then the heading.
    static const Place labels[7] = {
        {420, 435, 1815, 255}, {780, 900, 1455, 255}, {540, 1335, 1695, 255}, {270, 1800, 1965, 315},
        {660, 2295, 1575, 255}, {420, 2760, 1815, 255}, {1620, 120, 1575, 255},
    };
    static const Place fields[kGeneralFieldCount] = {
        {2280, 420, 2295, 285}, {2280, 885, 615, 285},  {2280, 1320, 615, 285},
        {2280, 1815, 615, 285}, {2280, 2280, 615, 285}, {2280, 2745, 2295, 285},
    };
    for (int i = 0; i < 7; ++i) {
        auto *label = new QLabel(m_pnlTop);
        label->setObjectName(QStringLiteral("LblCon_%1").arg(i + 6));
        const Place &p = labels[i];
        label->setGeometry(twips(p.left), twips(p.top), twips(p.width), twips(p.height));
        label->setAlignment(i == 6 ? Qt::AlignCenter : Qt::AlignRight | Qt::AlignVCenter);
        m_lblCon[i] = label;
    }
    QFont heading = m_lblCon[6]->font();
    heading.setBold(true);
    m_lblCon[6]->setFont(heading);

    for (int i = 0; i < kGeneralFieldCount; ++i) {
        auto *field = new QLineEdit(m_pnlTop);
        field->setObjectName(QStringLiteral("TxtCon_%1").arg(i));
        const Place &p = fields[i];
        field->setGeometry(twips(p.left), twips(p.top) - 2, twips(p.width), twips(p.height) + 4);
        field->setValidator(new GeneralFieldValidator(i, field));
        field->installEventFilter(this);
        m_txtCon[i] = field;
    }

    // Made after the fields, so the focus moves from the fields to create
    // and cancel.
    m_cmdWrConf = new QPushButton(m_pnlTop);
    m_cmdCan = new QPushButton(m_pnlTop);
    m_cmdWrConf->setObjectName(QStringLiteral("CmdWrConf"));
    m_cmdWrConf->setGeometry(twips(360), twips(3240), twips(1935), twips(495));
    m_cmdCan->setObjectName(QStringLiteral("CmdCan"));
    m_cmdCan->setGeometry(twips(3120), twips(3240), twips(1935), twips(495));
    connect(m_cmdWrConf, &QPushButton::clicked, this, &FrmNew::CmdWrConf_Click);
    connect(m_cmdCan, &QPushButton::clicked, this, &FrmNew::CmdCan_Click);

}

FrmNew::~FrmNew()
{
    if (oneInstance<FrmNew>() == this)
        oneInstance<FrmNew>() = nullptr;
}

void FrmNew::onLoad()
{
    editorHost().setMenusEnabled(false, false);
    for (QLineEdit *field : m_txtCon)
        field->clear();

    // Centred on the main window's size.
    const QSize main = editorHost().mainWindowSize();
    if (main.isValid()) {
        QWidget *frame = frameOf(this);
        frame->move(main.width() / 2 - frame->width() / 2, main.height() / 2 - frame->height() / 2);
    }
    setWindowTitle(Str(807) + appState().NomCon);

    m_lblCon[0]->setText(Str(808));
    m_lblCon[1]->setText(Str(809));
    m_lblCon[2]->setText(Str(810));
    m_lblCon[3]->setText(Str(827));
    m_lblCon[4]->setText(Str(828));
    m_lblCon[5]->setText(Str(813));
    m_lblCon[6]->setText(Str(814));
    fitCaptions();
    m_cmdWrConf->setText(Str(829));
    m_cmdCan->setText(Str(830));
    m_txtCon[0]->setToolTip(Str(819));
    m_txtCon[1]->setToolTip(Str(820));
    m_txtCon[2]->setToolTip(Str(821));
    m_txtCon[3]->setToolTip(Str(822));
    m_txtCon[4]->setToolTip(Str(823));
    m_txtCon[5]->setToolTip(Str(824));
    m_cmdWrConf->setToolTip(Str(831));
    m_cmdCan->setToolTip(Str(832));

    m_txtCon[FieldName]->setFocus();
}

void FrmNew::fitCaptions()
{
    // A caption longer than its place grows to the left, still ending just
    // before its field; the heading spans the dialog.
    for (int i = 0; i < 6; ++i) {
        QLabel *label = m_lblCon[i];
        const QRect place = label->geometry();
        const int width = std::max(place.width(), label->sizeHint().width());
        const int left = std::max(4, place.right() + 1 - width);
        label->setGeometry(left, place.y(), place.right() + 1 - left, place.height());
    }
    QLabel *heading = m_lblCon[6];
    const int width = std::max(heading->geometry().width(), heading->sizeHint().width());
    heading->setGeometry((this->width() - width) / 2, heading->y(), width, heading->height());
}

QLineEdit *FrmNew::TxtCon(int index) const
{
    return index >= 0 && index < kGeneralFieldCount ? m_txtCon[index] : nullptr;
}

QLabel *FrmNew::LblCon(int index) const { return index >= 6 && index <= 12 ? m_lblCon[index - 6] : nullptr; }

GeneralTexts FrmNew::texts() const
{
    GeneralTexts t;
    for (int i = 0; i < kGeneralFieldCount; ++i)
        t[i] = m_txtCon[i]->text();
    return t;
}

int FrmNew::fieldIndex(QObject *object) const
{
    for (int i = 0; i < kGeneralFieldCount; ++i) {
        if (m_txtCon[i] == object)
            return i;
    }
    return -1;
}

bool FrmNew::TxtCon_KeyPress(int index, QChar key)
{
    const QLineEdit *field = TxtCon(index);
    if (!field)
        return false;
    return generalKeyAccepted(index, key, int(field->text().size()), int(field->selectedText().size()));
}

bool FrmNew::TxtCon_LostFocus(int)
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
    m_txtCon[failure->index]->clear();
    m_txtCon[failure->index]->setFocus();
    m_checking = false;
    return false;
}

bool FrmNew::eventFilter(QObject *watched, QEvent *event)
{
    const int index = fieldIndex(watched);
    if (index < 0)
        return QWidget::eventFilter(watched, event);
    auto *field = m_txtCon[index];
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto *key = static_cast<QKeyEvent *>(event);
        // The Delete key of the keypad is the same key.
        if (key->key() == Qt::Key_Delete && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            // The press clears a selection only; the character after the
            // caret goes when the key is released.
            if (field->hasSelectedText())
                field->del();
            return true;
        }
        // Tab and Shift+Tab move between the fields; they are no input.
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
            break;
        const QString text = key->text();
        const bool command = key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier | Qt::AltModifier);
        if (text.size() == 1 && !command && !TxtCon_KeyPress(index, text.at(0)))
            return true;
        break;
    }
    case QEvent::KeyRelease: {
        const auto *key = static_cast<QKeyEvent *>(event);
        Chk_DelKey(field, key->key() == Qt::Key_Delete ? kDeleteKeyCode : 0);
        break;
    }
    case QEvent::FocusOut: {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        // Only a move to another control counts as leaving the field: not a
        // message box or menu taking the focus for a moment, not a click on
        // the dialog's own frame (its title bar or close box, no control),
        // and not the dialog going away.
        const QWidget *next = QApplication::focusWidget();
        const bool toOwnFrame = next && (next == this || next == frameOf(this));
        if (!m_unloaded && !toOwnFrame && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            TxtCon_LostFocus(index);
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void FrmNew::CmdWrConf_Click()
{
    AppState &s = appState();
    if (firstEmptyField(texts()) >= 0) {
        s.Mensaje = Str(801);
        s.TituloMsg = Str(802);
        MsgBox(s.Mensaje, MsgExclamation, s.TituloMsg);
        return;
    }
    // The limits hold even when the create button is reached without
    // leaving a field.
    if (!TxtCon_LostFocus(-1))
        return;
    // Nothing may replace the working database while a window waits for
    // the panel on it.
    if (frmComm().waiting())
        return;
    // The windows of the configuration being replaced close before its
    // working database goes, and so do the port settings (they would be
    // stored into the new one) and the progress box.
    if (!editorHost().closeEditingWindows(this))
        return;
    unloadPortSettings();
    FrmLoad::unload();
    if (!createConfiguration(texts()))
        return;   // reported; the dialog stays open
    editorHost().Show_ConfInfo();
    editorHost().LOAD_MAIN();
    unload();
}

void FrmNew::CmdCan_Click() { unload(); }

void FrmNew::unload() { frameOf(this)->close(); }

void FrmNew::closeEvent(QCloseEvent *event)
{
    if (!m_unloaded) {
        m_unloaded = true;
        if (oneInstance<FrmNew>() == this)
            oneInstance<FrmNew>() = nullptr;
        editorHost().setMenusEnabled(true, false);
        editorHost().Show_ConfInfo();
    }
    event->accept();
}

} // namespace orb
