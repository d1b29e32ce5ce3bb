#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace orvane::e2e {

/// A throw-away X desktop for end-to-end tests: an Xvfb display of its own
/// with a tray panel at the bottom right, so the real programs can show
/// their tray icons. Programs are started with `environment()`; the session
/// bus is the one the test runs on (scripts/test.sh gives it a private one).
/// Everything started here ends with `stop()` or the destructor.
class Desktop
{
public:
    /// The two kinds of tray host: trayer embeds icon windows (XEmbed);
    /// Xfce's panel, with its settings daemon and a home folder of its own,
    /// shows StatusNotifierItems registered with the watcher it serves on
    /// the session bus.
    enum class Tray
    {
        XEmbed,
        StatusNotifier
    };

    Desktop() = default;
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    /// Starts the display and the tray panel and waits until both answer.
    /// False with `errorString()` when either does not come up in time.
    bool start(Tray tray = Tray::XEmbed);
    void stop();

    QString errorString() const { return m_error; }

    /// The display name, for example ":3"; empty before `start()`.
    QString display() const { return m_display; }

    /// The test's environment, pointed at this display on the xcb platform
    /// (the test itself may run offscreen, the programs it starts must not).
    QProcessEnvironment environment() const;

    /// Writes a PNG of the whole screen.
    bool screenshot(const QString& filePath) const;

    /// How many icons sit in the XEmbed tray panel right now (-1 when
    /// unknown).
    int trayIconCount() const;
    /// Clicks the first icon of the XEmbed tray panel with the left button
    /// (or `button`: 3 is the right one), `clicks` times in quick
    /// succession; false when there is no icon.
    bool clickTrayIcon(int clicks, int button = 1) const;

    /// Drags with the left button from `from` to `to` (screen pixels),
    /// through a point between them as a hand would.
    bool drag(const QPoint& from, const QPoint& to) const;

    /// Splits the screen into two monitors side by side (RandR monitors of
    /// 512 x 768 each), as a desktop with a second monitor shows itself.
    bool splitIntoTwoMonitors() const;

    /// True while a mapped window with exactly this title is on the screen.
    bool hasWindowTitled(const QString& title) const;

private:
    bool startDisplay();
    bool startTray();
    bool startStatusNotifierHost();
    // Starts a helper that runs until stop(); false when it does not start.
    bool startHelper(std::unique_ptr<QProcess>& process, const QString& program,
                     const QStringList& arguments, const QProcessEnvironment& env);
    // The icon windows of the XEmbed panel in screen coordinates; false when
    // the panel cannot be read.
    bool trayIconPlaces(QList<QRect>& places) const;
    // Runs a helper tool on this display; false when it fails or hangs.
    bool runTool(const QString& program, const QStringList& arguments,
                 QByteArray* output = nullptr) const;
    QString trayWindow() const;

    std::unique_ptr<QProcess> m_xvfb;
    std::unique_ptr<QProcess> m_settingsDaemon;
    std::unique_ptr<QProcess> m_tray;
    std::unique_ptr<QTemporaryDir> m_home;
    // The programs' runtime folder, where the notifier keeps its per-user
    // lock: a test's notifier never meets one of another run on this machine.
    std::unique_ptr<QTemporaryDir> m_runtime;
    QString m_display;
    QString m_error;
};

} // namespace orvane::e2e
