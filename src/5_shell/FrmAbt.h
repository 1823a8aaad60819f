#pragma once
// The About box: a child window of the main window with the program's
// picture, its version line, the About text and an OK button that closes it.
// Shown without blocking; there is one at a time.

#include <QWidget>

class QLabel;
class QPushButton;

namespace orb {

class FrmAbt : public QWidget {
    Q_OBJECT
public:
    // Shows the box, loading it when it is not open yet.
    static FrmAbt *showBox();

    QLabel *LblVer() const { return m_lblVer; }
    QLabel *LblInf() const { return m_lblInf; }
    QPushButton *CmdOK() const { return m_cmdOK; }

    // The version line: string 109, five blanks and the program's version
    // in brackets.
    static QString versionLine();
    // The About text: strings 102, 103 and 108, each pair parted by two
    // line breaks.
    static QString aboutText();

public slots:
    void CmdOK_Click();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    explicit FrmAbt(QWidget *parent = nullptr);
    void Form_Load();

    QLabel *m_imgIcon;
    QLabel *m_lblVer;
    QLabel *m_lblInf;
    QLabel *m_image1;
    QPushButton *m_cmdOK;
};

} // namespace orb
