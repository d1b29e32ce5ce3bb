#include "Zarnik.h"

#include "core/CompanionConfig.h"
#include "platform/Clock.h"
#include "platform/LogonName.h"
#include "platform/ProcessLauncher.h"
#include "utility/NotifierLink.h"

#include <QPointer>

namespace orvane {

Zarnik::Zarnik(DataFolders folders, Services services, QObject* parent)
    : QObject(parent), m_folders(std::move(folders)), m_services(services)
{}

Zarnik::~Zarnik() = default;

bool Zarnik::IsStartupSwitch(const QStringList& arguments)
{
    // The switch is the whole command line: a blank after it, or a second
    // argument, is something else.
    return arguments.join(QLatin1Char(' ')).toUpper() == QLatin1String("/STARTUP");
}

bool Zarnik::ShouldStart() const
{
    return ShouldStartAtLogon(m_folders.userFolder(), m_services.logon.logonName());
}

void Zarnik::Run(const QStringList& arguments)
{
    if (IsStartupSwitch(arguments))
        StartMode();
    else
        ShutdownMode();
}

void Zarnik::StartMode()
{
    if (!ShouldStart()) {
        // Ends from the event loop, as every other way does.
        finishAfter(0);
        return;
    }
    // Ends once the launcher knows the notifier is under way; a failed start
    // is told to nobody.
    QPointer<Zarnik> self(this);
    m_services.launcher.start(m_folders.programFolder() + QLatin1String(kMainProgram), {},
                              [self](bool) {
                                  if (self)
                                      self->finish();
                              });
}

void Zarnik::ShutdownMode()
{
    QPointer<Zarnik> self(this);
    m_services.notifier.Shutdown([self](bool reached) {
        if (!self)
            return;
        // A notifier that was reached is given a moment before this ends.
        if (reached)
            self->finishAfter(kExitDelayMs);
        else
            self->finish();
    });
}

void Zarnik::finishAfter(int ms)
{
    m_exitTimer = m_services.clock.createTimer();
    m_exitTimer->setSingleShot(true);
    connect(m_exitTimer.get(), &Timer::timeout, this, &Zarnik::finish);
    m_exitTimer->start(ms);
}

void Zarnik::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    Q_EMIT finished();
}

} // namespace orvane
