#include "FrmMain.h"

#include "AppState.h"
#include "Captions.h"
#include "ConfigTables.h"
#include "DocumentCommands.h"
#include "EditCommands.h"
#include "FrmAbt.h"
#include "FrmComm.h"
#include "FrmCommSys.h"
#include "FrmConf.h"
#include "FrmLoad.h"
#include "FrmNew.h"
#include "FrmRel.h"
#include "FrmZon.h"
#include "Icons.h"
#include "MdiHost.h"
#include "MenuKeys.h"
#include "ModBas.h"
#include "OneInstance.h"
#include "Recovery.h"
#include "ReportCommands.h"
#include "Schema.h"
#include "Seams.h"
#include "Strings.h"
#include "Transfers.h"

#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QToolBar>
#include <QVBoxLayout>

namespace orb {

namespace {

// What the panel transfers switch on the main window.
class MainTransferHost : public TransferHost {
public:
    explicit MainTransferHost(FrmMain &main) : m_main(main) {}

    void setCommandsEnabled(bool enabled) override { m_main.setMenusEnabled(enabled, true); }
    void setWindowEnabled(bool enabled) override { m_main.setEnabled(enabled); }
    void refreshConfiguration() override
    {
        m_main.LOAD_MAIN();
        Show_ConfInfo();
    }
    bool closeEditingWindows() override { return m_main.closeEditingWindows(); }
    bool storeTypedEdits() override { return m_main.storeTypedEdits(); }
    void closePortSettings() override { unloadPortSettings(); }
    ProgressSink &progress() override { return progressBox(); }

private:
    FrmMain &m_main;
};

// One entry of the menu bar: a menu (parent empty), a command or a separator
// (caption "-").
struct MenuEntry {
    const char *name;
    const char *parent;         // "" for the seven menus
    const char *designCaption;  // shown until the load gives the string-table text
    QKeySequence shortcut = {};
    bool checkable = false;
};

const QList<MenuEntry> &menuTable()
{
    static const QList<MenuEntry> table = {
        {"MnuArx", "", "&Archivo"},
        {"MnuArxNew", "MnuArx", "&Nuevo", QKeySequence(Qt::CTRL | Qt::Key_U)},
        {"MnuArxOpen", "MnuArx", "A&brir", QKeySequence(Qt::CTRL | Qt::Key_A)},
        {"MnuArxClose", "MnuArx", "&Cerrar"},
        {"EmtyArx1", "MnuArx", "-"},
        {"MnuArxSav", "MnuArx", "&Guardar", QKeySequence(Qt::CTRL | Qt::Key_G)},
        {"MnuArxSavAs", "MnuArx", "G&uardar como..."},
        {"EmptyArx2", "MnuArx", "-"},
        {"MnuArxVis", "MnuArx", "&Vista Preliminar"},
        {"MnuArxImp", "MnuArx", "&Imprimir", QKeySequence(Qt::CTRL | Qt::Key_P)},
        {"EmptyArx3", "MnuArx", "-"},
        {"MnuArxSal", "MnuArx", "&Salir"},
        {"MnuEdi", "", "&Edición"},
        {"MnuEdiCut", "MnuEdi", "Cortar", QKeySequence(Qt::CTRL | Qt::Key_X)},
        {"MnuEdiCop", "MnuEdi", "Copiar", QKeySequence(Qt::CTRL | Qt::Key_C)},
        {"MnuEdiPas", "MnuEdi", "Pegar", QKeySequence(Qt::CTRL | Qt::Key_V)},
        {"Empty3", "MnuEdi", "-"},
        {"MnuEdiDel", "MnuEdi", "Eliminar", QKeySequence(Qt::Key_Delete)},
        {"MnuPrg", "", "&Programar"},
        {"MnuPrgCon", "MnuPrg", "&Configuración Central"},
        {"MnuPrgZon", "MnuPrg", "&Zonas"},
        {"MnuPrgRel", "MnuPrg", "&Reles"},
        {"MnuCom", "", "&Comunicación"},
        {"MnuComConf", "MnuCom", "Configurar &Puertos"},
        {"Empty4", "MnuCom", "-"},
        {"MnuComSend", "MnuCom", "&Enviar Configuracion"},
        {"MnuComRec", "MnuCom", "&Recibir Configuración"},
        {"Empty5", "MnuCom", "-"},
        {"MnuComTime", "MnuCom", "Enviar &Fecha y Hora"},
        {"MnuVer", "", "&Ver"},
        {"MnuVerHer", "MnuVer", "Ver &Herramientas", {}, true},
        {"MnuVerCon", "MnuVer", "Ver Panel &Configuración", {}, true},
        {"MnuVen", "", "Ve&ntana"},
        {"MnuVenMHz", "MnuVen", "Mosaico &Horizontal"},
        {"MnuVenVrt", "MnuVen", "Mosaico &Vertical"},
        {"MnuVenCas", "MnuVen", "&Cascada"},
        {"MnuVenOIc", "MnuVen", "&Organizar Iconos"},
        {"MnuHelp", "", "Ay&uda"},
        {"MnuHelpAbt", "MnuHelp", "Ace&rca de ORBITarsis."},
    };
    return table;
}

bool isMenuSeparator(const MenuEntry &e) { return qstrcmp(e.designCaption, "-") == 0; }

// The commands that stay available with no configuration open.
const QStringList &alwaysEnabled()
{
    static const QStringList names = {
        QStringLiteral("MnuArx"),     QStringLiteral("MnuEdi"),    QStringLiteral("MnuPrg"),
        QStringLiteral("MnuCom"),     QStringLiteral("MnuVer"),    QStringLiteral("MnuVen"),
        QStringLiteral("MnuHelp"),    QStringLiteral("MnuArxNew"), QStringLiteral("MnuArxOpen"),
        QStringLiteral("MnuArxSal"),  QStringLiteral("MnuHelpAbt"),
    };
    return names;
}

// Toolbar positions that carry a command.
constexpr int kButtons[] = {1, 2, 3, 5, 6, 8, 9, 10, 12, 14, 15, 16};

// Child windows that belong to the open configuration.
const QStringList &editingWindowNames()
{
    static const QStringList names = {
        QStringLiteral("FrmConf"), QStringLiteral("FrmZon"), QStringLiteral("FrmRel"),
        QStringLiteral("FrmNew"),  QStringLiteral("FrmPre"), QStringLiteral("FrmPrt"),
        QStringLiteral("FrmPreview"),
    };
    return names;
}

// The open child windows from the one in front back to the one active
// longest ago (a closed one waits hidden for its deletion).
QList<QWidget *> childrenByActivation(const QMdiArea &area)
{
    QList<QWidget *> windows;
    const QList<QMdiSubWindow *> subs = area.subWindowList(QMdiArea::ActivationHistoryOrder);
    for (auto sub = subs.crbegin(); sub != subs.crend(); ++sub) {
        if ((*sub)->widget() && !(*sub)->isHidden())
            windows << (*sub)->widget();
    }
    return windows;
}

} // namespace

FrmMain *frmMain() { return oneInstance<FrmMain>().data(); }

FrmMain::FrmMain(QWidget *parent)
    : QMainWindow(parent)
    , m_area(new QMdiArea(this))
{
    setObjectName(QStringLiteral("FrmMain"));
    setWindowIcon(programIcon());
    setWindowTitle(QStringLiteral("ORBITarsis"));
    resize(twips(12000), twips(9000));

    m_area->setObjectName(QStringLiteral("MdiArea"));
    m_area->setBackground(palette().brush(QPalette::Dark));
    m_area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    buildMenus();
    buildToolBar();
    buildStatusPanel();

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_pnlConf);
    layout->addWidget(m_area, 1);
    setCentralWidget(central);

    oneInstance<FrmMain>() = this;
    setMdiArea(m_area);
    setEditorHost(this);
    setPrintHost(this);
}

FrmMain::~FrmMain()
{
    // From here on nobody may reach this window: its children are destroyed
    // after this body and must not call back into it.
    if (oneInstance<FrmMain>() == this)
        oneInstance<FrmMain>() = nullptr;
    if (mdiArea() == m_area)
        setMdiArea(nullptr);
    withdrawEditorHost(this);
    withdrawPrintHost(this);
}

void FrmMain::buildMenus()
{
    QHash<QString, QMenu *> menus;
    for (const MenuEntry &e : menuTable()) {
        const QString name = QString::fromLatin1(e.name);
        const QString caption = QString::fromUtf8(e.designCaption);
        if (!*e.parent) {
            QMenu *menu = menuBar()->addMenu(caption);
            menu->setObjectName(name);
            menu->menuAction()->setObjectName(name);
            menus.insert(name, menu);
            continue;
        }
        QMenu *menu = menus.value(QString::fromLatin1(e.parent));
        if (isMenuSeparator(e)) {
            menu->addSeparator()->setObjectName(name);
            continue;
        }
        QAction *action = menu->addAction(caption);
        action->setObjectName(name);
        if (!e.shortcut.isEmpty())
            action->setShortcut(e.shortcut);
        if (e.checkable) {
            action->setCheckable(true);
            action->setChecked(true);
        }
    }

    const auto connectItem = [this](const char *name, void (FrmMain::*slot)()) {
        connect(menuItem(QString::fromLatin1(name)), &QAction::triggered, this, slot);
    };
    connectItem("MnuArxNew", &FrmMain::MnuArxNew_Click);
    connectItem("MnuArxOpen", &FrmMain::MnuArxOpen_Click);
    connectItem("MnuArxClose", &FrmMain::MnuArxClose_Click);
    connectItem("MnuArxSav", &FrmMain::MnuArxSav_Click);
    connectItem("MnuArxSavAs", &FrmMain::MnuArxSavAs_Click);
    connectItem("MnuArxVis", &FrmMain::MnuArxVis_Click);
    connectItem("MnuArxImp", &FrmMain::MnuArxImp_Click);
    connectItem("MnuArxSal", &FrmMain::MnuArxSal_Click);
    connectItem("MnuEdiCut", &FrmMain::MnuEdiCut_Click);
    connectItem("MnuEdiCop", &FrmMain::MnuEdiCop_Click);
    connectItem("MnuEdiPas", &FrmMain::MnuEdiPas_Click);
    connectItem("MnuEdiDel", &FrmMain::MnuEdiDel_Click);
    connectItem("MnuPrgCon", &FrmMain::MnuPrgCon_Click);
    connectItem("MnuPrgZon", &FrmMain::MnuPrgZon_Click);
    connectItem("MnuPrgRel", &FrmMain::MnuPrgRel_Click);
    connectItem("MnuComConf", &FrmMain::MnuComConf_Click);
    connectItem("MnuComSend", &FrmMain::MnuComSend_Click);
    connectItem("MnuComRec", &FrmMain::MnuComRec_Click);
    connectItem("MnuComTime", &FrmMain::MnuComTime_Click);
    connectItem("MnuVerHer", &FrmMain::MnuVerHer_Click);
    connectItem("MnuVerCon", &FrmMain::MnuVerCon_Click);
    connectItem("MnuVenMHz", &FrmMain::MnuVenMHz_Click);
    connectItem("MnuVenVrt", &FrmMain::MnuVenVrt_Click);
    connectItem("MnuVenCas", &FrmMain::MnuVenCas_Click);
    connectItem("MnuVenOIc", &FrmMain::MnuVenOIc_Click);
    connectItem("MnuHelpAbt", &FrmMain::MnuHelpAbt_Click);

    // The window menu lists the open child windows after its own items.
    m_mnuVen = menus.value(QStringLiteral("MnuVen"));
    connect(m_mnuVen, &QMenu::aboutToShow, this, &FrmMain::fillWindowList);

    // Ctrl+U is New in a text box too, not the box's erasing of its line.
    QList<QAction *> items;
    for (const QString &name : menuItemNames())
        items << menuItem(name);
    giveMenuKeysPrecedence(this, items);
}

void FrmMain::buildToolBar()
{
    m_tolBarBut = new QToolBar(this);
    m_tolBarBut->setObjectName(QStringLiteral("TolBarBut"));
    m_tolBarBut->setMovable(false);
    m_tolBarBut->setFloatable(false);
    m_tolBarBut->setIconSize(QSize(24, 24));
    m_tolBarBut->setFixedHeight(twips(630));
    m_tolBarBut->toggleViewAction()->setVisible(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    addToolBar(Qt::TopToolBarArea, m_tolBarBut);

    for (int index = 1; index <= 16; ++index) {
        if (index == 4 || index == 7 || index == 11 || index == 13) {
            m_tolBarBut->addSeparator()->setObjectName(QStringLiteral("TolBarBut_%1").arg(index));
            continue;
        }
        QAction *button = m_tolBarBut->addAction(toolButtonIcon(index), QString());
        button->setObjectName(QStringLiteral("TolBarBut_%1").arg(index));
        connect(button, &QAction::triggered, this, [this, index] { TolBarBut_ButtonClick(index); });
        m_buttons[index] = button;
    }
}

void FrmMain::buildStatusPanel()
{
    m_pnlConf = new QFrame(this);
    m_pnlConf->setObjectName(QStringLiteral("PnlConf"));
    m_pnlConf->setFrameShape(QFrame::Panel);
    m_pnlConf->setFrameShadow(QFrame::Raised);
    m_pnlConf->setFixedHeight(twips(450));
    // The four fields sit side by side at fixed places: a slightly smaller
    // type keeps the longest texts inside them.
    QFont small = m_pnlConf->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    m_pnlConf->setFont(small);

    struct Field {
        int left, top, width, height;
        const char *caption;
    };
    static const Field fields[4] = {
        {105, 105, 3705, 240, "CONFIGURACION"},
        {3960, 120, 1575, 240, "CENTRAL"},
        {5700, 120, 1695, 240, "ZON"},
        {7440, 120, 1575, 240, "REL"},
    };
    for (int i = 0; i < 4; ++i) {
        const Field &f = fields[i];
        auto *label = new QLabel(QString::fromLatin1(f.caption), m_pnlConf);
        label->setObjectName(QStringLiteral("LblCon_%1").arg(i));
        label->setGeometry(twips(f.left), twips(f.top), twips(f.width), twips(f.height));
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setTextFormat(Qt::PlainText);
        m_lblCon[i] = label;
    }
}

QWidget *FrmMain::activeChild() const
{
    QMdiSubWindow *sub = m_area->activeSubWindow();
    return sub ? sub->widget() : nullptr;
}

QLabel *FrmMain::LblCon(int index) const
{
    return index >= 0 && index < 4 ? m_lblCon[index] : nullptr;
}

QAction *FrmMain::menuItem(const QString &name) const
{
    if (name.isEmpty())
        return nullptr;
    if (QMenu *m = menu(name))
        return m->menuAction();
    QAction *item = menuBar()->findChild<QAction *>(name);
    return item && !item->isSeparator() ? item : nullptr;
}

QMenu *FrmMain::menu(const QString &name) const { return menuBar()->findChild<QMenu *>(name); }

QStringList FrmMain::menuItemNames()
{
    QStringList names;
    for (const MenuEntry &e : menuTable()) {
        if (!isMenuSeparator(e))
            names << QString::fromLatin1(e.name);
    }
    return names;
}

QAction *FrmMain::toolButton(int index) const
{
    return index >= 1 && index <= 16 ? m_buttons[index] : nullptr;
}

void FrmMain::load()
{
    if (m_loaded)
        return;
    m_loaded = true;

    // Centred on the screen, then maximised.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        move(available.center() - QPoint(width() / 2, height() / 2));
    }
    setWindowState(windowState() | Qt::WindowMaximized);

    Chk_PrnBut();
    setWindowTitle(Str(1109));
    setCaptions();
    Check_Unsaved();
    LOAD_MAIN();
}

void FrmMain::setCaptions()
{
    const auto caption = [this](const char *name, const QString &text) {
        if (QAction *item = menuItem(QString::fromLatin1(name)))
            item->setText(text);
        if (QMenu *m = menu(QString::fromLatin1(name)))
            m->setTitle(text);
    };
    caption("MnuArx", Str(1116));
    caption("MnuArxNew", Str(1119));
    caption("MnuArxOpen", Str(1120));
    caption("MnuArxClose", Str(1217));
    caption("MnuArxSav", Str(1122));
    caption("MnuArxSavAs", Str(1218));
    caption("MnuArxVis", Str(1205));
    caption("MnuArxImp", Str(1118));
    caption("MnuArxSal", Str(1121));
    caption("MnuEdi", Str(1207));
    caption("MnuEdiCut", Str(1208));
    caption("MnuEdiCop", Str(1209));
    caption("MnuEdiPas", Str(1210));
    caption("MnuEdiDel", Str(1211));
    caption("MnuPrg", Str(1123));
    caption("MnuPrgCon", Str(1124));
    caption("MnuPrgZon", Str(1125));
    caption("MnuPrgRel", Str(1126));
    caption("MnuCom", Str(1128));
    caption("MnuComConf", Str(1129));
    caption("MnuComSend", Str(1219));
    caption("MnuComRec", Str(1220));
    // MnuComTime keeps its design caption in every language.
    caption("MnuVer", Str(1132));
    caption("MnuVerHer", Str(1134));
    caption("MnuVerCon", Str(1133));
    caption("MnuVen", Str(1144));
    caption("MnuVenMHz", Str(1146));
    caption("MnuVenVrt", Str(1148));
    caption("MnuVenCas", Str(1145));
    caption("MnuVenOIc", Str(1147));
    caption("MnuHelp", Str(1149));
    caption("MnuHelpAbt", Str(1150));

    const auto tip = [this](int index, const QString &text) {
        toolButton(index)->setToolTip(toolTipText(text));
        toolButton(index)->setText(text);
    };
    tip(1, Str(1151));
    tip(2, Str(1152));
    tip(3, Str(1153));
    tip(5, Str(1154));
    tip(6, Str(1206));
    tip(8, Str(1208));
    tip(9, Str(1209));
    tip(10, Str(1210));
    tip(12, Str(1157));
    tip(14, Str(1158));
    tip(15, Str(1159));
    tip(16, Str(1160));

    m_lblCon[0]->setToolTip(Str(1189));
    m_lblCon[1]->setToolTip(Str(1190));
    m_lblCon[2]->setToolTip(Str(1191));
    m_lblCon[3]->setToolTip(Str(1192));
}

void FrmMain::Check_Unsaved()
{
    switch (restoreUnsaved()) {
    case RestoreOutcome::Restored:
        Show_ConfInfo();
        LOAD_MAIN();
        break;
    case RestoreOutcome::OpenFailed:
    case RestoreOutcome::NoRow:
        // Reported; the marks stay, so the question comes at the next start.
    case RestoreOutcome::MarksUnreadable:
    case RestoreOutcome::NothingToRestore:
    case RestoreOutcome::Declined:
        break;
    }
}

void FrmMain::LOAD_MAIN()
{
    const AppState &s = appState();
    const bool open = s.ConfCargada;
    if (open) {
        if (s.ConfRecup)
            setWindowTitle(s.WorkingName + QStringLiteral(" (") + Str(1216) + QStringLiteral(") - ") + Str(1109));
        else
            setWindowTitle(s.WorkingName + QStringLiteral(" - ") + Str(1109));
    } else {
        setWindowTitle(Str(1109));
    }
    for (const QString &name : menuItemNames())
        menuItem(name)->setEnabled(open || alwaysEnabled().contains(name));
    for (int index : kButtons)
        m_buttons[index]->setEnabled(open || index == 1 || index == 2);
    m_pnlConf->setVisible(open);
    Chk_PrnBut();
}

void FrmMain::Chk_PrnBut()
{
    const AppState &s = appState();
    const bool editing = s.FrmConfCargado || s.FrmRelCargado || s.FrmZonCargado;
    menuItem(QStringLiteral("MnuArxImp"))->setEnabled(editing);
    m_buttons[5]->setEnabled(editing);
    menuItem(QStringLiteral("MnuArxVis"))->setEnabled(editing);
    m_buttons[6]->setEnabled(editing);
}

void FrmMain::setMenusEnabled(bool enabled, bool help)
{
    m_tolBarBut->setEnabled(enabled);
    for (const char *name : {"MnuArx", "MnuCom", "MnuEdi", "MnuHelp", "MnuPrg", "MnuVen", "MnuVer"}) {
        if (help || qstrcmp(name, "MnuHelp") != 0)
            menuItem(QLatin1String(name))->setEnabled(enabled);
    }
}

void FrmMain::setCommandEnabled(const QString &menuItem, int toolButton, bool enabled)
{
    if (QAction *item = this->menuItem(menuItem))
        item->setEnabled(enabled);
    if (QAction *button = this->toolButton(toolButton))
        button->setEnabled(enabled);
}

bool FrmMain::storeTypedEdits()
{
    // A zone label can wait in its cell, and the relay window can show what
    // the database refused while it was typed or picked; the general
    // window's boxes are the configuration only once its Store button has
    // stored them. The first that cannot be stored stops the rest.
    FrmZon *zones = FrmZon::loaded();
    if (zones && !zones->commitTypedLabel())
        return false;
    FrmRel *relays = FrmRel::loaded();
    return !relays || relays->storeShown();
}

bool FrmMain::closeEditingWindows(QWidget *except)
{
    bool allClosed = true;
    const QList<QMdiSubWindow *> windows = m_area->subWindowList();
    for (QMdiSubWindow *sub : windows) {
        QWidget *window = sub->widget();
        if (!window || window == except || !editingWindowNames().contains(window->objectName()))
            continue;
        if (!sub->close())
            allClosed = false;
    }
    return allClosed;
}

void FrmMain::fillWindowList()
{
    qDeleteAll(m_windowList);
    m_windowList.clear();
    const QList<QMdiSubWindow *> windows = m_area->subWindowList();
    if (windows.isEmpty())
        return;
    m_windowList << m_mnuVen->addSeparator();
    int number = 0;
    for (QMdiSubWindow *sub : windows) {
        const QString title = sub->windowTitle().isEmpty() && sub->widget() ? sub->widget()->windowTitle()
                                                                            : sub->windowTitle();
        QAction *entry = m_mnuVen->addAction(QStringLiteral("&%1 %2").arg(++number).arg(title));
        entry->setCheckable(true);
        entry->setChecked(sub == m_area->activeSubWindow());
        QPointer<QMdiSubWindow> target(sub);
        connect(entry, &QAction::triggered, this, [this, target] {
            if (target)
                m_area->setActiveSubWindow(target);
        });
        m_windowList << entry;
    }
}

void FrmMain::closeEvent(QCloseEvent *event)
{
    // The save question, then the editing windows (they may refuse, and they
    // release the working database before it is deleted) and the end of the
    // open configuration. A configuration that could not be restored keeps
    // its marks and working database for the next start. The program never
    // ends underneath a wait for the panel: the window stays until the
    // exchange is over.
    if (frmComm().waiting() || !documentCommands(*this).closing()) {
        event->ignore();
        return;
    }
    // The serial port closes with the program.
    unloadFrmComm();
    event->accept();
}

// ---- Commands -------------------------------------------------------------

void FrmMain::MnuArxNew_Click() { documentCommands(*this).New(); }
void FrmMain::MnuArxOpen_Click() { documentCommands(*this).Open(); }
void FrmMain::MnuArxClose_Click() { documentCommands(*this).Close(); }
void FrmMain::MnuArxSav_Click() { documentCommands(*this).Save(); }
void FrmMain::MnuArxSavAs_Click() { documentCommands(*this).SaveAs(); }
// Print and preview run the report of the editing window active last, or
// of the preview in front.
void FrmMain::MnuArxVis_Click() { runReportOfChildren(childrenByActivation(*m_area), ReportOutput::Preview); }
void FrmMain::MnuArxImp_Click() { runReportOfChildren(childrenByActivation(*m_area), ReportOutput::Print); }

QString FrmMain::configurationCaption() const { return m_lblCon[0]->text(); }

QIcon FrmMain::reportCommandIcon(ReportOutput output) const
{
    return m_buttons[output == ReportOutput::Print ? 5 : 6]->icon();
}

std::shared_ptr<QPrinter> FrmMain::reportPrinter()
{
    if (!m_printer)
        m_printer = makeReportPrinter();
    return m_printer;
}
void FrmMain::MnuArxSal_Click() { documentCommands(*this).Exit(); }

// The edit commands work on the focused box of the active child window.
void FrmMain::MnuEdiCut_Click() { runEditCommand(EditCommand::Cut, activeChild()); }
void FrmMain::MnuEdiCop_Click() { runEditCommand(EditCommand::Copy, activeChild()); }
void FrmMain::MnuEdiPas_Click() { runEditCommand(EditCommand::Paste, activeChild()); }
void FrmMain::MnuEdiDel_Click() { runEditCommand(EditCommand::Delete, activeChild()); }

void FrmMain::MnuPrgCon_Click() { FrmConf::showWindow()->setEnabled(true); }

void FrmMain::MnuPrgZon_Click()
{
    // The zone window shows one row per zone: without any, it has nothing
    // to show.
    const int zones = rowCount(tabConfZonas());
    if (zones < 0) {
        appState().MensajeAux = Str(120);
        MsgBox(appState().MensajeAux, MsgOk);
    } else if (zones == 0) {
        MsgBox(Str(1213), MsgOk);
    } else {
        FrmZon::showWindow();
    }
}

void FrmMain::MnuPrgRel_Click()
{
    AppState &s = appState();
    s.PuertoOk = false;
    const int relays = rowCount(tabConfReles());
    if (relays < 0) {
        s.MensajeAux = Str(120);
        MsgBox(s.MensajeAux, MsgOk);
    } else if (relays == 0) {
        MsgBox(Str(1212), MsgOk);
    } else {
        FrmRel::showWindow();
    }
}

void FrmMain::MnuComConf_Click() { openPortSettings(); }

void FrmMain::MnuComSend_Click()
{
    MainTransferHost host(*this);
    Send_AllConf(host);
}

void FrmMain::MnuComRec_Click()
{
    MainTransferHost host(*this);
    Rec_AllConf(host);
}

void FrmMain::MnuComTime_Click()
{
    MainTransferHost host(*this);
    SetPanelClock(host);
}

// The view items follow their own check mark (Qt has already toggled it),
// not the current visibility of what they show.
void FrmMain::MnuVerHer_Click() { m_tolBarBut->setVisible(menuItem(QStringLiteral("MnuVerHer"))->isChecked()); }
void FrmMain::MnuVerCon_Click() { m_pnlConf->setVisible(menuItem(QStringLiteral("MnuVerCon"))->isChecked()); }

void FrmMain::MnuVenMHz_Click() { arrangeChildren(Arrangement::TileHorizontally); }
void FrmMain::MnuVenVrt_Click() { arrangeChildren(Arrangement::TileVertically); }
void FrmMain::MnuVenCas_Click() { arrangeChildren(Arrangement::Cascade); }
void FrmMain::MnuVenOIc_Click() { arrangeChildren(Arrangement::ArrangeIcons); }

void FrmMain::MnuHelpAbt_Click() { FrmAbt::showBox(); }

void FrmMain::TolBarBut_ButtonClick(int index)
{
    switch (index) {
    case 1: MnuArxNew_Click(); break;
    case 2: MnuArxOpen_Click(); break;
    case 3: MnuArxSav_Click(); break;
    case 5: MnuArxImp_Click(); break;
    case 6: MnuArxVis_Click(); break;
    case 8: MnuEdiCut_Click(); break;
    case 9: MnuEdiCop_Click(); break;
    case 10: MnuEdiPas_Click(); break;
    case 12: MnuComConf_Click(); break;
    case 14: MnuPrgCon_Click(); break;
    case 15: MnuPrgZon_Click(); break;
    case 16: MnuPrgRel_Click(); break;
    default: break;
    }
}

// ---- Status panel -----------------------------------------------------------

std::array<QString, 4> confInfoTexts()
{
    AppState &s = appState();
    s.NumCenInfo = 1;
    return {Str(4909) + s.NomCon.left(25), Str(4910) + QString::number(s.NumCenInfo),
            Str(4911) + QString::number(s.NumZon), Str(4912) + QString::number(s.NumRel)};
}

void FrmMain::Show_ConfInfo()
{
    if (!appState().ConfCargada)
        return;
    const std::array<QString, 4> texts = confInfoTexts();
    for (int i = 0; i < 4; ++i)
        m_lblCon[i]->setText(texts[i]);
    m_pnlConf->setVisible(true);
}

void Show_ConfInfo()
{
    if (FrmMain *main = frmMain())
        main->Show_ConfInfo();
}

} // namespace orb
