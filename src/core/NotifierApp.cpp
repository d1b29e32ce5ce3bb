#include "NotifierApp.h"

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

namespace orvane {

NotifierApp::NotifierApp(QString programFolder, NotifierServices services, NotifierParts parts)
    : m_programFolder(std::move(programFolder)), m_services(services), m_parts(std::move(parts))
{
    if (!m_programFolder.endsWith(QLatin1Char('/')))
        m_programFolder += QLatin1Char('/');
    m_stForm = std::make_unique<stForm>(m_services.tray, m_services.clock, m_services.messages,
                                        m_parts.options, m_parts.windows, *this, m_services.urls,
                                        m_programFolder, [this] {
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
}

NotifierApp::~NotifierApp() = default;

QString NotifierApp::listFilePath() const
{
    return AccountListFile::pathFor(m_programFolder, m_logonName);
}

std::unique_ptr<server> NotifierApp::newAccount()
{
    return std::make_unique<server>(*m_core);
}

bool NotifierApp::Start()
{
    if (!m_services.instance.claim())
        return false;
    m_started = true;
    m_logonName = m_services.logon.logonName();
    m_startAtLogon = ReadCompanionConfig(m_programFolder, m_logonName);
    m_core->setAnnounced(false);
    m_parts.blocks.settings.LoadDefaultSettings();
    m_parts.windows.CreateWindows();

    QDir().mkpath(m_programFolder + QStringLiteral("Users"));
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
    QDir().mkpath(m_programFolder + QStringLiteral("Users"));
    WriteCompanionConfig(m_programFolder, m_logonName, m_startAtLogon);
    const QString path = listFilePath();
    if (m_keepListFile) {
        qWarning("Orvane: %s was not loaded, so it is left as it is; the changes of this session "
                 "are not saved.",
                 qPrintable(path));
        return;
    }
    QString error;
    if (!AccountListFile::save(path, m_accounts, m_parts.blocks, &error)) {
        qWarning("Orvane: the list of accounts could not be saved to %s: %s.  The file keeps the "
                 "accounts of the last save.",
                 qPrintable(path), qPrintable(error));
    }
}

} // namespace orvane
