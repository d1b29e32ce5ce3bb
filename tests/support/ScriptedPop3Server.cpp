#include "ScriptedPop3Server.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <sys/socket.h>

namespace orvane {

QList<ScriptedPop3Server::Step> ScriptedPop3Server::dialogue(const QByteArray& greeting,
                                                             const QByteArray& userReply,
                                                             const QByteArray& passReply,
                                                             const QByteArray& statReply)
{
    QList<Step> script{send(greeting)};
    for (const QByteArray& reply : {userReply, passReply, statReply}) {
        if (reply.isNull())
            break;
        script << expectLine() << send(reply);
    }
    return script;
}

ScriptedPop3Server::ScriptedPop3Server(QList<Step> script, QObject* parent)
    : QObject(parent), m_script(std::move(script)), m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &ScriptedPop3Server::acceptConnection);
}

ScriptedPop3Server::~ScriptedPop3Server() = default;

bool ScriptedPop3Server::listen(quint16 port, const QHostAddress& address)
{
    return m_server->listen(address, port);
}

quint16 ScriptedPop3Server::port() const
{
    return m_server->serverPort();
}

QString ScriptedPop3Server::address() const
{
    return QStringLiteral("127.0.0.1:%1").arg(port());
}

void ScriptedPop3Server::release()
{
    m_released = true;
    runScript();
}

void ScriptedPop3Server::acceptConnection()
{
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        ++m_connections;
        connect(socket, &QTcpSocket::readyRead, this, &ScriptedPop3Server::readClient);
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            if (socket != m_client)
                return;
            if (socket->property("closedByScript").toBool())
                return;
            m_clientClosed = true;
            Q_EMIT clientDisconnected();
        });
        // Each client gets the script from its start.
        m_client = socket;
        m_step = 0;
        m_piece = 0;
        m_waitingForTimer = false;
        m_released = false;
        m_unread.clear();
        m_clientClosed = false;
        runScript();
    }
}

void ScriptedPop3Server::readClient()
{
    auto* socket = qobject_cast<QTcpSocket*>(sender());
    const QByteArray data = socket->readAll();
    m_received += data;
    if (socket != m_client)
        return;
    m_unread += data;
    runScript();
}

bool ScriptedPop3Server::takeLine()
{
    const qsizetype end = m_unread.indexOf('\n');
    if (end < 0)
        return false;
    QByteArray line = m_unread.left(end);
    if (line.endsWith('\r'))
        line.chop(1);
    m_lines << line;
    m_unread.remove(0, end + 1);
    return true;
}

void ScriptedPop3Server::runScript()
{
    while (!m_waitingForTimer && m_client && m_step < m_script.size()) {
        const Step& step = m_script.at(m_step);
        switch (step.kind) {
        case Step::Kind::Send:
            if (m_piece < step.pieces.size()) {
                m_client->write(step.pieces.at(m_piece));
                m_client->flush();
                ++m_piece;
                if (m_piece < step.pieces.size() && step.pieceDelayMs > 0) {
                    m_waitingForTimer = true;
                    QTimer::singleShot(step.pieceDelayMs, this, [this, client = m_client] {
                        if (client != m_client)
                            return;
                        m_waitingForTimer = false;
                        runScript();
                    });
                    return;
                }
                continue;
            }
            m_piece = 0;
            ++m_step;
            break;
        case Step::Kind::ExpectLine:
            if (!takeLine())
                return;
            ++m_step;
            break;
        case Step::Kind::Close:
            ++m_step;
            m_client->setProperty("closedByScript", true);
            m_client->disconnectFromHost();
            return;
        case Step::Kind::Reset:
            ++m_step;
            m_client->setProperty("closedByScript", true);
            {
                // A zero linger time makes the close a reset rather than a FIN.
                const linger hard{1, 0};
                ::setsockopt(int(m_client->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard,
                             sizeof hard);
            }
            m_client->abort();
            return;
        case Step::Kind::Silent:
            return;
        case Step::Kind::WaitForRelease:
            if (!m_released)
                return;
            m_released = false;
            ++m_step;
            break;
        }
    }
}

} // namespace orvane
