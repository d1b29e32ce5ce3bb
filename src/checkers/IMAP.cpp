#include "IMAP.h"

#include "CheckEvent.h"
#include "ImapConnection.h"
#include "MailPluginLoader.h"
#include "core/ServerAddress.h"
#include "core/server.h"
#include "oauth/OAuthTokens.h"

#include <QMetaObject>
#include <QThreadPool>
#include <exception>
#include <limits>
#include <mutex>

namespace orvane {

namespace {

using Event = CheckEvent;
using Raise = RaiseCheckEvent;

// The count of the folder on a logged-in session, or -1 with `failure` set.
qint64 countUnseen(ImapSession& session, const QString& folder, QString* failure)
{
    QByteArrayList literals;
    const QByteArray mailbox = ImapSession::astring(ImapSession::modifiedUtf7(folder), &literals);
    const ImapSession::Reply status = session.command("STATUS " + mailbox + " (UNSEEN)");
    if (status.status == ImapSession::Reply::Status::Gone) {
        *failure = QString::fromLatin1(ImapConnection::kConnectionLost);
        return -1;
    }
    if (status.ok()) {
        for (const QByteArray& line : status.untagged) {
            if (const auto unseen = ImapSession::unseenOf(line))
                return *unseen;
        }
    }
    // Read-only, so no message loses its unseen mark by being counted.
    const ImapSession::Reply examined = session.command("EXAMINE " + mailbox);
    if (examined.status == ImapSession::Reply::Status::Gone) {
        *failure = QString::fromLatin1(ImapConnection::kConnectionLost);
        return -1;
    }
    if (!examined.ok()) {
        *failure = QStringLiteral("Error: The folder \"%1\" cannot be read.").arg(folder);
        return -1;
    }
    const ImapSession::Reply searched = session.command("UID SEARCH UNSEEN");
    if (!searched.ok()) {
        *failure = QString::fromLatin1(ImapConnection::kConnectionLost);
        return -1;
    }
    QByteArray all = "SEARCH";
    for (const QByteArray& line : searched.untagged) {
        if (line.startsWith("SEARCH"))
            all += line.mid(6);
    }
    return ImapSession::countOfSearch(all);
}

// False when the token was refused and `refused` takes it from here.
void runCheck(ImapConnection& connection, const QString& folder, const QString& secret,
              const QByteArray& mechanism, const Raise& raise, const std::function<bool()>& refused)
{
    QString failure;
    const auto progress = [&raise](const QString& text) { raise({Event::Status, text}); };
    const bool open = mechanism.isEmpty()
                          ? connection.open(secret, progress, &failure)
                          : connection.openWithToken(secret, mechanism, progress, &failure);
    if (!open) {
        connection.close();
        if (failure == QLatin1String(ImapConnection::kTokenRefused) && refused && refused())
            return;
        raise({Event::Error, failure});
        return;
    }
    raise({Event::Status, QStringLiteral("Retrieving message count...")});
    const qint64 count = countUnseen(connection.session(), folder, &failure);
    connection.close();
    if (count < 0)
        raise({Event::Error, failure});
    else
        raise({Event::Found,
               {},
               qint32(std::min<qint64>(count, std::numeric_limits<qint32>::max()))});
}

} // namespace

/// What a pooled check shares with its checker: the connection to cancel,
/// and the checker to deliver to until it goes.
struct IMAP::Worker
{
    std::shared_ptr<ImapConnection> connection;
    std::mutex mutex;
    IMAP* receiver = nullptr;
};

IMAP::IMAP(QThreadPool& pool, MailProtocols* protocols, ImapSettings settings,
           CertificateTrust* trust, OAuthTokens* tokens, QObject* parent)
    : MailChecker(parent), m_pool(pool), m_protocols(protocols), m_settings(std::move(settings)),
      m_trust(trust), m_tokens(tokens)
{}

IMAP::~IMAP()
{
    dropWorker();
}

void IMAP::dropWorker()
{
    if (!m_worker)
        return;
    // Events posted before this point die with this object's queue.
    const std::lock_guard lock(m_worker->mutex);
    m_worker->receiver = nullptr;
    m_worker->connection->canceller().cancel();
}

void IMAP::CheckForMail(const QString& address, const QString& userName, const QString& password,
                        bool /*DebugOn*/)
{
    const ServerAddress server = ServerAddress::parse(address);
    if (server.protocol != ServerAddress::Protocol::Imap || !server.valid) {
        Q_EMIT error(QString::fromLatin1(kInvalidAddress));
        return;
    }
    if (!m_protocols) {
        Q_EMIT error(QString::fromLatin1(MailPluginLoader::kMissing));
        return;
    }
    if (password == server::ProviderSignIn()) {
        askForToken(server, userName, false);
        return;
    }
    start(server, userName, {password, {}}, false);
}

void IMAP::askForToken(const ServerAddress& server, const QString& userName, bool renew)
{
    if (!m_tokens) {
        Q_EMIT error(QString::fromLatin1(OAuthTokens::kNoProvider));
        return;
    }
    Q_EMIT UpdateStatus(QStringLiteral("Signing in with the provider..."));
    m_tokens->access(server.host, userName, renew, this,
                     [this, server, userName, renew](const OAuthTokens::Access& access) {
                         if (!access.ok())
                             Q_EMIT error(access.failure);
                         else
                             start(server, userName, {access.token, access.mechanism}, !renew);
                     });
}

void IMAP::start(const ServerAddress& server, const QString& userName, const Secret& secret,
                 bool renewOnRefusal)
{
    dropWorker();
    auto worker = std::make_shared<Worker>();
    worker->connection =
        std::make_shared<ImapConnection>(*m_protocols, server, userName, m_settings, m_trust);
    worker->receiver = this;

    auto deliver = [this](const Event& event) { event.raiseOn(*this); };
    // A refused token is renewed once, here, and the check starts over.
    std::function<bool()> refused;
    if (renewOnRefusal) {
        refused = [worker, server, userName] {
            const std::lock_guard lock(worker->mutex);
            if (worker->receiver)
                QMetaObject::invokeMethod(
                    worker->receiver,
                    [receiver = worker->receiver, server, userName] {
                        receiver->askForToken(server, userName, true);
                    },
                    Qt::QueuedConnection);
            return true;
        };
    }
    auto job = [worker, folder = server.folder, secret, deliver, refused] {
        runCheck(
            *worker->connection, folder, secret.text, secret.mechanism,
            [&worker, &deliver](const Event& event) {
                const std::lock_guard lock(worker->mutex);
                if (worker->receiver)
                    QMetaObject::invokeMethod(
                        worker->receiver, [deliver, event] { deliver(event); },
                        Qt::QueuedConnection);
            },
            refused);
    };
    try {
        m_pool.start(std::move(job));
    } catch (const std::exception&) {
        worker->receiver = nullptr;
        Q_EMIT error(QString::fromLatin1(kNotStarted));
        return;
    }
    m_worker = std::move(worker);
}

} // namespace orvane
