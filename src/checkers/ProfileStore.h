#pragma once

#include <QString>
#include <QStringList>

namespace orvane {

/// Where a messaging profile's mail lives, as its `Mailbox` value says:
/// `maildir:PATH`, `imap://USER@HOST[:PORT]/INBOX` or `imaps://...`.
struct MailboxAddress
{
    enum class Kind
    {
        Invalid,
        Maildir,
        Imap,
        Imaps
    };
    Kind kind = Kind::Invalid;
    /// The Maildir folder.
    QString path;
    QString userName;
    QString host;
    quint16 port = 0;
    QString folder;
    /// For an invalid address whose mistake is a common one, what is wrong,
    /// in words for the user; empty otherwise.
    QString problem;

    static MailboxAddress parse(const QString& text);
    bool isRemote() const { return kind == Kind::Imap || kind == Kind::Imaps; }
};

/// The messaging profiles: an INI file with one group per profile, each with
/// its `Mailbox`, and `DefaultProfile` in [General]. Names of groups and keys
/// are compared without regard to case, as on the desktops the file's form
/// comes from; the first of two groups of one name wins. The file holds no
/// passwords: a profile's password is that of the account that uses it.
class ProfileStore
{
public:
    /// `$XDG_CONFIG_HOME/orvane/profiles.ini`.
    static QString defaultPath();

    /// Longest default profile name that is read; a longer one is not taken.
    static constexpr qsizetype MaxProfileName = 255;

    explicit ProfileStore(QString path = defaultPath());

    const QString& path() const { return m_path; }

    /// False when the file cannot be read, `DefaultProfile` is absent or
    /// empty, or longer than MaxProfileName; `name` is then left alone.
    bool ReadDefaultProfile(QString& name) const;
    /// The profiles in file order.
    QStringList profileNames() const;
    /// False when there is no such profile (or no file).
    bool mailboxOf(const QString& profile, QString* mailbox) const;
    /// Why a file that is there cannot be used (unreadable, too large, not
    /// a file), in words for the user; empty when it can be read or is not
    /// there at all.
    QString problem() const;

private:
    struct Group
    {
        QString name;
        QList<std::pair<QString, QString>> values;
    };
    QList<Group> read() const;

    QString m_path;
};

/// The store's profile names with the default one first, for the account
/// dialog's profile list; empty when there is no store.
QStringList mapiProfileNames(const ProfileStore& store = ProfileStore());

/// The default profile of the user's store, as the account dialog offers it.
bool ReadDefaultProfile(QString& name);

} // namespace orvane
