#pragma once
// The relay window: a child window of the main window in which the user
// programs the relays of the open configuration one at a time (label, type,
// general activation, delay, the four day/night responses and the four
// activation lists) and reads the relay shown from the panel or writes it
// to the panel.
//
// The navigator DatRel moves over the relays in relay order. What the window
// shows is the relay's row: every change of a box or a pick is stored at
// once (with the rule of the box being edited applied, as leaving it would),
// and leaving a box, moving to another relay, closing the window, writing
// and reading store the row shown first, so nothing shown is ever left
// unstored. A store the database refuses (a full disk) is told, and what the
// window shows stays in its boxes, to be stored by the next store: moving,
// closing, writing and reading stop there, and so do the main window's
// commands, which call storeShown() first. The rules themselves are in
// RelayRules.h, the panel exchanges in RelayTransfers.h.

#include "RelayNavigator.h"
#include "RelayRules.h"
#include "RelayTransfers.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <array>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace orb {

class FrmRel : public QWidget, private RelayTransferHost {
    Q_OBJECT
public:
    // Shows the window, loading it when it is not loaded.
    static FrmRel *showWindow();
    // The loaded window, or null.
    static FrmRel *loaded();
    ~FrmRel() override;

    // The four response lists, in the order their boxes are stored.
    enum Response { DetDia, DetNit, PulDia, PulNit };

    RelayNavigator *DatRel() const { return m_datRel; }
    QLineEdit *TxtEti() const { return m_txtEti; }
    QLineEdit *TxtTip() const { return m_txtTip; }
    QLineEdit *TxtRetMin() const { return m_txtRetMin; }
    QLineEdit *TxtRetSeg() const { return m_txtRetSeg; }
    QLineEdit *TxtIniLL(int list) const;   // 1..4
    QLineEdit *TxtFiLL(int list) const;    // 1..4
    QLineEdit *responseCode(Response r) const { return m_responseCodes[r]; }
    QComboBox *CmbTip() const { return m_cmbTip; }
    QComboBox *responseList(Response r) const { return m_responseLists[r]; }
    QCheckBox *ChkGen() const { return m_chkGen; }
    QPushButton *CmdSendConfRel() const { return m_cmdSendConfRel; }
    QPushButton *CmdRecConfRel() const { return m_cmdRecConfRel; }
    QPushButton *CmdCancel() const { return m_cmdCancel; }
    QTimer &TimBarCom3() { return m_timBarCom3; }
    QLabel *LblRel(int index) const;

    // The number of the relay shown; 0 when there is none.
    int relayNumber() const override;
    // Moves to a navigator step, storing the relay shown first. False when
    // the window stays (its store failed, or the move is not possible).
    // `byKey`: Page Up or Page Down asked for it.
    bool moveTo(RelayNavigator::Step step, bool byKey = false);
    // Stores the relay shown as moving away does: the rule of the box being
    // edited, then the row. False when the store failed (told, whether or
    // not it was told before): the boxes keep what they show, and whoever
    // asked stops.
    bool storeShown();

public slots:
    void CmbTip_Click(int index);
    void ChkGen_Click(bool checked);
    void CmbResponse_Click(orb::FrmRel::Response response, int index);
    void CmdSendConfRel_Click();
    void CmdRecConfRel_Click();
    void CmdCancel_Click();
    void TimBarCom3_Timer();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // The eleven typed boxes.
    enum Box { Eti, RetMin, RetSeg, Ini1, Ini2, Ini3, Ini4, Fi1, Fi2, Fi3, Fi4, kBoxes };
    using BoxTexts = std::array<QString, kBoxes>;
    // Whether a store that fails tells the user: never (an edit stored as
    // it is typed), once (leaving a control: not again for the same row
    // already told), or always (a pick, or a command that stops).
    enum class Tell { Never, Once, Always };

    template <typename W>
    friend W *showOneChild();
    explicit FrmRel(QWidget *parent);
    void build();
    void onLoad();
    void setTexts();
    void showPosition(int position);
    void showRow(const RelayRow &row);
    void showType();
    void showResponse(Response response);
    void setTip(int tip);

    BoxTexts boxTexts() const;
    void setBoxTexts(const BoxTexts &texts);
    static void applyLeaveRule(Box box, BoxTexts &texts);
    // The boxes as leaving `box` leaves them, shown.
    void showLeft(Box box);
    void leaveBox(Box box, Tell tell);
    RelayRow shownRow() const;
    bool storeRow(Tell tell);
    int boxOf(const QObject *object) const;
    int responseOf(const QObject *object) const;
    bool stepKey(QEvent *event);

    // RelayTransferHost.
    void setBusy(bool busy) override;
    void closePortSettings() override;
    void prepareProgress() override;
    bool progressShown() const override;
    void showSync() override;
    void fillProgress() override;
    ProgressSink &progress() override;
    void setTicker(bool on) override;
    void labelReceived(const QString &label) override;
    bool recordReceived(const RelayRecord &record) override;

    QWidget *m_body = nullptr;
    RelayNavigator *m_datRel = nullptr;
    std::array<QLineEdit *, kBoxes> m_boxes{};
    QLineEdit *m_txtEti = nullptr;
    QLineEdit *m_txtRetMin = nullptr;
    QLineEdit *m_txtRetSeg = nullptr;
    QLineEdit *m_txtTip = nullptr;
    std::array<QLineEdit *, 4> m_responseCodes{};
    QComboBox *m_cmbTip = nullptr;
    std::array<QComboBox *, 4> m_responseLists{};
    QCheckBox *m_chkGen = nullptr;
    QPushButton *m_cmdSendConfRel = nullptr;
    QPushButton *m_cmdRecConfRel = nullptr;
    QPushButton *m_cmdCancel = nullptr;
    QTimer m_timBarCom3;
    QList<QLabel *> m_lblRel;

    LookupRows m_types;
    LookupRows m_responses;
    QList<int> m_relays;          // relay numbers, in relay order
    int m_position = -1;          // of the relay shown in m_relays
    RelayRow m_stored;            // the relay shown as it is stored
    std::optional<RelayRow> m_told;   // a row whose store failed and was told, until a store succeeds
    int m_editing = -1;           // the typed box being edited, until it is left for another control
    RelayNavigator::Step m_step = RelayNavigator::Next;   // the last move, whose button takes the focus
    bool m_stepByKey = false;                              // the last move was asked for by a key
    bool m_showing = false;       // boxes being filled by the program
    bool m_busy = false;          // a panel transfer runs
    bool m_unloaded = false;
    QPointer<QWidget> m_focusBeforeBusy;
};

} // namespace orb
