#pragma once

#include "MailChecker.h"

#include <memory>

namespace orvane {

class AccountWatch;

/// Makes the checkers the dispatcher chooses between. Each returns null when
/// its kind of checker cannot be had (for example the web-mail server
/// program is not there).
class CheckerFactory
{
public:
    virtual ~CheckerFactory() = default;
    virtual std::unique_ptr<MailChecker> createWebServer() = 0;
    virtual std::unique_ptr<MailChecker> createMAPI() = 0;
    virtual std::unique_ptr<MailChecker> createPOP3() = 0;
    /// The IMAP checker; none where the program has no IMAP support.
    virtual std::unique_ptr<MailChecker> createIMAP() { return nullptr; }
    /// What watches the accounts between their checks, or null.
    virtual AccountWatch* accountWatch() { return nullptr; }
};

/// Stands between an account and the checker its address calls for, for one
/// check, and passes the checker's events on unchanged.
class GenericServer final : public MailChecker
{
    Q_OBJECT
public:
    /// The address the account dialog stores for a Hotmail account.
    static constexpr const char* kHotmailAddress = "HOTMAIL.COM";
    static constexpr const char* kMissingService = "Missing Webmail service, cannot continue.";

    enum class Kind
    {
        WebMail,
        MSExchange,
        POP3,
        IMAP
    };
    static Kind KindOf(const QString& address);

    explicit GenericServer(CheckerFactory& factory, QObject* parent = nullptr);
    ~GenericServer() override;

    void CheckForMail(const QString& address, const QString& userName, const QString& password,
                      bool DebugOn) override;

private:
    void bind(MailChecker& checker);

    CheckerFactory& m_factory;
    std::unique_ptr<MailChecker> WebServer;
    std::unique_ptr<MailChecker> POP3Server;
    std::unique_ptr<MailChecker> MAPI;
    std::unique_ptr<MailChecker> IMAPServer;
};

} // namespace orvane
