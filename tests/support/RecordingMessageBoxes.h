#pragma once

#include "platform/MessageBoxes.h"

#include <QStringList>
#include <functional>

namespace orvane::test {

/// Records every message box instead of showing it.
class RecordingMessageBoxes final : public MessageBoxes
{
public:
    struct Shown
    {
        QString title;
        QString text;
        Icon icon;
    };
    void showMessage(const QString& title, const QString& text, Icon icon) override
    {
        shown.push_back({title, text, icon});
        // What happens while the box is up, e.g. a shutdown request.
        if (whileShown)
            whileShown();
    }
    /// Questions are recorded apart from the messages and get `answerYes`.
    bool askYesNo(const QString& title, const QString& text) override
    {
        questions.push_back({title, text, Icon::None});
        if (whileShown)
            whileShown();
        return answerYes;
    }
    void closeOpenBoxes() override { ++closeCalls; }
    QStringList texts() const
    {
        QStringList out;
        for (const Shown& s : shown)
            out << s.text;
        return out;
    }
    std::vector<Shown> shown;
    std::vector<Shown> questions;
    bool answerYes = true;
    std::function<void()> whileShown;
    int closeCalls = 0;
};

} // namespace orvane::test
