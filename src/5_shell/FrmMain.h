#pragma once
// The main window: a multiple-document window whose document area holds
// every child window of the program, with the menu bar, the toolbar
// TolBarBut and the status panel PnlConf under it.
//
// Other code reaches the one main window of the process through frmMain(),
// switches single menu items by name (menuItem("MnuPrgZon")) and toolbar
// buttons by their position 1..16 (toolButton(15)), and calls LOAD_MAIN and
// Chk_PrnBut after every change of the document state or of the editing
// windows.

#include "EditorHost.h"
#include "PrintHost.h"

#include <QMainWindow>
#include <QStringList>
#include <array>

class QAction;
class QFrame;
class QLabel;
class QMdiArea;
class QMenu;
class QToolBar;

namespace orb {

class FrmMain : public QMainWindow, public EditorHost, public PrintHost {
    Q_OBJECT
public:
    explicit FrmMain(QWidget *parent = nullptr);
    ~FrmMain() override;

    // The load steps: placement, maximised state, captions, tool tips, the
    // crash-recovery check and the menu states. Runs once, before the
    // window is first shown.
    void load();

    // Title, enabled menu items, toolbar buttons and status panel for the
    // current state (no configuration open, or one open); Chk_PrnBut last.
    void LOAD_MAIN() override;
    // Print and preview enabled only while an editing window is loaded.
    void Chk_PrnBut() override;
    // Offers to restore the configuration an unclean end left behind.
    void Check_Unsaved();

    // Closes every editing window (general, zone, relay, new-configuration
    // and report-chooser windows) except `except`. Returns false when one
    // of them refused to close.
    bool closeEditingWindows(QWidget *except = nullptr) override;

    // The toolbar as a whole and the top-level menus (Help among them or
    // not), which the transfers and the new-configuration dialog hold.
    void setMenusEnabled(bool enabled, bool help) override;

    // The rest of what the editing windows ask of the main window.
    QSize mainWindowSize() const override { return size(); }
    void setMainWindowEnabled(bool enabled) override { setEnabled(enabled); }
    void setCommandEnabled(const QString &menuItem, int toolButton, bool enabled) override;
    void Show_ConfInfo() override;

    // What the reports need: the status panel's configuration caption, the
    // pictures of the print and preview commands and the printer set-up
    // kept while the program runs.
    QString configurationCaption() const override;
    QIcon reportCommandIcon(ReportOutput output) const override;
    std::shared_ptr<QPrinter> reportPrinter() override;

    // Stores what the editing windows hold typed but not yet entered, as
    // entering it would: the document commands, the reports and the send
    // call this before they read or judge the configuration, and stop when
    // it returns false (the store failed and was told; the text waits where
    // it was typed).
    bool storeTypedEdits() override;

    // A menu item by its name: the seven menus (MnuArx ... MnuHelp) give
    // their menu-bar entry, the others their command. Null for other names.
    QAction *menuItem(const QString &name) const;
    QMenu *menu(const QString &name) const;
    // Names of the 33 menu items in menu-bar order (menus followed by their
    // items), without the separators.
    static QStringList menuItemNames();
    // Toolbar button by its 1-based position; null for the gaps 4, 7, 11, 13
    // and for positions outside 1..16.
    QAction *toolButton(int index) const;

    QToolBar *TolBarBut() const { return m_tolBarBut; }
    QFrame *PnlConf() const { return m_pnlConf; }
    QLabel *LblCon(int index) const;
    QMdiArea *documentArea() const { return m_area; }
    // The window in the active child window of the document area, or null.
    QWidget *activeChild() const;

public slots:
    // File menu.
    void MnuArxNew_Click();
    void MnuArxOpen_Click();
    void MnuArxClose_Click();
    void MnuArxSav_Click();
    void MnuArxSavAs_Click();
    void MnuArxVis_Click();
    void MnuArxImp_Click();
    void MnuArxSal_Click();
    // Edit menu.
    void MnuEdiCut_Click();
    void MnuEdiCop_Click();
    void MnuEdiPas_Click();
    void MnuEdiDel_Click();
    // Program menu.
    void MnuPrgCon_Click();
    void MnuPrgZon_Click();
    void MnuPrgRel_Click();
    // Communication menu.
    void MnuComConf_Click();
    void MnuComSend_Click();
    void MnuComRec_Click();
    void MnuComTime_Click();
    // View menu.
    void MnuVerHer_Click();
    void MnuVerCon_Click();
    // Window menu.
    void MnuVenMHz_Click();
    void MnuVenVrt_Click();
    void MnuVenCas_Click();
    void MnuVenOIc_Click();
    // Help menu.
    void MnuHelpAbt_Click();
    // Toolbar: runs the command of the button at a 1-based position.
    void TolBarBut_ButtonClick(int index);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    void buildToolBar();
    void buildStatusPanel();
    void setCaptions();
    void fillWindowList();

    QMdiArea *m_area;
    QToolBar *m_tolBarBut = nullptr;
    QFrame *m_pnlConf = nullptr;
    std::array<QLabel *, 4> m_lblCon{};
    std::array<QAction *, 17> m_buttons{};   // by 1-based position
    QMenu *m_mnuVen = nullptr;
    QList<QAction *> m_windowList;
    bool m_loaded = false;
    std::shared_ptr<QPrinter> m_printer;
};

// The main window of the process, or null before it is made and after it
// is gone.
FrmMain *frmMain();

// Writes the open configuration's name, panel number, zone and relay counts
// into the four status fields and shows the status panel. Does nothing when
// no configuration is open or there is no main window.
void Show_ConfInfo();

// The status texts Show_ConfInfo writes, from the configuration header.
// Sets NumCenInfo to 1.
std::array<QString, 4> confInfoTexts();

} // namespace orb
