#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace orvane::e2e {

/// A GNOME Keyring daemon of the test's own on the test's session bus, its
/// keyrings in a folder of its own and unlocked with a test password. Read
/// its items with `secret-tool`, as a user would.
class KeyringDaemon
{
public:
    KeyringDaemon() = default;
    KeyringDaemon(const KeyringDaemon&) = delete;
    KeyringDaemon& operator=(const KeyringDaemon&) = delete;
    ~KeyringDaemon() { stop(); }

    /// False with `errorString()` when the daemon is missing, did not come
    /// up on the bus, or another keyring is there already.
    bool start();
    void stop();
    QString errorString() const { return m_error; }

    /// `secret-tool lookup` with these attribute-value pairs: the secret,
    /// or a null string when there is no such item.
    QString lookup(const QStringList& attributes) const;
    /// `secret-tool search --all`: every matching item with its label and
    /// attributes, as the tool prints them.
    QString search(const QStringList& attributes) const;

private:
    QString secretTool(const QStringList& arguments, int* exitCode) const;

    QTemporaryDir m_home;
    QProcess m_daemon;
    QString m_error;
};

} // namespace orvane::e2e
