#include "stForm.h"

#include "MailCore.h"
#include "NotifierOptions.h"
#include "ProgramWindows.h"
#include "StartAtLogon.h"
#include "platform/Clock.h"
#include "platform/MessageBoxes.h"
#include "platform/TrayIcon.h"
#include "platform/UrlOpener.h"

#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QUrl>
#include <exception>

namespace orvane {
namespace {

// There is no maker's web site: every page of the menu is one that ships in
// the program folder. This is the only place that names them.
struct MenuPage
{
    const char* menuId;
    const char* target;
};
constexpr MenuPage kMenuPages[] = {
    {"stMenuDonate", "README.md"}, {"stMenuMenuDonate", "README.md"}, {"stMenuGetSkins", "Skins/"},
    {"stMenuNuvari", "README.md"}, {"stMenuOrvane", "README.md"},     {"stMenuSupport", "docs/"},
};

TrayMenuEntry item(const char* id, const char* caption, bool enabled = true, bool checked = false)
{
    TrayMenuEntry entry;
    entry.id = QString::fromLatin1(id);
    entry.caption = QString::fromLatin1(caption);
    entry.enabled = enabled;
    entry.checked = checked;
    return entry;
}

TrayMenuEntry separator(const char* id)
{
    return item(id, "-");
}

TrayMenuEntry submenu(const char* id, const char* caption, std::vector<TrayMenuEntry> children)
{
    TrayMenuEntry entry = item(id, caption);
    entry.children = std::move(children);
    return entry;
}

} // namespace

stForm::stForm(TrayIcon& tray, Clock& clock, MessageBoxes& messages, NotifierOptions& actions,
               ProgramWindows& windows, StartAtLogon& startAtLogon, UrlOpener* urls,
               DataFolders folders, std::function<bool()> checkAllEnabled, QObject* parent)
    : QObject(parent), m_tray(tray), m_messages(messages), m_actions(actions), m_windows(windows),
      m_startAtLogon(startAtLogon), m_urls(urls), m_folders(std::move(folders)),
      m_retry(clock.createTimer()), m_checkAllEnabled(std::move(checkAllEnabled))
{
    m_retry->setSingleShot(true);
    connect(m_retry.get(), &Timer::timeout, this, &stForm::tryAdd);
    connect(&m_tray, &TrayIcon::menuAboutToShow, this, &stForm::refreshMenu);
    connect(&m_tray, &TrayIcon::menuTriggered, this, &stForm::menuTriggered);
    connect(&m_tray, &TrayIcon::doubleClicked, this, &stForm::doubleClicked);
    refreshMenu();
}

stForm::~stForm() = default;

QString stForm::ResourcePath(int id)
{
    return QStringLiteral(":/icons/%1.png").arg(id);
}

QString stForm::PageFor(const QString& menuId)
{
    for (const MenuPage& page : kMenuPages) {
        if (menuId == QLatin1String(page.menuId))
            return QString::fromLatin1(page.target);
    }
    return {};
}

void stForm::AddTrayIcon()
{
    // The icon shows the picture it was last given, which may be a skin's.
    m_tray.setToolTip(QString::fromLatin1(MailCore::kStartTip));
    m_triesLeft = kTrayWaitSeconds;
    tryAdd();
}

void stForm::tryAdd()
{
    if (m_tray.isAvailable()) {
        if (m_tray.add()) {
            m_added = true;
            Q_EMIT trayAdded();
            return;
        }
    } else if (m_triesLeft-- > 0) {
        m_retry->start(1000);
        return;
    }
    m_messages.showMessage(QString::fromLatin1(MessageBoxes::kTitle),
                           QString::fromLatin1(kRefusedMessage), MessageBoxes::Icon::None);
    Q_EMIT trayRefused();
}

void stForm::RemoveTrayIcon()
{
    m_retry->stop();
    if (m_added)
        m_tray.remove();
    m_added = false;
}

void stForm::SetTrayIconFromResource(int id)
{
    m_iconResource = id;
    m_tray.setIcon(QIcon(ResourcePath(id)));
}

void stForm::SetTrayIconFromFile(const QString& path)
{
    const QIcon icon(path);
    if (!QFileInfo(path).isFile() || icon.isNull())
        return; // the previous picture stays
    m_tray.setIcon(icon);
}

void stForm::SetTrayTip(const QString& text)
{
    m_tray.setToolTip(text);
}

void stForm::OpenDocument(const QString& target)
{
    if (!m_urls)
        return;
    if (target == QLatin1String("Skins/")) {
        // Skins are added where the user can write: the program folder's
        // own, or the user's folder made for them on first asking.
        const QString skins = m_folders.skinFolders().first();
        if (!m_folders.inProgramFolder())
            QDir().mkpath(skins);
        m_urls->open(QUrl::fromLocalFile(skins));
        return;
    }
    m_urls->open(QUrl::fromLocalFile(m_folders.programFolder() + target));
}

QString stForm::CriticalErrorText(const QString& location, const QString& description,
                                  qint64 number)
{
    return QStringLiteral("Critical Error.\r\nLocation: ") + location +
           QStringLiteral("\r\nDescription: ") + description +
           QStringLiteral("\r\nError Number: ") + QString::number(number);
}

void stForm::ShowCriticalError(const QString& location, const QString& description, qint64 number)
{
    m_messages.showMessage(QString::fromLatin1(kCriticalTitle),
                           CriticalErrorText(location, description, number),
                           MessageBoxes::Icon::Critical);
    Q_EMIT failedCritically();
}

std::vector<TrayMenuEntry> stForm::BuildMenu() const
{
    return {
        item("stMenuDonate", "Support Orvane"),
        item("stMenuAbout", "About Orvane"),
        separator("Seperator3"),
        submenu("stMenuLinks", "Links",
                {item("stMenuGetSkins", "Get More Skins"), item("stMenuNuvari", "Nuvari's Website"),
                 item("stMenuOrvane", "Orvane's Website"), item("stMenuSupport", "Nuvari Support"),
                 item("stMenuMenuDonate", "DONATE")}),
        submenu(
            "stMenuQBS", "Preferences",
            {item("stMenuOnTop", "Quick Bar - Always On Top", true, m_windows.IsQuickBarOnTop()),
             item("stMenuResetPos", "Reset Quick Bar Position"),
             item("stMenuLOS", "Load Orvane On Startup", true, m_startAtLogon.startAtLogon())}),
        separator("Seperator2"),
        item("stMenuClear", "Clear Mail Count"),
        item("stMenuRun", "Run E-Mail Client", m_actions.ValidEProg()),
        item("stMenuCheck", "Check All Servers", m_checkAllEnabled()),
        separator("Seperator4"),
        item("stMenuSettings", "Orvane Settings", true, m_windows.IsSettingsVisible()),
        item("stMenuQuick", "Quick View", true, m_windows.IsQuickViewVisible()),
        item("stMenuBar", "Quick Bar", true, m_windows.IsQuickBarVisible()),
        separator("Seperator"),
        item("stMenuExit", "Exit"),
    };
}

void stForm::refreshMenu()
{
    // While the About notice is up the tray does not react; an empty menu
    // does not open.
    if (m_windows.IsNoticeShowing()) {
        m_tray.setMenu({});
        return;
    }
    m_tray.setMenu(BuildMenu());
}

void stForm::doubleClicked()
{
    if (m_windows.IsNoticeShowing())
        return;
    m_actions.DoubleClick([this] { Q_EMIT runRequested(); });
}

void stForm::menuTriggered(const QString& id)
{
    if (m_windows.IsNoticeShowing())
        return;
    // Nothing below is expected to throw; if something does, the user is
    // told where rather than the program vanishing.
    try {
        runMenuItem(id);
    } catch (const std::exception& e) {
        ShowCriticalError(QStringLiteral("stForm.") + id, QString::fromLocal8Bit(e.what()), 0);
    }
}

void stForm::runMenuItem(const QString& id)
{
    const QString page = PageFor(id);
    if (!page.isEmpty()) {
        OpenDocument(page);
    } else if (id == QLatin1String("stMenuAbout")) {
        m_windows.ShowAbout();
    } else if (id == QLatin1String("stMenuOnTop")) {
        m_windows.SwitchQuickBarOnTop();
        Q_EMIT preferencesChanged();
    } else if (id == QLatin1String("stMenuResetPos")) {
        m_windows.ResetQuickBarPos();
        Q_EMIT preferencesChanged();
    } else if (id == QLatin1String("stMenuLOS")) {
        m_startAtLogon.setStartAtLogon(!m_startAtLogon.startAtLogon());
        Q_EMIT preferencesChanged();
    } else if (id == QLatin1String("stMenuClear")) {
        Q_EMIT clearRequested();
    } else if (id == QLatin1String("stMenuRun")) {
        Q_EMIT runRequested();
    } else if (id == QLatin1String("stMenuCheck")) {
        if (m_checkAllEnabled())
            Q_EMIT checkAllRequested();
    } else if (id == QLatin1String("stMenuSettings")) {
        m_windows.ToggleSettings();
    } else if (id == QLatin1String("stMenuQuick")) {
        m_windows.ToggleQuickView();
    } else if (id == QLatin1String("stMenuBar")) {
        m_windows.ToggleQuickBar();
        Q_EMIT preferencesChanged();
    } else if (id == QLatin1String("stMenuExit")) {
        Q_EMIT exitRequested();
    }
}

} // namespace orvane
