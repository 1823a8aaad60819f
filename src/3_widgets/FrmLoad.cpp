#include "FrmLoad.h"

#include "AppState.h"
#include "Strings.h"
#include "MdiHost.h"
#include "OneInstance.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPointer>
#include <QProgressBar>
#include <QScreen>
#include <QStyleOptionProgressBar>
#include <QStylePainter>

namespace orb {

namespace {

// The colours of an enabled widget, whether the widget is enabled or not: the
// box takes no input while a transfer runs, but what it tells stays legible.
QPalette::ColorGroup enabledColours(const QWidget *widget)
{
    return widget->isActiveWindow() ? QPalette::Active : QPalette::Inactive;
}

class ProgressLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        QPalette colours = palette();
        colours.setCurrentColorGroup(enabledColours(this));
        style()->drawItemText(&painter, contentsRect(), QStyle::visualAlignment(layoutDirection(), alignment()),
                              colours, true, text(), foregroundRole());
    }
};

class ProgressBar : public QProgressBar {
public:
    using QProgressBar::QProgressBar;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QStylePainter painter(this);
        QStyleOptionProgressBar option;
        initStyleOption(&option);
        option.state |= QStyle::State_Enabled;
        option.palette.setCurrentColorGroup(enabledColours(this));
        painter.drawControl(QStyle::CE_ProgressBar, option);
    }
};

} // namespace

FrmLoad::FrmLoad()
    : m_lblLoad(new ProgressLabel(QStringLiteral("Escribiendo."), this))
    , m_proBar(new ProgressBar(this))
{
    setObjectName(QStringLiteral("FrmLoad"));
    setWindowTitle(QStringLiteral("Comunicando con Central"));
    setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(twips(4680), twips(765));
    m_lblLoad->setObjectName(QStringLiteral("lblLoad"));
    m_lblLoad->setGeometry(twips(120), twips(120), twips(4455), twips(195) + 2);
    m_proBar->setObjectName(QStringLiteral("ProBar"));
    m_proBar->setGeometry(twips(120), twips(420), twips(4455), twips(255));
    m_proBar->setRange(0, 100);
    m_proBar->setValue(0);
    setEnabled(false);
    appState().FrmLoadCargado = true;
}

FrmLoad::~FrmLoad()
{
    if (oneInstance<FrmLoad>() == this || oneInstance<FrmLoad>().isNull())
        appState().FrmLoadCargado = false;
}

FrmLoad *FrmLoad::load()
{
    if (FrmLoad *box = oneInstance<FrmLoad>())
        return box;
    auto *box = new FrmLoad;   // owned by its subwindow, deleted on close
    oneInstance<FrmLoad>() = box;
    showAsChild(box);
    // Centred on the screen (the area's own origin stands in for it).
    QWidget *frame = frameOf(box);
    if (QMdiArea *area = mdiArea())
        frame->move((area->width() - frame->width()) / 2, (area->height() - frame->height()) / 2);
    return box;
}

FrmLoad *FrmLoad::loaded() { return oneInstance<FrmLoad>().data(); }

void FrmLoad::unload()
{
    if (FrmLoad *box = oneInstance<FrmLoad>()) {
        oneInstance<FrmLoad>() = nullptr;
        appState().FrmLoadCargado = false;
        box->setEnabled(false);
        unloadChild(box);
    }
}

void FrmLoad::setCaption(const QString &caption) { setWindowTitle(caption); }

void Show_Load()
{
    FrmLoad *box = FrmLoad::load();
    box->setEnabled(false);
    QWidget *frame = frameOf(box);
    box->setFixedSize(twips(4800) - (frame->width() - box->width()), twips(1170) - (frame->height() - box->height()));
    if (frame != box)
        frame->resize(twips(4800), twips(1170));
    box->ProBar()->setRange(0, appState().MaxProg);
    box->ProBar()->setValue(0);
    // Centred on the main window's size (the window holding the document
    // area), its own position not counted.
    if (QMdiArea *area = mdiArea()) {
        const QWidget *main = area->window();
        frame->move(main->width() / 2 - frame->width() / 2, main->height() / 2 - frame->height() / 2);
    }
    box->setEnabled(true);
    frame->show();
}

void LoadBoxProgress::setCaption(const QString &caption) { FrmLoad::load()->setCaption(caption); }
void LoadBoxProgress::setLabel(const QString &text) { FrmLoad::load()->lblLoad()->setText(text); }
void LoadBoxProgress::setRange(int maximum) { FrmLoad::load()->ProBar()->setRange(0, maximum); }
void LoadBoxProgress::setValue(int value) { FrmLoad::load()->ProBar()->setValue(value); }
void LoadBoxProgress::close() { FrmLoad::unload(); }

ProgressSink &progressBox()
{
    static LoadBoxProgress box;
    return box;
}

void Show_Sync()
{
    AppState &s = appState();
    s.PuertoOk = true;
    s.TimeOut = false;
    FrmLoad *box = FrmLoad::load();
    box->setCaption(Str(567));
    box->lblLoad()->setText(Str(402) + Str(403));
    s.MaxProg = 100;
    Show_Load();
}

void End_Comm() { End_Comm(progressBox()); }

void Err_Comm() { Err_Comm(progressBox()); }

} // namespace orb
