#include "ReportChoosers.h"

#include "MdiHost.h"
#include "ReportCommands.h"
#include "Strings.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <algorithm>

namespace orb {

namespace {

// Each chooser exists once.
QPointer<ReportChooser> &instance(ReportOutput output)
{
    static QPointer<ReportChooser> preview;
    static QPointer<ReportChooser> print;
    return output == ReportOutput::Preview ? preview : print;
}

// Places in twips: left, top, width, height.
struct Place {
    int left, top, width, height;
    QRect rect() const { return QRect(twips(left), twips(top), twips(width), twips(height)); }
};

// What tells the twins apart.
struct ChooserDesign {
    const char *name;
    const char *promptName;
    Place cmdPrint, cmdSal;
};

const ChooserDesign &designOf(ReportOutput output)
{
    static const ChooserDesign preview{"FrmPre", "LblImp", {600, 840, 855, 510}, {1560, 840, 855, 510}};
    static const ChooserDesign print{"FrmPrt", "LblPre", {675, 810, 735, 510}, {1530, 810, 735, 510}};
    return output == ReportOutput::Preview ? preview : print;
}

// Caption, prompt and confirm button in the language in force.
struct ChooserTexts {
    QString caption, prompt, confirm;
};

ChooserTexts textsOf(ReportOutput output)
{
    if (output == ReportOutput::Preview)
        return {Str(5601), Str(5602), Str(5603)};
    return {Str(4101), Str(4102), Str(4103)};
}

} // namespace

ReportChooser *ReportChooser::loaded(ReportOutput output) { return instance(output).data(); }

ReportChooser *ReportChooser::showChooser(ReportOutput output)
{
    if (ReportChooser *chooser = loaded(output)) {
        if (auto *sub = qobject_cast<QMdiSubWindow *>(chooser->parentWidget()); sub && mdiArea())
            mdiArea()->setActiveSubWindow(sub);
        return chooser;
    }
    // Owned by the document area's subwindow, which deletes it on close.
    auto *chooser = new ReportChooser(output, mdiArea());
    instance(output) = chooser;
    showAsChild(chooser);
    chooser->Form_Load();
    return chooser;
}

ReportChooser::ReportChooser(ReportOutput output, QWidget *parent)
    : QWidget(parent)
    , m_output(output)
    , m_prompt(new QLabel(this))
    , m_cmbTipInf(new QComboBox(this))
    , m_cmdPrint(new QPushButton(this))
    , m_cmdSal(new QPushButton(this))
{
    const ChooserDesign &design = designOf(output);
    setObjectName(QLatin1String(design.name));
    setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setFixedSize(twips(3075), twips(1455));

    m_prompt->setObjectName(QLatin1String(design.promptName));
    m_prompt->setGeometry(Place{90, 90, 2850, 240}.rect());
    m_prompt->setBuddy(m_cmbTipInf);
    m_cmbTipInf->setObjectName(QStringLiteral("CmbTipInf"));
    m_cmbTipInf->setGeometry(Place{90, 405, 2895, 315}.rect());
    // Text can be typed into it, but only an entry chosen from the list
    // chooses a report; the Enter key confirms.
    m_cmbTipInf->setEditable(true);
    m_cmbTipInf->setInsertPolicy(QComboBox::NoInsert);
    m_cmbTipInf->setCompleter(nullptr);
    m_cmbTipInf->lineEdit()->installEventFilter(this);
    m_cmdPrint->setObjectName(QStringLiteral("CmdPrint"));
    m_cmdPrint->setGeometry(design.cmdPrint.rect());
    m_cmdPrint->setIconSize(QSize(16, 16));
    m_cmdSal->setObjectName(QStringLiteral("CmdSal"));
    m_cmdSal->setGeometry(design.cmdSal.rect());

    connect(m_cmbTipInf, &QComboBox::activated, this, &ReportChooser::CmbTipInf_Click);
    connect(m_cmdPrint, &QPushButton::clicked, this, &ReportChooser::CmdPrint_Click);
    connect(m_cmdSal, &QPushButton::clicked, this, &ReportChooser::CmdSal_Click);
}

ReportChooser::~ReportChooser()
{
    if (instance(m_output) == this)
        instance(m_output) = nullptr;
}

void ReportChooser::closeEvent(QCloseEvent *event)
{
    // Through its close box: it is no longer loaded, though deleted later.
    if (instance(m_output) == this)
        instance(m_output) = nullptr;
    QWidget::closeEvent(event);
}

void ReportChooser::Form_Load()
{
    const ChooserTexts texts = textsOf(m_output);
    setWindowTitle(texts.caption);
    m_prompt->setText(texts.prompt);
    m_cmbTipInf->setAccessibleName(texts.prompt);
    m_cmdPrint->setText(texts.confirm);
    m_cmdPrint->setIcon(printHost().reportCommandIcon(m_output));
    m_cmdSal->setText(Str(4104));

    // The report kinds; the entries after the third have no report.
    m_cmbTipInf->clear();
    m_cmbTipInf->addItems({Str(4105), Str(4106), Str(4107), Str(4108), Str(4109)});
    m_cmbTipInf->setCurrentIndex(0);
    m_tag = QStringLiteral("0");
    fitToTexts();

    // Centred on the main window's size, whatever its position.
    const QSize main = printHost().mainWindowSize();
    if (main.isValid()) {
        QWidget *frame = frameOf(this);
        frame->move(main.width() / 2 - frame->width() / 2, main.height() / 2 - frame->height() / 2);
    }
    m_cmbTipInf->setFocus();
}

void ReportChooser::fitToTexts()
{
    // The places were measured for a smaller font than a desktop may use. A
    // text that does not fit (the prompt, the longest entry of the list, a
    // button's caption) widens the window: the prompt and the list keep
    // their margins, and the buttons grow and stand centred as a pair.
    const int margin = m_prompt->x();
    const int gap = m_cmdSal->x() - m_cmdPrint->geometry().right() - 1;
    const int listMargin = this->width() - m_cmbTipInf->geometry().right() - 1;
    const int prompt = std::max(m_prompt->width(), m_prompt->sizeHint().width());
    const int list = std::max(m_cmbTipInf->width(), m_cmbTipInf->sizeHint().width());   // the longest entry
    const int print = std::max(m_cmdPrint->width(), m_cmdPrint->sizeHint().width());
    const int sal = std::max(m_cmdSal->width(), m_cmdSal->sizeHint().width());
    const int width = std::max({this->width(), margin + prompt + margin, m_cmbTipInf->x() + list + listMargin,
                                margin + print + gap + sal + margin});
    if (width == this->width() && print == m_cmdPrint->width() && sal == m_cmdSal->width())
        return;
    setFixedSize(width, height());
    m_prompt->resize(width - 2 * margin, m_prompt->height());
    m_cmbTipInf->resize(width - m_cmbTipInf->x() - listMargin, m_cmbTipInf->height());
    const int left = (width - print - gap - sal) / 2;
    m_cmdPrint->setGeometry(left, m_cmdPrint->y(), print, m_cmdPrint->height());
    m_cmdSal->setGeometry(left + print + gap, m_cmdSal->y(), sal, m_cmdSal->height());
    frameOf(this)->adjustSize();
}

void ReportChooser::CmbTipInf_Click(int index) { m_tag = QString::number(index); }

void ReportChooser::CmdPrint_Click()
{
    ReportKind kind;
    if (m_tag == QLatin1String("0"))
        kind = ReportKind::General;
    else if (m_tag == QLatin1String("1"))
        kind = ReportKind::Zones;
    else if (m_tag == QLatin1String("2"))
        kind = ReportKind::Relays;
    else
        return;
    runReport(kind, m_output, [this] { unload(); });
}

void ReportChooser::CmdSal_Click() { unload(); }

void ReportChooser::unload()
{
    if (instance(m_output) == this)
        instance(m_output) = nullptr;
    unloadChild(this);
}

bool ReportChooser::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_cmbTipInf->lineEdit() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            CmdPrint_Click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace orb
