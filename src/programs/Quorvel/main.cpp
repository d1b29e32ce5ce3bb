// The tray notifier: wires the platform's real services, the settings, the
// displays and the checkers into the application object.
#include "bus/SessionInstance.h"
#include "bus/StatusObject.h"
#include "checkers/NotifierCheckers.h"
#include "core/IndicatorFanout.h"
#include "core/Indicators.h"
#include "core/MailCore.h"
#include "core/NotifierApp.h"
#include "core/ProgramWindows.h"
#include "display/DisplayWindows.h"
#include "display/KeyboardFlasher.h"
#include "display/QuickBar.h"
#include "display/QuickView.h"
#include "display/SkinDriver.h"
#include "display/TrayIconPicture.h"
#include "display/frmPopup.h"
#include "platform/LogonName.h"
#include "platform/PluginSoundPlayer.h"
#include "platform/QtMessageBoxes.h"
#include "platform/QtProcessLauncher.h"
#include "platform/QtTrayIcon.h"
#include "platform/QtUrlOpener.h"
#include "platform/SystemClock.h"
#include "platform/XdgMailClientLocator.h"
#include "platform/XkbKeyboardLight.h"
#include "settings/Settings.h"

#include <QApplication>

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
    orvane::SessionInstance instance(logon.logonName());
    orvane::PluginSoundPlayer sound(orvane::PluginSoundPlayer::DefaultPluginPath(folder));
    orvane::QtProcessLauncher launcher;
    orvane::XdgMailClientLocator mailClient;
    orvane::QtUrlOpener urls;
    orvane::XkbKeyboardLight light;
    orvane::TrayIconPicture trayPicture(tray);

    // Settings reads animateOn later than the driver is made: the driver
    // asks for it at each showing.
    orvane::Settings* options = nullptr;
    orvane::SkinDriver skinDriver(
        clock, trayPicture, [&options] { return !options || options->animateOn; }, folder);
    orvane::KeyboardFlasher flasher(clock, light);
    orvane::DisplayWindows windows(skinDriver, flasher);
    orvane::Settings settings(folder, {mailClient, launcher, messages, windows});
    options = &settings;
    orvane::QuickView quickView;
    orvane::QuickBar quickBar;
    orvane::frmPopup popup(clock, windows, [&settings] { return settings.showPopupWindow; });
    // The Quick Bar and tables do not exist yet: the base class's defaults
    // show nothing.
    orvane::IndicatorFanout displays({&skinDriver, &flasher, &popup});
    orvane::NotifierCheckers checkers;

    orvane::NotifierApp notifier(
        folder, {clock, logon, messages, tray, instance, sound, &urls},
        {settings, {settings, quickView, skinDriver, quickBar}, displays, windows, checkers});
    QObject::connect(&notifier, &orvane::NotifierApp::finished, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    orvane::StatusObject status(notifier.core(), notifier.accounts());

    if (!notifier.Start())
        return 0; // another instance runs
    if (notifier.isShutDown())
        return 0;
    status.publish();
    return app.exec();
}
