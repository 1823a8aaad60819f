#pragma once
// The progress box: a small child window with a label and a progress bar,
// shown while the program talks to the panel. It is loaded by the first
// access (FrmLoad::load()), appears at once, disabled, and lives until
// unload(). Disabled (or in a disabled main window) it takes no input, but its
// label and bar are drawn in the colours of an enabled window.

#include "Progress.h"

#include <QWidget>

class QLabel;
class QProgressBar;

namespace orb {

class FrmLoad : public QWidget {
    Q_OBJECT
public:
    // The box, loading it first when it is not loaded.
    static FrmLoad *load();
    // The box when it is loaded, else null.
    static FrmLoad *loaded();
    // Unloads the box when it is loaded.
    static void unload();

    void setCaption(const QString &caption);
    QLabel *lblLoad() const { return m_lblLoad; }
    QProgressBar *ProBar() const { return m_proBar; }

    ~FrmLoad() override;

private:
    FrmLoad();
    QLabel *m_lblLoad;
    QProgressBar *m_proBar;
};

// Sets the box up for a transfer of one relay and shows it enabled, centred
// on the main window, its bar at 0 of 0 to MaxProg.
void Show_Load();

// The progress box as the place where an exchange shows its progress: each
// call loads the box when it is not loaded.
class LoadBoxProgress : public ProgressSink {
public:
    void setCaption(const QString &caption) override;
    void setLabel(const QString &text) override;
    void setRange(int maximum) override;
    void setValue(int value) override;
    void close() override;
};
// The one progress box of the program seen that way.
ProgressSink &progressBox();

// Opens the box for a transfer of one relay: PuertoOk and TimeOut
// cleared/set, caption string 567, label strings 402 + 403, bar 0 of 100.
void Show_Sync();
// End_Comm and Err_Comm of an exchange shown in the progress box.
void End_Comm();
void Err_Comm();

} // namespace orb
