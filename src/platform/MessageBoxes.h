#pragma once

#include <QString>

namespace orvane {

/// Modal message boxes with an OK button only. The few user-facing events
/// that need one (a damaged list file, a refused tray icon, ...) go here.
class MessageBoxes
{
public:
    enum class Icon
    {
        None,
        Information,
        Warning,
        Critical
    };
    /// The title of the notifier's own message boxes.
    static constexpr const char* kTitle = "Orvane";
    virtual ~MessageBoxes() = default;
    /// Returns when the user closed the box or `closeOpenBoxes` closed it.
    virtual void showMessage(const QString& title, const QString& text, Icon icon) = 0;
    /// A question with Yes and No buttons; true when the answer was Yes. A
    /// box closed by `closeOpenBoxes` answers No.
    virtual bool askYesNo(const QString& title, const QString& text) = 0;
    /// Closes every box that is open now, as if its OK was pressed: a
    /// shutdown does not wait for the user.
    virtual void closeOpenBoxes() = 0;
};

} // namespace orvane
