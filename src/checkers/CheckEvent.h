#pragma once

#include "core/MailChecker.h"

#include <QString>
#include <functional>

namespace orvane {

/// What a check running on the worker pool reports, carried to the checker's
/// own thread and raised there as the checker's signal.
struct CheckEvent
{
    enum Kind
    {
        Status,
        Found,
        Error
    };
    Kind kind;
    QString text;
    qint32 count = 0;

    void raiseOn(MailChecker& checker) const
    {
        switch (kind) {
        case Status:
            Q_EMIT checker.UpdateStatus(text);
            break;
        case Found:
            Q_EMIT checker.MailFound(count);
            break;
        case Error:
            Q_EMIT checker.error(text);
            break;
        }
    }
};

using RaiseCheckEvent = std::function<void(const CheckEvent&)>;

} // namespace orvane
