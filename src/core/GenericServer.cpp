#include "GenericServer.h"

#include "ServerAddress.h"

namespace orvane {

GenericServer::Kind GenericServer::KindOf(const QString& address)
{
    // A line that names its protocol says what it is, whatever host it
    // names: an IMAP server of a web-mail provider is an IMAP server.
    if (ServerAddress::namesProtocol(address))
        return ServerAddress::parse(address).protocol == ServerAddress::Protocol::Imap ? Kind::IMAP
                                                                                       : Kind::POP3;
    const QString upper = address.toUpper();
    // "*YAHOO.*": the word followed somewhere later by a full stop.
    const qsizetype yahoo = upper.indexOf(QLatin1String("YAHOO"));
    const bool isYahoo = yahoo >= 0 && upper.indexOf(QLatin1Char('.'), yahoo + 5) >= 0;
    if (upper == QLatin1String(kHotmailAddress) || isYahoo)
        return Kind::WebMail;
    if (address.startsWith(QLatin1String("MS Exchange")))
        return Kind::MSExchange;
    return Kind::POP3;
}

GenericServer::GenericServer(CheckerFactory& factory, QObject* parent)
    : MailChecker(parent), m_factory(factory)
{}

GenericServer::~GenericServer()
{
    // Whatever the checkers still raise while they go reaches nobody.
    for (auto* checker : {WebServer.get(), POP3Server.get(), MAPI.get(), IMAPServer.get()}) {
        if (checker)
            checker->disconnect(this);
    }
}

void GenericServer::CheckForMail(const QString& address, const QString& userName,
                                 const QString& password, bool DebugOn)
{
    // A checker that cannot be made or started, for whatever reason, must
    // end the check here rather than take the notifier down with it.
    try {
        MailChecker* checker = nullptr;
        switch (KindOf(address)) {
        case Kind::WebMail:
            WebServer = m_factory.createWebServer();
            checker = WebServer.get();
            break;
        case Kind::MSExchange:
            MAPI = m_factory.createMAPI();
            checker = MAPI.get();
            break;
        case Kind::POP3:
            POP3Server = m_factory.createPOP3();
            checker = POP3Server.get();
            break;
        case Kind::IMAP:
            IMAPServer = m_factory.createIMAP();
            checker = IMAPServer.get();
            break;
        }
        if (checker) {
            bind(*checker);
            checker->CheckForMail(address, userName, password, DebugOn);
            return;
        }
    } catch (...) {
    }
    Q_EMIT error(QString::fromLatin1(kMissingService));
}

void GenericServer::bind(MailChecker& checker)
{
    connect(&checker, &MailChecker::UpdateStatus, this, &MailChecker::UpdateStatus);
    connect(&checker, &MailChecker::MailFound, this, &MailChecker::MailFound);
    connect(&checker, &MailChecker::error, this, &MailChecker::error);
}

} // namespace orvane
