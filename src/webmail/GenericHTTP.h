#pragma once

#include "FormLoginChecker.h"

namespace orvane {

/// Checks a web-mail site given by its address with the Yahoo page walk,
/// logging out through the Yahoo domain's own redirect host.
class GenericHTTP final : public FormLoginChecker
{
    Q_OBJECT
public:
    explicit GenericHTTP(std::unique_ptr<WebDriver> web, QObject* parent = nullptr);

    static QString logOutAddress();

protected:
    Route routeFor(const QString& address) const override;
};

} // namespace orvane
