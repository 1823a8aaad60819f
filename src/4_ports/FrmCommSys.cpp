#include "FrmCommSys.h"

#include "AppState.h"
#include "CommSys.h"
#include "FrmComm.h"
#include "MdiHost.h"
#include "OneInstance.h"
#include "Seams.h"
#include "Strings.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace orb {

FrmCommSys::FrmCommSys(QWidget *parent)
    : QWidget(parent)
    , m_label1(new QLabel(this))
    , m_cmbPort(new QComboBox(this))
    , m_frame1(new QGroupBox(this))
    , m_cmbBaud(new QComboBox(m_frame1))
    , m_fraConnection(new QGroupBox(this))
    , m_label3(new QLabel(m_fraConnection))
    , m_cmbDataBits(new QComboBox(m_fraConnection))
    , m_label4(new QLabel(m_fraConnection))
    , m_cmbParity(new QComboBox(m_fraConnection))
    , m_label5(new QLabel(m_fraConnection))
    , m_cmbStopBits(new QComboBox(m_fraConnection))
    , m_frame5(new QGroupBox(this))
    , m_frame7(new QGroupBox(this))
    , m_cmdEnt(new QPushButton(this))
    , m_cmdSal(new QPushButton(this))
{
    setObjectName(QStringLiteral("FrmCommSys"));
    // A dialog: title and close button, no minimise or maximise.
    setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    const auto name = [](QObject *o, const char *n) { o->setObjectName(QString::fromLatin1(n)); };
    name(m_label1, "Label1");
    name(m_cmbPort, "CmbPort");
    name(m_frame1, "Frame1");
    name(m_cmbBaud, "CmbBaud");
    name(m_fraConnection, "fraConnection");
    name(m_label3, "Label3");
    name(m_cmbDataBits, "CmbDataBits");
    name(m_label4, "Label4");
    name(m_cmbParity, "CmbParity");
    name(m_label5, "Label5");
    name(m_cmbStopBits, "CmbStopBits");
    name(m_frame5, "Frame5");
    name(m_frame7, "Frame7");
    name(m_cmdEnt, "CmdEnt");
    name(m_cmdSal, "CmdSal");

    // Baud rate, data bits and stop bits also show a stored value that is
    // not in their list.
    m_cmbBaud->setEditable(true);
    m_cmbDataBits->setEditable(true);
    m_cmbStopBits->setEditable(true);
    // Only numbers can be typed into them.
    m_cmbBaud->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), m_cmbBaud));
    m_cmbDataBits->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]")), m_cmbDataBits));
    m_cmbStopBits->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9](\\.[0-9])?")), m_cmbStopBits));

    auto *flowGroup = new QButtonGroup(this);
    auto *flowLayout = new QVBoxLayout(m_frame5);
    for (int i = 0; i < 4; ++i) {
        m_opcFlow[i] = new QRadioButton(m_frame5);
        m_opcFlow[i]->setObjectName(QStringLiteral("OpcFlow_%1").arg(i));
        flowGroup->addButton(m_opcFlow[i], i);
        flowLayout->addWidget(m_opcFlow[i]);
    }
    auto *echoGroup = new QButtonGroup(this);
    auto *echoLayout = new QVBoxLayout(m_frame7);
    for (int i = 0; i < 2; ++i) {
        m_opcEcho[i] = new QRadioButton(m_frame7);
        m_opcEcho[i]->setObjectName(QStringLiteral("OpcEcho_%1").arg(i));
        echoGroup->addButton(m_opcEcho[i], i);
        echoLayout->addWidget(m_opcEcho[i]);
    }
    echoLayout->addStretch();
    connect(flowGroup, &QButtonGroup::idClicked, this, &FrmCommSys::OpcFlow_Click);
    connect(echoGroup, &QButtonGroup::idClicked, this, &FrmCommSys::OpcEcho_Click);
    connect(m_cmdEnt, &QPushButton::clicked, this, &FrmCommSys::CmdEnt_Click);
    connect(m_cmdSal, &QPushButton::clicked, this, &FrmCommSys::CmdSal_Click);

    auto *portRow = new QHBoxLayout;
    portRow->addWidget(m_label1);
    portRow->addWidget(m_cmbPort, 1);
    auto *baudLayout = new QVBoxLayout(m_frame1);
    baudLayout->addWidget(m_cmbBaud);
    auto *connectionLayout = new QFormLayout(m_fraConnection);
    connectionLayout->addRow(m_label3, m_cmbDataBits);
    connectionLayout->addRow(m_label4, m_cmbParity);
    connectionLayout->addRow(m_label5, m_cmbStopBits);
    auto *left = new QVBoxLayout;
    left->addLayout(portRow);
    left->addWidget(m_frame1);
    left->addWidget(m_fraConnection);
    left->addStretch();
    auto *right = new QVBoxLayout;
    right->addWidget(m_frame5);
    right->addWidget(m_frame7);
    auto *columns = new QHBoxLayout;
    columns->addLayout(left, 3);
    columns->addLayout(right, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cmdEnt);
    buttons->addWidget(m_cmdSal);
    auto *top = new QVBoxLayout(this);
    top->addLayout(columns);
    top->addLayout(buttons);
    // A dialog of one size, the one its captions need in the language in
    // force: no arrangement of the child windows stretches or cuts it.
    top->setSizeConstraint(QLayout::SetFixedSize);

    Form_Load();
}

void FrmCommSys::Form_Load()
{
    Load_CommSys();

    setWindowTitle(Str(601));
    m_label1->setText(Str(602));
    m_frame1->setTitle(Str(603));
    m_fraConnection->setTitle(Str(604));
    m_label3->setText(Str(605));
    m_label4->setText(Str(606));
    m_label5->setText(Str(607));
    m_frame5->setTitle(Str(608));
    m_opcFlow[0]->setText(Str(609));
    m_opcFlow[1]->setText(Str(610));
    m_opcFlow[2]->setText(Str(611));
    m_opcFlow[3]->setText(Str(612));
    m_frame7->setTitle(Str(613));
    m_opcEcho[0]->setText(Str(614));
    m_opcEcho[1]->setText(Str(615));
    m_cmdEnt->setText(Str(616));
    m_cmdSal->setText(Str(617));

    m_cmbPort->setToolTip(Str(618));
    m_cmbBaud->setToolTip(Str(619));
    m_cmbDataBits->setToolTip(Str(620));
    m_cmbParity->setToolTip(Str(621));
    m_cmbStopBits->setToolTip(Str(622));
    for (QRadioButton *option : m_opcFlow)
        option->setToolTip(Str(623));
    m_opcEcho[0]->setToolTip(Str(624));
    m_opcEcho[1]->setToolTip(Str(625));
    m_cmdEnt->setToolTip(Str(626));
    m_cmdSal->setToolTip(Str(627));
}

void FrmCommSys::Load_CommSys()
{
    for (int i = 1; i <= 4; ++i)
        m_cmbPort->addItem(QStringLiteral("Com") + QString::number(i));
    for (const char *baud : {"1200", "2400", "4800", "9600", "14400", "28800"})
        m_cmbBaud->addItem(QString::fromLatin1(baud));
    for (int bits = 4; bits <= 8; ++bits)
        m_cmbDataBits->addItem(QString::number(bits));
    m_cmbParity->addItem(Str(628));
    m_cmbParity->addItem(Str(629));
    m_cmbParity->addItem(Str(630));
    m_cmbParity->addItem(Str(631));
    m_cmbParity->addItem(Str(632));
    for (const char *stop : {"1", "1.5", "2"})
        m_cmbStopBits->addItem(QString::fromLatin1(stop));
    m_cmbPort->setCurrentIndex(-1);
    m_cmbParity->setCurrentIndex(-1);
    m_cmbBaud->setCurrentIndex(-1);
    m_cmbDataBits->setCurrentIndex(-1);
    m_cmbStopBits->setCurrentIndex(-1);

    const CommSysView view = orb::Load_CommSys();
    if (view.baud)
        m_cmbBaud->setCurrentText(*view.baud);
    if (view.parity)
        m_cmbParity->setCurrentIndex(*view.parity);
    if (view.dataBits)
        m_cmbDataBits->setCurrentText(*view.dataBits);
    if (view.stopBits)
        m_cmbStopBits->setCurrentText(*view.stopBits);
    if (view.port)
        m_cmbPort->setCurrentIndex(*view.port);
    if (view.flow) {
        m_opcFlow[*view.flow]->setChecked(true);
        OpcFlow_Click(*view.flow);
    }
    m_opcEcho[view.echo]->setChecked(true);
    OpcEcho_Click(view.echo);
}

void FrmCommSys::OpcFlow_Click(int index) { m_flowSel = index; }

void FrmCommSys::OpcEcho_Click(int index) { m_echoSel = index == 1 ? -1 : 0; }

void FrmCommSys::CmdEnt_Click()
{
    CommSysChoice choice;
    choice.portIndex = m_cmbPort->currentIndex();
    choice.baud = m_cmbBaud->currentText();
    choice.parity = m_cmbParity->currentText();
    choice.dataBits = m_cmbDataBits->currentText();
    choice.stopBits = m_cmbStopBits->currentText();
    choice.flowSel = m_flowSel;
    choice.echoSel = m_echoSel;
    QString error;
    if (!storeCommSys(choice, &error)) {
        MsgBox(error, MsgExclamation);
        return;
    }
    // An idle port is closed so the next exchange opens it with these
    // settings.
    if (!frmComm().waiting() && !appState().PuertoOk)
        frmComm().Form_Unload();
    frameOf(this)->close();
}

void FrmCommSys::CmdSal_Click() { frameOf(this)->close(); }

FrmCommSys *openPortSettings()
{
    appState().PuertoOk = false;
    if (FrmCommSys *open = oneInstance<FrmCommSys>()) {
        // The active child window, with the keyboard in it.
        open->activateWindow();
        if (QWidget *frame = frameOf(open); frame->isMinimized())
            frame->showNormal();
        bringForward(open);
        return open;
    }
    auto *window = new FrmCommSys;   // owned by its child window, deleted on close
    oneInstance<FrmCommSys>() = window;
    showAsChild(window);
    QWidget *frame = frameOf(window);
    frame->adjustSize();
    if (QMdiArea *area = mdiArea())
        frame->move(area->width() / 2 - frame->width() / 2, twips(300));
    return window;
}

FrmCommSys *portSettingsWindow() { return oneInstance<FrmCommSys>().data(); }

void unloadPortSettings()
{
    if (FrmCommSys *window = oneInstance<FrmCommSys>()) {
        oneInstance<FrmCommSys>() = nullptr;
        unloadChild(window);
    }
}

} // namespace orb
