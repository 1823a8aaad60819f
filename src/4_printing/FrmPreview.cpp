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
        bringForward(window);
        if (QWidget *frame = frameOf(window); frame->isMinimized())
            frame->showNormal();
        window->readAfresh();
    }
    // The page keys work at once, without a click on the page first.
    window->setFocus(Qt::OtherFocusReason);
    return window;
}

FrmPreview::FrmPreview(ReportKind kind, QWidget *parent)
    : QWidget(parent)
    , m_kind(kind)
    , m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution))
    , m_bar(new QToolBar(this))
    , m_lblPage(new QLabel(this))
{
    setObjectName(QStringLiteral("FrmPreview"));
    setWindowIcon(printHost().reportCommandIcon(ReportOutput::Preview));
    resize(800, 900);

    followSetUp(*printHost().reportPrinter(), *m_printer);
    m_preview = new QPrintPreviewWidget(m_printer.get(), this);
    m_preview->setObjectName(QStringLiteral("PreviewPages"));
    // The window hands the keyboard to its pages, also when it is activated
    // again.
    setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(m_preview);
    m_preview->setAccessibleName(Str(5601));
    m_preview->fitToWidth();

    m_bar->setObjectName(QStringLiteral("TolBarPreview"));
    m_bar->setIconSize(QSize(20, 20));
    const QKeySequence none;
    connect(addCommand("CmdFirst", Str(9301), themed("go-first", QStyle::SP_MediaSkipBackward),
                       QKeySequence(Qt::CTRL | Qt::Key_Home)),
            &QAction::triggered, this, [this] { showPage(1); });
    connect(addCommand("CmdPrevious", Str(9302), themed("go-previous", QStyle::SP_ArrowBack),
                       QKeySequence(Qt::Key_PageUp)),
            &QAction::triggered, this, [this] { showPage(m_preview->currentPage() - 1); });
    m_bar->addWidget(m_lblPage);
    connect(addCommand("CmdNext", Str(9303), themed("go-next", QStyle::SP_ArrowForward),
                       QKeySequence(Qt::Key_PageDown)),
            &QAction::triggered, this, [this] { showPage(m_preview->currentPage() + 1); });
    connect(addCommand("CmdLast", Str(9304), themed("go-last", QStyle::SP_MediaSkipForward),
                       QKeySequence(Qt::CTRL | Qt::Key_End)),
            &QAction::triggered, this, [this] { showPage(m_preview->pageCount()); });
    m_bar->addSeparator();
    connect(addCommand("CmdZoomOut", Str(9306), themed("zoom-out"), QKeySequence::ZoomOut), &QAction::triggered,
            m_preview, [this] { m_preview->zoomOut(); });
    connect(addCommand("CmdZoomIn", Str(9305), themed("zoom-in"), QKeySequence::ZoomIn), &QAction::triggered,
            m_preview, [this] { m_preview->zoomIn(); });
    connect(addCommand("CmdFitWidth", Str(9307), themed("zoom-fit-width"), none), &QAction::triggered, m_preview,
            &QPrintPreviewWidget::fitToWidth);
    connect(addCommand("CmdFitPage", Str(9308), themed("zoom-fit-best"), none), &QAction::triggered, m_preview,
            &QPrintPreviewWidget::fitInView);
    m_bar->addSeparator();
    connect(addCommand("CmdPrint", Str(4103), printHost().reportCommandIcon(ReportOutput::Print), none),
            &QAction::triggered, this, &FrmPreview::CmdPrint_Click);

    m_lblPage->setObjectName(QStringLiteral("LblPage"));
    m_lblPage->setContentsMargins(8, 0, 8, 0);
    connect(m_preview, &QPrintPreviewWidget::previewChanged, this, &FrmPreview::updatePage);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_bar);
    layout->addWidget(m_preview, 1);
}

QIcon FrmPreview::themed(const char *name, QStyle::StandardPixmap fallback) const
{
    const QIcon icon = QIcon::fromTheme(QLatin1String(name));
    return icon.isNull() && fallback != QStyle::SP_CustomBase ? style()->standardIcon(fallback) : icon;
}

QAction *FrmPreview::addCommand(const char *name, const QString &text, const QIcon &icon, const QKeySequence &key)
{
    QAction *action = m_bar->addAction(icon, text);
    action->setObjectName(QLatin1String(name));
    action->setToolTip(text);
    if (!key.isEmpty()) {
        // The keys work wherever the focus is in this window.
        action->setShortcut(key);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(action);
    }
    if (auto *button = qobject_cast<QToolButton *>(m_bar->widgetForAction(action))) {
        // Reachable with the Tab key like any other control; its text where
        // the desktop has no picture for it.
        button->setFocusPolicy(Qt::TabFocus);
        if (icon.isNull())
            button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    }
    return action;
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

void FrmPreview::readAfresh()
{
    followSetUp(*printHost().reportPrinter(), *m_printer);
    m_preview->updatePreview();
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
        readAfresh();   // the paper may have changed
}

} // namespace orb
