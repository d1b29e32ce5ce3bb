#pragma once

#include "AccountHost.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace orvane {

class AccountList;
class CheckGate;
class CheckerFactory;
class Clock;
class Indicators;
class NotifierOptions;
class SoundPlayer;
class Timer;

/// The program-wide picture of the mail: how many checks are under way,
/// whether the accounts together have new mail, and whether it has been
/// announced. It starts checks and redraws every indicator at the end of a
/// check pass.
class MailCore : public QObject, public AccountHost
{
    Q_OBJECT
public:
    /// Without a gate checks start whenever they are due, whatever the
    /// machine and its network do.
    MailCore(Clock& clock, AccountList& accounts, NotifierOptions& options, Indicators& indicators,
             SoundPlayer& sound, CheckerFactory& checkers, CheckGate* gate = nullptr);
    ~MailCore() override;

    /// The tray keeps 64 characters of tip, the terminating NUL included.
    static constexpr int kTipLimit = 63;
    /// `text` as the tray can show it.
    static QString cutTip(const QString& text);
    static QString tipFor(qint64 total);
    /// Checks that may run at once. Every open connection is polled on every
    /// turn of the event loop, so a pass over many accounts runs this many
    /// and starts the rest as earlier ones finish; each account's time-out
    /// counts from the start of its own check, not from the start of the pass.
    static constexpr int kChecksInFlight = 16;

    // AccountHost
    Clock& clock() override { return m_clock; }
    void CheckAccount(server& account) override;
    void CheckDue(server& account) override;
    void CheckFinished() override;
    void PlaySoundOnce(const QString& file, bool force) override;
    void ShowPopup(const QString& name, qint32 count) override;
    void UpdateTableItem(const QString& name) override;
    int timeDisp() const override;
    CheckerFactory& checkerFactory() override { return m_checkers; }

    void CheckAll();
    void BeginChecking();
    /// The pass watch: repairs the count of checks under way when no account
    /// is checking. Runs every second while that count is not zero.
    void PassEndCheck();
    void UpdateDisplay();
    bool AnyNewMail();
    qint64 TotalCount() const;
    /// Clears every account's count and the played-sounds list.
    void ClearAll();
    /// ClearAll, then the tip "Orvane - No Mail.".
    void ClearAndResetTip();
    /// The e-mail program started as the new-mail action: ClearAll, and the
    /// tray and Quick Bar stop showing the mail even when the pass that
    /// announced it has ended.
    void clearAfterNewMailAction();
    /// "Run E-Mail Client": starts the e-mail program; once it runs, the
    /// count is cleared and the tip reset. A program that fails at once
    /// keeps the count.
    void runMailClient();
    void AfterAccountRemoved();

    /// "Check All Servers", from the tray or from another program: announce
    /// again, then check every account. Ignored while a pass is under way, as
    /// the menu item is disabled then.
    void checkAllAndAnnounceAgain();
    /// "Check All" from a window (the Accounts page, the Quick Bar, Quick
    /// View): announce again, let every sound play again, check every
    /// account.
    void checkAllNow();

    int checksUnderWay() const { return m_checksUnderWay; }
    /// Checks asked for but not started yet, waiting for one in flight to end.
    int checksWaiting() const { return int(m_waiting.size()); }
    bool passUnderWay() const { return m_passUnderWay; }
    bool announced() const { return m_announced; }
    void setAnnounced(bool announced) { m_announced = announced; }
    const QStringList& playedSounds() const { return m_playedSounds; }
    /// Every sound may play again in the next pass.
    void forgetPlayedSounds() { m_playedSounds.clear(); }
    /// The tip the tray shows from the moment its icon is added until the
    /// first redraw.
    static constexpr const char* kStartTip = "Orvane - No mail";
    QString toolTip() const { return m_tip; }
    bool checkAllEnabled() const { return m_checkAllEnabled; }
    /// The start routine: no pass under way, the pass watch idle.
    void resetPass();

    /// The names of the accounts whose last checks failed (server::IsFailing),
    /// in list order, as of the last redraw: the tooltip names them.
    const QStringList& failingAccounts() const { return m_failing; }
    /// The tip's line under the first one naming the failing accounts, such
    /// as "1 account failing: Work"; empty when none fails.
    static QString failingLine(const QStringList& names);

Q_SIGNALS:
    /// What other programs are told about the mail changed: the tip, the
    /// pass under way or the total. A pass beginning changes the first two;
    /// a redraw that shows what was shown before changes nothing.
    void displayChanged();

private:
    void dropChecksForSleep();
    void recheckAccounts();
    void checkAfterWake(server& account);
    void refreshFailing();
    void setTip(const QString& text);
    void reportChange();
    void setCheckAllEnabled(bool enabled);
    void updatePassWatch();
    int checksInFlight();
    void startCheck(server& account);
    void startWaitingChecks();
    void clearCounts();
    void showNewMailActionClear(bool wasAnnounced);
    void newMailActionStarted();
    bool isWaiting(const server& account) const;

    /// What the accounts together show: one walk of the list.
    struct Sums
    {
        bool anyNewMail = false;
        bool allCustom = true;
        qint64 total = 0;
    };
    Sums walkAccounts() const;
    /// The sums, walked once while CheckAll holds them.
    Sums sums();
    void forgetSums() { m_heldSums.reset(); }

    Clock& m_clock;
    AccountList& m_accounts;
    NotifierOptions& m_options;
    Indicators& m_indicators;
    SoundPlayer& m_sound;
    CheckerFactory& m_checkers;
    CheckGate* m_gate;
    std::unique_ptr<Timer> m_passWatch; // the one-second timer of stPeriodic
    // Started from the event loop rather than inside the finishing check,
    // which may be an account in the middle of being removed.
    std::unique_ptr<Timer> m_startWaiting;
    std::vector<QPointer<server>> m_inFlight;
    struct Waiting
    {
        const server* key;
        QPointer<server> account;
    };
    std::deque<Waiting> m_waiting;
    // The waiting accounts by address, so asking whether one waits does not
    // walk a queue that holds most of a long list during a pass. The value
    // tells a removed account from a new one that got its address.
    QHash<const server*, QPointer<server>> m_waitingIndex;

    // CheckAll starts every account in turn, and each start shows the pass
    // from the sums: walking the list for each would cost the square of the
    // list. While it runs an account changes only when a check ends or the
    // counts are cleared, and each of those comes back here and drops them.
    bool m_holdSums = false;
    std::optional<Sums> m_heldSums;
    // Checks dropped for a sleep or asked for during one, besides the active
    // accounts, which are all checked after the wake anyway.
    std::vector<QPointer<server>> m_afterWake;

    int m_checksUnderWay = 0;
    bool m_passUnderWay = false;
    bool m_announced = false;
    bool m_allCustom = false;
    QStringList m_playedSounds;
    QString m_tip = QString::fromLatin1(kStartTip);
    QStringList m_failing;
    bool m_checkAllEnabled = true;
    // The new-mail action's program reported running while the redraw that
    // started it was still under way: the redraw clears when it is done.
    bool m_redrawing = false;
    bool m_clearAfterRedraw = false;

    // What displayChanged last reported.
    struct Reported
    {
        QString tip;
        bool passUnderWay = false;
        qint64 total = 0;
        bool operator==(const Reported&) const = default;
    };
    Reported m_reported{QString::fromLatin1(kStartTip)};
};

} // namespace orvane
