#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class QTcpServer;
class QTcpSocket;

namespace orvane {

/// A POP3 peer on 127.0.0.1 that plays a fixed script against every client
/// that connects: send replies (whole or in pieces), wait for a line from the
/// client, close, reset, or fall silent. Every byte the client sends is kept
/// so tests can assert the exact dialogue.
class ScriptedPop3Server : public QObject
{
    Q_OBJECT
public:
    struct Step
    {
        enum class Kind
        {
            Send,
            ExpectLine,
            Close,
            Reset,
            Silent,
            WaitForRelease
        };
        Kind kind = Kind::Silent;
        QList<QByteArray> pieces;
        int pieceDelayMs = 0;
    };

    static Step send(const QByteArray& reply) { return {Step::Kind::Send, {reply}, 0}; }
    /// Sends the pieces one by one, `delayMs` real milliseconds apart (keep it
    /// small: this is a loopback peer).
    static Step sendPieces(const QList<QByteArray>& pieces, int delayMs)
    {
        return {Step::Kind::Send, pieces, delayMs};
    }
    static Step expectLine() { return {Step::Kind::ExpectLine, {}, 0}; }
    /// Closes the connection gracefully (FIN).
    static Step close() { return {Step::Kind::Close, {}, 0}; }
    /// Aborts the connection with a reset (RST), not a close.
    static Step reset() { return {Step::Kind::Reset, {}, 0}; }
    /// Keeps the connection open and says nothing more.
    static Step silent() { return {Step::Kind::Silent, {}, 0}; }
    /// Holds the script until the test calls release().
    static Step waitForRelease() { return {Step::Kind::WaitForRelease, {}, 0}; }

    /// A greeting, then USER/PASS/STAT each answered with the given reply.
    static QList<Step> dialogue(const QByteArray& greeting, const QByteArray& userReply,
                                const QByteArray& passReply, const QByteArray& statReply);

    explicit ScriptedPop3Server(QList<Step> script, QObject* parent = nullptr);
    ~ScriptedPop3Server() override;

    /// Listens on 127.0.0.1 (or `address`); `port` 0 picks any free port.
    bool listen(quint16 port = 0,
                const QHostAddress& address = QHostAddress(QHostAddress::LocalHost));
    quint16 port() const;
    /// "127.0.0.1:<port>", the server text a POP3 account would hold.
    QString address() const;

    /// Everything received from all clients, in order.
    QByteArray received() const { return m_received; }
    /// The lines the script waited for, without their line ends.
    QList<QByteArray> expectedLines() const { return m_lines; }
    int connectionCount() const { return m_connections; }
    /// True once the current client has closed its end.
    bool clientClosed() const { return m_clientClosed; }
    bool scriptFinished() const { return m_step >= m_script.size(); }

    void release();

Q_SIGNALS:
    void clientDisconnected();

private:
    void acceptConnection();
    void readClient();
    void runScript();
    bool takeLine();

    QList<Step> m_script;
    QTcpServer* m_server;
    QPointer<QTcpSocket> m_client;
    qsizetype m_step = 0;
    qsizetype m_piece = 0;
    bool m_waitingForTimer = false;
    bool m_released = false;
    QByteArray m_unread;
    QByteArray m_received;
    QList<QByteArray> m_lines;
    int m_connections = 0;
    bool m_clientClosed = false;
};

} // namespace orvane
