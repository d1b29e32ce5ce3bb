#pragma once

#include "platform/SecretStore.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <deque>
#include <functional>
#include <vector>

namespace orvane {

class AccountList;
class server;

/// Keeps the accounts' passwords in the desktop's keyring and the list file
/// in step with it, one keyring call at a time.
///
/// A password moves into the keyring only in this order: the item is
/// written, read back, and only when it reads back equal does the account's
/// password line become the marker and the list get saved. An old item goes
/// only after a save that no longer needs it. So a program stopped at any
/// moment leaves every password in the file, in the keyring or in both.
class AccountSecrets : public QObject
{
    Q_OBJECT
public:
    /// The password line of an account whose password the keyring holds.
    static constexpr const char* kKeyringMarker = "*keyring*";
    static constexpr const char* kWaitingForUnlock = "Waiting for the keyring to be unlocked.";
    static constexpr const char* kNotInKeyring =
        "The keyring holds no password for this account: type it again with \"Change\".";
    static constexpr const char* kNoKeyringForAccount =
        "No keyring answers, and it keeps this account's password.";
    static constexpr const char* kNoKeyringNotice =
        "No keyring answers on this desktop, so passwords are kept in the list file: start one "
        "(GNOME Keyring, KWallet or KeePassXC) and restart Orvane to move them there.";
    static constexpr const char* kLockedNotice =
        "The keyring is locked: unlock it, then check the accounts whose passwords it keeps.";

    /// The kind of secret a marker stands for; empty for a marker this
    /// version does not know, whose account is left alone.
    static QString kindOf(const QString& marker);

    enum class Keyring
    {
        Unknown,
        Ready,
        Locked,
        Unavailable,
    };

    struct Hooks
    {
        /// The user keeps the passwords in the list file.
        std::function<bool()> keepInFile;
        /// Saves the list file now; false when it was not written.
        std::function<bool()> save;
    };

    /// Without a store every password stays in the list file.
    AccountSecrets(SecretStore* store, AccountList& accounts, Hooks hooks,
                   QObject* parent = nullptr);
    ~AccountSecrets() override;

    /// Follows an account's edits and removal; every account the program
    /// makes, loaded or added.
    void watch(server& account);
    /// After the list was read: `scope` keeps this list's items apart from
    /// every other list's. Asks the keyring for the passwords it holds, then
    /// moves the passwords the file holds into it.
    void start(const QString& scope);
    /// The option "Keep passwords in the list file" changed.
    void keepInFileChanged();
    /// Nothing more is written or saved (the program is ending).
    void stop();

    Keyring keyring() const { return m_keyring; }
    /// The line the settings window shows about where passwords live; empty
    /// while the keyring keeps them.
    QString notice() const;
    /// No keyring call is under way or waiting.
    bool idle() const { return !m_running && m_jobs.empty(); }

Q_SIGNALS:
    void keyringChanged();
    /// Every keyring call asked for so far has been answered.
    void settled();

private:
    struct Job
    {
        enum class Type
        {
            Probe,
            Fetch,
            Store,
            Move,
            Remove,
        };
        Type type;
        QPointer<server> account;
        /// The item's account name (the source of a move).
        QString name;
        /// Store: the item it replaces; Move: where it goes.
        QString other;
        QString kind;
    };

    bool usable() const;
    SecretStore::Key keyFor(const QString& name, const QString& kind) const;
    void enqueue(Job job);
    void enqueueMigration();
    void next();
    void done();
    void run(const Job& job);
    void fetch(const Job& job);
    void store(const Job& job);
    void move(const Job& job);
    void verifyAndMark(const Job& job, const QString& target, const QString& secret);
    void setKeyring(Keyring keyring);
    /// The keyring cannot be used now: moves wait, held accounts say why.
    void halt(SecretStore::Outcome outcome);
    void accountEdited(server& account, const QString& previousName,
                       const QString& previousPassword);
    void accountUnloaded(server& account);
    void askAgain();
    bool save();

    SecretStore* m_store;
    AccountList& m_accounts;
    Hooks m_hooks;
    QString m_scope;
    bool m_started = false;
    bool m_stopped = false;
    bool m_running = false;
    bool m_inNext = false;
    Keyring m_keyring = Keyring::Unknown;
    std::deque<Job> m_jobs;
    /// Accounts whose password waits for the keyring to be unlocked or to
    /// answer; the user's next check asks again.
    std::vector<Job> m_lockedOut;
};

} // namespace orvane
