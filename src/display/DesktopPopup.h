#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

namespace orvane {

class DesktopNotifications;

/// The popup's announcement as one notification of the desktop's server,
/// replaced on each announcement rather than stacked. Its buttons (where
/// the server shows actions) and a click on it are reported as requests.
class DesktopPopup final : public QObject
{
    Q_OBJECT
public:
    static constexpr const char* kSummary = "You have new mail.";
    static constexpr const char* kCategory = "email.arrived";
    static constexpr const char* kOpenMailProgram = "Open E-Mail Program";
    static constexpr const char* kClearMailCount = "Clear Mail Count";

    struct Options
    {
        /// The user's choice, read at each announcement.
        std::function<bool()> wanted;
        /// The program plays a sound of its own for the announcement: the
        /// server is asked to keep quiet.
        std::function<bool()> playsOwnSound;
        QString appIcon;
    };

    DesktopPopup(DesktopNotifications& server, Options options);

    bool isWanted() const { return m_options.wanted && m_options.wanted(); }
    /// Shows `lines` (newest first) in the notification, or replaces what it
    /// shows.
    void Announce(const QStringList& lines);
    /// The notification is on the screen, or on its way there.
    bool isShowing() const { return m_id != 0 || m_sending; }
    /// Takes the notification away; at shutdown its buttons would reach
    /// nobody.
    void Unload();

Q_SIGNALS:
    /// The notification itself was clicked.
    void quickViewRequested();
    void runRequested();
    void clearRequested();
    /// No server showed the announcement: the popup window is to show it.
    void notShown();

private:
    void send();
    void sent(quint32 id);
    void invoked(quint32 id, const QString& key);
    void closed(quint32 id);

    DesktopNotifications& m_server;
    Options m_options;
    QStringList m_lines;
    /// The server's id of the notification shown; 0 when none is.
    quint32 m_id = 0;
    /// A notification is on its way: a newer announcement waits for its id,
    /// so it replaces it rather than adding a second one.
    bool m_sending = false;
    bool m_sendAgain = false;
};

} // namespace orvane
