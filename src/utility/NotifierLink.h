#pragma once

#include <functional>

namespace orvane {

/// The utility's way to a running notifier.
class NotifierLink
{
public:
    /// Called once, always later from the event loop: `reached` is false when
    /// no notifier could be reached, true when the request was handed to one
    /// (whatever it answered: a notifier that ends may not answer at all).
    using Done = std::function<void(bool reached)>;

    virtual ~NotifierLink() = default;
    /// Asks the running notifier to save everything and end.
    virtual void Shutdown(Done done) = 0;
};

} // namespace orvane
