#pragma once

#include "core/GenericServer.h"

#include <QDBusConnection>

namespace orvane {

/// The checkers the tray notifier hands its accounts to. Web-mail checks go
/// to the web-mail checker server on `bus`.
class NotifierCheckers final : public CheckerFactory
{
public:
    explicit NotifierCheckers(QDBusConnection bus = QDBusConnection::sessionBus());

    std::unique_ptr<MailChecker> createWebServer() override;
    std::unique_ptr<MailChecker> createMAPI() override;
    std::unique_ptr<MailChecker> createPOP3() override;

private:
    QDBusConnection m_bus;
};

} // namespace orvane
