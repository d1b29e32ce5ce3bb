#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSslCertificate>
#include <QSslKey>

class QSslSocket;
class QTcpServer;
class QTimer;

namespace orvane {

/// An IMAP peer on 127.0.0.1 that plays a fixed script against every client,
/// made for hostile servers: it answers tagged commands ("$TAG" in a reply is
/// the tag of the last command read), floods without end, dribbles a byte at
/// a time, falls silent, or turns to TLS with a certificate of its own. Every
/// byte the client sends in clear is kept.
class ScriptedImapServer : public QObject
{
    Q_OBJECT
public:
    struct Step
    {
        enum class Kind
        {
            Send,
            ExpectCommand,
            /// Sends `bytes` again and again as fast as the client reads.
            Flood,
            /// Sends `bytes` one byte every `delayMs`, over and over.
            Dribble,
            StartTls,
            Silent,
            /// Closes the connection from the server's side.
            HangUp
        };
        Kind kind = Kind::Silent;
        QByteArray bytes;
        int delayMs = 0;
    };
    static Step send(const QByteArray& bytes) { return {Step::Kind::Send, bytes, 0}; }
    static Step expectCommand() { return {Step::Kind::ExpectCommand, {}, 0}; }
    static Step flood(const QByteArray& bytes) { return {Step::Kind::Flood, bytes, 0}; }
    static Step dribble(const QByteArray& bytes, int delayMs)
    {
        return {Step::Kind::Dribble, bytes, delayMs};
    }
    static Step startTls() { return {Step::Kind::StartTls, {}, 0}; }
    static Step silent() { return {Step::Kind::Silent, {}, 0}; }
    static Step hangUp() { return {Step::Kind::HangUp, {}, 0}; }

    /// `certificate` and `key` serve the StartTls steps.
    explicit ScriptedImapServer(QList<Step> script, QSslCertificate certificate = QSslCertificate(),
                                QSslKey key = {}, QObject* parent = nullptr);
    ~ScriptedImapServer() override;

    bool listen();
    quint16 port() const;
    /// Everything the client sent before any TLS.
    QByteArray received() const { return m_received; }

    /// A fresh self-signed certificate for "localhost", trusted by nobody.
    static bool makeSelfSigned(QSslCertificate* certificate, QSslKey* key);

private:
    void accept();
    void readClient();
    void runScript();
    void pump();

    QList<Step> m_script;
    QSslCertificate m_certificate;
    QSslKey m_key;
    QTcpServer* m_server;
    QPointer<QSslSocket> m_client;
    QTimer* m_timer;
    qsizetype m_step = 0;
    qsizetype m_dribbled = 0;
    QByteArray m_unread;
    QByteArray m_tag;
    QByteArray m_received;
};

} // namespace orvane
