#include "KestranoCheckers.h"

#include "GenericHTTP.h"
#include "HTTPConnector.h"
#include "Hotmail.h"
#include "Yahoo.h"
#include "checkers/POP3.h"

namespace orvane {
namespace {

// Browsers are shared between checks of different services only. The
// generic checker logs out through Yahoo's hosts, so it counts as Yahoo.
const QString kHotmailCookies = QStringLiteral("Hotmail");
const QString kYahooCookies = QStringLiteral("Yahoo");

} // namespace

KestranoCheckers::KestranoCheckers(Clock& clock, BrowserHostFactory& browsers)
    : m_clock(clock), m_browsers(browsers)
{}

std::unique_ptr<MailChecker> KestranoCheckers::createHotmail()
{
    return std::make_unique<Hotmail>(
        std::make_unique<HTTPConnector>(m_clock, &m_browsers, kHotmailCookies, &m_pages));
}

std::unique_ptr<MailChecker> KestranoCheckers::createYahoo()
{
    return std::make_unique<Yahoo>(
        std::make_unique<HTTPConnector>(m_clock, &m_browsers, kYahooCookies, &m_pages));
}

std::unique_ptr<MailChecker> KestranoCheckers::createPOP3()
{
    return std::make_unique<POP3>(POP3::Variant::WebMailServer);
}

std::unique_ptr<MailChecker> KestranoCheckers::createGenericHTTP()
{
    return std::make_unique<GenericHTTP>(
        std::make_unique<HTTPConnector>(m_clock, &m_browsers, kYahooCookies, &m_pages));
}

} // namespace orvane
