#pragma once
// The two report choosers: small child windows of the main window in which
// the user picks a report kind from a list and previews it (FrmPre) or
// prints it (FrmPrt). They are twins: the same controls, list and dispatch,
// differing in their texts, in the place of their buttons and in where the
// chosen report goes. No menu opens them; showChooser() does.

#include "PrintHost.h"

#include <QPointer>
#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;

namespace orb {

class ReportChooser : public QWidget {
    Q_OBJECT
public:
    // Shows the chooser of that output, loading it when it is not open yet.
    static ReportChooser *showChooser(ReportOutput output);
    // The open chooser of that output, or null.
    static ReportChooser *loaded(ReportOutput output);

    ~ReportChooser() override;

    ReportOutput output() const { return m_output; }
    QLabel *prompt() const { return m_prompt; }
    QComboBox *CmbTipInf() const { return m_cmbTipInf; }
    QPushButton *CmdPrint() const { return m_cmdPrint; }
    QPushButton *CmdSal() const { return m_cmdSal; }
    // The report kind chosen from the list, as the position of its entry
    // counted from 0 in decimal.
    QString Tag() const { return m_tag; }

public slots:
    // An entry chosen from the list (typed text is no choice).
    void CmbTipInf_Click(int index);
    // Runs the chosen report: the general, zone and relay reports go to the
    // preview or the printer and the window closes; the other kinds do
    // nothing and the window stays open, as it does when the report could
    // not be prepared or the print dialog was cancelled.
    void CmdPrint_Click();
    void CmdSal_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    ReportChooser(ReportOutput output, QWidget *parent);
    void Form_Load();
    void fitToTexts();
    void unload();

    ReportOutput m_output;
    QLabel *m_prompt;
    QComboBox *m_cmbTipInf;
    QPushButton *m_cmdPrint;
    QPushButton *m_cmdSal;
    QString m_tag;
};

} // namespace orb
