#pragma once

#include "webmail/WebDriver.h"

#include <QStringList>

namespace orvane::test {

/// A browser driver the test moves by hand: every request the checker makes
/// is written to a shared log ("debug on", "go <address>", "submit <form>
/// <field>=<value> ..."), and `finish` loads a page and says DoneBrowsing.
class ScriptedWebDriver final : public WebDriver
{
    Q_OBJECT
public:
    explicit ScriptedWebDriver(QStringList& log) : m_log(log) {}

    void GoToURL(const QString& address) override
    {
        m_busy = true;
        m_log << QStringLiteral("go ") + address;
    }
    void DebugOn(bool SetOn) override
    {
        m_log << (SetOn ? QStringLiteral("debug on") : QStringLiteral("debug off"));
    }
    const WebPage& Document() const override { return m_page; }
    bool Busy() const override { return m_busy; }
    void SubmitForm(qsizetype form, const FieldValues& values) override
    {
        QString line = QStringLiteral("submit %1").arg(form);
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            line += QStringLiteral(" %1=%2").arg(it.key()).arg(it.value());
        m_log << line;
    }

    void finish(const WebPage& page)
    {
        m_page = page;
        m_busy = false;
        Q_EMIT DoneBrowsing();
    }
    void fail(const QString& text) { Q_EMIT Error(text); }

private:
    QStringList& m_log;
    WebPage m_page;
    bool m_busy = false;
};

} // namespace orvane::test
