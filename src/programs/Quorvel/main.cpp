// The tray notifier: wires the platform's real services, the settings, the
// displays and the checkers into the application object.
#include "checkers/QuorvelCheckers.h"
#include "core/GenericServer.h"
#include "core/Indicators.h"
#include "core/NotifierApp.h"
#include "core/ProgramWindows.h"
#include "display/QuickBar.h"
#include "display/QuickView.h"
#include "display/SkinDriver.h"
#include "platform/LogonName.h"
#include "platform/QtMessageBoxes.h"
#include "platform/QtTrayIcon.h"
#include "platform/SessionInstance.h"
#include "platform/SoundPlayer.h"
#include "platform/SystemClock.h"
#include "settings/Settings.h"

#include <QApplication>
#include <QTimer>

namespace {

struct NoSound final : orvane::SoundPlayer
{
    void play(const QString&) override {}
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvane"));
    QApplication::setQuitOnLastWindowClosed(false);
    Q_INIT_RESOURCE(icons);

    const QString folder = QCoreApplication::applicationDirPath() + QLatin1Char('/');

    orvane::SystemClock clock;
    orvane::PosixLogonName logon;
    orvane::QtMessageBoxes messages;
    orvane::QtTrayIcon tray;
    orvane::SessionInstance instance(folder);
    NoSound sound;

    orvane::Settings settings(folder);
    orvane::QuickView quickView;
    orvane::SkinDriver skinDriver;
    orvane::QuickBar quickBar;
    orvane::Indicators displays;
    orvane::ProgramWindows windows;
    orvane::QuorvelCheckers checkers;

    orvane::NotifierApp notifier(
        folder, {clock, logon, messages, tray, instance, sound},
        {settings,
         {settings, quickView, skinDriver, quickBar},
         displays,
         windows,
         [&checkers] { return std::make_unique<orvane::GenericServer>(checkers); }});
    QObject::connect(&notifier, &orvane::NotifierApp::finished, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    if (!notifier.Start())
        return 0; // another instance runs
    if (notifier.isShutDown())
        return 0;
    return app.exec();
}
