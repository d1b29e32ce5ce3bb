#pragma once

#include <QList>
#include <QProcess>
#include <QSslCertificate>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

namespace orvane {

/// A real Dovecot serving POP3 on 127.0.0.1 from a private temporary folder:
/// its own configuration, one passwd-file user with a known password and a
/// Maildir holding a known number of messages. Optionally a pop3s listener
/// on port 995 with a certificate made at test time by a private CA, or,
/// for an IMAP server, imap and imaps listeners on free ports (imaps with
/// that certificate) and no pop3s.
/// The server is stopped (SIGTERM) when the object goes away.
class DovecotServer
{
public:
    struct Options
    {
        int messages = 3;
        bool tls = false;
        bool imap = false;
        /// Of `messages`, how many are already read (in cur/ with the S flag).
        int seen = 0;
        /// Whether the IMAP server offers IDLE once logged in.
        bool idle = true;
        /// IMAP connections at once (every IDLE holds one); 0 leaves
        /// Dovecot's defaults.
        int imapConnections = 0;
        /// Seconds between Dovecot's "still here" during IDLE; 0 leaves its default.
        int idleNotifySeconds = 0;
        /// Empty folders besides INBOX.
        QStringList folders = {};
        /// Where the server asks whose an access token is (a token
        /// introspection endpoint taking POST); when set, XOAUTH2 and
        /// OAUTHBEARER sign-ins are checked there.
        QUrl introspection = {};
    };

    enum class Outcome
    {
        Running,
        Skipped,
        Failed
    };
    struct StartResult
    {
        Outcome outcome;
        QString reason;
    };

    static constexpr quint16 TlsPort = 995;

    DovecotServer();
    ~DovecotServer();
    DovecotServer(const DovecotServer&) = delete;
    DovecotServer& operator=(const DovecotServer&) = delete;

    /// Skipped when Dovecot is not installed or port 995 is wanted but taken.
    StartResult start(const Options& options);
    void stop();
    /// Ends every IMAP session at once, as a crash of the server's mail
    /// processes would; the server goes on taking new ones.
    void dropImapConnections();

    QString userName() const { return QStringLiteral("alice"); }
    QString password() const { return QStringLiteral("wonderland"); }
    quint16 pop3Port() const { return m_pop3Port; }
    quint16 imapPort() const { return m_imapPort; }
    quint16 imapsPort() const { return m_imapsPort; }
    /// "127.0.0.1:<port>" for the plain listener.
    QString address() const;
    /// The CA that signed the pop3s certificate (for "localhost").
    QList<QSslCertificate> caCertificates() const { return m_caCertificates; }
    /// The same, as the PEM blocks a checker's settings take.
    QByteArrayList caCertificatesPem() const
    {
        QByteArrayList result;
        for (const QSslCertificate& certificate : m_caCertificates)
            result << certificate.toPem();
        return result;
    }

    /// Drops one more message into the Maildir (or one of its `folders`),
    /// as a delivery agent would.
    bool deliverMessage(bool seen = false, const QString& folder = {});
    /// The server's log, for failure messages.
    QString log() const;

private:
    QString path(const QString& relative) const { return m_dir.filePath(relative); }
    bool makeCertificates(QString* reason);
    bool writeConfiguration(const Options& options, QString* reason);
    bool waitUntilListening(quint16 port, QString* reason);
    bool giveToMailUser(const QString& filePath) const;
    StartResult run();

    QTemporaryDir m_dir;
    QProcess m_dovecot;
    quint16 m_pop3Port = 0;
    quint16 m_imapPort = 0;
    quint16 m_imapsPort = 0;
    uint m_mailUid = 0;
    uint m_mailGid = 0;
    int m_delivered = 0;
    QList<QSslCertificate> m_caCertificates;
    Options m_options;
};

} // namespace orvane

/// Starts `server` with `options`, skipping the test when Dovecot cannot run
/// here and failing it when Dovecot should have started but did not.
#define ORVANE_START_DOVECOT(server, options)                                                      \
    do {                                                                                           \
        const auto orvaneStart = (server).start(options);                                          \
        if (orvaneStart.outcome == ::orvane::DovecotServer::Outcome::Skipped)                      \
            QSKIP(qPrintable(orvaneStart.reason));                                                 \
        if (orvaneStart.outcome == ::orvane::DovecotServer::Outcome::Failed)                       \
            QFAIL(qPrintable(orvaneStart.reason));                                                 \
    } while (false)
