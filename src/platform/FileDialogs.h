#pragma once

#include <QString>
#include <optional>

namespace orvane {

/// The desktop's file-open dialog.
class FileDialogs
{
public:
    virtual ~FileDialogs() = default;
    /// Asks the user for an existing file. `start` is the file or folder the
    /// dialog opens on; `filter` uses the "Wave Files (*.wav)" form. Empty
    /// when the user cancelled.
    virtual std::optional<QString> openFile(const QString& title, const QString& start,
                                            const QString& filter) = 0;
};

} // namespace orvane
