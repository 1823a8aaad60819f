#pragma once
// A scripted user for the message-box seam: records every box and answers
// from a queue (OK, or No for a question, when the queue is empty).

#include "Seams.h"

#include <QList>
#include <QString>
#include <functional>

struct ShownBox {
    QString prompt;
    int style = 0;
    QString title;
};

class ScriptedBoxes {
public:
    ScriptedBoxes()
    {
        orb::setMsgBoxHandler([this](const QString &prompt, int style, const QString &title) {
            shown.append({prompt, style, title});
            if (onShow)
                onShow(shown.last());
            if (!answers.isEmpty())
                return answers.takeFirst();
            return (style & 0x7) == orb::MsgYesNo ? int(orb::AnsNo) : int(orb::AnsOk);
        });
    }
    ~ScriptedBoxes() { orb::setMsgBoxHandler({}); }
    ScriptedBoxes(const ScriptedBoxes &) = delete;
    ScriptedBoxes &operator=(const ScriptedBoxes &) = delete;

    QList<ShownBox> shown;
    QList<int> answers;
    std::function<void(const ShownBox &)> onShow;
};
