#pragma once
// The preview window of a report: a child window of the main window showing
// the report's pages as they will print, with page navigation, zoom and a
// print button. It is shown without blocking and titled with the report's
// caption. Each report has at most one preview window: previewing it again
// brings that window forward (out of its icon, if minimised) with the report
// read afresh. It takes the keyboard focus whenever it is shown, so its page
// keys work at once. Every preview window lays its pages out on a printer of
// its own, set up as the printer set-up shared with printing stands each
// time the pages are laid out, and keeps them for as long as it lives.

#include "ReportCommands.h"

#include <QIcon>
#include <QStyle>
#include <QWidget>
#include <memory>

class QAction;
class QKeySequence;
class QLabel;
class QPrintPreviewWidget;
class QPrinter;
class QToolBar;

namespace orb {

class FrmPreview : public QWidget {
    Q_OBJECT
public:
    // Shows the report in the preview window of its kind, opening it when it
    // is not open yet. Returns the window.
    static FrmPreview *showReport(ReportKind kind, std::shared_ptr<Report> report);
    // The open preview window of that kind, or null.
    static FrmPreview *of(ReportKind kind);

    ~FrmPreview() override;

    ReportKind kind() const { return m_kind; }
    const Report &report() const { return *m_report; }
    QPrintPreviewWidget *preview() const { return m_preview; }
    // The page shown and the number of pages.
    int currentPage() const;
    int pageCount() const;
    // The navigation, zoom and print commands by name ("CmdNext"), or null.
    QAction *command(const QString &name) const;

public slots:
    // Prints the report shown through the print dialog, every page.
    void CmdPrint_Click();

private:
    FrmPreview(ReportKind kind, QWidget *parent);
    // The desktop's picture of that name, else the style's fallback (none
    // for SP_CustomBase).
    QIcon themed(const char *name, QStyle::StandardPixmap fallback = QStyle::SP_CustomBase) const;
    // A command of the tool bar with its tool tip and, unless empty, its keys.
    QAction *addCommand(const char *name, const QString &text, const QIcon &icon, const QKeySequence &key);
    void setReport(std::shared_ptr<Report> report);
    // Lays the pages out anew on the shared set-up as it stands.
    void readAfresh();
    void showPage(int page);
    void updatePage();

    ReportKind m_kind;
    std::shared_ptr<Report> m_report;
    std::unique_ptr<QPrinter> m_printer;   // this window's own, holding its pages
    QToolBar *m_bar;
    QLabel *m_lblPage;
    QPrintPreviewWidget *m_preview = nullptr;
};

} // namespace orb
