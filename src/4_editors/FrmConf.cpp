#include "FrmConf.h"

#include "AppState.h"
#include "Captions.h"
#include "ConfTransfers.h"
#include "Cp1252.h"
#include "EditorHost.h"
#include "FrmComm.h"
#include "FrmCommSys.h"
#include "FrmLoad.h"
#include "MdiHost.h"
#include "ModBas.h"
#include "OneInstance.h"
#include "Seams.h"
#include "Strings.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <algorithm>

namespace orb {

namespace {

struct Place {
    int left, top, width, height;
};

QRect pixels(const Place &p) { return QRect(twips(p.left), twips(p.top), twips(p.width), twips(p.height)); }

// A stored number as the window shows it at load: after one blank, the
// place of a sign.
QString shownNumber(int value) { return QLatin1Char(' ') + QString::number(value); }

// The six texts as the window shows them: a name or label stored with
// control characters (NUL where the panel had nothing) shows blanks.
GeneralTexts shownTexts(GeneralTexts texts)
{
    for (int i : {FieldName, FieldLabel})
        texts[i] = controlsAsBlanks(texts[i]);
    return texts;
}

// One exchange with the panel at a time: a command of this window that
// would start another, or close a window whose transfer waits, says so.
void tellTransferUnderWay()
{
    AppState &s = appState();
    s.TituloMsg = Str(109);
    s.Mensaje = Str(9205);
    MsgBox(s.Mensaje, MsgExclamation, s.TituloMsg);
}

} // namespace

FrmConf *FrmConf::loaded() { return oneInstance<FrmConf>().data(); }

FrmConf *FrmConf::showWindow() { return showOneChild<FrmConf>(); }

FrmConf::FrmConf(QWidget *parent)
    : QWidget(parent)
    , m_pnlTop(new QFrame(this))
{
    setObjectName(QStringLiteral("FrmConf"));
    setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setFixedSize(twips(9390), twips(3915));

    m_pnlTop->setObjectName(QStringLiteral("PnlTop"));
    m_pnlTop->setFrameShape(QFrame::Panel);
    m_pnlTop->setFrameShadow(QFrame::Raised);
    m_pnlTop->setGeometry(rect());

    // LblCon(0)..LblCon(5) the stored values, LblCon(6)..LblCon(11) the
    // captions of the fields, LblCon(12) and LblCon(13) the headings.
    static const Place labels[14] = {
        {4950, 435, 2295, 255},  {4950, 897, 600, 255},   {4950, 1359, 600, 255}, {4950, 1815, 600, 255},
        {4950, 2295, 600, 255},  {4950, 2745, 2295, 285}, {270, 435, 1815, 255},  {600, 897, 1455, 255},
        {360, 1359, 1695, 255},  {120, 1785, 1965, 315},  {495, 2295, 1575, 255}, {270, 2760, 1815, 255},
        {2160, 120, 1575, 255},  {5280, 120, 2415, 255},
    };
    static const Place fields[kGeneralFieldCount] = {
        {2160, 420, 2295, 285},  {2160, 882, 615, 285},  {2160, 1344, 615, 285},
        {2160, 1800, 615, 285},  {2160, 2280, 615, 285}, {2160, 2745, 2295, 285},
    };
    for (int i = 0; i < 14; ++i) {
        auto *label = new QLabel(m_pnlTop);
        label->setObjectName(QStringLiteral("LblCon_%1").arg(i));
        label->setGeometry(pixels(labels[i]));
        label->setTextFormat(Qt::PlainText);
        m_lblCon[i] = label;
    }
    for (int i = 0; i < 6; ++i) {
        // The stored values stand on white.
        QLabel *stored = m_lblCon[i];
        QPalette palette = stored->palette();
        palette.setColor(QPalette::Window, Qt::white);
        palette.setColor(QPalette::WindowText, Qt::black);
        stored->setPalette(palette);
        stored->setAutoFillBackground(true);
        stored->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        m_lblCon[6 + i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    for (int i : {12, 13}) {
        QFont heading = m_lblCon[i]->font();
        heading.setBold(true);
        m_lblCon[i]->setFont(heading);
    }

    std::array<QRect, kGeneralFieldCount> places;
    for (int i = 0; i < kGeneralFieldCount; ++i)
        places[i] = pixels(fields[i]).adjusted(0, -2, 0, 2);
    m_fields = new GeneralFieldBoxes(this, m_pnlTop, places, true);
    for (int i = 0; i < kGeneralFieldCount; ++i)
        m_lblCon[6 + i]->setBuddy(TxtCon(i));

    m_cmdWrConf = new QPushButton(m_pnlTop);
    m_cmdCan = new QPushButton(m_pnlTop);
    m_cmdLeerConf = new QPushButton(m_pnlTop);
    // Made on the window itself, over the panel.
    m_cmdSendConf = new QPushButton(this);
    m_cmdWrConf->setObjectName(QStringLiteral("CmdWrConf"));
    m_cmdWrConf->setGeometry(pixels({2160, 3240, 1935, 495}));
    m_cmdCan->setObjectName(QStringLiteral("CmdCan"));
    m_cmdCan->setGeometry(pixels({5280, 3240, 1935, 495}));
    m_cmdSendConf->setObjectName(QStringLiteral("CmdSendConf"));
    m_cmdSendConf->setGeometry(pixels({7830, 840, 1215, 735}));
    m_cmdLeerConf->setObjectName(QStringLiteral("CmdLeerConf"));
    m_cmdLeerConf->setGeometry(pixels({7800, 1920, 1215, 735}));
    connect(m_cmdWrConf, &QPushButton::clicked, this, &FrmConf::CmdWrConf_Click);
    connect(m_cmdCan, &QPushButton::clicked, this, &FrmConf::CmdCan_Click);
    connect(m_cmdSendConf, &QPushButton::clicked, this, &FrmConf::CmdSendConf_Click);
    connect(m_cmdLeerConf, &QPushButton::clicked, this, &FrmConf::CmdLeerConf_Click);

    QWidget *order[] = {TxtCon(0),   TxtCon(1), TxtCon(2),     TxtCon(3),    TxtCon(4),
                        TxtCon(5),   m_cmdWrConf, m_cmdCan, m_cmdSendConf, m_cmdLeerConf};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

FrmConf::~FrmConf()
{
    if (oneInstance<FrmConf>() == this)
        oneInstance<FrmConf>() = nullptr;
}

void FrmConf::onLoad()
{
    AppState &s = appState();
    s.FrmConfCargado = true;
    editorHost().Chk_PrnBut();
    enableOthers(false);

    setStored({s.NomCon, shownNumber(s.NumZon), shownNumber(s.NumRel), shownNumber(s.IniDia), shownNumber(s.IniNit),
               s.EtiIni});
    m_fields->setTexts(shownTexts(m_stored));

    // Centred on the main window's size.
    const QSize main = editorHost().mainWindowSize();
    if (main.isValid()) {
        QWidget *frame = frameOf(this);
        frame->move(main.width() / 2 - frame->width() / 2, main.height() / 2 - frame->height() / 2);
    }

    setWindowTitle(Str(807) + controlsAsBlanks(s.NomCon));
    const QString captions[8] = {Str(808), Str(809), Str(810), Str(827), Str(828), Str(813), Str(814), Str(815)};
    for (int i = 0; i < 8; ++i)
        m_lblCon[6 + i]->setText(captions[i]);
    for (int i = 6; i < 12; ++i)
        fitCaptionLeft(m_lblCon[i]);
    // A heading longer than its place grows to the right.
    for (int i : {12, 13})
        m_lblCon[i]->resize(std::max(m_lblCon[i]->width(), m_lblCon[i]->sizeHint().width()), m_lblCon[i]->height());
    m_cmdWrConf->setText(Str(829));
    m_cmdCan->setText(Str(830));
    setButtonCaption(m_cmdLeerConf, Str(833));
    setButtonCaption(m_cmdSendConf, Str(834));
    m_fields->setToolTips();
    m_cmdWrConf->setToolTip(Str(831));
    m_cmdCan->setToolTip(Str(832));
    m_cmdLeerConf->setToolTip(Str(835));
    m_cmdSendConf->setToolTip(Str(836));

    TxtCon(FieldName)->setFocus();
}

QLineEdit *FrmConf::TxtCon(int index) const { return m_fields->box(index); }

QLabel *FrmConf::LblCon(int index) const { return index >= 0 && index < 14 ? m_lblCon[index] : nullptr; }

GeneralTexts FrmConf::texts() const { return m_fields->texts(); }

bool FrmConf::TxtCon_KeyPress(int index, QChar key) { return m_fields->TxtCon_KeyPress(index, key); }

bool FrmConf::TxtCon_LostFocus(int) { return m_fields->TxtCon_LostFocus(); }

void FrmConf::enableOthers(bool enabled)
{
    for (const char *name : {"FrmRel", "FrmZon"}) {
        if (QWidget *window = childWindow(QLatin1String(name)))
            window->setEnabled(enabled);
    }
    editorHost().setCommandEnabled(QStringLiteral("MnuPrgRel"), 16, enabled);
    editorHost().setCommandEnabled(QStringLiteral("MnuPrgZon"), 15, enabled);
}

void FrmConf::CmdWrConf_Click()
{
    // A name or label left as it shows keeps what is stored, control
    // characters and all; an edited one is stored as the user sees it.
    GeneralTexts values = texts();
    const GeneralTexts shown = shownTexts(m_stored);
    for (int i : {FieldName, FieldLabel}) {
        if (values[i] == shown[i])
            values[i] = m_stored[i];
    }
    store(values);
}

void FrmConf::setStored(const GeneralTexts &stored)
{
    m_stored = stored;
    const GeneralTexts shown = shownTexts(stored);
    for (int i = 0; i < kGeneralFieldCount; ++i)
        m_lblCon[i]->setText(shown[i]);
}

bool FrmConf::store(const GeneralTexts &values)
{
    AppState &s = appState();
    if (firstEmptyField(values) >= 0) {
        s.Mensaje = Str(801);
        s.TituloMsg = Str(802);
        MsgBox(s.Mensaje, MsgExclamation, s.TituloMsg);
        return false;
    }
    // The limits hold even when the store button is reached without
    // leaving a field.
    if (!m_fields->TxtCon_LostFocus())
        return false;
    // The zone and relay windows show rows the store may add or delete:
    // they close first. One whose transfer waits for the panel stays open,
    // and nothing is stored while any transfer waits.
    if (frmComm().waiting() || !closeChildWindow(QStringLiteral("FrmZon"))
        || !closeChildWindow(QStringLiteral("FrmRel"))) {
        tellTransferUnderWay();
        return false;
    }
    if (!storeGeneralPart(values))
        return false;   // told; nothing changed
    setStored(values);
    return true;
}

void FrmConf::CmdCan_Click() { frameOf(this)->close(); }

void FrmConf::CmdLeerConf_Click()
{
    // One exchange at a time.
    if (m_busy || frmComm().waiting()) {
        tellTransferUnderWay();
        return;
    }
    unloadPortSettings();
    closeChildWindow(QStringLiteral("FrmRel"));
    m_busy = true;
    readGeneralPart(progressBox(), [this](const PanelGeneral &read) {
        // The name is not on the panel: the stored one stays. The labels
        // take the panel's values once they are stored; boxes that could
        // not be stored keep them for the next store.
        const GeneralTexts values = {m_stored[FieldName],         QString::number(read.numZon),
                                     QString::number(read.numRel), QString::number(read.iniDia),
                                     QString::number(read.iniNit), read.etiIni};
        m_fields->setTexts(shownTexts(values));
        return store(values);
    });
    m_busy = false;
    orb::bringForward(this);
}

void FrmConf::CmdSendConf_Click()
{
    if (m_busy || frmComm().waiting()) {
        tellTransferUnderWay();
        return;
    }
    closeChildWindow(QStringLiteral("FrmRel"));
    unloadPortSettings();
    // The stored values go, not the edit boxes.
    const auto number = [this](int index) { return int(leadingNumber(m_stored[index])); };
    const PanelGeneral values{number(FieldZones), number(FieldRelays), number(FieldDayHour), number(FieldNightHour),
                              m_stored[FieldLabel]};
    m_busy = true;
    writeGeneralPart(values, progressBox());
    m_busy = false;
    orb::bringForward(this);
}

void FrmConf::closeEvent(QCloseEvent *event)
{
    if (m_busy) {
        event->ignore();
        return;
    }
    if (!m_unloaded) {
        m_unloaded = true;
        m_fields->stopChecks();
        if (oneInstance<FrmConf>() == this)
            oneInstance<FrmConf>() = nullptr;
        editorHost().setMainWindowEnabled(true);
        editorHost().Show_ConfInfo();
        appState().FrmConfCargado = false;
        editorHost().Chk_PrnBut();
        enableOthers(true);
    }
    event->accept();
}

} // namespace orb
