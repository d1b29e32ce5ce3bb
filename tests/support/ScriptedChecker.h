#pragma once

#include "core/GenericServer.h"
#include "core/MailChecker.h"

#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

namespace orvane::test {

/// A checker whose events the test raises by hand. Every checker a
/// ScriptedCheckers factory makes is kept reachable (while it lives) so a
/// test can answer the check it started, or raise events after it was
/// dropped.
class ScriptedChecker final : public MailChecker
{
    Q_OBJECT
public:
    void CheckForMail(const QString& address, const QString& userName, const QString& password,
                      bool DebugOn) override
    {
        this->address = address;
        this->userName = userName;
        this->password = password;
        debugOn = DebugOn;
        ++calls;
        if (onCheck)
            onCheck(*this);
    }

    void status(const QString& text) { Q_EMIT UpdateStatus(text); }
    void found(qint32 count) { Q_EMIT MailFound(count); }
    void fail(const QString& text) { Q_EMIT error(text); }

    QString address;
    QString userName;
    QString password;
    bool debugOn = true;
    int calls = 0;
    /// Runs inside CheckForMail, e.g. to answer at once.
    std::function<void(ScriptedChecker&)> onCheck;
};

/// Every kind of checker is a scripted one.
class ScriptedCheckers final : public CheckerFactory
{
public:
    std::unique_ptr<MailChecker> createWebServer() override { return make(); }
    std::unique_ptr<MailChecker> createMAPI() override { return make(); }
    std::unique_ptr<MailChecker> createPOP3() override { return make(); }
    std::unique_ptr<MailChecker> createIMAP() override { return make(); }

    std::unique_ptr<MailChecker> make()
    {
        auto checker = std::make_unique<ScriptedChecker>();
        if (onCheck)
            checker->onCheck = onCheck;
        made.emplace_back(checker.get());
        return checker;
    }
    /// The last checker made (null when it was destroyed).
    ScriptedChecker* last() const { return made.empty() ? nullptr : made.back().data(); }
    int count() const { return int(made.size()); }

    std::vector<QPointer<ScriptedChecker>> made;
    std::function<void(ScriptedChecker&)> onCheck;
};

} // namespace orvane::test
