#pragma once
// The zone-label window: a child window of the main window with the grid of
// the open configuration's zone labels, edited in place, and the transfers
// of one zone label (the zone named in the zone box) or of all of them from
// or to the panel. While it is loaded, FrmZonCargado is set.

#include "ZoneTransfers.h"

#include <QTimer>
#include <QWidget>

class QGroupBox;
class QLineEdit;
class QModelIndex;
class QPushButton;
class QTableView;

namespace orb {

class ZoneRowsModel;

class FrmZon : public QWidget, private ZoneTransferView {
    Q_OBJECT
public:
    // Shows the window, loading it when it is not open yet.
    static FrmZon *showWindow();
    // The open window, or null.
    static FrmZon *loaded();
    ~FrmZon() override;

    ZoneRowsModel *DatZon() const { return m_datZon; }
    QTableView *GrdZon() const { return m_grdZon; }
    QGroupBox *FramEti() const { return m_framEti; }
    QLineEdit *TxZon1() const { return m_txZon1; }
    QPushButton *CmdRd1() const { return m_cmdRd1; }
    QPushButton *CmdWr1() const { return m_cmdWr1; }
    QPushButton *CmdRd() const { return m_cmdRd; }
    QPushButton *CmdWr2() const { return m_cmdWr2; }
    QPushButton *CmdCan() const { return m_cmdCan; }
    QTimer &TimBarCom2() { return m_timBarCom2; }

    // Stores a label still being typed in its cell as Return would, with
    // the same checks; nothing when no cell is being edited. Whatever reads
    // or judges the configuration calls this first, and stops when it
    // returns false: the store failed (told), and the text stays in its
    // cell. The window's own transfers and its closing do the same.
    bool commitTypedLabel();

public slots:
    void CmdRd_Click();
    void CmdWr2_Click();
    void CmdRd1_Click();
    void CmdWr1_Click();
    void CmdCan_Click();
    // Zone-box check when the box is left: a zone above NumZon gives
    // message 839, empties the box and gives it the focus back; false then.
    bool TxZon1_LostFocus();
    void TimBarCom2_Timer();

protected:
    // A window whose transfer waits for the panel stays open, and so does
    // one with a label being typed that cannot be stored.
    void closeEvent(QCloseEvent *event) override;

private:
    template <typename W>
    friend W *showOneChild();
    explicit FrmZon(QWidget *parent);
    void onLoad();
    void GrdZon_RowColChange(const QModelIndex &current);
    void allZones(ZoneDirection direction);
    void oneZone(ZoneDirection direction);

    ProgressSink &progress() override;
    void setWindowEnabled(bool enabled) override;
    void goToZone(int zone) override;
    void zoneDone() override;
    void stopTicker() override;

    ZoneRowsModel *m_datZon;
    QTableView *m_grdZon;
    QGroupBox *m_framEti;
    QLineEdit *m_txZon1;
    QPushButton *m_cmdRd1;
    QPushButton *m_cmdWr1;
    QPushButton *m_cmdRd;
    QPushButton *m_cmdWr2;
    QPushButton *m_cmdCan;
    QTimer m_timBarCom2;
    class LabelDelegate *m_delegate;
    bool m_busy = false;       // a transfer of this window is under way
    bool m_checking = false;   // the zone-box message shows
    bool m_unloaded = false;
};

} // namespace orb
