#include "FrmNew.h"

#include "AppState.h"
#include "Captions.h"
#include "EditorHost.h"
#include "FrmComm.h"
#include "FrmCommSys.h"
#include "FrmLoad.h"
#include "MdiHost.h"
#include "OneInstance.h"
#include "Seams.h"
#include "Strings.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <algorithm>

namespace orb {

FrmNew *FrmNew::loaded() { return oneInstance<FrmNew>().data(); }

FrmNew *FrmNew::showDialog()
{
    FrmNew *dialog = showOneChild<FrmNew>();
    dialog->TxtCon(FieldName)->setFocus();
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

    std::array<QRect, kGeneralFieldCount> places;
    for (int i = 0; i < kGeneralFieldCount; ++i) {
        const Place &p = fields[i];
        places[i] = QRect(twips(p.left), twips(p.top) - 2, twips(p.width), twips(p.height) + 4);
    }
    m_fields = new GeneralFieldBoxes(this, m_pnlTop, places, false);

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
    m_fields->setTexts({});

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
    m_fields->setToolTips();
    m_cmdWrConf->setToolTip(Str(831));
    m_cmdCan->setToolTip(Str(832));

    TxtCon(FieldName)->setFocus();
}

void FrmNew::fitCaptions()
{
    // A caption longer than its place grows to the left, still ending just
    // before its field; the heading spans the dialog.
    for (int i = 0; i < 6; ++i)
        fitCaptionLeft(m_lblCon[i]);
    QLabel *heading = m_lblCon[6];
    const int width = std::max(heading->geometry().width(), heading->sizeHint().width());
    heading->setGeometry((this->width() - width) / 2, heading->y(), width, heading->height());
}

QLineEdit *FrmNew::TxtCon(int index) const { return m_fields->box(index); }

QLabel *FrmNew::LblCon(int index) const { return index >= 6 && index <= 12 ? m_lblCon[index - 6] : nullptr; }

GeneralTexts FrmNew::texts() const { return m_fields->texts(); }

bool FrmNew::TxtCon_KeyPress(int index, QChar key) { return m_fields->TxtCon_KeyPress(index, key); }

bool FrmNew::TxtCon_LostFocus(int) { return m_fields->TxtCon_LostFocus(); }

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
        m_fields->stopChecks();
        if (oneInstance<FrmNew>() == this)
            oneInstance<FrmNew>() = nullptr;
        editorHost().setMenusEnabled(true, false);
        editorHost().Show_ConfInfo();
    }
    event->accept();
}

} // namespace orb
