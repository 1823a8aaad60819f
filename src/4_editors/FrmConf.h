#pragma once
// The general-configuration window: a child window of the main window with
// the six general fields of the open configuration twice, an edit box
// TxtCon(i) with the value to store and beside it a label LblCon(i) with the
// value last stored. Store writes the boxes into the working database
// (adding or deleting zone and relay rows to match the counts); write sends
// the stored values to the panel; read takes the panel's values and stores
// them at once. While it is open the zone and relay windows, their Program
// menu items and toolbar buttons are disabled.

#include "GeneralFieldBoxes.h"

#include <QWidget>
#include <array>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace orb {

class FrmConf : public QWidget {
    Q_OBJECT
public:
    // Shows the window, loading it when it is not open yet.
    static FrmConf *showWindow();
    // The open window, or null.
    static FrmConf *loaded();
    ~FrmConf() override;

    QLineEdit *TxtCon(int index) const;   // 0..5
    QLabel *LblCon(int index) const;      // 0..5 stored values, 6..13 captions
    QPushButton *CmdWrConf() const { return m_cmdWrConf; }
    QPushButton *CmdCan() const { return m_cmdCan; }
    QPushButton *CmdSendConf() const { return m_cmdSendConf; }
    QPushButton *CmdLeerConf() const { return m_cmdLeerConf; }
    GeneralTexts texts() const;

public slots:
    bool TxtCon_KeyPress(int index, QChar key);
    bool TxtCon_LostFocus(int index);
    void CmdWrConf_Click();
    void CmdCan_Click();
    void CmdLeerConf_Click();
    void CmdSendConf_Click();

protected:
    // A window whose transfer waits for the panel stays open.
    void closeEvent(QCloseEvent *event) override;

private:
    template <typename W>
    friend W *showOneChild();
    explicit FrmConf(QWidget *parent);
    void onLoad();
    // Stores `values` (the boxes show them) after the checks of the boxes.
    bool store(const GeneralTexts &values);
    // The values last stored, shown in LblCon(0)..LblCon(5).
    void setStored(const GeneralTexts &stored);
    // The zone and relay windows, their menu items and toolbar buttons.
    void enableOthers(bool enabled);

    QFrame *m_pnlTop;
    GeneralFieldBoxes *m_fields = nullptr;
    std::array<QLabel *, 14> m_lblCon{};
    GeneralTexts m_stored;   // as stored: the source of a write to the panel
    QPushButton *m_cmdWrConf;
    QPushButton *m_cmdCan;
    QPushButton *m_cmdSendConf;
    QPushButton *m_cmdLeerConf;
    bool m_busy = false;   // a transfer of this window is under way
    bool m_unloaded = false;
};

} // namespace orb
