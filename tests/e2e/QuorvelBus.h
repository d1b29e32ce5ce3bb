#pragma once

#include <QByteArrayList>
#include <QDBusMessage>
#include <QList>
#include <QProcess>
#include <QString>
#include <QVariant>
#include <optional>

namespace orvane::e2e {

/// Account list files the real notifier reads, written the way it writes
/// them, so a test can hand it accounts before the account dialog exists.
struct ListSettings
{
    QString wave;
    bool playSound = false;
    bool checkAtStartup = false;
    bool showPopup = false;
    QString eprog{};
    /// The tray's double-click action: 0 runs the e-mail program, 2 opens
    /// Quick View.
    int doubleClick = 2;
    /// The settings page shown first (0 Accounts, 1 General, ... 4 About).
    int page = 0;
    /// The tray skin's folder name.
    QByteArray traySkin = "<No Skin>";
    /// "Use the desktop's notifications", the line after the accounts; a
    /// file without it leaves the choice to the desktop.
    std::optional<bool> desktopNotifications = {};
};

struct ListAccount
{
    QByteArray name;
    QByteArray address;
    int timeout = 60;
    int interval = 3600;
    QByteArray user = "user";
    QString password = {};
};

/// Lines before the first account: the frame (2), settings (15), Quick View
/// (4), tray skin (1) and Quick Bar (5).
constexpr int kFirstAccountLine = 2 + 15 + 4 + 1 + 5;
constexpr int kAccountLines = 16;
/// Lines after the accounts: "Use the desktop's notifications", "Keep passwords
/// in the list file".
constexpr int kLaterLines = 2;

/// The list file's password form: per byte of its UTF-8 text the number of
/// digits of the byte's value, then the value.
QByteArray encodePassword(const QString& password);

QByteArray listFileContent(const ListSettings& settings, const QList<ListAccount>& accounts);

/// The notifier's objects on the test's session bus.
inline constexpr const char* kQuorvelService = "org.orvane.Quorvel";

bool quorvelOnBus();
/// A property of /Status; an invalid QVariant when the call fails.
QVariant statusProperty(const QString& name);
QDBusMessage callStatus(const QString& method);
QDBusMessage callShutdown(int timeoutMs);

/// Starts the notifier of the program folder `folder` in `environment`, its
/// output forwarded; true once it owns its bus name.
bool startQuorvel(QProcess& process, const QString& folder, const QProcessEnvironment& environment,
                  int timeoutMs);
/// Asks a running notifier to end over the bus, and kills it when it has not
/// ended in time.
void stopQuorvel(QProcess& process, int timeoutMs);

} // namespace orvane::e2e
