#pragma once


#include "Indicators.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace orvane {

class Clock;
class MessageBoxes;
class Timer;
class TrayIcon;

/// The tray form: the icon in the notification area, its tooltip and its
/// menu. It keeps the icon's picture and tip so they survive a re-add.
class stForm : public QObject, public Indicators
{
    Q_OBJECT
public:
    static constexpr const char* kRefusedMessage =
        "Critical Error: Unable to add icon to System Tray.";
    /// How long to wait for a tray host that is not up yet (log-on races).
    static constexpr int kTrayWaitSeconds = 60;

    stForm(TrayIcon& tray, Clock& clock, MessageBoxes& messages, QObject* parent = nullptr);
    ~stForm() override;

    /// Adds the icon with the tip "Orvane - No mail". When no tray host is
    /// there yet, keeps trying every second for up to a minute; then, or
    /// when the tray refuses, tells the user and asks for shutdown.
    void AddTrayIcon();
    void RemoveTrayIcon();
    void SetTrayIconFromResource(int id);
    void SetTrayIconFromFile(const QString& path);
    void SetTrayTip(const QString& text) override;
    void SetCheckAllEnabled(bool enabled) override { m_checkAllEnabled = enabled; }

    bool isAdded() const { return m_added; }
    int iconResource() const { return m_iconResource; }
    QString tip() const { return m_tip; }

    /// The picture of an icon resource (101 to 107).
    static QString ResourcePath(int id);

Q_SIGNALS:
    void trayAdded();
    /// The icon could not be added; the program is to shut down.
    void trayRefused();
    void exitRequested();

private:
    void tryAdd();
    void refreshMenu();

    TrayIcon& m_tray;
    Clock& m_clock;
    MessageBoxes& m_messages;
    std::unique_ptr<Timer> m_retry;
    int m_triesLeft = 0;
    bool m_added = false;
    int m_iconResource = 101;
    QString m_tip;
    bool m_checkAllEnabled = true;
};

} // namespace orvane
