#include "FrmZon.h"

#include "AppState.h"
#include "EditKeys.h"
#include "EditorHost.h"
#include "FrmLoad.h"
#include "GeneralFields.h"
#include "MdiHost.h"
#include "ModBas.h"
#include "OneInstance.h"
#include "Seams.h"
#include "Strings.h"
#include "ZoneRowsModel.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QValidator>

namespace orb {

namespace {

// The zone box takes digits only, typed or pasted.
class DigitsValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        for (QChar c : input) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return Invalid;
        }
        return Acceptable;
    }
};

bool zoneBoxKey(QChar key)
{
    return (key >= QLatin1Char('0') && key <= QLatin1Char('9')) || key == kBackspace || key == kEscape;
}

} // namespace

// The editor of a label cell: a box with the label's limits and the
// program's Delete key. An open one can be committed before a command reads
// the labels and when the window closes, so a typed label is never lost; one
// whose label could not be stored (a full disk) stays open with its text,
// whatever ended it (Return, Tab, a move to another cell, a click elsewhere),
// until it is stored or the user takes it back with Escape.
class LabelDelegate : public QStyledItemDelegate {
public:
    LabelDelegate(QWidget *window, QObject *parent)
        : QStyledItemDelegate(parent)
        , m_window(window)
    {
    }
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        auto *editor = qobject_cast<QLineEdit *>(QStyledItemDelegate::createEditor(parent, option, index));
        if (!editor)
            return nullptr;
        // A label takes, typed or pasted, what the other label boxes take.
        editor->setValidator(new TypedTextValidator(FieldLabel, editor));
        EditKeys::install(editor, m_window, {});
        m_open.removeIf([](const OpenEditor &open) { return !open.editor; });
        m_open.append({editor, index});
        return editor;
    }
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        const auto *box = qobject_cast<QLineEdit *>(editor);
        const bool stored = box && model->setData(index, box->text(), Qt::EditRole);
        m_refused = stored ? nullptr : editor;
    }
    // The label of this box could not be stored: it is not closed.
    bool refused(const QWidget *editor) const { return editor && m_refused == editor; }
    // Stores the labels being typed through the view that shows their boxes,
    // as Return would, and closes the boxes. A box the view has already
    // closed (it waits for its deletion) holds nothing more to store. False
    // when a store failed (told): that box stays open with its text.
    bool commitOpenEditor(const QAbstractItemView &view)
    {
        for (const OpenEditor &open : std::as_const(m_open)) {
            QLineEdit *editor = open.editor.data();
            if (!editor || !open.index.isValid() || view.indexWidget(open.index) != editor)
                continue;
            emit commitData(editor);
            if (refused(editor))
                return false;
            emit closeEditor(editor, NoHint);
        }
        return true;
    }

private:
    struct OpenEditor {
        QPointer<QLineEdit> editor;
        QPersistentModelIndex index;
    };
    QWidget *m_window;
    mutable QList<OpenEditor> m_open;
    mutable QPointer<QWidget> m_refused;
};

namespace {

// The grid of the labels: it leaves open a box whose label could not be
// stored, unless the user takes the label back (Escape).
class ZoneGrid : public QTableView {
public:
    using QTableView::QTableView;

protected:
    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override
    {
        const auto *labels = dynamic_cast<const LabelDelegate *>(itemDelegate());
        if (hint != QAbstractItemDelegate::RevertModelCache && labels && labels->refused(editor))
            return;
        QTableView::closeEditor(editor, hint);
    }
};

} // namespace

FrmZon *FrmZon::loaded() { return oneInstance<FrmZon>().data(); }

FrmZon *FrmZon::showWindow() { return showOneChild<FrmZon>(); }

FrmZon::FrmZon(QWidget *parent)
    : QWidget(parent)
    , m_datZon(new ZoneRowsModel(this))
    , m_grdZon(new ZoneGrid(this))
    , m_framEti(new QGroupBox(QStringLiteral("ZONA"), this))
    , m_txZon1(new QLineEdit(m_framEti))
    , m_cmdRd1(new QPushButton(QStringLiteral("Leer Etiqueta"), m_framEti))
    , m_cmdWr1(new QPushButton(QStringLiteral("Escribir Etiqueta"), m_framEti))
    , m_cmdRd(new QPushButton(QStringLiteral("Leer Etiquetas"), this))
    , m_cmdWr2(new QPushButton(QStringLiteral("Escribir Etiquetas"), this))
    , m_cmdCan(new QPushButton(QStringLiteral("Cancel"), this))
    , m_delegate(new LabelDelegate(this, this))
{
    setObjectName(QStringLiteral("FrmZon"));
    setWindowTitle(QStringLiteral("Etiquetar ZONAS"));
    setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setFixedSize(twips(7650), twips(5850));

    const auto place = [](QWidget *w, const char *name, int left, int top, int width, int height) {
        w->setObjectName(QLatin1String(name));
        w->setGeometry(twips(left), twips(top), twips(width), twips(height));
    };
    place(m_grdZon, "GrdZon", 120, 120, 4440, 5610);
    place(m_framEti, "FramEti", 4680, 60, 2850, 2100);
    place(m_txZon1, "TxZon1", 240, 360, 900, 315);
    place(m_cmdRd1, "CmdRd1", 240, 840, 2370, 495);
    place(m_cmdWr1, "CmdWr1", 240, 1440, 2370, 495);
    place(m_cmdRd, "CmdRd", 4920, 2400, 2370, 495);
    place(m_cmdWr2, "CmdWr2", 4920, 3000, 2370, 495);
    place(m_cmdCan, "CmdCan", 4920, 5235, 2370, 495);

    // One row per zone: the zone column is read-only, no row is added or
    // deleted. A label is edited as in any desktop grid (typing, F2 or a
    // double click; Return commits, Escape takes it back), and Tab leaves
    // the grid.
    m_grdZon->setModel(m_datZon);
    m_grdZon->setItemDelegate(m_delegate);
    m_grdZon->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grdZon->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_grdZon->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed
                              | QAbstractItemView::DoubleClicked);
    m_grdZon->setTabKeyNavigation(false);
    m_grdZon->verticalHeader()->hide();
    m_grdZon->horizontalHeader()->setSectionResizeMode(ZoneRowsModel::ColZone, QHeaderView::Fixed);
    m_grdZon->horizontalHeader()->setStretchLastSection(true);
    m_grdZon->setColumnWidth(ZoneRowsModel::ColZone, twips(1050));
    m_grdZon->verticalHeader()->setDefaultSectionSize(m_grdZon->fontMetrics().height() + 6);
    connect(m_grdZon->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) { GrdZon_RowColChange(current); });

    m_txZon1->setValidator(new DigitsValidator(m_txZon1));
    EditKeys::install(m_txZon1, this, zoneBoxKey, [this] {
        if (!m_unloaded)
            TxZon1_LostFocus();
    });

    m_timBarCom2.setObjectName(QStringLiteral("TimBarCom2"));
    m_timBarCom2.setInterval(100);
    connect(&m_timBarCom2, &QTimer::timeout, this, &FrmZon::TimBarCom2_Timer);

    connect(m_cmdRd1, &QPushButton::clicked, this, &FrmZon::CmdRd1_Click);
    connect(m_cmdWr1, &QPushButton::clicked, this, &FrmZon::CmdWr1_Click);
    connect(m_cmdRd, &QPushButton::clicked, this, &FrmZon::CmdRd_Click);
    connect(m_cmdWr2, &QPushButton::clicked, this, &FrmZon::CmdWr2_Click);
    connect(m_cmdCan, &QPushButton::clicked, this, &FrmZon::CmdCan_Click);

    setTabOrder(m_grdZon, m_txZon1);
    setTabOrder(m_txZon1, m_cmdRd1);
    setTabOrder(m_cmdRd1, m_cmdWr1);
    setTabOrder(m_cmdWr1, m_cmdRd);
    setTabOrder(m_cmdRd, m_cmdWr2);
    setTabOrder(m_cmdWr2, m_cmdCan);
}

FrmZon::~FrmZon()
{
    if (oneInstance<FrmZon>() == this)
        oneInstance<FrmZon>() = nullptr;
}

void FrmZon::onLoad()
{
    appState().FrmZonCargado = true;
    editorHost().Chk_PrnBut();

    // Centred on the main window's size.
    const QSize main = editorHost().mainWindowSize();
    if (main.isValid()) {
        QWidget *frame = frameOf(this);
        frame->move(main.width() / 2 - frame->width() / 2, main.height() / 2 - frame->height() / 2);
    }

    setWindowTitle(Str(4202));
    m_grdZon->setToolTip(Str(4205));
    // A table takes no name or description from its tool tip by itself.
    m_grdZon->setAccessibleName(Str(4205).trimmed());
    m_grdZon->setAccessibleDescription(Str(4205));
    m_txZon1->setToolTip(Str(4206));
    m_cmdRd1->setText(Str(4207));
    m_cmdRd1->setToolTip(Str(4208));
    m_cmdWr1->setText(Str(4209));
    m_cmdWr1->setToolTip(Str(4210));
    m_cmdRd->setText(Str(4211));
    m_cmdRd->setToolTip(Str(4212));
    m_cmdWr2->setText(Str(4213));
    m_cmdWr2->setToolTip(Str(4214));
    m_cmdCan->setText(Str(4215));
    m_cmdCan->setToolTip(Str(4216));

    m_datZon->reload();
    m_grdZon->setFocus();
}

void FrmZon::GrdZon_RowColChange(const QModelIndex &current)
{
    if (!current.isValid())
        return;
    // The zone box names the row's zone, and the cursor goes to the label
    // column once the click or key that moved it has done its selecting.
    m_txZon1->setText(QString::number(m_datZon->zoneAt(current.row())));
    if (current.column() != ZoneRowsModel::ColLabel) {
        const QPersistentModelIndex label = m_datZon->index(current.row(), ZoneRowsModel::ColLabel);
        QMetaObject::invokeMethod(
            this,
            [this, label] {
                if (label.isValid())
                    m_grdZon->selectionModel()->setCurrentIndex(label, QItemSelectionModel::ClearAndSelect);
            },
            Qt::QueuedConnection);
    }
}

bool FrmZon::TxZon1_LostFocus()
{
    if (m_checking)
        return true;
    AppState &s = appState();
    s.TituloMsg = Str(109);
    if (leadingNumber(m_txZon1->text()) <= s.NumZon)
        return true;
    // Focus moves while the message shows and when the box takes it back;
    // those moves run no further check.
    m_checking = true;
    s.Mensaje = Str(839);
    MsgBox(s.Mensaje, MsgExclamation, s.TituloMsg);
    m_txZon1->clear();
    m_txZon1->setFocus();
    m_checking = false;
    return false;
}

void FrmZon::TimBarCom2_Timer()
{
    FrmLoad *box = FrmLoad::loaded();
    if (!box)
        return;
    QProgressBar *bar = box->ProBar();
    if (bar->value() < appState().MaxProg && bar->value() < bar->maximum())
        bar->setValue(bar->value() + 1);
}

void FrmZon::CmdRd_Click() { allZones(ZoneDirection::Read); }
void FrmZon::CmdWr2_Click() { allZones(ZoneDirection::Write); }
void FrmZon::CmdRd1_Click() { oneZone(ZoneDirection::Read); }
void FrmZon::CmdWr1_Click() { oneZone(ZoneDirection::Write); }

void FrmZon::CmdCan_Click() { frameOf(this)->close(); }

bool FrmZon::commitTypedLabel() { return m_delegate->commitOpenEditor(*m_grdZon); }

void FrmZon::allZones(ZoneDirection direction)
{
    if (m_busy)
        return;
    // A label being typed is stored before the transfer takes the labels;
    // one that cannot be stored stops it.
    if (!commitTypedLabel())
        return;
    QPointer<QWidget> focus = focusWidget();
    m_busy = true;
    transferAllZones(direction, appState().NumZon, *m_datZon, *this);
    m_busy = false;
    orb::bringForward(this);
    if (focus)
        focus->setFocus();
}

void FrmZon::oneZone(ZoneDirection direction)
{
    if (m_busy || !commitTypedLabel())
        return;
    const std::optional<int> zone = zoneOfBox(m_txZon1->text(), appState().NumZon);
    if (!zone)
        return;
    m_busy = true;
    transferOneZone(direction, *zone, *m_datZon, *this);
    m_busy = false;
    orb::bringForward(this);
}

ProgressSink &FrmZon::progress() { return progressBox(); }

void FrmZon::setWindowEnabled(bool enabled)
{
    // The general-configuration window keeps this one disabled while it is
    // open.
    setEnabled(enabled && !appState().FrmConfCargado);
}

void FrmZon::goToZone(int zone)
{
    const int row = m_datZon->rowOf(zone);
    if (row < 0)
        return;
    const QModelIndex index = m_datZon->index(row, ZoneRowsModel::ColLabel);
    m_grdZon->setCurrentIndex(index);
    m_grdZon->scrollTo(index);
}

void FrmZon::zoneDone()
{
    m_timBarCom2.start();
    if (FrmLoad *box = FrmLoad::loaded()) {
        QProgressBar *bar = box->ProBar();
        if (bar->value() < bar->maximum())
            bar->setValue(bar->value() + 1);
    }
}

void FrmZon::stopTicker() { m_timBarCom2.stop(); }

void FrmZon::closeEvent(QCloseEvent *event)
{
    if (m_busy || (!m_unloaded && !commitTypedLabel())) {
        event->ignore();
        return;
    }
    if (!m_unloaded) {
        m_unloaded = true;
        m_timBarCom2.stop();
        if (oneInstance<FrmZon>() == this)
            oneInstance<FrmZon>() = nullptr;
        appState().FrmZonCargado = false;
        editorHost().Chk_PrnBut();
    }
    event->accept();
}

} // namespace orb
