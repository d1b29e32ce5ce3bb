#pragma once

#include "core/NotifierOptions.h"
#include "core/SavedBlock.h"

#include <QProcessEnvironment>
#include <QString>
#include <optional>

namespace orvane {

class MailClientLocator;
class MessageBoxes;
class ProcessLauncher;
class ProgramWindows;

/// What the settings store's general actions act through.
struct SettingsServices
{
    MailClientLocator& mailClient;
    ProcessLauncher& launcher;
    MessageBoxes& messages;
    ProgramWindows& windows;
    /// Where "%NAME%" in a mail client's command is looked up.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    /// Whether this desktop keeps a list of notifications of its own; asked
    /// only while no choice of the user's is known.
    std::function<bool()> desktopKeepsNotifications = {};
};

/// The user's options for the whole run and the general actions that depend
/// on them. The object outlives the settings window, which only shows and
/// edits these fields.
class Settings : public SavedBlock, public NotifierOptions
{
public:
    static constexpr const char* kNoMailClientMessage = "Could not detect default mail client.";

    /// `programFolder` ends with a slash.
    Settings(QString programFolder, SettingsServices services);

    // The options, in the order of the settings block where saved.
    bool onItemClick = false;
    bool justClicked = false;
    qint16 timeDisp = 0;
    qint32 spcName = 2000;
    qint32 spcMail = 1000;
    qint32 spcTime = 2000;
    qint32 spcDetail = 2800;
    bool settingsLoaded = false;
    QString waveFilename;
    QString eprogFilename;
    bool bStartup = true;
    bool bPlaywave = true;
    bool animateOn = true;
    bool wMailFound = false;
    qint32 wMailClick = 2;
    qint16 selTab = 0;
    bool showPopupWindow = true;
    bool flashScrollLock = false;
    /// "Keep passwords in the list file": saved after the accounts.
    bool keepPasswordsInFile = false;

    // SavedBlock
    void LoadDefaultSettings() override;
    bool ReadYourselfIn(const QString& version, AnsiLineReader& in) override;
    void WriteYourself(AnsiLineWriter& out) override;
    bool ReadLaterLines(AnsiLineReader& in) override;
    void WriteLaterLines(AnsiLineWriter& out) override;

    /// Announcements go to the desktop's notification server instead of
    /// the popup window. Without a saved choice the desktop decides once:
    /// on where the tray shows StatusNotifierItems.
    bool UseDesktopNotifications() const;
    void SetUseDesktopNotifications(bool on) { m_useDesktopNotifications = on; }

    // NotifierOptions
    int GetTimeDisp() const override { return timeDisp; }
    bool PlaySound() const override { return bPlaywave; }
    QString GetSoundFile() const override { return waveFilename; }
    bool IsFlashScrollLockOn() const override { return flashScrollLock; }
    bool CheckOnStartup() const override { return bStartup; }
    bool KeepPasswordsInFile() const override { return keepPasswordsInFile; }
    /// Starts the e-mail program, exactly the program ExtractProgramPath
    /// finds with the rest of the text as its arguments, without waiting.
    /// Unless `force`, only when running it is the chosen new-mail action.
    /// True when the start was asked for; `started` then hears whether the
    /// program runs (false also for one that ended at once with a failure).
    bool RunEProg(bool force, std::function<void(bool started)> started) override;
    bool ValidEProg() const override;
    /// Action 0 runs the e-mail program through `runEProg` (Quick View when
    /// it is not valid), 1 the settings window, 3 opens or closes the Quick
    /// Bar, anything else Quick View.
    void DoubleClick(const std::function<void()>& runEProg) override;

    /// Takes the desktop's default mail client as the e-mail program, its
    /// arguments kept; when there is none, nothing changes and, if
    /// `complain`, the user is told.
    void GetDefaultEprog(bool complain);
    void SetEprogFromCommand(const QString& command);
    QString StripQuotes(const QString& text) const;
    QString ExpandEnvironment(const QString& text) const;

private:
    QString m_programFolder;
    SettingsServices m_services;
    mutable std::optional<bool> m_useDesktopNotifications;
};

} // namespace orvane
