#include "ScriptedImapServer.h"

#include <QProcess>
#include <QSslSocket>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>

namespace orvane {

namespace {

// Hands each connection over as a socket that can turn to TLS.
class SslServer final : public QTcpServer
{
public:
    using QTcpServer::QTcpServer;

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto* socket = new QSslSocket(this);
        if (socket->setSocketDescriptor(descriptor))
            addPendingConnection(socket);
        else
            delete socket;
    }
};

// Keeps this much queued while flooding: enough to keep the client busy.
constexpr qint64 FloodBacklog = 256 * 1024;

} // namespace

ScriptedImapServer::ScriptedImapServer(QList<Step> script, QSslCertificate certificate, QSslKey key,
                                       QObject* parent)
    : QObject(parent), m_script(std::move(script)), m_certificate(std::move(certificate)),
      m_key(std::move(key)), m_server(new SslServer(this)), m_timer(new QTimer(this))
{
    connect(m_server, &QTcpServer::pendingConnectionAvailable, this, &ScriptedImapServer::accept);
    connect(m_timer, &QTimer::timeout, this, &ScriptedImapServer::pump);
}

ScriptedImapServer::~ScriptedImapServer() = default;

bool ScriptedImapServer::listen()
{
    return m_server->listen(QHostAddress::LocalHost);
}

quint16 ScriptedImapServer::port() const
{
    return m_server->serverPort();
}

bool ScriptedImapServer::makeSelfSigned(QSslCertificate* certificate, QSslKey* key)
{
    QTemporaryDir dir;
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                   QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                   QStringLiteral("-subj"), QStringLiteral("/CN=localhost"),
                   QStringLiteral("-addext"), QStringLiteral("subjectAltName=DNS:localhost"),
                   QStringLiteral("-days"), QStringLiteral("1"), QStringLiteral("-keyout"),
                   dir.filePath(QStringLiteral("key.pem")), QStringLiteral("-out"),
                   dir.filePath(QStringLiteral("cert.pem"))});
    if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0)
        return false;
    QFile certFile(dir.filePath(QStringLiteral("cert.pem")));
    QFile keyFile(dir.filePath(QStringLiteral("key.pem")));
    if (!certFile.open(QIODevice::ReadOnly) || !keyFile.open(QIODevice::ReadOnly))
        return false;
    *certificate = QSslCertificate(certFile.readAll());
    *key = QSslKey(keyFile.readAll(), QSsl::Ec);
    return !certificate->isNull() && !key->isNull();
}

void ScriptedImapServer::accept()
{
    while (QTcpSocket* next = m_server->nextPendingConnection()) {
        auto* socket = static_cast<QSslSocket*>(next);
        // One client at a time; each gets the script from its start.
        if (m_client)
            m_client->abort();
        m_client = socket;
        m_step = 0;
        m_dribbled = 0;
        m_unread.clear();
        m_timer->stop();
        connect(socket, &QSslSocket::readyRead, this, &ScriptedImapServer::readClient);
        connect(socket, &QSslSocket::encrypted, this, &ScriptedImapServer::runScript);
        connect(socket, &QSslSocket::sslErrors, socket, [socket] { socket->abort(); });
        connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
        runScript();
    }
}

void ScriptedImapServer::readClient()
{
    const QByteArray bytes = m_client->readAll();
    if (!m_client->isEncrypted())
        m_received += bytes;
    m_unread += bytes;
    runScript();
}

void ScriptedImapServer::pump()
{
    if (!m_client || m_client->state() != QAbstractSocket::ConnectedState)
        return m_timer->stop();
    const Step& step = m_script.at(m_step);
    if (step.kind == Step::Kind::Dribble) {
        m_client->write(step.bytes.mid(m_dribbled++ % step.bytes.size(), 1));
        return;
    }
    // A few chunks a tick while the client keeps up: an encrypted socket
    // hands its bytes on at once, so its own backlog says little.
    for (int chunk = 0;
         chunk < 4 && m_client->bytesToWrite() + m_client->encryptedBytesToWrite() < FloodBacklog;
         ++chunk)
        m_client->write(step.bytes);
}

void ScriptedImapServer::runScript()
{
    while (m_client && m_step < m_script.size()) {
        const Step& step = m_script.at(m_step);
        switch (step.kind) {
        case Step::Kind::Send: {
            QByteArray reply = step.bytes;
            m_client->write(reply.replace("$TAG", m_tag));
            break;
        }
        case Step::Kind::ExpectCommand: {
            const qsizetype end = m_unread.indexOf('\n');
            if (end < 0)
                return;
            const QByteArray line = m_unread.left(end);
            m_unread.remove(0, end + 1);
            m_tag = line.left(line.indexOf(' '));
            break;
        }
        case Step::Kind::Flood:
            return m_timer->start(1);
        case Step::Kind::Dribble:
            return m_timer->start(step.delayMs);
        case Step::Kind::StartTls:
            if (m_client->isEncrypted())
                break;
            if (m_client->mode() == QSslSocket::UnencryptedMode) {
                m_client->setLocalCertificate(m_certificate);
                m_client->setPrivateKey(m_key);
                m_client->startServerEncryption();
            }
            return; // on with the script once encrypted
        case Step::Kind::Silent:
            return;
        case Step::Kind::HangUp:
            m_client->disconnectFromHost();
            return;
        }
        ++m_step;
    }
}

} // namespace orvane
