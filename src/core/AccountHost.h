#pragma once

#include <QString>

namespace orvane {

class CheckerFactory;
class Clock;
class server;

/// What an account needs from the program around it: the core's check
/// routines, the sound and popup announcements, the account tables and the
/// options it formats by. The core's MailCore is the real host.
class AccountHost
{
public:
    virtual ~AccountHost() = default;

    virtual Clock& clock() = 0;
    /// Starts the account's check unless it is checking already.
    virtual void CheckAccount(server& account) = 0;
    /// The account's check clock ran out. A scheduled check, which the host
    /// may hold back (for a machine without network, say).
    virtual void CheckDue(server& account) { CheckAccount(account); }
    /// One check fewer under way.
    virtual void CheckFinished() = 0;
    virtual void PlaySoundOnce(const QString& file, bool force) = 0;
    /// The new-mail popup for one account.
    virtual void ShowPopup(const QString& name, qint32 count) = 0;
    /// The account tables refresh this account's row.
    virtual void UpdateTableItem(const QString& name) = 0;
    /// How "Last Checked" is arranged: 0 time, 1 time date, 2 date time, 3 date.
    virtual int timeDisp() const = 0;
    /// The checkers an account's dispatcher chooses between.
    virtual CheckerFactory& checkerFactory() = 0;
};

} // namespace orvane
