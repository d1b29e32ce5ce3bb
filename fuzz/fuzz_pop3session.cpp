// A whole POP3 check against a local server that says the input: the
// checker's own socket, its joining of replies that come in pieces, and
// every step from the greeting to STAT. The first byte sets how the bytes
// are cut (one piece per turn of the event loop) and whether the account
// insists on STLS.
#include "FuzzSupport.h"
#include "checkers/POP3.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>

using namespace orvane;

namespace {

// Each piece is a write and a read through the kernel, most of what a run
// costs; past this many the pieces grow instead, so a long input still
// arrives in pieces without slowing every run down.
constexpr qsizetype MaxPieces = 64;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTcpServer* const server = [] {
        auto* listening = new QTcpServer;
        if (!listening->listen(QHostAddress::LocalHost))
            fuzz::fail("no local port");
        return listening;
    }();
    if (size == 0 || qsizetype(size) > POP3::MaxPendingText + 1)
        return 0;
    const QByteArray said = fuzz::bytesOf(data + 1, size - 1);
    const bool insistsOnStls = data[0] & 0x40;
    const qsizetype piece =
        std::max<qsizetype>(1 + data[0] % 64, (said.size() + MaxPieces - 1) / MaxPieces);

    POP3 checker;
    int endings = 0;
    std::optional<qint32> found;
    QObject::connect(&checker, &MailChecker::MailFound, [&](qint32 count) {
        if (endings++ == 0)
            found = count;
    });
    QObject::connect(&checker, &MailChecker::error, [&](const QString&) { ++endings; });
    // The count must come from the answer to STAT. Whether STAT reached the
    // wire is not the test: the check's writes leave on a later turn, and a
    // server that answers ahead of the questions can end the check while
    // STAT still waits in the socket, which closing then drops.
    bool askedForCount = false;
    QObject::connect(&checker, &MailChecker::UpdateStatus, [&](const QString& status) {
        askedForCount |= status == QLatin1String("Retrieving message count...");
    });
    const QString port = QString::number(server->serverPort());
    checker.CheckForMail(insistsOnStls ? QStringLiteral("pop3://127.0.0.1:") + port
                                       : QStringLiteral("127.0.0.1:") + port,
                         QStringLiteral("user"), QStringLiteral("secret"), false);

    QTcpSocket* peer = nullptr;
    QByteArray heard;
    qsizetype at = 0;
    QElapsedTimer clock;
    clock.start();
    while (endings == 0) {
        // Every turn either sends, closes, or the check has something to
        // read or to answer; a check that waits beyond that has hung.
        FUZZ_CHECK(clock.elapsed() < 5000);
        if (!peer && server->hasPendingConnections())
            peer = server->nextPendingConnection();
        if (peer) {
            heard += peer->readAll();
            if (at < said.size()) {
                peer->write(said.mid(at, piece));
                peer->flush();
                at += piece;
            } else if (peer->state() == QAbstractSocket::ConnectedState) {
                peer->disconnectFromHost();
            }
        }
        QCoreApplication::processEvents();
    }
    if (peer)
        heard += peer->readAll();
    if (found) {
        FUZZ_CHECK(*found >= 0);
        FUZZ_CHECK(askedForCount);
    }
    // Without a handshake nothing of the account may leave under "pop3://".
    if (insistsOnStls)
        FUZZ_CHECK(!heard.contains("USER") && !heard.contains("secret"));
    delete peer;
    // A connection the check made and gave up before it was taken must not
    // be taken for the next input's.
    while (QTcpSocket* late = server->nextPendingConnection())
        delete late;
    return 0;
}
