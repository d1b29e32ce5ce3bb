// The tray notifier: wires the platform's real services, the settings, the
// displays and the checkers into the application object.
#include "bus/SessionInstance.h"
#include "bus/StatusObject.h"
#include "checkers/ImapPush.h"
#include "checkers/NotifierCheckers.h"
#include "checkers/ProfileStore.h"
#include "core/AccountListFile.h"
#include "core/CertificateTrust.h"
#include "core/CheckGate.h"
#include "core/IndicatorFanout.h"
#include "core/MailCore.h"
#include "core/NotifierApp.h"
#include "core/StyleXP.h"
#include "core/stForm.h"
#include "display/DesktopPopup.h"
#include "display/KeyboardFlasher.h"
#include "display/QuickBar.h"
#include "display/QuickView.h"
#include "display/SkinDriver.h"
#include "display/TrayIconPicture.h"
#include "display/TrayMenuPopup.h"
#include "display/frmPopup.h"
#include "oauth/OAuthTokens.h"
#include "platform/DBusDesktopNotifications.h"
#include "platform/DataFolders.h"
#include "platform/LogindSleepWatch.h"
#include "platform/LogonName.h"
#include "platform/PluginSoundPlayer.h"
#include "platform/QtFileDialogs.h"
#include "platform/QtKeychainSecretStore.h"
#include "platform/QtMessageBoxes.h"
#include "platform/QtNetworkWatch.h"
#include "platform/QtProcessLauncher.h"
#include "platform/QtTrayIcon.h"
#include "platform/QtUrlOpener.h"
#include "platform/SystemClock.h"
#include "platform/XdgMailClientLocator.h"
#include "platform/XkbKeyboardLight.h"
#include "settings/NotifierWindows.h"
#include "settings/Settings.h"
#include "settings/SettingsWindow.h"

#include <QApplication>
#include <sys/resource.h>

int main(int argc, char* argv[])
{
    // Each IMAP account with push keeps a connection open: a thousand of them
    // need more descriptors than the usual soft limit of 1,024.
    rlimit descriptors{};
    if (::getrlimit(RLIMIT_NOFILE, &descriptors) == 0 &&
        descriptors.rlim_cur < descriptors.rlim_max) {
        descriptors.rlim_cur = descriptors.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &descriptors);
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvane"));
    // The installed desktop entry: Wayland compositors and the notification
    // server match the program's windows and notices to it.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.orvane.Quorvel"));
    QApplication::setQuitOnLastWindowClosed(false);
    Q_INIT_RESOURCE(icons);

    const QString folder = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    const orvane::DataFolders folders = orvane::DataFolders::ForProgram(folder);
    const auto commandLine = orvane::NotifierApp::ParseCommandLine(app.arguments().mid(1));
    if (!commandLine.error.isEmpty()) {
        qWarning("Orvane: not started: %s.", qPrintable(commandLine.error));
        return 2;
    }

#ifdef Q_OS_WIN
    // Windows themes the controls only for a program whose manifest asks for
    // it: the first run writes the manifest and starts again.
    bool restartIfNew = true;
    bool overwrite = false;
    orvane::InitStyleXP(restartIfNew, overwrite, orvane::RunningProgram(QStringLiteral("Orvane")));
#endif

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
    orvane::DBusDesktopNotifications desktopNotes;

    orvane::QtFileDialogs files;
    // The system bus (DBUS_SYSTEM_BUS_ADDRESS when set): without logind or
    // NetworkManager these stay silent and checks run as they fall due.
    orvane::LogindSleepWatch sleepWatch;
    orvane::QtNetworkWatch networkWatch;
    orvane::QtKeychainSecretStore keyring;

    // The windows object and the displays it drives refer to one another:
    // as members of one object each can name the others before they are
    // made, and none calls another while they are being made.
    struct Windows
    {
        Windows(const orvane::DataFolders& folders, orvane::Clock& clock,
                orvane::TrayPicture& trayPicture, orvane::KeyboardLight& light,
                orvane::MailClientLocator& mailClient, orvane::ProcessLauncher& launcher,
                orvane::MessageBoxes& messages, orvane::DesktopNotifications& notes)
            : settings(folders.programFolder(),
                       {mailClient, launcher, messages, windows,
                        QProcessEnvironment::systemEnvironment(),
                        [&notes] { return notes.statusNotifierHostFound(); }}),
              skinDriver(
                  clock, trayPicture, [this] { return settings.animateOn; }, folders.skinFolders()),
              flasher(clock, light), quickBar(folders.skinFolders(), windows, settings),
              desktopPopup(notes, {[this] { return settings.UseDesktopNotifications(); },
                                   [this] { return settings.PlaySound(); },
                                   folders.programFolder() + QStringLiteral("orvane.svg")}),
              popup(
                  clock, windows, [this] { return settings.showPopupWindow; }, {}, &desktopPopup)
        {}
        orvane::NotifierWindows windows{skinDriver, quickBar, quickView, flasher};
        orvane::Settings settings;
        orvane::QuickView quickView{windows, settings};
        orvane::SkinDriver skinDriver;
        orvane::KeyboardFlasher flasher;
        orvane::QuickBar quickBar;
        orvane::DesktopPopup desktopPopup;
        orvane::frmPopup popup;
    } program(folders, clock, trayPicture, light, mailClient, launcher, messages, desktopNotes);
    orvane::NotifierWindows& windows = program.windows;
    orvane::Settings& settings = program.settings;
    orvane::QuickView& quickView = program.quickView;
    orvane::SkinDriver& skinDriver = program.skinDriver;
    orvane::QuickBar& quickBar = program.quickBar;
    // Every display the check cycle redraws besides the tray form: one line
    // per display.
    orvane::IndicatorFanout displays({
        &skinDriver,      // the tray's pictures and animation
        &program.flasher, // the keyboard light
        &program.popup,   // the new-mail popup
        &windows,         // the account tables
        &quickBar,        // the bar's state and count
        &quickView,       // the Quick View table
    });
    // The certificates the user trusted per account, beside the list.
    orvane::CertificateTrust trust(orvane::CertificateTrust::pathBeside(
        orvane::AccountListFile::pathFor(folders, logon.logonName())));
    // Accounts that sign in with their mail provider: the providers shipped
    // beside the programs and the user's own, their refresh tokens in the
    // keyring kept apart per log-on name and program folder.
    orvane::OAuthTokens tokens(orvane::OAuthProviders::load(folder), keyring, clock,
                               orvane::NotifierApp::secretScope(logon.logonName(), folders));
    const orvane::ProviderSignInServices signIn{tokens, urls, clock};
    // The clock drives the IMAP accounts' push connections.
    orvane::NotifierCheckers checkers(QDBusConnection::sessionBus(), &trust, &clock,
                                      orvane::MailPluginLoader::DefaultPluginPath(folder), {},
                                      &tokens);

    orvane::NotifierApp notifier(
        folders,
        {clock, logon, messages, tray, instance, sound, &urls, &sleepWatch, &networkWatch,
         &keyring},
        {settings, {settings, quickView, skinDriver, quickBar}, displays, windows, checkers});
    QObject::connect(&notifier, &orvane::NotifierApp::finished, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    // Push connections close before the machine sleeps and open again when it
    // wakes or the network returns, as the scheduled checks do.
    if (orvane::ImapPush* push = checkers.push()) {
        QObject::connect(&notifier.gate(), &orvane::CheckGate::sleeping, push,
                         &orvane::ImapPush::pause);
        QObject::connect(&notifier.gate(), &orvane::CheckGate::awake, push,
                         &orvane::ImapPush::reopen);
        QObject::connect(&notifier.gate(), &orvane::CheckGate::networkReturned, push,
                         &orvane::ImapPush::reopen);
    }

    orvane::StatusObject status(notifier.core(), notifier.accounts());

    orvane::SettingsWindow settingsWindow({
        settings,
        notifier.accounts(),
        notifier.core(),
        [&notifier] { return notifier.newAccount(); },
        notifier,
        skinDriver,
        quickBar,
        quickView,
        displays,
        messages,
        files,
        [&notifier](const QString& menuId) {
            notifier.trayForm().OpenDocument(orvane::stForm::PageFor(menuId));
        },
        // The messaging profiles for the MS Exchange kinds, default first.
        [] { return orvane::mapiProfileNames(); },
        [&notifier] { notifier.scheduleSave(); },
        &trust,
        &notifier.secrets(),
        &signIn,
    });
    windows.setSettingsWindow(&settingsWindow);

    // The Quick Bar's and Quick View's commands that belong to the check
    // cycle and the program, and the tray menu the bar opens.
    quickView.setAccounts(notifier.accounts());
    orvane::MailCore& core = notifier.core();
    // The bar's and Quick View's "Check All" are the Accounts page's.
    QObject::connect(&quickBar, &orvane::QuickBar::checkAllRequested, &core,
                     &orvane::MailCore::checkAllNow);
    QObject::connect(&quickBar, &orvane::QuickBar::clearRequested, &core,
                     &orvane::MailCore::ClearAll);
    QObject::connect(&quickBar, &orvane::QuickBar::runRequested, &core,
                     &orvane::MailCore::runMailClient);
    QObject::connect(&quickBar, &orvane::QuickBar::exitRequested, &notifier,
                     &orvane::NotifierApp::Shutdown, Qt::QueuedConnection);
    QObject::connect(&quickView, &orvane::QuickView::checkAllRequested, &core,
                     &orvane::MailCore::checkAllNow);
    // Changes made in the bar and in Quick View reach the disk a few seconds
    // later, as the settings window's do.
    QObject::connect(&quickBar, &orvane::QuickBar::changed, &notifier,
                     &orvane::NotifierApp::scheduleSave);
    QObject::connect(&quickView, &orvane::QuickView::columnsChanged, &notifier,
                     &orvane::NotifierApp::scheduleSave);
    QObject::connect(&quickView, &orvane::QuickView::runRequested, &core,
                     &orvane::MailCore::runMailClient);
    // The buttons of the desktop's notification are the tray items of those names.
    QObject::connect(&program.desktopPopup, &orvane::DesktopPopup::runRequested, &core,
                     &orvane::MailCore::runMailClient);
    QObject::connect(&program.desktopPopup, &orvane::DesktopPopup::clearRequested, &core,
                     &orvane::MailCore::ClearAll);
    orvane::TrayMenuPopup barMenu(notifier.trayForm(), tray);
    QObject::connect(&quickBar, &orvane::QuickBar::trayMenuRequested, &barMenu,
                     &orvane::TrayMenuPopup::DoPopup, Qt::QueuedConnection);

    notifier.setImportFile(commandLine.importFile);
    if (!notifier.Start())
        return notifier.importRefused() ? 1 : 0; // or another instance runs
    if (notifier.isShutDown())
        return 0;
    // Without a saved choice the desktop decides, now that its tray is up;
    // the next save keeps the choice.
    settings.UseDesktopNotifications();
    status.publish();
    return app.exec();
}
