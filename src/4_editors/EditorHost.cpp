#include "EditorHost.h"

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

EditorHost *&registered()
{
    static EditorHost *host = nullptr;
    return host;
}

} // namespace

EditorHost &editorHost()
{
    static NoHost none;
    return registered() ? *registered() : none;
}

void setEditorHost(EditorHost *host) { registered() = host; }

void withdrawEditorHost(EditorHost *host)
{
    if (registered() == host)
        registered() = nullptr;
}

} // namespace orb
