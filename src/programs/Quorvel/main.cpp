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
#include "display/QuickBar.h"
#include "display/QuickView.h"
#include "display/SkinDriver.h"
#include "display/TrayMenuPopup.h"
#include "platform/LogonName.h"
#include "platform/PluginSoundPlayer.h"
#include "platform/QtMessageBoxes.h"
#include "platform/QtProcessLauncher.h"
#include "platform/QtTrayIcon.h"
#include "platform/QtUrlOpener.h"
#include "platform/SystemClock.h"
#include "platform/XdgMailClientLocator.h"
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

    orvane::ProgramWindows windows;
    orvane::Settings settings(folder, {mailClient, launcher, messages, windows});
    orvane::QuickView quickView(windows, settings);
    orvane::SkinDriver skinDriver;
    orvane::QuickBar quickBar(folder, windows, settings);
    // The displays the check cycle redraws besides the tray: the Quick Bar's
    // state and count, and the Quick View's table.
    orvane::IndicatorFanout displays({&quickBar, &quickView});
    orvane::NotifierCheckers checkers;

    orvane::NotifierApp notifier(
        folder, {clock, logon, messages, tray, instance, sound, &urls},
        {settings, {settings, quickView, skinDriver, quickBar}, displays, windows, checkers});
    QObject::connect(&notifier, &orvane::NotifierApp::finished, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    orvane::StatusObject status(notifier.core(), notifier.accounts());

    // The Quick Bar's and Quick View's commands that belong to the check
    // cycle and the program, and the tray menu the bar opens.
    quickView.setAccounts(notifier.accounts());
    orvane::MailCore& core = notifier.core();
    QObject::connect(&quickBar, &orvane::QuickBar::checkAllRequested, &core,
                     &orvane::MailCore::checkAllAndAnnounceAgain);
    QObject::connect(&quickBar, &orvane::QuickBar::clearRequested, &core,
                     &orvane::MailCore::ClearAll);
    QObject::connect(&quickBar, &orvane::QuickBar::runRequested, &core,
                     &orvane::MailCore::runMailClient);
    QObject::connect(&quickBar, &orvane::QuickBar::exitRequested, &notifier,
                     &orvane::NotifierApp::Shutdown, Qt::QueuedConnection);
    QObject::connect(&quickView, &orvane::QuickView::checkAllRequested, &core,
                     &orvane::MailCore::checkAllAndAnnounceAgain);
    QObject::connect(&quickView, &orvane::QuickView::runRequested, &core,
                     &orvane::MailCore::runMailClient);
    orvane::TrayMenuPopup barMenu(notifier.trayForm(), tray);
    QObject::connect(&quickBar, &orvane::QuickBar::trayMenuRequested, &barMenu,
                     &orvane::TrayMenuPopup::DoPopup, Qt::QueuedConnection);
    // Until the windows object drives them, the bar scans its skins before
    // the list is read and shows itself on a first run after.
    quickBar.Create();

    if (!notifier.Start())
        return 0; // another instance runs
    if (notifier.isShutDown())
        return 0;
    quickBar.CheckShowStartup();
    status.publish();
    return app.exec();
}
