#include "QuorvelCheckers.h"

#include "KestranoChecker.h"
#include "POP3.h"

namespace orvane {

QuorvelCheckers::QuorvelCheckers(QDBusConnection bus) : m_bus(std::move(bus)) {}

std::unique_ptr<MailChecker> QuorvelCheckers::createWebServer()
{
    return std::make_unique<KestranoChecker>(m_bus);
}

std::unique_ptr<MailChecker> QuorvelCheckers::createMAPI()
{
    return nullptr;
}

std::unique_ptr<MailChecker> QuorvelCheckers::createPOP3()
{
    return std::make_unique<POP3>();
}

} // namespace orvane
