#include "FrmRel.h"

#include "AppState.h"
#include "Cp1252.h"
#include "EditKeys.h"
#include "EditorHost.h"
#include "FrmCommSys.h"
#include "FrmLoad.h"
#include "GeneralFields.h"
#include "MdiHost.h"
#include "OneInstance.h"
#include "Schema.h"
#include "Seams.h"
#include "Strings.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QValidator>
#include <QVBoxLayout>

namespace orb {

namespace {

// Refuses any change (typed, pasted or dropped) that leaves a list or delay
// box with a text it may not hold.
class NumberBoxValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        return numberTextAcceptable(input) ? Acceptable : Invalid;
    }
};

// A caption as assistive technology reads it: without its colon.
QString spoken(const QString &caption)
{
    QString text = caption;
    text.remove(QLatin1Char(':'));
    return text.simplified();
}

QFrame *rule(QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

// Forgets every size a layout has worked out, down to its innermost boxes,
// so that its size hint counts the texts and list items given since.
void forgetSizes(QLayout *layout)
{
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem *item = layout->itemAt(i);
        if (QLayout *inner = item->layout())
            forgetSizes(inner);
        else
            item->invalidate();
    }
    layout->invalidate();
}

// The size of the window's client area as designed.
constexpr QSize kDesignSize(twips(9345), twips(3990));

} // namespace

// ---- Loading and unloading -------------------------------------------------

FrmRel *FrmRel::loaded() { return oneInstance<FrmRel>().data(); }

FrmRel *FrmRel::showWindow() { return showOneChild<FrmRel>(); }

FrmRel::FrmRel(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("FrmRel"));
    setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    m_timBarCom3.setObjectName(QStringLiteral("TimBarCom3"));
    m_timBarCom3.setInterval(100);
    connect(&m_timBarCom3, &QTimer::timeout, this, &FrmRel::TimBarCom3_Timer);
    build();
}

FrmRel::~FrmRel()
{
    if (oneInstance<FrmRel>() == this)
        oneInstance<FrmRel>() = nullptr;
    if (!m_unloaded)
        appState().FrmRelCargado = false;
}

void FrmRel::build()
{
    m_body = new QWidget(this);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_body);
    auto *page = new QVBoxLayout(m_body);
    page->setContentsMargins(8, 6, 8, 8);
    page->setSpacing(6);

    const auto label = [this](int index) {
        auto *l = new QLabel(m_body);
        l->setObjectName(QStringLiteral("LblRel_%1").arg(index));
        l->setTextFormat(Qt::PlainText);
        m_lblRel.append(l);
        l->setProperty("index", index);
        return l;
    };
    const auto lineEdit = [this](const char *name) {
        auto *box = new QLineEdit(m_body);
        box->setObjectName(QLatin1String(name));
        return box;
    };
    const auto combo = [this](const char *name) {
        auto *box = new QComboBox(m_body);
        box->setObjectName(QLatin1String(name));
        box->setEditable(false);
        box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        box->installEventFilter(this);
        box->view()->installEventFilter(this);
        return box;
    };
    // Boxes are made in the order the Tab key visits them.

    // (1) Navigator, label, type.
    auto *top = new QGridLayout;
    top->setHorizontalSpacing(12);
    top->setVerticalSpacing(2);
    m_datRel = new RelayNavigator(m_body);
    connect(m_datRel, &RelayNavigator::stepRequested, this, [this](RelayNavigator::Step step) { moveTo(step); });
    for (int step = RelayNavigator::First; step <= RelayNavigator::Last; ++step)
        m_datRel->button(RelayNavigator::Step(step))->installEventFilter(this);
    m_txtEti = lineEdit("TxtEti");
    m_txtEti->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('W')) * 12);
    m_cmbTip = combo("CmbTip");
    connect(m_cmbTip, &QComboBox::activated, this, &FrmRel::CmbTip_Click);
    top->addWidget(label(0), 0, 0);
    top->addWidget(m_datRel, 1, 0);
    top->addWidget(label(1), 0, 1);
    top->addWidget(m_txtEti, 1, 1);
    top->addWidget(label(2), 0, 2);
    top->addWidget(m_cmbTip, 1, 2);
    top->setColumnStretch(3, 1);
    page->addLayout(top);
    page->addWidget(rule(m_body));

    // (2) Delay and the four responses.
    auto *middle = new QGridLayout;
    middle->setHorizontalSpacing(12);
    middle->setVerticalSpacing(2);
    auto *delay = new QHBoxLayout;
    delay->setSpacing(4);
    m_txtRetMin = lineEdit("TxtRetMin");
    m_txtRetSeg = lineEdit("TxtRetSeg");
    const int twoDigits = fontMetrics().horizontalAdvance(QStringLiteral("000")) + 12;
    for (QLineEdit *box : {m_txtRetMin, m_txtRetSeg})
        box->setFixedWidth(twoDigits);
    delay->addWidget(m_txtRetMin);
    delay->addWidget(label(5));
    delay->addSpacing(6);
    delay->addWidget(m_txtRetSeg);
    delay->addWidget(label(6));
    middle->addWidget(label(4), 0, 0);
    middle->addLayout(delay, 1, 0);
    static const char *const responseNames[4] = {"CmbDetDia", "CmbDetNit", "CmbPulDia", "CmbPulNit"};
    static const char *const codeNames[4] = {"TxtDetDia", "TxtDetNit", "TxtPulDia", "TxtPulNit"};
    for (int r = DetDia; r <= PulNit; ++r) {
        m_responseLists[r] = combo(responseNames[r]);
        connect(m_responseLists[r], &QComboBox::activated, this,
                [this, r](int index) { CmbResponse_Click(Response(r), index); });
        middle->addWidget(label(7 + r), 0, 1 + r);
        middle->addWidget(m_responseLists[r], 1, 1 + r);
    }
    middle->setColumnStretch(5, 1);
    page->addLayout(middle);
    page->addWidget(rule(m_body));

    // (3) General activation and the four activation lists.
    auto *lists = new QGridLayout;
    lists->setHorizontalSpacing(6);
    lists->setVerticalSpacing(3);
    QLabel *heading = label(23);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    m_chkGen = new QCheckBox(m_body);
    m_chkGen->setObjectName(QStringLiteral("ChkGen"));
    connect(m_chkGen, &QCheckBox::clicked, this, &FrmRel::ChkGen_Click);
    lists->addWidget(heading, 0, 0);
    lists->addWidget(m_chkGen, 1, 0, 2, 1, Qt::AlignTop);
    lists->setColumnMinimumWidth(1, 12);
    const int listBoxWidth = fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 12;
    for (int n = 1; n <= 4; ++n) {
        QLineEdit *start = lineEdit(qPrintable(QStringLiteral("TxtIniLL%1").arg(n)));
        QLineEdit *end = lineEdit(qPrintable(QStringLiteral("TxtFiLL%1").arg(n)));
        m_boxes[Ini1 + n - 1] = start;
        m_boxes[Fi1 + n - 1] = end;
        start->setFixedWidth(listBoxWidth);
        end->setFixedWidth(listBoxWidth);
        const int column = 2 + (n - 1) * 2;
        lists->addWidget(label(25 + n), 0, column, 1, 2);
        lists->addWidget(label(33 + n), 1, column, Qt::AlignRight);
        lists->addWidget(start, 1, column + 1);
        lists->addWidget(label(37 + n), 2, column, Qt::AlignRight);
        lists->addWidget(end, 2, column + 1);
        lists->setColumnMinimumWidth(column + 1, listBoxWidth + 10);
    }
    lists->setColumnStretch(10, 1);
    page->addLayout(lists);
    page->addStretch(1);

    // (4) Write, read, exit.
    auto *buttons = new QHBoxLayout;
    const auto button = [this](const char *name) {
        auto *b = new QPushButton(m_body);
        b->setObjectName(QLatin1String(name));
        b->installEventFilter(this);
        return b;
    };
    m_cmdSendConfRel = button("CmdSendConfRel");
    m_cmdRecConfRel = button("CmdRecConfRel");
    m_cmdCancel = button("CmdCancel");
    connect(m_cmdSendConfRel, &QPushButton::clicked, this, &FrmRel::CmdSendConfRel_Click);
    connect(m_cmdRecConfRel, &QPushButton::clicked, this, &FrmRel::CmdRecConfRel_Click);
    connect(m_cmdCancel, &QPushButton::clicked, this, &FrmRel::CmdCancel_Click);
    buttons->addWidget(m_cmdSendConfRel);
    buttons->addStretch(1);
    buttons->addWidget(m_cmdRecConfRel);
    buttons->addStretch(1);
    buttons->addWidget(m_cmdCancel);
    page->addLayout(buttons);

    m_boxes[Eti] = m_txtEti;
    m_boxes[RetMin] = m_txtRetMin;
    m_boxes[RetSeg] = m_txtRetSeg;
    for (int b = 0; b < kBoxes; ++b) {
        QLineEdit *box = m_boxes[b];
        // The label takes a paste as typing would take it.
        if (b == Eti)
            box->setValidator(new TypedTextValidator(FieldLabel, box));
        else
            box->setValidator(new NumberBoxValidator(box));
        box->installEventFilter(this);
        // The keys every editing window's boxes share, with this box's filter.
        EditKeys::install(box, this, [this, b, box](QChar c) {
            if (b == Eti)
                return labelKeyAccepted(c, int(box->text().size()), int(box->selectedText().size()));
            if (b == RetMin || b == RetSeg)
                return delayKeyAccepted(c, box->text());
            return listKeyAccepted(c, box->text(), appState().NumZon);
        });
        // An edit is stored at once, as leaving the box would store it; a
        // store that fails here is told when the box is left.
        connect(box, &QLineEdit::textChanged, this, [this, b] {
            if (m_showing)
                return;
            m_editing = b;
            storeRow(Tell::Never);
        });
    }
    m_chkGen->installEventFilter(this);

    // The codes behind the type and response lists, as stored.
    m_txtTip = lineEdit("TxtTip");
    m_txtTip->hide();
    for (int r = DetDia; r <= PulNit; ++r) {
        m_responseCodes[r] = lineEdit(codeNames[r]);
        m_responseCodes[r]->hide();
    }
}

QLineEdit *FrmRel::TxtIniLL(int list) const { return list >= 1 && list <= 4 ? m_boxes[Ini1 + list - 1] : nullptr; }
QLineEdit *FrmRel::TxtFiLL(int list) const { return list >= 1 && list <= 4 ? m_boxes[Fi1 + list - 1] : nullptr; }

QLabel *FrmRel::LblRel(int index) const
{
    for (QLabel *l : m_lblRel) {
        if (l->property("index").toInt() == index)
            return l;
    }
    return nullptr;
}

void FrmRel::onLoad()
{
    AppState &s = appState();
    s.FrmRelCargado = true;
    editorHost().Chk_PrnBut();
    setTexts();

    m_types = lookupRows(tabTipRel());
    m_responses = lookupRows(tabDiaNit());
    for (const auto &[code, name] : std::as_const(m_types))
        m_cmbTip->addItem(name, code);
    for (QComboBox *list : m_responseLists) {
        for (const auto &[code, name] : std::as_const(m_responses))
            list->addItem(name, code);
    }

    m_relays = relayNumbers(s.IdCon);
    if (m_relays.isEmpty()) {
        // Nothing to show: only the exit stays.
        const QList<QWidget *> inputs = {m_datRel, m_cmbTip, m_chkGen, m_cmdSendConfRel, m_cmdRecConfRel};
        for (QWidget *w : inputs)
            w->setEnabled(false);
        for (QWidget *w : m_boxes)
            w->setEnabled(false);
        for (QWidget *w : m_responseLists)
            w->setEnabled(false);
    } else {
        showPosition(0);
    }

    // Not smaller than designed, and big enough for every caption; the
    // frame keeps its borders around it.
    QWidget *frame = frameOf(this);
    const QSize borders = frame->size() - size();
    forgetSizes(m_body->layout());
    forgetSizes(layout());
    setFixedSize(sizeHint().expandedTo(kDesignSize));
    if (frame != this)
        frame->resize(size() + borders);
    m_txtEti->setFocus();
}

void FrmRel::setTexts()
{
    setWindowTitle(Str(4401));
    const std::pair<int, QString> captions[] = {
        {0, Str(4402)},   {1, Str(4403)},   {2, Str(4404)},   {4, Str(4406)},   {5, Str(4407)},
        {6, Str(4408)},   {7, Str(4409)},   {8, Str(4410)},   {9, Str(4411)},   {10, Str(4412)},
        {23, Str(4425)},  {26, Str(4426)},  {27, Str(4427)},  {28, Str(4428)},  {29, Str(4429)},
        {34, Str(4434)},  {35, Str(4435)},  {36, Str(4436)},  {37, Str(4437)},  {38, Str(4438)},
        {39, Str(4439)},  {40, Str(4440)},  {41, Str(4441)},
    };
    for (const auto &[index, text] : captions)
        LblRel(index)->setText(text);
    m_chkGen->setText(Str(4451));
    m_cmdSendConfRel->setText(Str(4461));
    m_cmdRecConfRel->setText(Str(4462));
    m_cmdCancel->setText(Str(4463));

    m_datRel->setToolTip(Str(4452));
    m_datRel->setButtonNames({Str(9201), Str(9202), Str(9203), Str(9204)});
    m_txtEti->setToolTip(Str(4453));
    m_txtRetMin->setToolTip(Str(4455));
    m_txtRetSeg->setToolTip(Str(4456));
    m_cmbTip->setToolTip(Str(4464));
    m_chkGen->setToolTip(Str(4465));
    for (int n = 1; n <= 4; ++n) {
        TxtIniLL(n)->setToolTip(Str(4466));
        TxtFiLL(n)->setToolTip(Str(4466));
    }
    m_cmdCancel->setToolTip(Str(4467));
    m_cmdRecConfRel->setToolTip(Str(4468));
    m_cmdSendConfRel->setToolTip(Str(4469));

    // Names for assistive technology, from the captions beside the boxes.
    m_txtEti->setAccessibleName(spoken(Str(4403)));
    m_cmbTip->setAccessibleName(spoken(Str(4404)));
    m_txtRetMin->setAccessibleName(spoken(Str(4406) + QLatin1Char(' ') + Str(4407)));
    m_txtRetSeg->setAccessibleName(spoken(Str(4406) + QLatin1Char(' ') + Str(4408)));
    const QString responses[4] = {Str(4409), Str(4410), Str(4411), Str(4412)};
    for (int r = DetDia; r <= PulNit; ++r)
        m_responseLists[r]->setAccessibleName(spoken(responses[r]));
    const QString listNames[4] = {Str(4426), Str(4427), Str(4428), Str(4429)};
    const QString from[4] = {Str(4434), Str(4435), Str(4436), Str(4437)};
    const QString to[4] = {Str(4438), Str(4439), Str(4440), Str(4441)};
    for (int n = 1; n <= 4; ++n) {
        TxtIniLL(n)->setAccessibleName(spoken(listNames[n - 1] + QLatin1Char(' ') + from[n - 1]));
        TxtFiLL(n)->setAccessibleName(spoken(listNames[n - 1] + QLatin1Char(' ') + to[n - 1]));
    }
}

void FrmRel::CmdCancel_Click() { frameOf(this)->close(); }

void FrmRel::closeEvent(QCloseEvent *event)
{
    // Never while an exchange with the panel is under way on this relay.
    if (m_busy) {
        event->ignore();
        return;
    }
    if (!m_unloaded) {
        // What the window shows is stored, as moving away would store it;
        // when that fails (told) the window stays, with what it shows.
        if (!storeShown()) {
            event->ignore();
            return;
        }
        m_unloaded = true;
        m_timBarCom3.stop();
        if (oneInstance<FrmRel>() == this)
            oneInstance<FrmRel>() = nullptr;
        appState().FrmRelCargado = false;
        editorHost().Chk_PrnBut();
    }
    event->accept();
}

// ---- The relay shown ---------------------------------------------------------

int FrmRel::relayNumber() const { return m_position >= 0 ? m_relays.at(m_position) : 0; }

bool FrmRel::moveTo(RelayNavigator::Step step, bool byKey)
{
    if (m_busy || m_relays.isEmpty())
        return false;
    const int last = int(m_relays.size()) - 1;
    int target = m_position;
    switch (step) {
    case RelayNavigator::First: target = 0; break;
    case RelayNavigator::Previous: target = std::max(0, m_position - 1); break;
    case RelayNavigator::Next: target = std::min(last, m_position + 1); break;
    case RelayNavigator::Last: target = last; break;
    }
    if (target == m_position)
        return false;
    if (!storeShown())
        return false;
    m_step = step;
    m_stepByKey = byKey;
    showPosition(target);
    return m_position == target;
}

void FrmRel::showPosition(int position)
{
    AppState &s = appState();
    QSqlError error;
    const std::optional<RelayRow> row = relayRow(m_relays.at(position), s.IdCon, &error);
    if (!row) {
        s.MensajeAux = isNoRowError(error) ? Str(9016).arg(m_relays.at(position))
                                           : Str(120) + QStringLiteral("\n\n") + databaseErrorText(error);
        MsgBox(s.MensajeAux, MsgOk);
        return;
    }
    m_position = position;
    showRow(*row);
    m_stored = *row;
    m_told.reset();
    // Showing a relay counts as an edit of the configuration.
    s.ConfModif = true;
}

void FrmRel::showRow(const RelayRow &row)
{
    m_showing = true;
    const QString number = QString::number(row.IDREL);
    m_datRel->setCaption(number, spoken(Str(4402)) + QLatin1Char(' ') + number);
    BoxTexts texts;
    // A label stored with control characters shows them as blanks.
    texts[Eti] = controlsAsBlanks(row.ETIREL);
    texts[RetMin] = QString::number(row.RMIN);
    texts[RetSeg] = QString::number(row.RSEC);
    for (int n = 0; n < 4; ++n) {
        texts[Ini1 + n] = QString::number(row.IL[n]);
        texts[Fi1 + n] = QString::number(row.FL[n]);
    }
    setBoxTexts(texts);
    const int codes[4] = {row.DDIA, row.DNOCH, row.PDIA, row.PNOCH};
    for (int r = DetDia; r <= PulNit; ++r) {
        m_responseCodes[r]->setText(QString::number(codes[r]));
        showResponse(Response(r));
    }
    m_txtTip->setText(QString::number(row.TIP));
    showType();
    m_showing = false;
}

// The type list, the general-activation box and what is enabled follow the
// type byte. The box always shows bit 6 of the relay's own byte, so nothing
// of another relay is ever applied to this one.
void FrmRel::showType()
{
    const int tip = boxNumber(m_txtTip->text());
    m_cmbTip->setCurrentIndex(typeRowShown(m_types, tip));
    m_chkGen->setChecked(tip & TipRelActGen);
    const RelayEnabling enabling = relayEnabling(tip);
    QWidgetList programming = {m_txtRetMin, m_txtRetSeg, m_chkGen};
    for (QComboBox *list : m_responseLists)
        programming << list;
    QWidgetList lists;
    for (int b = Ini1; b <= Fi4; ++b)
        lists << m_boxes[b];
    // A control about to be disabled hands the focus to the navigator
    // first. Left to itself, the focus would pass on along the tab order,
    // as far as the button that writes to the panel. After a move by key
    // the button shows that it has the focus, as after the Tab key.
    QWidget *focus = window()->focusWidget();
    if ((!enabling.programming && programming.contains(focus)) || (!enabling.lists && lists.contains(focus)))
        m_datRel->button(m_step)->setFocus(m_stepByKey ? Qt::ShortcutFocusReason : Qt::OtherFocusReason);
    for (QWidget *w : std::as_const(programming))
        w->setEnabled(enabling.programming);
    for (QWidget *w : std::as_const(lists))
        w->setEnabled(enabling.lists);
}

void FrmRel::showResponse(Response response)
{
    m_responseLists[response]->setCurrentIndex(rowOfCode(m_responses, boxNumber(m_responseCodes[response]->text())));
}

void FrmRel::setTip(int tip)
{
    m_txtTip->setText(QString::number(tip));
    showType();
    storeRow(Tell::Always);
}

void FrmRel::CmbTip_Click(int index)
{
    if (index < 0 || index >= m_types.size())
        return;
    setTip(tipAfterPick(m_types.at(index).first, m_chkGen->isChecked()));
}

void FrmRel::ChkGen_Click(bool checked) { setTip(tipWithGeneral(boxNumber(m_txtTip->text()), checked)); }

void FrmRel::CmbResponse_Click(Response response, int index)
{
    if (index < 0 || index >= m_responses.size())
        return;
    m_responseCodes[response]->setText(QString::number(m_responses.at(index).first));
    storeRow(Tell::Always);
}

// ---- Typed boxes ---------------------------------------------------------------

FrmRel::BoxTexts FrmRel::boxTexts() const
{
    BoxTexts texts;
    for (int b = 0; b < kBoxes; ++b)
        texts[b] = m_boxes[b]->text();
    return texts;
}

void FrmRel::setBoxTexts(const BoxTexts &texts)
{
    const bool showing = m_showing;
    m_showing = true;
    for (int b = 0; b < kBoxes; ++b) {
        if (m_boxes[b]->text() != texts[b])
            m_boxes[b]->setText(texts[b]);
    }
    m_showing = showing;
}

void FrmRel::applyLeaveRule(Box box, BoxTexts &texts)
{
    const int numZon = appState().NumZon;
    if (box >= Ini1 && box <= Ini4) {
        const int n = box - Ini1;
        const std::optional<QString> previousEnd = n > 0 ? std::optional<QString>(texts[Fi1 + n - 1]) : std::nullopt;
        const ListTexts list = startBoxLeft({texts[box], texts[Fi1 + n]}, previousEnd, numZon);
        texts[box] = list.start;
        texts[Fi1 + n] = list.end;
    } else if (box >= Fi1 && box <= Fi4) {
        texts[box] = endBoxLeft({texts[Ini1 + box - Fi1], texts[box]}, numZon);
    } else if (box == RetMin) {
        texts[box] = delayBoxLeft(texts[box], MaxRetMin);
    } else if (box == RetSeg) {
        texts[box] = delayBoxLeft(texts[box], MaxRetSeg);
    }
}

void FrmRel::showLeft(Box box)
{
    BoxTexts texts = boxTexts();
    applyLeaveRule(box, texts);
    setBoxTexts(texts);
}

void FrmRel::leaveBox(Box box, Tell tell)
{
    showLeft(box);
    storeRow(tell);
}

bool FrmRel::storeShown()
{
    if (m_editing >= 0)
        showLeft(Box(m_editing));
    return storeRow(Tell::Always);
}

RelayRow FrmRel::shownRow() const
{
    BoxTexts texts = boxTexts();
    if (m_editing >= 0)
        applyLeaveRule(Box(m_editing), texts);
    RelayRow row = m_stored;
    row.TIP = boxNumber(m_txtTip->text()) & 0xFF;
    // A label left as it shows keeps what is stored, control characters and
    // all; an edited one is stored as the user sees it.
    if (texts[Eti] != controlsAsBlanks(m_stored.ETIREL))
        row.ETIREL = texts[Eti];
    row.RMIN = boxNumber(texts[RetMin]) & 0xFF;
    row.RSEC = boxNumber(texts[RetSeg]) & 0xFF;
    int *codes[4] = {&row.DDIA, &row.DNOCH, &row.PDIA, &row.PNOCH};
    for (int r = DetDia; r <= PulNit; ++r)
        *codes[r] = boxNumber(m_responseCodes[r]->text()) & 0xFF;
    for (int n = 0; n < 4; ++n) {
        row.IL[n] = boxNumber(texts[Ini1 + n]) & 0xFF;
        row.FL[n] = boxNumber(texts[Fi1 + n]) & 0xFF;
    }
    return row;
}

// Every store marks the configuration changed; a row equal to the stored
// one is not written again. A failed store leaves the boxes as they are, so
// the next store takes what they show.
bool FrmRel::storeRow(Tell tell)
{
    // While a relay is being shown the boxes hold parts of two relays (a
    // box that loses the focus as it is disabled must not store them).
    if (m_position < 0 || m_showing)
        return true;
    AppState &s = appState();
    s.ConfModif = true;
    const RelayRow row = shownRow();
    if (row == m_stored)
        return true;
    QSqlError error;
    if (!storeRelayRow(row, &error)) {
        if (tell == Tell::Always || (tell == Tell::Once && m_told != row)) {
            m_told = row;
            s.MensajeAux = Str(120) + QStringLiteral("\n\n") + databaseErrorText(error);
            MsgBox(s.MensajeAux, MsgOk);
        }
        return false;
    }
    m_stored = row;
    m_told.reset();
    return true;
}

int FrmRel::boxOf(const QObject *object) const
{
    for (int b = 0; b < kBoxes; ++b) {
        if (m_boxes[b] == object)
            return b;
    }
    return -1;
}

int FrmRel::responseOf(const QObject *object) const
{
    for (int r = DetDia; r <= PulNit; ++r) {
        if (m_responseLists[r] == object)
            return r;
    }
    return -1;
}

// Page Up and Page Down move to the previous and the next relay from any
// control of the window.
bool FrmRel::stepKey(QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    if (key->key() == Qt::Key_PageUp)
        moveTo(RelayNavigator::Previous, true);
    else if (key->key() == Qt::Key_PageDown)
        moveTo(RelayNavigator::Next, true);
    else
        return false;
    return true;
}

void FrmRel::keyPressEvent(QKeyEvent *event)
{
    if (!stepKey(event))
        QWidget::keyPressEvent(event);
}

bool FrmRel::eventFilter(QObject *watched, QEvent *event)
{
    const int box = boxOf(watched);
    const bool list = watched == m_cmbTip || responseOf(watched) >= 0;
    // An open list keeps Page Up and Page Down for itself.
    const bool popup = !list && box < 0 && qobject_cast<QAbstractItemView *>(watched);
    if (!popup && stepKey(event))
        return true;

    if ((list || popup) && event->type() == QEvent::KeyPress) {
        // The lists take no typed text (not even to search their names):
        // they open and choose with the mouse and the arrow keys.
        const auto *key = static_cast<QKeyEvent *>(event);
        const QString text = key->text();
        const bool command = key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier | Qt::AltModifier);
        if (!command && !text.isEmpty() && text.at(0).isPrint() && text != QStringLiteral(" "))
            return true;
    }
    if (list && event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        if (!m_unloaded && !m_busy && !m_showing && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            storeRow(Tell::Once);
    }
    if (box < 0)
        return QWidget::eventFilter(watched, event);

    switch (event->type()) {
    case QEvent::FocusIn:
        m_editing = box;
        break;
    case QEvent::FocusOut: {
        // Only a move to another control counts as leaving the box: not a
        // message box or menu taking the focus for a moment, not a click
        // on the window's own frame, and not the window going away. A box
        // disabled as another relay is shown is not left either: nothing
        // was edited in it for that relay.
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        const QWidget *next = QApplication::focusWidget();
        const bool toOwnFrame = next && (next == this || next == frameOf(this));
        if (m_showing) {
            m_editing = -1;
        } else if (!m_unloaded && !m_busy && !toOwnFrame && reason != Qt::ActiveWindowFocusReason
                   && reason != Qt::PopupFocusReason) {
            // A failure is told once, not again at each box left after it;
            // a button of the window being pressed leaves the telling to
            // its command, which stores first.
            const bool toCommand = next == m_cmdSendConfRel || next == m_cmdRecConfRel || next == m_cmdCancel;
            leaveBox(Box(box), toCommand ? Tell::Never : Tell::Once);
            m_editing = -1;
        }
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

// ---- Panel read and write --------------------------------------------------------

void FrmRel::CmdSendConfRel_Click()
{
    // The panel gets the relay as stored, with what the window shows stored
    // first: a row that cannot be stored is not sent.
    if (m_busy || m_position < 0 || !storeShown())
        return;
    writeRelay(*this, m_stored.ETIREL);
}

void FrmRel::CmdRecConfRel_Click()
{
    if (m_busy || m_position < 0 || !storeShown())
        return;
    readRelay(*this);
    // A label that arrived without its record is stored as well (a record
    // that arrived has been stored, or its failure told, already).
    storeRow(Tell::Once);
}

void FrmRel::labelReceived(const QString &label)
{
    m_showing = true;
    m_txtEti->setText(controlsAsBlanks(label));
    m_showing = false;
}

bool FrmRel::recordReceived(const RelayRecord &record)
{
    showRow(withRecord(shownRow(), record));
    return storeRow(Tell::Always);
}

void FrmRel::setBusy(bool busy)
{
    m_busy = busy;
    if (busy) {
        m_focusBeforeBusy = QApplication::focusWidget();
        m_body->setEnabled(false);
        return;
    }
    // What the relay's type keeps disabled stays so.
    m_body->setEnabled(true);
    QWidget *frame = frameOf(this);
    frame->show();
    frame->raise();
    if (m_focusBeforeBusy && m_body->isAncestorOf(m_focusBeforeBusy) && m_focusBeforeBusy->isEnabled())
        m_focusBeforeBusy->setFocus();
}

void FrmRel::closePortSettings() { unloadPortSettings(); }

void FrmRel::prepareProgress()
{
    progressBox().setCaption(Str(473));
    progressBox().setLabel(Str(414));
}

bool FrmRel::progressShown() const
{
    const FrmLoad *box = FrmLoad::loaded();
    return box && box->isEnabled();
}

void FrmRel::showSync() { Show_Sync(); }

void FrmRel::fillProgress()
{
    if (FrmLoad *box = FrmLoad::loaded())
        box->ProBar()->setValue(std::max(box->ProBar()->value(), int(appState().MaxProg)));
}

ProgressSink &FrmRel::progress() { return progressBox(); }

void FrmRel::setTicker(bool on)
{
    if (on)
        m_timBarCom3.start();
    else
        m_timBarCom3.stop();
}

void FrmRel::TimBarCom3_Timer()
{
    // Only a box that is up is moved on; the ticker never brings one back.
    if (FrmLoad *box = FrmLoad::loaded()) {
        if (box->ProBar()->value() < appState().MaxProg)
            box->ProBar()->setValue(box->ProBar()->value() + 1);
    }
}

} // namespace orb
