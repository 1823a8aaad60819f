#pragma once
// A main window for the tests of the whole transfers.

#include "Progress.h"
#include "Transfers.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace orbtest {

// Records what the transfers ask of the main window, and every value the
// progress showed with its label at that moment.
class FakeHost : public orb::TransferHost, public orb::ProgressSink {
public:
    QList<bool> enabled;        // the commands or the window, as the command takes them
    int refreshed = 0, editorsClosed = 0, portSettingsClosed = 0;
    bool editorsClose = true;   // the editing windows agree to close
    bool showing = false;       // the progress shows
    QString caption, label;
    QList<int> percents;
    QStringList labels;
    std::function<void(int)> onPercent;

    void setCommandsEnabled(bool on) override { enabled << on; }
    void setWindowEnabled(bool on) override { enabled << on; }
    void refreshConfiguration() override { ++refreshed; }
    bool closeEditingWindows() override { ++editorsClosed; return editorsClose; }
    bool storeTypedEdits() override { return true; }
    void closePortSettings() override { ++portSettingsClosed; }
    orb::ProgressSink &progress() override { return *this; }

    void setCaption(const QString &text) override { showing = true; caption = text; }
    void setLabel(const QString &text) override { showing = true; label = text; }
    void setRange(int) override { showing = true; }
    void setValue(int percent) override
    {
        showing = true;
        percents << percent;
        labels << label;
        if (onPercent)
            onPercent(percent);
    }
    void close() override { showing = false; }
};

} // namespace orbtest
