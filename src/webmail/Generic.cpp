#include "Generic.h"

#include "WebMailCheckers.h"
#include "core/GenericServer.h"

namespace orvane {

std::unique_ptr<MailChecker> WebMailCheckers::create(const QString& className)
{
    if (className == QLatin1String("Generic"))
        return std::make_unique<Generic>(*this);
    if (className == QLatin1String("Hotmail"))
        return createHotmail();
    if (className == QLatin1String("Yahoo"))
        return createYahoo();
    if (className == QLatin1String("POP3"))
        return createPOP3();
    if (className == QLatin1String("GenericHTTP"))
        return createGenericHTTP();
    return nullptr;
}

Generic::Choice Generic::choose(const QString& address)
{
    const QString upper = address.toUpper();
    if (upper == QLatin1String(GenericServer::kHotmailAddress))
        return Choice::Hotmail;
    if (upper.contains(QLatin1String("YAHOO")))
        return Choice::Yahoo;
    return Choice::POP3;
}

Generic::Generic(WebMailCheckers& checkers, QObject* parent)
    : MailChecker(parent), m_checkers(checkers)
{}

Generic::~Generic()
{
    // Nothing the checkers raise while they go reaches the client.
    for (auto* member : {&HotmailServer, &YahooServer, &POP3Server}) {
        if (*member)
            (*member)->disconnect(this);
    }
}

void Generic::CheckForMail(const QString& address, const QString& userName, const QString& password,
                           bool DebugOn)
{
    std::unique_ptr<MailChecker>* member = nullptr;
    std::unique_ptr<MailChecker> made;
    switch (choose(address)) {
    case Choice::Hotmail:
        member = &HotmailServer;
        made = m_checkers.createHotmail();
        break;
    case Choice::Yahoo:
        member = &YahooServer;
        made = m_checkers.createYahoo();
        break;
    case Choice::POP3:
        member = &POP3Server;
        made = m_checkers.createPOP3();
        break;
    }
    if (*member)
        (*member)->disconnect(this);
    *member = std::move(made);
    if (!*member) {
        Q_EMIT error(QString::fromLatin1(GenericServer::kMissingService));
        return;
    }
    relay(**member);
    (*member)->CheckForMail(address, userName, password, DebugOn);
}

void Generic::relay(MailChecker& checker)
{
    connect(&checker, &MailChecker::UpdateStatus, this, &MailChecker::UpdateStatus);
    connect(&checker, &MailChecker::MailFound, this, &MailChecker::MailFound);
    connect(&checker, &MailChecker::error, this, &MailChecker::error);
}

} // namespace orvane
