#pragma once

namespace orvane {

/// The user's choice to start the notifier at log-on ("Load Orvane On
/// Startup"), kept in the companion files.
class StartAtLogon
{
public:
    virtual ~StartAtLogon() = default;
    virtual bool startAtLogon() const = 0;
    virtual void setStartAtLogon(bool on) = 0;
};

} // namespace orvane
