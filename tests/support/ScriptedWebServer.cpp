#include "ScriptedWebServer.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

namespace orvane::test {

ScriptedWebServer::ScriptedWebServer(QObject* parent)
    : QObject(parent), m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &ScriptedWebServer::accepted);
}

ScriptedWebServer::~ScriptedWebServer() = default;

bool ScriptedWebServer::listen(quint16 port)
{
    return m_server->listen(QHostAddress::LocalHost, port);
}

quint16 ScriptedWebServer::port() const
{
    return m_server->serverPort();
}

QString ScriptedWebServer::origin() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(port());
}

void ScriptedWebServer::setPage(const QString& address, const QByteArray& html)
{
    setPage(address, Page{html, {}, 0, false});
}

void ScriptedWebServer::setPage(const QString& address, const Page& page)
{
    m_pages.insert(address, page);
}

void ScriptedWebServer::accepted()
{
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_buffers.remove(socket);
            socket->deleteLater();
        });
    }
}

void ScriptedWebServer::readRequest(QTcpSocket* socket)
{
    QByteArray& buffer = m_buffers[socket];
    buffer += socket->readAll();
    for (;;) {
        const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
        if (headEnd < 0)
            return;
        const QList<QByteArray> lines = buffer.left(headEnd).split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        qsizetype length = 0;
        QByteArray host;
        for (const QByteArray& line : lines.mid(1)) {
            const qsizetype colon = line.indexOf(':');
            const QByteArray name = line.left(colon).trimmed().toLower();
            if (name == "content-length")
                length = line.mid(colon + 1).trimmed().toLongLong();
            else if (name == "host")
                host = line.mid(colon + 1).trimmed();
        }
        if (buffer.size() < headEnd + 4 + length)
            return;
        const QByteArray body = buffer.mid(headEnd + 4, length);
        buffer.remove(0, headEnd + 4 + length);

        const QByteArray method = requestLine.value(0);
        QString target = QString::fromLatin1(requestLine.value(1));
        // A proxy request names the whole address; a direct one only the path.
        if (target.startsWith(QLatin1Char('/')))
            target = QStringLiteral("http://") + QString::fromLatin1(host) + target;
        requests << QString::fromLatin1(method) + QLatin1Char(' ') + target;
        if (method == "POST")
            postBodies << body;

        const QUrl url(target);
        const QString local =
            url.path(QUrl::FullyEncoded) +
            (url.hasQuery() ? QLatin1Char('?') + url.query(QUrl::FullyEncoded) : QString());
        const auto found = m_pages.constFind(target) != m_pages.constEnd()
                               ? m_pages.constFind(target)
                               : m_pages.constFind(local);
        QByteArray answer;
        Page page;
        std::optional<Page> answered = responder ? responder(method, target, body) : std::nullopt;
        if (!answered && found != m_pages.constEnd())
            answered = *found;
        if (!answered) {
            answer = "HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\nContent-Length: 9\r\n"
                     "\r\nnot found";
        } else {
            page = *answered;
            if (!page.location.isEmpty()) {
                answer = "HTTP/1.1 302 Found\r\nLocation: " + page.location +
                         "\r\nContent-Length: 0\r\n\r\n";
            } else {
                answer = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n"
                         "Cache-Control: no-store\r\nContent-Length: " +
                         QByteArray::number(page.body.size()) + "\r\n\r\n" + page.body;
            }
        }
        if (page.neverAnswer)
            continue;
        QPointer<QTcpSocket> guarded(socket);
        // Precise: a coarse timer may answer up to 5% early, and the tests
        // time what a late answer delays.
        QTimer::singleShot(page.delayMs, Qt::PreciseTimer, this, [guarded, answer] {
            if (guarded)
                guarded->write(answer);
        });
    }
}

} // namespace orvane::test
