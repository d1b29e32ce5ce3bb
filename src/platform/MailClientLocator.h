#pragma once

#include <QString>
#include <optional>

namespace orvane {

/// Finds the system's default mail client.
class MailClientLocator
{
public:
    virtual ~MailClientLocator() = default;
    /// The command that starts the default mail client: its program path in
    /// double quotes, followed by its fixed arguments. nullopt when the
    /// system names no mail client.
    virtual std::optional<QString> defaultMailCommand() = 0;
};

} // namespace orvane
