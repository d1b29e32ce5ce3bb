#pragma once

#include "core/MailChecker.h"

#include <QString>
#include <memory>

namespace orvane {

/// Makes the checkers the web-mail server serves, each with whatever it
/// needs (a browser driver, a socket). `create` makes one by its class name
/// ("Generic", "Hotmail", "Yahoo", "POP3", "GenericHTTP") and returns null
/// for any other name.
class WebMailCheckers
{
public:
    virtual ~WebMailCheckers() = default;
    virtual std::unique_ptr<MailChecker> createHotmail() = 0;
    virtual std::unique_ptr<MailChecker> createYahoo() = 0;
    virtual std::unique_ptr<MailChecker> createPOP3() = 0;
    virtual std::unique_ptr<MailChecker> createGenericHTTP() = 0;

    std::unique_ptr<MailChecker> create(const QString& className);
};

} // namespace orvane
