#pragma once

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QString>

namespace orvane {

struct ServerAddress;

/// The server certificates the user trusted for one account although their
/// chain or name did not verify, by SHA-256 digest. Kept in a file of the
/// user's own beside the account list, owner-only, replaced whole. Checks on
/// the worker pool ask while the windows may add, hence the lock.
class CertificateTrust
{
public:
    /// "Users/Quorvelanna.svl" gives "Users/Quorvelanna.trust".
    static QString pathBeside(const QString& listPath);
    /// One account's key: its protocol, user name and server, so a digest
    /// trusted for one account is never offered to another.
    static QString keyFor(const ServerAddress& address, const QString& userName);
    /// "AB:CD:...", as the dialog shows and `openssl x509 -fingerprint -sha256` prints.
    static QString fingerprintText(const QByteArray& sha256);

    explicit CertificateTrust(QString path);

    /// The digest trusted for `key`, or empty.
    QByteArray trusted(const QString& key) const;
    bool trust(const QString& key, const QByteArray& sha256, QString* error = nullptr);
    bool forget(const QString& key, QString* error = nullptr);

    /// The last certificate a check refused for `key`, kept in memory only so
    /// that the account dialog can show its fingerprint and offer to trust it.
    struct Refusal
    {
        QByteArray sha256;
        /// Why it did not verify, for the user.
        QString reason;
    };
    void noteRefused(const QString& key, const Refusal& refusal);
    Refusal refused(const QString& key) const;

    static constexpr qint64 MaxFileBytes = 256 * 1024;

private:
    void loadLocked() const;
    bool saveLocked(QString* error);

    const QString m_path;
    mutable QMutex m_lock;
    mutable bool m_loaded = false;
    mutable QHash<QString, QByteArray> m_digests;
    QHash<QString, Refusal> m_refused;
};

} // namespace orvane
