#pragma once
// The progress box: a small child window with a label and a progress bar,
// shown while the program talks to the panel. It is loaded by the first
// access (FrmLoad::load()), appears at once, disabled, and lives until
// unload().

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

} // namespace orb
