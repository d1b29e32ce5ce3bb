#pragma once

#include <QObject>
#include <QString>
#include <functional>

namespace orvane {

/// The desktop's keyring (Secret Service, KWallet). Every call returns at
/// once; its answer comes back once, on the user-interface thread, and may
/// be late: unlocking a keyring waits for the user.
class SecretStore : public QObject
{
    Q_OBJECT
public:
    enum class Outcome
    {
        Done,
        /// Read or remove: the keyring holds no such item.
        NotFound,
        /// The keyring stayed locked (the user dismissed the prompt).
        Locked,
        /// No keyring answers on the bus: secrets stay where they were.
        Unavailable,
        /// Anything else; `detail` in the answer says what.
        Failed,
    };

    /// Which secret. `scope` keeps lists apart that must never see each
    /// other's secrets (the program folder and the log-on name); `account`
    /// is the account's name; `kind` tells the secrets of one account apart.
    struct Key
    {
        QString scope;
        QString account;
        QString kind;
        bool operator==(const Key&) const = default;
    };

    /// The kinds an account may hold.
    static QString passwordKind() { return QStringLiteral("password"); }
    static QString refreshTokenKind() { return QStringLiteral("oauth2-refresh"); }

    using ReadAnswer = std::function<void(Outcome, const QString& secret, const QString& detail)>;
    using WriteAnswer = std::function<void(Outcome, const QString& detail)>;

    using QObject::QObject;
    ~SecretStore() override = default;

    virtual void read(const Key& key, ReadAnswer answered) = 0;
    /// `label` is what the keyring's own tools show for the item.
    virtual void write(const Key& key, const QString& label, const QString& secret,
                       WriteAnswer answered) = 0;
    /// Removing an item that is not there answers NotFound, not Failed.
    virtual void remove(const Key& key, WriteAnswer answered) = 0;
};

} // namespace orvane
