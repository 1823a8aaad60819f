#pragma once
// The new-configuration dialog: a child window of the main window with the
// six general fields, the create and the cancel buttons. While it is open
// the main window's menus (all but Help) and its toolbar are disabled.

#include "GeneralFieldBoxes.h"

#include <QWidget>
#include <array>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace orb {

class FrmNew : public QWidget {
    Q_OBJECT
public:
    // Shows the dialog, loading it when it is not open yet.
    static FrmNew *showDialog();
    // The open dialog, or null.
    static FrmNew *loaded();

    QLineEdit *TxtCon(int index) const;
    QLabel *LblCon(int index) const;   // 6..12
    QPushButton *CmdWrConf() const { return m_cmdWrConf; }
    QPushButton *CmdCan() const { return m_cmdCan; }
    GeneralTexts texts() const;

    ~FrmNew() override;

public slots:
    // Key filter of a typed character; false discards it.
    bool TxtCon_KeyPress(int index, QChar key);
    // Range check of the four number fields, run when any field is left.
    // On the first field above its limit: its message, the field emptied
    // and focused; returns false.
    bool TxtCon_LostFocus(int index);
    void CmdWrConf_Click();
    void CmdCan_Click();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    template <typename W>
    friend W *showOneChild();
    explicit FrmNew(QWidget *parent);
    void onLoad();
    void fitCaptions();
    void unload();

    QFrame *m_pnlTop;
    GeneralFieldBoxes *m_fields = nullptr;
    std::array<QLabel *, 7> m_lblCon{};   // LblCon(6)..LblCon(12)
    QPushButton *m_cmdWrConf = nullptr;
    QPushButton *m_cmdCan = nullptr;
    bool m_unloaded = false;
};

} // namespace orb
