#include "FrmWel.h"

#include "AppState.h"
#include "FrmMain.h"
#include "Icons.h"
#include "Strings.h"

#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#ifndef ORB_VERSION
#define ORB_VERSION "1.0.0"
#endif

namespace orb {

void initialiseApplicationState()
{
    AppState &s = appState();
    s.PuertoOk = false;
    s.NumNuevas = 0;
    s.ConfCargada = false;
    s.ConfRecup = false;
    s.SavAsCancel = false;
}

QString programVersion()
{
    QStringList parts = QString::fromLatin1(ORB_VERSION).split(QLatin1Char('.'));
    while (parts.size() < 3)
        parts << QStringLiteral("0");
    for (QString &part : parts)
        part = QString::number(part.toInt());
    return parts.mid(0, 3).join(QLatin1Char('.'));
}

QString FrmWel::versionLine() { return Str(5704) + QLatin1Char(' ') + programVersion(); }

FrmWel::FrmWel(FrmMain &mainWindow, QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
    , m_frame1(new QFrame(this))
    , m_imgLogo(new QLabel(m_frame1))
    , m_lblProductName(new QLabel(m_frame1))
    , m_lblVersion(new QLabel(m_frame1))
    , m_lblPlatform(new QLabel(m_frame1))
    , m_lblCompany(new QLabel(m_frame1))
    , m_timIni(new QTimer(this))
    , m_main(mainWindow)
{
    setObjectName(QStringLiteral("frmWel"));
    setWindowIcon(programIcon());
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    m_imgLogo->setObjectName(QStringLiteral("imgLogo"));
    m_lblProductName->setObjectName(QStringLiteral("lblProductName"));
    m_lblVersion->setObjectName(QStringLiteral("lblVersion"));
    m_lblPlatform->setObjectName(QStringLiteral("lblPlatform"));
    m_lblCompany->setObjectName(QStringLiteral("lblCompany"));
    m_timIni->setObjectName(QStringLiteral("TimIni"));

    m_frame1->setFrameShape(QFrame::Box);
    m_frame1->setFrameShadow(QFrame::Sunken);
    m_frame1->setLineWidth(1);
    m_frame1->setAutoFillBackground(true);
    QPalette framePalette = m_frame1->palette();
    framePalette.setColor(QPalette::Window, QColor(250, 250, 252));
    framePalette.setColor(QPalette::WindowText, QColor(30, 30, 40));
    m_frame1->setPalette(framePalette);

    m_imgLogo->setPixmap(splashPicture(150));
    m_imgLogo->setFixedSize(150, 150);

    QFont product = m_lblProductName->font();
    product.setPointSizeF(product.pointSizeF() * 2.6);
    product.setBold(true);
    m_lblProductName->setFont(product);
    m_lblProductName->setStyleSheet(QStringLiteral("color: rgb(180, 20, 20);"));
    QFont version = m_lblVersion->font();
    version.setPointSizeF(version.pointSizeF() * 1.2);
    m_lblVersion->setFont(version);
    m_lblPlatform->setFont(version);
    m_lblCompany->setAlignment(Qt::AlignRight | Qt::AlignBottom);

    // Load: the texts from the string table.
    m_lblVersion->setText(versionLine());
    m_lblProductName->setText(Str(5708));
    m_lblCompany->setText(Str(5707));
    m_lblPlatform->setText(Str(5705));

    auto *grid = new QGridLayout(m_frame1);
    grid->setContentsMargins(24, 24, 24, 18);
    grid->setHorizontalSpacing(28);
    grid->addWidget(m_imgLogo, 0, 0, 4, 1, Qt::AlignCenter);
    grid->addWidget(m_lblProductName, 0, 1, Qt::AlignLeft | Qt::AlignBottom);
    grid->addWidget(m_lblVersion, 1, 1, Qt::AlignLeft | Qt::AlignTop);
    grid->addWidget(m_lblPlatform, 2, 1, Qt::AlignLeft | Qt::AlignTop);
    grid->addWidget(m_lblCompany, 3, 1, Qt::AlignRight | Qt::AlignBottom);
    grid->setRowStretch(2, 1);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 6, 6, 6);
    outer->addWidget(m_frame1);
    setFixedSize(520, 240);

    m_timIni->setSingleShot(true);
    connect(m_timIni, &QTimer::timeout, this, &FrmWel::TimIni_Timer);
}

void FrmWel::start()
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    m_timIni->setInterval(1500);
    m_timIni->start();
}

void FrmWel::TimIni_Timer()
{
    // A second event while the first one waits for the restore answer
    // starts nothing.
    if (m_started)
        return;
    m_started = true;
    m_timIni->stop();

    initialiseApplicationState();
    m_main.load();
    m_main.show();
    close();
}

} // namespace orb
