#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <memory>

namespace orvane::e2e {

/// A throw-away X desktop for end-to-end tests: an Xvfb display of its own
/// with a trayer panel at the bottom right, so the real programs can show
/// their tray icons. Programs are started with `environment()`; the session
/// bus is the one the test runs on (scripts/test.sh gives it a private one).
/// Everything started here ends with `stop()` or the destructor.
class Desktop
{
public:
    Desktop() = default;
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    /// Starts the display and the tray panel and waits until both answer.
    /// False with `errorString()` when either does not come up in time.
    bool start();
    void stop();

    QString errorString() const { return m_error; }

    /// The display name, for example ":3"; empty before `start()`.
    QString display() const { return m_display; }

    /// The test's environment, pointed at this display on the xcb platform
    /// (the test itself may run offscreen, the programs it starts must not).
    QProcessEnvironment environment() const;

    /// Writes a PNG of the whole screen.
    bool screenshot(const QString& filePath) const;

    /// How many icons sit in the tray panel right now (-1 when unknown).
    int trayIconCount() const;

    /// True while a mapped window with exactly this title is on the screen.
    bool hasWindowTitled(const QString& title) const;

private:
    bool startDisplay();
    bool startTray();
    // Runs a helper tool on this display; false when it fails or hangs.
    bool runTool(const QString& program, const QStringList& arguments,
                 QByteArray* output = nullptr) const;
    QString trayWindow() const;

    std::unique_ptr<QProcess> m_xvfb;
    std::unique_ptr<QProcess> m_tray;
    QString m_display;
    QString m_error;
};

} // namespace orvane::e2e
