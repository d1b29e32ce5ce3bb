#pragma once

#include "Indicators.h"
#include "platform/DataFolders.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace orvane {

class Clock;
class MessageBoxes;
class NotifierOptions;
class ProgramWindows;
class StartAtLogon;
class Timer;
class TrayIcon;
class UrlOpener;
struct TrayMenuEntry;

/// The tray form: the icon in the notification area, its tooltip and its
/// menu. It keeps the icon's picture so it survives a re-add, and works out
/// the menu's enabled states and check marks each time it opens. The tip and
/// whether "Check All Servers" may run are the check cycle's: the form shows
/// them as they are decided and keeps no copy.
class stForm : public QObject, public Indicators
{
    Q_OBJECT
public:
    static constexpr const char* kRefusedMessage =
        "Critical Error: Unable to add icon to System Tray.";
    static constexpr const char* kCriticalTitle = "Orvane - Critical Error";
    /// How long to wait for a tray host that is not up yet (log-on races).
    static constexpr int kTrayWaitSeconds = 60;

    /// `actions` is the settings store (valid e-mail program, the
    /// double-click action); `urls` may be null, then no page opens.
    /// The menu's pages live in the program folder of `folders`; "Get More
    /// Skins" opens the folder where the user can add skins.
    /// `checkAllEnabled` reads the check cycle's decision when the menu opens.
    stForm(TrayIcon& tray, Clock& clock, MessageBoxes& messages, NotifierOptions& actions,
           ProgramWindows& windows, StartAtLogon& startAtLogon, UrlOpener* urls,
           DataFolders folders, std::function<bool()> checkAllEnabled, QObject* parent = nullptr);
    ~stForm() override;

    /// Adds the icon with the tip "Orvane - No mail". When no tray host is
    /// there yet, keeps trying every second for up to a minute; then, or
    /// when the tray refuses, tells the user and asks for shutdown.
    void AddTrayIcon();
    void RemoveTrayIcon();
    void SetTrayIconFromResource(int id);
    void SetTrayIconFromFile(const QString& path);
    /// Shows the check cycle's tip, already within the tray's limit.
    void SetTrayTip(const QString& text) override;
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
    /// "Run E-Mail Client", or the double-click when that is its action.
    void runRequested();
    /// An unexpected fault was reported; the program is to save and end.
    void failedCritically();
    /// A menu item changed something the list file or the companion file
    /// keeps (the Quick Bar's visibility, place or on-top choice, the start
    /// at log-on): it is to be saved.
    void preferencesChanged();

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
    StartAtLogon& m_startAtLogon;
    UrlOpener* m_urls;
    DataFolders m_folders;
    std::unique_ptr<Timer> m_retry;
    int m_triesLeft = 0;
    bool m_added = false;
    int m_iconResource = 101;
    std::function<bool()> m_checkAllEnabled;
};

} // namespace orvane
