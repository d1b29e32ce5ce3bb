#pragma once

#include "core/MailChecker.h"

#include <QAbstractSocket>
#include <QList>
#include <QSslCertificate>
#include <QString>

class QSslSocket;

namespace orvane {

/// Counts the messages of a POP3 maildrop: USER, PASS, STAT, then the
/// connection is closed (no QUIT) and the count is reported through
/// MailFound. One object serves one check at a time; every failure ends up
/// in error(). Port 995 speaks POP3 over implicit TLS with the peer's
/// certificate verified.
class POP3 : public MailChecker
{
    Q_OBJECT
public:
    /// Quorvel's client reads "host[:port]" and joins replies that arrive in
    /// pieces. Kestrano's own copy always dials port 110 with the server text
    /// taken whole, and treats every arrival of data as one complete reply.
    enum class Variant
    {
        Standard,
        WebMailServer
    };

    enum State : qint32
    {
        Idle = 0,
        Connecting = 1,
        AwaitingGreeting = 2,
        UserSent = 3,
        PassSent = 4,
        StatSent = 5,
        Done = 6,
    };
    Q_ENUM(State)

    /// Replies longer than this without a line end are not a POP3 server
    /// talking; the check is given up rather than buffering without bound.
    static constexpr qsizetype MaxPendingText = 64 * 1024;

    explicit POP3(QObject* parent = nullptr);
    /// `extraCaCertificates` are trusted for TLS in addition to the system's
    /// authorities (a private or test CA), never instead of verification.
    explicit POP3(Variant variant, const QList<QSslCertificate>& extraCaCertificates = {},
                  QObject* parent = nullptr);
    ~POP3() override;

    void CheckForMail(const QString& address, const QString& userName, const QString& password,
                      bool DebugOn) override;

    bool IsChecking() const;
    State GetState() const { return m_state; }

private:
    void BeginCheck();
    void NextStep();
    bool ReplyIsPositive() const;
    void CloseWithError(const QString& message);

    void connectStep();
    void statReplyStep();
    void sendLine(const QString& line);
    void closeSocket();

    void socketDataArrived();
    void socketErrorOccurred(QAbstractSocket::SocketError socketError);
    void socketClosedByPeer();

    const Variant m_variant;
    const QList<QSslCertificate> m_extraCaCertificates;
    QSslSocket* m_socket;

    QString m_server;
    QString m_userName;
    QString m_password;
    State m_state = Idle;
    QString m_replyText;
    QString m_pendingText;
    // Set while the connection is being ended from this side, so that only a
    // close by the server reads as "Connection closed.".
    bool m_closingOurselves = false;
};

} // namespace orvane
