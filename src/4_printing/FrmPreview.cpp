#include "FrmPreview.h"

#include "MdiHost.h"
#include "Report.h"
#include "ReportRenderer.h"
#include "Strings.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace orb {

FrmPreview *FrmPreview::of(ReportKind kind)
{
    for (QWidget *widget : QApplication::allWidgets()) {
        // A window that was closed waits hidden for its deletion.
        auto *window = qobject_cast<FrmPreview *>(widget);
        if (window && window->m_kind == kind && !frameOf(window)->isHidden())
            return window;
    }
    return nullptr;
}

FrmPreview *FrmPreview::showReport(ReportKind kind, std::shared_ptr<Report> report)
{
    FrmPreview *window = of(kind);
    if (!window) {
        // Owned by the document area's subwindow, which deletes it on close.
        window = new FrmPreview(kind, mdiArea());
        window->setReport(std::move(report));
        // The pages are laid out when they first show, fitted to the width
        // they have then: only once the window has its size.
        window->m_preview->hide();
        if (QMdiSubWindow *sub = showAsChild(window)) {
            // As large as the document area shows it: pages need the room.
            sub->setGeometry(QRect(QPoint(0, 0), mdiArea()->viewport()->size()));
        }
        window->m_preview->show();
    } else {
        window->setReport(std::move(report));
        if (auto *sub = qobject_cast<QMdiSubWindow *>(window->parentWidget()); sub && mdiArea())
            mdiArea()->setActiveSubWindow(sub);
        window->m_preview->updatePreview();
    }
    return window;
}

FrmPreview::FrmPreview(ReportKind kind, QWidget *parent)
    : QWidget(parent)
    , m_kind(kind)
    , m_printer(printHost().reportPrinter())
    , m_bar(new QToolBar(this))
    , m_lblPage(new QLabel(this))
{
    setObjectName(QStringLiteral("FrmPreview"));
    setWindowIcon(printHost().reportCommandIcon(ReportOutput::Preview));
    resize(800, 900);

    m_preview = new QPrintPreviewWidget(m_printer.get(), this);
    m_preview->setObjectName(QStringLiteral("PreviewPages"));
    m_preview->setAccessibleName(Str(5601));
    m_preview->fitToWidth();

    m_bar->setObjectName(QStringLiteral("TolBarPreview"));
    m_bar->setIconSize(QSize(20, 20));
    const auto add = [this](const char *name, const QString &text, const QString &themeIcon, QStyle::StandardPixmap fallback,
                            const QKeySequence &key, auto slot) {
        QIcon icon = QIcon::fromTheme(themeIcon);
        if (icon.isNull() && fallback != QStyle::SP_CustomBase)
            icon = style()->standardIcon(fallback);
        QAction *action = m_bar->addAction(icon, text);
        action->setObjectName(QLatin1String(name));
        action->setToolTip(text);
        if (!key.isEmpty()) {
            action->setShortcut(key);
            action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
            addAction(action);
        }
        connect(action, &QAction::triggered, this, slot);
        // Reachable with the Tab key like any other control.
        if (QWidget *button = m_bar->widgetForAction(action))
            button->setFocusPolicy(Qt::TabFocus);
        return action;
    };
    add("CmdFirst", Str(9301), QStringLiteral("go-first"), QStyle::SP_MediaSkipBackward, QKeySequence(Qt::CTRL | Qt::Key_Home),
        [this] { showPage(1); });
    add("CmdPrevious", Str(9302), QStringLiteral("go-previous"), QStyle::SP_ArrowBack, QKeySequence(Qt::Key_PageUp),
        [this] { showPage(m_preview->currentPage() - 1); });
    m_bar->addWidget(m_lblPage);
    add("CmdNext", Str(9303), QStringLiteral("go-next"), QStyle::SP_ArrowForward, QKeySequence(Qt::Key_PageDown),
        [this] { showPage(m_preview->currentPage() + 1); });
    add("CmdLast", Str(9304), QStringLiteral("go-last"), QStyle::SP_MediaSkipForward, QKeySequence(Qt::CTRL | Qt::Key_End),
        [this] { showPage(m_preview->pageCount()); });
    m_bar->addSeparator();
    add("CmdZoomOut", Str(9306), QStringLiteral("zoom-out"), QStyle::SP_CustomBase, QKeySequence::ZoomOut,
        [this] { m_preview->zoomOut(); });
    add("CmdZoomIn", Str(9305), QStringLiteral("zoom-in"), QStyle::SP_CustomBase, QKeySequence::ZoomIn,
        [this] { m_preview->zoomIn(); });
    add("CmdFitWidth", Str(9307), QStringLiteral("zoom-fit-width"), QStyle::SP_CustomBase, QKeySequence(),
        [this] { m_preview->fitToWidth(); });
    add("CmdFitPage", Str(9308), QStringLiteral("zoom-fit-best"), QStyle::SP_CustomBase, QKeySequence(),
        [this] { m_preview->fitInView(); });
    m_bar->addSeparator();
    QAction *print = m_bar->addAction(printHost().reportCommandIcon(ReportOutput::Print), Str(4103));
    print->setObjectName(QStringLiteral("CmdPrint"));
    print->setToolTip(Str(4103));
    connect(print, &QAction::triggered, this, &FrmPreview::CmdPrint_Click);
    if (QWidget *button = m_bar->widgetForAction(print))
        button->setFocusPolicy(Qt::TabFocus);
    // Texts where the desktop has no picture.
    m_bar->setToolButtonStyle(Qt::ToolButtonFollowStyle);
    for (QAction *action : m_bar->actions()) {
        if (auto *button = qobject_cast<QToolButton *>(m_bar->widgetForAction(action)); button && action->icon().isNull())
            button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    }

    m_lblPage->setObjectName(QStringLiteral("LblPage"));
    m_lblPage->setContentsMargins(8, 0, 8, 0);
    connect(m_preview, &QPrintPreviewWidget::previewChanged, this, &FrmPreview::updatePage);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_bar);
    layout->addWidget(m_preview, 1);
}

FrmPreview::~FrmPreview()
{
    // The pages go before the printer they were laid out for.
    delete m_preview;
}

void FrmPreview::setReport(std::shared_ptr<Report> report)
{
    m_report = std::move(report);
    setWindowTitle(m_report->Caption);
    QObject::disconnect(m_preview, &QPrintPreviewWidget::paintRequested, nullptr, nullptr);
    connectPreview(*m_preview, m_report);
}

int FrmPreview::currentPage() const { return m_preview->currentPage(); }

int FrmPreview::pageCount() const { return m_preview->pageCount(); }

QAction *FrmPreview::command(const QString &name) const
{
    for (QAction *action : m_bar->actions()) {
        if (action->objectName() == name)
            return action;
    }
    return nullptr;
}

void FrmPreview::showPage(int page)
{
    // The preview tells of a new page when it is scrolled to, not when it
    // is asked for one.
    m_preview->setCurrentPage(page);
    updatePage();
}

void FrmPreview::updatePage()
{
    const int pages = m_preview->pageCount();
    const int page = m_preview->currentPage();
    m_lblPage->setText(expandPlaceholders(Str(5430), QString(), page, pages));
    m_lblPage->setAccessibleName(m_lblPage->text());
    command(QStringLiteral("CmdFirst"))->setEnabled(page > 1);
    command(QStringLiteral("CmdPrevious"))->setEnabled(page > 1);
    command(QStringLiteral("CmdNext"))->setEnabled(page < pages);
    command(QStringLiteral("CmdLast"))->setEnabled(page < pages);
}

void FrmPreview::CmdPrint_Click()
{
    if (printReport(*m_report))
        m_preview->updatePreview();   // the paper may have changed
}

} // namespace orb
