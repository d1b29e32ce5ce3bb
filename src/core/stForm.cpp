#include "stForm.h"

#include "platform/Clock.h"
#include "platform/MessageBoxes.h"
#include "platform/TrayIcon.h"

#include <QFileInfo>
#include <QIcon>

namespace orvane {

stForm::stForm(TrayIcon& tray, Clock& clock, MessageBoxes& messages, QObject* parent)
    : QObject(parent), m_tray(tray), m_clock(clock), m_messages(messages),
      m_retry(clock.createTimer())
{
    m_retry->setSingleShot(true);
    connect(m_retry.get(), &Timer::timeout, this, &stForm::tryAdd);
    connect(&m_tray, &TrayIcon::menuAboutToShow, this, &stForm::refreshMenu);
    connect(&m_tray, &TrayIcon::menuTriggered, this, [this](const QString& id) {
        if (id == QLatin1String("stMenuExit"))
            Q_EMIT exitRequested();
    });
    refreshMenu();
}

stForm::~stForm() = default;

QString stForm::ResourcePath(int id)
{
    return QStringLiteral(":/icons/%1.png").arg(id);
}

void stForm::AddTrayIcon()
{
    m_tip = QStringLiteral("Orvane - No mail");
    m_tray.setIcon(QIcon(ResourcePath(m_iconResource)));
    m_tray.setToolTip(m_tip);
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
    m_messages.showMessage(QStringLiteral("Orvane"), QString::fromLatin1(kRefusedMessage),
                           MessageBoxes::Icon::None);
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
    m_tip = text.left(63);
    m_tray.setToolTip(m_tip);
}

void stForm::refreshMenu()
{
    TrayMenuEntry exit;
    exit.id = QStringLiteral("stMenuExit");
    exit.caption = QStringLiteral("Exit");
    m_tray.setMenu({exit});
}

} // namespace orvane
