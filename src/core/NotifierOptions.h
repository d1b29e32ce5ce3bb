#pragma once

#include <QString>
#include <functional>

namespace orvane {

/// The options the check cycle reads, the new-mail action it may run and
/// the general actions of the tray. The settings store is the real one.
class NotifierOptions
{
public:
    virtual ~NotifierOptions() = default;
    virtual int GetTimeDisp() const = 0;
    virtual bool PlaySound() const = 0;
    virtual QString GetSoundFile() const = 0;
    virtual bool IsFlashScrollLockOn() const = 0;
    virtual bool CheckOnStartup() const = 0;
    /// Passwords stay in the list file even where a keyring answers (a
    /// program folder carried between machines).
    virtual bool KeepPasswordsInFile() const { return false; }
    /// Starts the e-mail program without waiting for it; unless forced, only
    /// when that is the chosen new-mail action. True when the start was asked
    /// for; `started` then hears, once the launcher knows, whether it runs.
    virtual bool RunEProg(bool force, std::function<void(bool started)> started) = 0;
    /// The e-mail program names an existing file.
    virtual bool ValidEProg() const { return false; }
    /// The action the user chose for a double-click on the tray icon. When
    /// that is the e-mail program, `runEProg` starts it, so the count is
    /// cleared the way "Run E-Mail Client" clears it.
    virtual void DoubleClick(const std::function<void()>& /*runEProg*/) {}
};

} // namespace orvane
