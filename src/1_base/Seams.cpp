#include "Seams.h"

#include <QTextStream>
#include <cstdio>

namespace orb {

namespace {

MsgBoxHandler &msgBoxHandler()
{
    static MsgBoxHandler handler;
    return handler;
}

PointerHandler &pointerHandler()
{
    static PointerHandler handler;
    return handler;
}

Pointer &pointerSlot()
{
    static Pointer pointer = Pointer::Default;
    return pointer;
}

FileDialogHandler &fileDialogHandler()
{
    static FileDialogHandler handler;
    return handler;
}

bool isQuestion(int style) { return (style & 0x7) == MsgYesNo; }

} // namespace

QString applicationTitle() { return QStringLiteral("ORBITarsis"); }

int MsgBox(const QString &prompt, int style, const QString &title)
{
    const QString shownTitle = title.isEmpty() ? applicationTitle() : title;
    if (msgBoxHandler())
        return msgBoxHandler()(prompt, style, shownTitle);
    QTextStream(stderr) << shownTitle << ": " << prompt << '\n';
    return isQuestion(style) ? AnsNo : AnsOk;
}

MsgBoxHandler setMsgBoxHandler(MsgBoxHandler handler)
{
    return std::exchange(msgBoxHandler(), std::move(handler));
}

void SetPointer(Pointer pointer)
{
    pointerSlot() = pointer;
    if (pointerHandler())
        pointerHandler()(pointer);
}

Pointer currentPointer() { return pointerSlot(); }

PointerHandler setPointerHandler(PointerHandler handler)
{
    return std::exchange(pointerHandler(), std::move(handler));
}

QString FileDialog(const FileDialogRequest &request)
{
    return fileDialogHandler() ? fileDialogHandler()(request) : QString();
}

FileDialogHandler setFileDialogHandler(FileDialogHandler handler)
{
    return std::exchange(fileDialogHandler(), std::move(handler));
}

} // namespace orb
