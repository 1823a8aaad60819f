#pragma once
// The splash window: the program's picture, name, version, platform and
// maker, shown while the start-up waits one second and a half. Its timer
// TimIni then sets the application state up, loads the main window (which
// may ask the restore question while the splash is still up), shows it and
// closes the splash. The start-up runs exactly once.

#include <QWidget>

class QFrame;
class QLabel;
class QTimer;

namespace orb {

class FrmMain;

class FrmWel : public QWidget {
    Q_OBJECT
public:
    // The main window is made (not loaded) by the caller, who owns it.
    explicit FrmWel(FrmMain &mainWindow, QWidget *parent = nullptr);

    // Shows the splash and starts its timer.
    void start();

    QTimer *TimIni() const { return m_timIni; }
    // True once the start-up has run.
    bool started() const { return m_started; }

    // "Version" followed by major.minor.revision of the program.
    static QString versionLine();

public slots:
    void TimIni_Timer();

private:
    QFrame *m_frame1;
    QLabel *m_imgLogo;
    QLabel *m_lblProductName;
    QLabel *m_lblVersion;
    QLabel *m_lblPlatform;
    QLabel *m_lblCompany;
    QTimer *m_timIni;
    bool m_started = false;
    FrmMain &m_main;
};

// The program's version from the build: major.minor.revision, each in
// decimal without leading zeros.
QString programVersion();

// The start values of the application state, set once before the main
// window is loaded.
void initialiseApplicationState();

} // namespace orb
