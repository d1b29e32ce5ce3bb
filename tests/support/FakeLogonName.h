#pragma once

#include "platform/LogonName.h"

namespace orvane::test {

class FakeLogonName final : public LogonName
{
public:
    explicit FakeLogonName(QString name = QStringLiteral("anna")) : name(std::move(name)) {}
    QString logonName() const override { return name; }
    QString name;
};

} // namespace orvane::test
