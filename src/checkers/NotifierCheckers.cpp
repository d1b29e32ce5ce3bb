#include "NotifierCheckers.h"

#include "KestranoChecker.h"
#include "MAPIServer.h"
#include "POP3.h"

namespace orvane {

NotifierCheckers::NotifierCheckers(QDBusConnection bus) : m_bus(std::move(bus)) {}

std::unique_ptr<MailChecker> NotifierCheckers::createWebServer()
{
    return std::make_unique<KestranoChecker>(m_bus);
}

std::unique_ptr<MailChecker> NotifierCheckers::createMAPI()
{
    return std::make_unique<MAPIServer>();
}

std::unique_ptr<MailChecker> NotifierCheckers::createPOP3()
{
    return std::make_unique<POP3>();
}

} // namespace orvane
