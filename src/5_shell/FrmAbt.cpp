#include "FrmAbt.h"

#include "EditorHost.h"
#include "FrmWel.h"
#include "Icons.h"
#include "MdiHost.h"
#include "OneInstance.h"
#include "Strings.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>

namespace orb {

FrmAbt *FrmAbt::showBox()
{
    if (FrmAbt *open = oneInstance<FrmAbt>()) {
        if (auto *sub = qobject_cast<QMdiSubWindow *>(open->parentWidget()); sub && mdiArea())
            mdiArea()->setActiveSubWindow(sub);
        return open;
    }
    auto *box = new FrmAbt;   // owned by its child window, deleted on close
    oneInstance<FrmAbt>() = box;
    showAsChild(box);
    box->Form_Load();
    return box;
}

QString FrmAbt::versionLine()
{
    return Str(109) + QStringLiteral("     (") + programVersion() + QLatin1Char(')');
}

QString FrmAbt::aboutText()
{
    const QString twoBreaks = QStringLiteral("\n\n");
    return Str(102) + twoBreaks + Str(103) + twoBreaks + Str(108);
}

FrmAbt::FrmAbt(QWidget *parent)
    : QWidget(parent)
    , m_imgIcon(new QLabel(this))
    , m_lblVer(new QLabel(this))
    , m_lblInf(new QLabel(this))
    , m_image1(new QLabel(this))
    , m_cmdOK(new QPushButton(this))
{
    setObjectName(QStringLiteral("FrmAbt"));
    setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    m_imgIcon->setObjectName(QStringLiteral("ImgIcon"));
    m_lblVer->setObjectName(QStringLiteral("LblVer"));
    m_lblInf->setObjectName(QStringLiteral("LblInf"));
    m_image1->setObjectName(QStringLiteral("Image1"));
    m_cmdOK->setObjectName(QStringLiteral("CmdOK"));

    m_imgIcon->setPixmap(programIcon().pixmap(48, 48));
    m_image1->setPixmap(splashPicture(96));
    m_lblVer->setTextFormat(Qt::PlainText);
    m_lblInf->setTextFormat(Qt::PlainText);
    m_lblInf->setWordWrap(true);
    m_lblInf->setMinimumWidth(twips(5400));
    QFont bold = m_lblVer->font();
    bold.setBold(true);
    m_lblVer->setFont(bold);
    m_cmdOK->setDefault(true);
    connect(m_cmdOK, &QPushButton::clicked, this, &FrmAbt::CmdOK_Click);

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(12, 12, 12, 12);
    grid->setHorizontalSpacing(16);
    grid->addWidget(m_imgIcon, 0, 0, Qt::AlignTop | Qt::AlignHCenter);
    grid->addWidget(m_lblVer, 0, 1, Qt::AlignVCenter);
    grid->addWidget(m_image1, 1, 0, Qt::AlignTop);
    grid->addWidget(m_lblInf, 1, 1);
    grid->addWidget(m_cmdOK, 2, 1, Qt::AlignRight);
}

void FrmAbt::Form_Load()
{
    m_lblVer->setText(versionLine());
    m_lblInf->setText(aboutText());
    m_cmdOK->setText(Str(105));
    setWindowTitle(Str(106));
    // The pictures show no text: they are named for assistive technology.
    m_imgIcon->setAccessibleName(Str(5708));
    m_image1->setAccessibleName(Str(5708));

    // 300 twips from the top, centred on the main window's width.
    QWidget *frame = frameOf(this);
    frame->adjustSize();
    const QSize main = editorHost().mainWindowSize();
    if (main.isValid())
        frame->move(main.width() / 2 - frame->width() / 2, twips(300));
    m_cmdOK->setFocus();
}

void FrmAbt::CmdOK_Click() { frameOf(this)->close(); }

void FrmAbt::closeEvent(QCloseEvent *event)
{
    // Gone for the next Help/About even before it is deleted.
    if (oneInstance<FrmAbt>() == this)
        oneInstance<FrmAbt>() = nullptr;
    QWidget::closeEvent(event);
}

} // namespace orb
