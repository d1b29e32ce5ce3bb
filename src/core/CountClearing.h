#pragma once

namespace orvane {

/// The clear operations of the check cycle, for the settings store that
/// starts the e-mail program (MailCore implements them).
class CountClearing
{
public:
    virtual ~CountClearing() = default;
    /// Clears every account's count and the played-sounds list.
    virtual void ClearAll() = 0;
    /// ClearAll, then the tip "Orvane - No Mail.".
    virtual void ClearAndResetTip() = 0;
    /// The e-mail program started as the new-mail action: ClearAll, and the
    /// tray and Quick Bar stop showing the mail even when the pass that
    /// announced it has ended.
    virtual void ClearAfterNewMailAction() = 0;
};

} // namespace orvane
