#pragma once
// The port-settings window FrmCommSys: port, baud rate, data bits, parity,
// stop bits, handshaking and echo of the open configuration, stored with it.

#include <QWidget>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace orb {

// The port-settings window: port, baud rate, data bits, parity, stop bits,
// handshaking and echo of the open configuration.
class FrmCommSys : public QWidget {
    Q_OBJECT
public:
    explicit FrmCommSys(QWidget *parent = nullptr);

    int FlowSel() const { return m_flowSel; }
    int EchoSel() const { return m_echoSel; }

    void OpcFlow_Click(int index);
    void OpcEcho_Click(int index);
    // Stores the choices and closes the window; on failure shows why and
    // stays open.
    void CmdEnt_Click();
    // Closes the window without storing.
    void CmdSal_Click();

private:
    void Form_Load();
    void Load_CommSys();

    QLabel *m_label1;
    QComboBox *m_cmbPort;
    QGroupBox *m_frame1;
    QComboBox *m_cmbBaud;
    QGroupBox *m_fraConnection;
    QLabel *m_label3;
    QComboBox *m_cmbDataBits;
    QLabel *m_label4;
    QComboBox *m_cmbParity;
    QLabel *m_label5;
    QComboBox *m_cmbStopBits;
    QGroupBox *m_frame5;
    QRadioButton *m_opcFlow[4];
    QGroupBox *m_frame7;
    QRadioButton *m_opcEcho[2];
    QPushButton *m_cmdEnt;
    QPushButton *m_cmdSal;
    int m_flowSel = 0;
    int m_echoSel = 0;
};

// The Communication menu's port-settings command: clears PuertoOk and shows
// the window as a child of the main window. When it is already open it
// becomes the active child window (out of its icon, if minimised), with the
// keyboard in it. Returns the window.
FrmCommSys *openPortSettings();
// The window when it is open, else null.
FrmCommSys *portSettingsWindow();
// Closes the window without storing its choices (every transfer with the
// panel does this first). Harmless when it is not open.
void unloadPortSettings();

} // namespace orb
