#include "DesktopPopup.h"

#include "platform/DesktopNotifications.h"

namespace orvane {
namespace {

const QString kDefaultAction = QStringLiteral("default");
const QString kRunAction = QStringLiteral("open-mail-program");
const QString kClearAction = QStringLiteral("clear-mail-count");

} // namespace

DesktopPopup::DesktopPopup(DesktopNotifications& server, Options options)
    : m_server(server), m_options(std::move(options))
{
    connect(&m_server, &DesktopNotifications::actionInvoked, this, &DesktopPopup::invoked);
    connect(&m_server, &DesktopNotifications::closed, this, &DesktopPopup::closed);
}

void DesktopPopup::Announce(const QStringList& lines)
{
    m_lines = lines;
    if (m_sending) {
        m_sendAgain = true;
        return;
    }
    send();
}

void DesktopPopup::send()
{
    m_sending = true;
    m_server.capabilities([this](const QStringList& capabilities) {
        DesktopNotifications::Notice notice;
        notice.appName = QStringLiteral("Orvane");
        notice.appIcon = m_options.appIcon;
        notice.summary = QString::fromLatin1(kSummary);
        // Account names are the user's text, never markup.
        QStringList body = m_lines;
        if (capabilities.contains(QLatin1String("body-markup"))) {
            for (QString& line : body)
                line = line.toHtmlEscaped();
        }
        notice.body = body.join(QLatin1Char('\n'));
        if (capabilities.contains(QLatin1String("actions"))) {
            notice.actions << kDefaultAction << QStringLiteral("Quick View") << kRunAction
                           << QString::fromLatin1(kOpenMailProgram) << kClearAction
                           << QString::fromLatin1(kClearMailCount);
        }
        notice.hints.insert(QStringLiteral("category"), QString::fromLatin1(kCategory));
        // Lets the desktop file the notice under the installed program's entry.
        notice.hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("org.orvane.Quorvel"));
        if (m_options.playsOwnSound && m_options.playsOwnSound())
            notice.hints.insert(QStringLiteral("suppress-sound"), true);
        notice.replacesId = m_id;
        m_server.notify(notice, [this](quint32 id) { sent(id); });
    });
}

void DesktopPopup::sent(quint32 id)
{
    m_sending = false;
    m_id = id;
    if (id == 0) {
        m_sendAgain = false;
        Q_EMIT notShown();
    } else if (m_sendAgain) {
        m_sendAgain = false;
        send();
    }
}

void DesktopPopup::Unload()
{
    m_sendAgain = false;
    if (m_id != 0)
        m_server.close(m_id);
    m_id = 0;
}

void DesktopPopup::invoked(quint32 id, const QString& key)
{
    if (id == 0 || id != m_id)
        return;
    if (key == kDefaultAction)
        Q_EMIT quickViewRequested();
    else if (key == kRunAction)
        Q_EMIT runRequested();
    else if (key == kClearAction)
        Q_EMIT clearRequested();
}

void DesktopPopup::closed(quint32 id)
{
    if (id != 0 && id == m_id)
        m_id = 0;
}

} // namespace orvane
