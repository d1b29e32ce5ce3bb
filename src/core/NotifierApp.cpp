#include "NotifierApp.h"

#include "AccountSecrets.h"
#include "CheckGate.h"
#include "CompanionConfig.h"
#include "IndicatorFanout.h"
#include "MailCore.h"
#include "NotifierOptions.h"
#include "ProgramWindows.h"
#include "SavedBlock.h"
#include "platform/Clock.h"
#include "platform/LogonName.h"
#include "platform/MessageBoxes.h"
#include "platform/ProgramInstance.h"
#include "stForm.h"

#include <QDir>
#include <QFileInfo>

namespace orvane {

NotifierApp::NotifierApp(DataFolders folders, NotifierServices services, NotifierParts parts)
    : m_folders(std::move(folders)), m_services(services), m_parts(std::move(parts))
{
    m_stForm = std::make_unique<stForm>(m_services.tray, m_services.clock, m_services.messages,
                                        m_parts.options, m_parts.windows, *this, m_services.urls,
                                        m_folders, [this] {
                                            // The form's first menu is built before the cycle.
                                            return !m_core || m_core->checkAllEnabled();
                                        });
    // The tray's pictures are the displays' (the skin driver's).
    m_fanout = std::make_unique<IndicatorFanout>(
        std::vector<Indicators*>{m_stForm.get(), &m_parts.displays});
    m_gate = std::make_unique<CheckGate>(m_services.clock, m_services.sleep, m_services.network);
    m_core = std::make_unique<MailCore>(m_services.clock, m_accounts, m_parts.options, *m_fanout,
                                        m_services.sound, m_parts.checkers, m_gate.get());
    connect(m_stForm.get(), &stForm::exitRequested, this, &NotifierApp::Shutdown);
    connect(m_stForm.get(), &stForm::trayRefused, this, &NotifierApp::Shutdown);
    connect(m_stForm.get(), &stForm::clearRequested, m_core.get(), &MailCore::ClearAll);
    connect(m_stForm.get(), &stForm::checkAllRequested, m_core.get(),
            &MailCore::checkAllAndAnnounceAgain);
    connect(m_stForm.get(), &stForm::runRequested, m_core.get(), &MailCore::runMailClient);
    connect(m_stForm.get(), &stForm::preferencesChanged, this, &NotifierApp::scheduleSave);
    // A failed menu action has been reported to the user; ending without
    // saving would lose every change since the start, so the way out is
    // the ordinary one.
    connect(m_stForm.get(), &stForm::failedCritically, this, &NotifierApp::Shutdown);
    connect(&m_services.instance, &ProgramInstance::shutdownRequested, this,
            &NotifierApp::Shutdown);
    connect(&m_services.instance, &ProgramInstance::saveRequested, this, &NotifierApp::save);
    m_saveSoon = m_services.clock.createTimer();
    m_saveSoon->setSingleShot(true);
    connect(m_saveSoon.get(), &Timer::timeout, this, &NotifierApp::save);
    m_secrets = std::make_unique<AccountSecrets>(
        m_services.secrets, m_accounts,
        AccountSecrets::Hooks{[this] { return m_parts.options.KeepPasswordsInFile(); },
                              [this] { return !m_shutDown && m_started && saveList(); }});
}

NotifierApp::~NotifierApp() = default;

QString NotifierApp::listFilePath() const
{
    return AccountListFile::pathFor(m_folders, m_logonName);
}

QString NotifierApp::secretScope(const QString& logonName, const DataFolders& folders)
{
    return logonName.trimmed() + u'@' + folders.programFolder();
}

NotifierApp::CommandLine NotifierApp::ParseCommandLine(const QStringList& arguments)
{
    static const QString option = QStringLiteral("--import");
    CommandLine line;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString file;
        if (arguments[i] == option) {
            if (i + 1 == arguments.size() || arguments[i + 1].isEmpty()) {
                line.error = QStringLiteral("--import needs the list file to import");
                return line;
            }
            file = arguments[++i];
        } else if (arguments[i].startsWith(option + QLatin1Char('='))) {
            file = arguments[i].mid(option.size() + 1);
            if (file.isEmpty()) {
                line.error = QStringLiteral("--import needs the list file to import");
                return line;
            }
        } else {
            continue;
        }
        if (!line.importFile.isEmpty()) {
            line.error = QStringLiteral("only one list can be imported");
            return line;
        }
        // Relative to where the user typed it, not to where the list goes.
        line.importFile = QFileInfo(file).absoluteFilePath();
    }
    return line;
}

std::unique_ptr<server> NotifierApp::newAccount()
{
    auto account = std::make_unique<server>(*m_core);
    m_secrets->watch(*account);
    return account;
}

bool NotifierApp::Start()
{
    if (!m_services.instance.claim()) {
        // Quietly, as a second start always ends, unless an import was
        // asked for: that one would otherwise seem done.
        if (!m_importFile.isEmpty()) {
            qWarning("Orvane: %s was not imported: end the notifier that runs for you first.",
                     qPrintable(m_importFile));
            m_importRefused = true;
        }
        return false;
    }
    m_logonName = m_services.logon.logonName();
    // Only once this is the one notifier of the user: a running one would
    // save over the copy.
    if (!m_importFile.isEmpty()) {
        QString error;
        if (!AccountListFile::importFrom(m_importFile, listFilePath(), &error)) {
            qWarning("Orvane: not started: %s.", qPrintable(error));
            m_importRefused = true;
            return false;
        }
        qInfo("Orvane: the accounts of %s were imported into %s.", qPrintable(m_importFile),
              qPrintable(listFilePath()));
    }
    m_started = true;
    m_startAtLogon = ReadCompanionConfig(m_folders.userFolder(), m_logonName);
    m_core->setAnnounced(false);
    m_parts.blocks.settings.LoadDefaultSettings();
    m_parts.windows.CreateWindows();

    QDir().mkpath(m_folders.listFolder());
    const auto loaded = AccountListFile::read(listFilePath(), m_accounts, m_parts.blocks,
                                              [this] { return newAccount(); });
    // Decided before the box: a shutdown may be asked for while it is up.
    m_keepListFile = loaded.result == AccountListFile::LoadResult::Refused;
    if (!loaded.message.isEmpty()) {
        m_services.messages.showMessage(QString::fromLatin1(MessageBoxes::kTitle), loaded.message,
                                        loaded.icon);
    }
    if (m_shutDown)
        return true;
    // Before the first check: an account whose password the keyring keeps
    // waits for it instead of being checked without one.
    m_secrets->start(secretScope());

    m_stForm->SetTrayIconFromResource(101);
    m_parts.windows.AfterListLoaded(loaded.result != AccountListFile::LoadResult::Missing);
    m_fanout->DoIdle();
    m_stForm->AddTrayIcon();
    if (m_shutDown)
        return true;
    m_core->resetPass();
    if (m_parts.options.CheckOnStartup())
        m_core->CheckAll();
    return true;
}

void NotifierApp::save()
{
    if (m_shutDown || !m_started)
        return;
    saveFiles();
}

void NotifierApp::scheduleSave()
{
    // Not restarted by later changes: a user who keeps changing things still
    // gets a save every few seconds.
    if (!m_shutDown && !m_saveSoon->isActive())
        m_saveSoon->start(kSaveDelayMs);
}

void NotifierApp::Shutdown()
{
    if (m_shutDown || !m_started)
        return;
    m_shutDown = true;
    m_saveSoon->stop();
    // A box still open (the start's damaged-list message, say) would keep
    // the process waiting for a click that may never come.
    m_services.messages.closeOpenBoxes();
    m_secrets->stop();
    saveFiles();
    m_parts.windows.UnloadWindows();
    m_stForm->RemoveTrayIcon();
    // Checks still under way end here; nothing they raise is wanted now,
    // nor a check for a wake or the network's return.
    m_gate->blockSignals(true);
    for (const auto& account : m_accounts)
        account->Deactivate();
    Q_EMIT finished();
}

void NotifierApp::saveFiles()
{
    QDir().mkpath(m_folders.listFolder());
    QDir().mkpath(m_folders.userFolder());
    WriteCompanionConfig(m_folders.userFolder(), m_logonName, m_startAtLogon);
    saveList();
}

bool NotifierApp::saveList()
{
    QDir().mkpath(m_folders.listFolder());
    const QString path = listFilePath();
    if (m_keepListFile) {
        qWarning("Orvane: %s was not loaded, so it is left as it is; the changes of this session "
                 "are not saved.",
                 qPrintable(path));
        return false;
    }
    QString error;
    if (!AccountListFile::save(path, m_accounts, m_parts.blocks, &error)) {
        qWarning("Orvane: the list of accounts could not be saved to %s: %s.  The file keeps the "
                 "accounts of the last save.",
                 qPrintable(path), qPrintable(error));
        return false;
    }
    return true;
}

} // namespace orvane
