#pragma once

#include "PageSlots.h"
#include "WebMailCheckers.h"

namespace orvane {

class BrowserHostFactory;
class Clock;

/// The checkers of the running server: each web-mail checker gets a browser
/// driver of its own on the browser host, named after the service whose
/// log-in it holds, its page bounded by the server's page slots; POP3 is the
/// server's own copy (port 110, the address taken whole).
class KestranoCheckers final : public WebMailCheckers
{
public:
    KestranoCheckers(Clock& clock, BrowserHostFactory& browsers);

    std::unique_ptr<MailChecker> createHotmail() override;
    std::unique_ptr<MailChecker> createYahoo() override;
    std::unique_ptr<MailChecker> createPOP3() override;
    std::unique_ptr<MailChecker> createGenericHTTP() override;

private:
    Clock& m_clock;
    BrowserHostFactory& m_browsers;
    PageSlots m_pages;
};

} // namespace orvane
