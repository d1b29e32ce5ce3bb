#pragma once

#include "AccountList.h"
#include "AccountListFile.h"
#include "StartAtLogon.h"
#include "platform/DataFolders.h"

#include <QObject>
#include <QString>
#include <memory>

namespace orvane {

class AccountSecrets;
class CheckGate;
class CheckerFactory;
class Clock;
class Indicators;
class LogonName;
class MailCore;
class MessageBoxes;
class NetworkWatch;
class NotifierOptions;
class ProgramInstance;
class ProgramWindows;
class SecretStore;
class SleepWatch;
class SoundPlayer;
class TrayIcon;
class UrlOpener;
class stForm;
class IndicatorFanout;
class Timer;

/// The platform services the notifier runs on.
struct NotifierServices
{
    Clock& clock;
    LogonName& logon;
    MessageBoxes& messages;
    TrayIcon& tray;
    ProgramInstance& instance;
    SoundPlayer& sound;
    /// Opens the pages of the tray menu; without one they do nothing.
    UrlOpener* urls = nullptr;
    /// The machine's sleep and wake, and its network; without them checks
    /// run whenever they are due.
    SleepWatch* sleep = nullptr;
    NetworkWatch* network = nullptr;
    /// The desktop's keyring; without one passwords stay in the list file.
    SecretStore* secrets = nullptr;
};

/// The program-wide objects that live outside the core.
struct NotifierParts
{
    NotifierOptions& options;
    ListFileBlocks blocks;
    /// The displays outside the core (tray skins, Quick Bar, keyboard light, popup,
    /// tables); the check cycle redraws them with the tray form.
    Indicators& displays;
    ProgramWindows& windows;
    /// The checkers each account's dispatcher chooses between.
    CheckerFactory& checkers;
};

/// The notifier's application object: it owns the account list, the check
/// cycle and the tray form, runs the start routine and the one shutdown
/// routine, and hands references down.
class NotifierApp : public QObject, public StartAtLogon
{
    Q_OBJECT
public:
    NotifierApp(DataFolders folders, NotifierServices services, NotifierParts parts);
    ~NotifierApp() override;

    /// What the notifier's command line asks for. Arguments it does not know
    /// are left alone, as they always were.
    struct CommandLine
    {
        /// "--import FILE" or "--import=FILE": the list to start with.
        QString importFile;
        /// Why the command line cannot be followed; empty when it can.
        QString error;
    };
    static CommandLine ParseCommandLine(const QStringList& arguments);

    /// Makes the start copy the list at `file` to this user's list file,
    /// which must not exist yet.
    void setImportFile(const QString& file) { m_importFile = file; }

    /// The start routine. False when the program is not to run: another
    /// instance runs (nothing was touched and the process is to end
    /// quietly), or the list asked for was not imported (`importRefused`,
    /// said on standard error; another instance running included).
    bool Start();
    bool importRefused() const { return m_importRefused; }
    /// Writes the list file and the companion files as the shutdown does,
    /// and goes on running.
    void save();
    /// The user changed an account or an option: saves a few seconds later,
    /// one save for a whole burst of changes, so a crash loses nothing.
    void scheduleSave();
    static constexpr int kSaveDelayMs = 3000;
    /// Saves everything and ends the program; runs once however entered.
    void Shutdown();

    const DataFolders& folders() const { return m_folders; }
    QString logonName() const { return m_logonName; }
    QString listFilePath() const;
    bool startAtLogon() const override { return m_startAtLogon; }
    void setStartAtLogon(bool on) override { m_startAtLogon = on; }
    bool isShutDown() const { return m_shutDown; }

    AccountList& accounts() { return m_accounts; }
    MailCore& core() { return *m_core; }
    /// Tells of sleep, wake and the network's return (for connections that
    /// stay open between checks).
    CheckGate& gate() { return *m_gate; }
    stForm& trayForm() { return *m_stForm; }
    /// Where the accounts' passwords live, and their moves.
    AccountSecrets& secrets() { return *m_secrets; }
    /// What keeps this list's keyring items apart from every other list's:
    /// the program folder and the log-on name. Static for the secrets made
    /// before the notifier (the provider sign-ins' tokens).
    static QString secretScope(const QString& logonName, const DataFolders& folders);
    QString secretScope() const { return secretScope(m_logonName, m_folders); }

    /// A new account bound to this program's check cycle.
    std::unique_ptr<server> newAccount();

Q_SIGNALS:
    /// The shutdown routine has run; the process is to end now.
    void finished();

private:
    /// Writes the companion files and the list file, or says on standard
    /// error why the list was not written.
    void saveFiles();
    /// Writes the list file; false when it was not written.
    bool saveList();

    DataFolders m_folders;
    NotifierServices m_services;
    NotifierParts m_parts;
    QString m_logonName;
    bool m_startAtLogon = true;
    bool m_shutDown = false;
    bool m_started = false;
    QString m_importFile;
    bool m_importRefused = false;
    /// The list file was not loaded (or was damaged and could not be kept):
    /// it is never saved over.
    bool m_keepListFile = false;
    AccountList m_accounts;
    std::unique_ptr<stForm> m_stForm;
    /// Hands every redraw to the tray form and the displays.
    std::unique_ptr<IndicatorFanout> m_fanout;
    std::unique_ptr<CheckGate> m_gate;
    std::unique_ptr<MailCore> m_core;
    std::unique_ptr<Timer> m_saveSoon;
    std::unique_ptr<AccountSecrets> m_secrets;
};

} // namespace orvane
