#pragma once

#include "platform/FileDialogs.h"

#include <functional>
#include <vector>

namespace orvane::test {

/// Answers every file dialog with `answer` (empty: cancelled) and records
/// what was asked.
class FakeFileDialogs final : public FileDialogs
{
public:
    struct Asked
    {
        QString title;
        QString start;
        QString filter;
    };
    std::optional<QString> openFile(const QString& title, const QString& start,
                                    const QString& filter) override
    {
        asked.push_back({title, start, filter});
        // What happens while the dialog is up, e.g. a shutdown request.
        if (whileShown)
            whileShown();
        return answer;
    }
    std::optional<QString> answer;
    std::function<void()> whileShown;
    std::vector<Asked> asked;
};

} // namespace orvane::test
