#include "QuorvelCheckers.h"

#include "POP3.h"

namespace orvane {

std::unique_ptr<MailChecker> QuorvelCheckers::createWebServer()
{
    return nullptr;
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
