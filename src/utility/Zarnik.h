#pragma once

#include "platform/DataFolders.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

namespace orvane {

class Clock;
class LogonName;
class NotifierLink;
class ProcessLauncher;
class Timer;

/// The utility program: run with "/STARTUP" it starts the notifier when the
/// user chose to have it started at log-on; run any other way it asks a
/// running notifier to shut down. Every failure is silent: it only ends.
class Zarnik : public QObject
{
    Q_OBJECT
public:
    struct Services
    {
        Clock& clock;
        LogonName& logon;
        ProcessLauncher& launcher;
        NotifierLink& notifier;
    };

    /// The notifier's executable, next to the utility.
    static constexpr const char* kMainProgram = "Quorvel";
    /// How long the utility lingers after a shutdown request was handed on.
    static constexpr int kExitDelayMs = 250;

    /// The notifier is started from `folders.programFolder()`; the
    /// companion files are read where that notifier keeps them.
    Zarnik(DataFolders folders, Services services, QObject* parent = nullptr);
    ~Zarnik() override;

    /// Whether the arguments, joined by blanks and in upper case, are exactly
    /// "/STARTUP".
    static bool IsStartupSwitch(const QStringList& arguments);

    /// The companion files' answer for the user running the utility.
    bool ShouldStart() const;

    /// Runs the mode the arguments select; `finished` follows once it is done.
    void Run(const QStringList& arguments);

Q_SIGNALS:
    void finished();

private:
    void StartMode();
    void ShutdownMode();
    void finishAfter(int ms);
    void finish();

    DataFolders m_folders;
    Services m_services;
    std::unique_ptr<Timer> m_exitTimer;
    bool m_finished = false;
};

} // namespace orvane
