#pragma once

#include "core/GenericServer.h"

namespace orvane {

/// The checkers the tray notifier hands its accounts to.
class QuorvelCheckers final : public CheckerFactory
{
public:
    std::unique_ptr<MailChecker> createWebServer() override;
    std::unique_ptr<MailChecker> createMAPI() override;
    std::unique_ptr<MailChecker> createPOP3() override;
};

} // namespace orvane
