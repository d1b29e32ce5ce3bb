#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>
#include <functional>
#include <optional>

class QTcpServer;
class QTcpSocket;

namespace orvane::test {

/// A web server on 127.0.0.1 that also answers as an HTTP proxy, so a browser
/// pointed at it ("--proxy-server=127.0.0.1:PORT") reaches any host name
/// here. Pages are looked up by their full address ("http://host/path?query")
/// and then by their path and query alone; every request is recorded as
/// "METHOD address" and the bodies of POSTs are kept.
class ScriptedWebServer : public QObject
{
    Q_OBJECT
public:
    struct Page
    {
        QByteArray body;
        QByteArray location; // set: a 302 redirect to it
        int delayMs = 0;     // real milliseconds before the answer
        bool neverAnswer = false;
    };

    explicit ScriptedWebServer(QObject* parent = nullptr);
    ~ScriptedWebServer() override;

    bool listen(quint16 port = 0);
    quint16 port() const;
    /// "http://127.0.0.1:PORT".
    QString origin() const;

    void setPage(const QString& address, const QByteArray& html);
    void setPage(const QString& address, const Page& page);

    /// Asked first for every request ("METHOD", address, body); a page it
    /// returns is the answer, nullopt leaves the request to the table.
    std::function<std::optional<Page>(const QByteArray&, const QString&, const QByteArray&)>
        responder;

    QStringList requests;
    QList<QByteArray> postBodies;

private:
    void accepted();
    void readRequest(QTcpSocket* socket);

    QTcpServer* m_server;
    QHash<QString, Page> m_pages;
    QHash<QTcpSocket*, QByteArray> m_buffers;
};

} // namespace orvane::test
