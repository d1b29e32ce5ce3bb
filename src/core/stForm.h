#pragma once

#include "Indicators.h"

#include <QObject>
#include <QString>
#include <memory>
#include <vector>

namespace orvane {

class Clock;
class MessageBoxes;
class NotifierOptions;
class ProgramWindows;
class StartAtBoot;
class Timer;
class TrayIcon;
class UrlOpener;
struct TrayMenuEntry;

/// The tray form: the icon in the notification area, its tooltip and its
/// menu. It keeps the icon's picture and tip so they survive a re-add, and
/// works out the menu's enabled states and check marks each time it opens.
class stForm : public QObject, public Indicators
{
    Q_OBJECT
public:
    static constexpr const char* kRefusedMessage =
        "Critical Error: Unable to add icon to System Tray.";
    static constexpr const char* kCriticalTitle = "Orvane - Critical Error";
    /// How long to wait for a tray host that is not up yet (log-on races).
    static constexpr int kTrayWaitSeconds = 60;

    /// `actions` is the settings store (valid e-mail program, running it,
    /// the double-click action); `urls` may be null, then no page opens.
    /// `programFolder` ends with a slash; the menu's pages live there.
    stForm(TrayIcon& tray, Clock& clock, MessageBoxes& messages, NotifierOptions& actions,
           ProgramWindows& windows, StartAtBoot& startup, UrlOpener* urls, QString programFolder,
           QObject* parent = nullptr);
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
    /// Opens a document or folder of the program folder; failures ignored.
    void OpenDocument(const QString& target);

    /// The menu as it would open now.
    std::vector<TrayMenuEntry> BuildMenu() const;

    /// The text of the box shown for an unexpected fault.
    static QString CriticalErrorText(const QString& location, const QString& description,
                                     qint64 number);
    /// Shows that box; the program then saves and ends.
    void ShowCriticalError(const QString& location, const QString& description, qint64 number);

    bool isAdded() const { return m_added; }
    int iconResource() const { return m_iconResource; }
    QString tip() const { return m_tip; }
    bool checkAllEnabled() const { return m_checkAllEnabled; }

    /// The picture of an icon resource (101 to 107).
    static QString ResourcePath(int id);
    /// The page a menu item opens, relative to the program folder; empty
    /// for items that open none.
    static QString PageFor(const QString& menuId);

Q_SIGNALS:
    void trayAdded();
    /// The icon could not be added; the program is to shut down.
    void trayRefused();
    void exitRequested();
    /// "Clear Mail Count".
    void clearRequested();
    /// "Check All Servers": announce again, then check every account.
    void checkAllRequested();
    /// An unexpected fault was reported; the program is to save and end.
    void failedCritically();

private:
    void tryAdd();
    void refreshMenu();
    void menuTriggered(const QString& id);
    void runMenuItem(const QString& id);
    void doubleClicked();

    TrayIcon& m_tray;
    MessageBoxes& m_messages;
    NotifierOptions& m_actions;
    ProgramWindows& m_windows;
    StartAtBoot& m_startup;
    UrlOpener* m_urls;
    QString m_programFolder;
    std::unique_ptr<Timer> m_retry;
    int m_triesLeft = 0;
    bool m_added = false;
    int m_iconResource = 101;
    QString m_tip;
    bool m_checkAllEnabled = true;
};

} // namespace orvane
