#pragma once

#include "platform/MailClientLocator.h"

namespace orvane::test {

/// Answers `command` and counts how often it was asked.
class FakeMailClientLocator final : public MailClientLocator
{
public:
    std::optional<QString> defaultMailCommand() override
    {
        ++calls;
        return command;
    }

    std::optional<QString> command;
    int calls = 0;
};

} // namespace orvane::test
