#include "TestAuthorizationServer.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QUrlQuery>

namespace orvane::test {

namespace {

QByteArray reply(int status, const QByteArray& headers, const QByteArray& body)
{
    const QByteArray reason = status == 200 ? "OK" : status == 302 ? "Found" : "Bad Request";
    return "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\n" + headers +
           "Content-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" +
           body;
}

QByteArray json(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QUrlQuery form(const QByteArray& body)
{
    // A form's '+' is a blank.
    QByteArray text = body;
    text.replace('+', ' ');
    return QUrlQuery(QString::fromUtf8(text));
}

} // namespace

TestAuthorizationServer::TestAuthorizationServer(QString userName, QObject* parent)
    : QObject(parent), m_userName(std::move(userName))
{
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

bool TestAuthorizationServer::listen()
{
    return m_server.listen(QHostAddress::LocalHost);
}

QUrl TestAuthorizationServer::url(const QString& path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
}

QByteArray TestAuthorizationServer::providerGroup(const QString& group, const QString& hosts,
                                                  const QString& mechanism) const
{
    return QStringLiteral("[%1]\nName=%1\nAuthorizationUrl=%2\nTokenUrl=%3\nScopes=mail offline\n"
                          "ClientId=%4\nClientSecret=\nMechanism=%5\nHosts=%6\n")
        .arg(group, url(QStringLiteral("/authorize")).toString(),
             url(QStringLiteral("/token")).toString(), QString::fromLatin1(kClientId), mechanism,
             hosts)
        .toUtf8();
}

QUrlQuery TestAuthorizationServer::lastAuthorization() const
{
    return QUrlQuery(m_lastAuthorization);
}

QString TestAuthorizationServer::issue()
{
    return QStringLiteral("t%1-%2").arg(++m_serial).arg(QString::number(quintptr(this), 36));
}

void TestAuthorizationServer::serve(QTcpSocket* socket)
{
    // Requests are small: wait until the head and the body it announces are in.
    const QByteArray data = socket->peek(1 << 20);
    const qsizetype headEnd = data.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return;
    const QByteArray head = data.left(headEnd);
    qsizetype length = 0;
    for (const QByteArray& line : head.split('\n')) {
        if (line.toLower().startsWith("content-length:"))
            length = line.mid(15).trimmed().toLongLong();
    }
    if (data.size() < headEnd + 4 + length)
        return;
    socket->read(headEnd + 4 + length);
    const QByteArrayList requestLine = head.left(head.indexOf("\r\n")).split(' ');
    if (requestLine.size() < 2) {
        socket->disconnectFromHost();
        return;
    }
    answer(socket, requestLine.at(0),
           QUrl::fromEncoded(QByteArray("http://127.0.0.1") + requestLine.at(1)),
           data.mid(headEnd + 4, length));
}

void TestAuthorizationServer::answer(QTcpSocket* socket, const QByteArray& method,
                                     const QUrl& target, const QByteArray& body)
{
    const QString path = target.path();
    if (method == "GET" && path == QLatin1String("/authorize")) {
        const QUrlQuery asked(target);
        m_lastAuthorization = target.query();
        const QString redirect =
            asked.queryItemValue(QStringLiteral("redirect_uri"), QUrl::FullyDecoded);
        const QString code = issue();
        m_codes.insert(code, {asked.queryItemValue(QStringLiteral("code_challenge")), redirect});
        QUrl back(redirect);
        QUrlQuery answer;
        answer.addQueryItem(deny ? QStringLiteral("error") : QStringLiteral("code"),
                            deny ? QStringLiteral("access_denied") : code);
        answer.addQueryItem(
            QStringLiteral("state"),
            forgeState ? QStringLiteral("forged")
                       : asked.queryItemValue(QStringLiteral("state"), QUrl::FullyDecoded));
        back.setQuery(answer);
        socket->write(reply(302, "Location: " + back.toEncoded() + "\r\n", {}));
    } else if (method == "POST" && path == QLatin1String("/token")) {
        int status = 200;
        const QByteArray out = grant(form(body), &status);
        socket->write(reply(status, "Content-Type: application/json\r\n", out));
    } else if (method == "POST" && path == QLatin1String("/introspect")) {
        ++introspections;
        const QString token =
            form(body).queryItemValue(QStringLiteral("token"), QUrl::FullyDecoded);
        QJsonObject out{{QStringLiteral("active"), m_access.contains(token)}};
        if (m_access.contains(token))
            out.insert(QStringLiteral("username"), m_userName);
        socket->write(reply(200, "Content-Type: application/json\r\n", json(out)));
    } else {
        socket->write(reply(400, {}, {}));
    }
    socket->disconnectFromHost();
}

QByteArray TestAuthorizationServer::grant(const QUrlQuery& form, int* status)
{
    const auto value = [&form](const char* key) {
        return form.queryItemValue(QString::fromLatin1(key), QUrl::FullyDecoded);
    };
    bool good = value("client_id") == QLatin1String(kClientId);
    if (value("grant_type") == QLatin1String("authorization_code")) {
        const Code code = m_codes.take(value("code"));
        const QByteArray expected =
            QCryptographicHash::hash(value("code_verifier").toUtf8(), QCryptographicHash::Sha256)
                .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
        good = good && !code.challenge.isEmpty() && expected == code.challenge.toUtf8() &&
               value("redirect_uri") == code.redirect;
        if (good)
            ++codeGrants;
    } else if (value("grant_type") == QLatin1String("refresh_token")) {
        good = good && m_refresh.contains(value("refresh_token"));
        if (good)
            ++refreshGrants;
    } else {
        good = false;
    }
    if (!good) {
        ++refusedGrants;
        *status = 400;
        return json({{QStringLiteral("error"), QStringLiteral("invalid_grant")}});
    }
    const QString access = issue();
    m_access.insert(access);
    QJsonObject out{{QStringLiteral("access_token"), access},
                    {QStringLiteral("token_type"), QStringLiteral("Bearer")},
                    {QStringLiteral("expires_in"), accessSeconds}};
    if (value("grant_type") == QLatin1String("authorization_code")) {
        const QString refresh = issue();
        m_refresh.insert(refresh);
        out.insert(QStringLiteral("refresh_token"), refresh);
    }
    return json(out);
}

} // namespace orvane::test
