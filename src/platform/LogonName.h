#pragma once

#include <QString>

namespace orvane {

/// The log-on name of the user running the program; "" when it cannot be read.
class LogonName
{
public:
    virtual ~LogonName() = default;
    virtual QString logonName() const = 0;
};

/// Reads the name from the password database entry of the real user id.
class PosixLogonName final : public LogonName
{
public:
    QString logonName() const override;
};

} // namespace orvane
