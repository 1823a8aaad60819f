#include "EditorHost.h"

#include "OneInstance.h"

namespace orb {

namespace {

class NoHost : public EditorHost {
public:
    QSize mainWindowSize() const override { return {}; }
    void setMainWindowEnabled(bool) override {}
    void setMenusEnabled(bool, bool) override {}
    void setCommandEnabled(const QString &, int, bool) override {}
    void LOAD_MAIN() override {}
    void Show_ConfInfo() override {}
    void Chk_PrnBut() override {}
    bool closeEditingWindows(QWidget *) override { return true; }
};

} // namespace

EditorHost &editorHost()
{
    static NoHost none;
    return registeredHost<EditorHost>() ? *registeredHost<EditorHost>() : none;
}

void setEditorHost(EditorHost *host) { registeredHost<EditorHost>() = host; }

void withdrawEditorHost(EditorHost *host) { withdrawHost(host); }

} // namespace orb
