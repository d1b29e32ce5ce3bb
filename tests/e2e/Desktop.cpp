#include "Desktop.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>

namespace orvane::e2e {

namespace {

// Generous bounds: CI machines are small and may be busy building.
constexpr int kStartMs = 15000;
constexpr int kToolMs = 10000;
constexpr int kPollMs = 50;

void endProcess(std::unique_ptr<QProcess>& process)
{
    if (!process) {
        return;
    }
    if (process->state() != QProcess::NotRunning) {
        process->terminate();
        if (!process->waitForFinished(3000)) {
            process->kill();
            process->waitForFinished(3000);
        }
    }
    process.reset();
}

} // namespace

Desktop::~Desktop()
{
    stop();
}

bool Desktop::start(Tray tray)
{
    stop();
    m_error.clear();
    // A tray host that does not come up on a loaded machine is given a
    // second, fresh display before the test is failed for it.
    for (int attempt = 0; attempt < 2; ++attempt) {
        m_runtime = std::make_unique<QTemporaryDir>();
        if (startDisplay() && (tray == Tray::XEmbed ? startTray() : startStatusNotifierHost()))
            return true;
        const QString error = m_error;
        stop();
        m_error = error;
    }
    return false;
}

void Desktop::stop()
{
    endProcess(m_tray);
    endProcess(m_settingsDaemon);
    endProcess(m_xvfb);
    m_home.reset();
    m_display.clear();
}

bool Desktop::startDisplay()
{
    // -displayfd lets the server pick a free display number itself, so tests
    // running side by side never race for one.
    m_xvfb = std::make_unique<QProcess>();
    m_xvfb->setStandardErrorFile(QProcess::nullDevice());
    m_xvfb->start(QStringLiteral("Xvfb"),
                  {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                   QStringLiteral("0"), QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                   QStringLiteral("tcp")});
    if (!m_xvfb->waitForStarted(kToolMs)) {
        m_error = QStringLiteral("Xvfb did not start: %1").arg(m_xvfb->errorString());
        return false;
    }

    QByteArray number;
    const QDeadlineTimer deadline(kStartMs);
    while (!number.endsWith('\n')) {
        if (m_xvfb->state() == QProcess::NotRunning || deadline.hasExpired()) {
            m_error = QStringLiteral("Xvfb did not report its display number");
            return false;
        }
        m_xvfb->waitForReadyRead(kPollMs);
        number += m_xvfb->readAllStandardOutput();
    }
    m_display = QLatin1Char(':') + QString::fromLatin1(number.trimmed());

    while (!runTool(QStringLiteral("xdpyinfo"), {})) {
        if (deadline.hasExpired()) {
            m_error = QStringLiteral("display %1 does not answer").arg(m_display);
            return false;
        }
        QThread::msleep(kPollMs);
    }
    return true;
}

bool Desktop::startTray()
{
    m_tray = std::make_unique<QProcess>();
    QProcessEnvironment env = environment();
    // The panel needs no screen reader, and must not wait for one's bus.
    env.insert(QStringLiteral("NO_AT_BRIDGE"), QStringLiteral("1"));
    m_tray->setProcessEnvironment(env);
    m_tray->setStandardOutputFile(QProcess::nullDevice());
    const QString trayLog = m_runtime->filePath(QStringLiteral("trayer.log"));
    m_tray->setStandardErrorFile(trayLog);
    m_tray->start(QStringLiteral("trayer"),
                  {QStringLiteral("--edge"), QStringLiteral("bottom"), QStringLiteral("--align"),
                   QStringLiteral("right"), QStringLiteral("--widthtype"),
                   QStringLiteral("request"), QStringLiteral("--height"), QStringLiteral("32"),
                   QStringLiteral("--transparent"), QStringLiteral("false")});
    if (!m_tray->waitForStarted(kToolMs)) {
        m_error = QStringLiteral("trayer did not start: %1").arg(m_tray->errorString());
        return false;
    }
    // The panel window is mapped once trayer has taken the tray selection, so
    // programs started after this find a tray.
    const QDeadlineTimer deadline(kStartMs);
    while (trayWindow().isEmpty()) {
        if (m_tray->state() == QProcess::NotRunning || deadline.hasExpired()) {
            QFile log(trayLog);
            const QByteArray said = log.open(QIODevice::ReadOnly) ? log.read(2000) : QByteArray();
            m_error = QStringLiteral("trayer shows no panel on %1 (%2)")
                          .arg(m_display, QString::fromLocal8Bit(said.trimmed()));
            return false;
        }
        QThread::msleep(kPollMs);
    }
    return true;
}

bool Desktop::startHelper(std::unique_ptr<QProcess>& process, const QString& program,
                          const QStringList& arguments, const QProcessEnvironment& env)
{
    process = std::make_unique<QProcess>();
    process->setProcessEnvironment(env);
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start(program, arguments);
    if (!process->waitForStarted(kToolMs)) {
        m_error = QStringLiteral("%1 did not start: %2").arg(program, process->errorString());
        return false;
    }
    return true;
}

bool Desktop::startStatusNotifierHost()
{
    // One panel along the bottom edge holding only the notification area;
    // with its settings already there the panel asks no first-start question.
    m_home = std::make_unique<QTemporaryDir>();
    const QString channels =
        m_home->filePath(QStringLiteral(".config/xfce4/xfconf/xfce-perchannel-xml"));
    QFile panel(channels + QStringLiteral("/xfce4-panel.xml"));
    if (!QDir().mkpath(channels) || !panel.open(QIODevice::WriteOnly)) {
        m_error = QStringLiteral("cannot write the panel's settings in %1").arg(m_home->path());
        return false;
    }
    panel.write(R"(<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=8;x=0;y=0"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="size" type="uint" value="32"/>
      <property name="plugin-ids" type="array">
        <value type="int" value="1"/>
      </property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="systray"/>
  </property>
</channel>
)");
    panel.close();

    QProcessEnvironment env = environment();
    env.insert(QStringLiteral("HOME"), m_home->path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home->filePath(QStringLiteral(".config")));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), m_home->filePath(QStringLiteral(".cache")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), m_home->filePath(QStringLiteral(".local/share")));
    env.insert(QStringLiteral("NO_AT_BRIDGE"), QStringLiteral("1"));
    env.remove(QStringLiteral("SESSION_MANAGER"));

    // The settings daemon is not on the bus's activation path; it is started
    // here, where the package puts it for this machine's architecture.
    QString daemon;
    for (const QFileInfo& lib : QDir(QStringLiteral("/usr/lib")).entryInfoList(QDir::Dirs)) {
        const QString candidate = lib.filePath() + QStringLiteral("/xfce4/xfconf/xfconfd");
        if (QFileInfo(candidate).isExecutable())
            daemon = candidate;
    }
    if (daemon.isEmpty()) {
        m_error = QStringLiteral("xfconfd is not installed");
        return false;
    }
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    if (!bus) {
        m_error = QStringLiteral("no session bus");
        return false;
    }
    if (!startHelper(m_settingsDaemon, daemon, {}, env))
        return false;
    const QDeadlineTimer deadline(kStartMs);
    while (!bus->isServiceRegistered(QStringLiteral("org.xfce.Xfconf")).value()) {
        if (m_settingsDaemon->state() == QProcess::NotRunning || deadline.hasExpired()) {
            m_error = QStringLiteral("xfconfd did not take its bus name");
            return false;
        }
        QThread::msleep(kPollMs);
    }

    if (!startHelper(m_tray, QStringLiteral("xfce4-panel"), {QStringLiteral("--disable-wm-check")},
                     env))
        return false;
    // Programs started after this find a host: Qt shows their icons as
    // StatusNotifierItems only once the watcher reports one.
    const auto hostRegistered = [] {
        QDBusInterface watcher(QStringLiteral("org.kde.StatusNotifierWatcher"),
                               QStringLiteral("/StatusNotifierWatcher"),
                               QStringLiteral("org.kde.StatusNotifierWatcher"));
        return watcher.isValid() && watcher.property("IsStatusNotifierHostRegistered").toBool();
    };
    while (!hostRegistered()) {
        if (m_tray->state() == QProcess::NotRunning || deadline.hasExpired()) {
            m_error = QStringLiteral("xfce4-panel registered no StatusNotifierItem host");
            return false;
        }
        QThread::msleep(kPollMs);
    }
    return true;
}

QProcessEnvironment Desktop::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("XAUTHORITY"));
    if (m_runtime)
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime->path());
    return env;
}

bool Desktop::screenshot(const QString& filePath) const
{
    return runTool(QStringLiteral("import"),
                   {QStringLiteral("-window"), QStringLiteral("root"), filePath});
}

int Desktop::trayIconCount() const
{
    QList<QRect> places;
    return trayIconPlaces(places) ? int(places.size()) : -1;
}

bool Desktop::clickTrayIcon(int clicks, int button) const
{
    QList<QRect> places;
    if (!trayIconPlaces(places) || places.isEmpty()) {
        return false;
    }
    const QPoint centre = places.first().center();
    return runTool(QStringLiteral("xdotool"),
                   {QStringLiteral("mousemove"), QString::number(centre.x()),
                    QString::number(centre.y()), QStringLiteral("click"),
                    QStringLiteral("--repeat"), QString::number(clicks), QStringLiteral("--delay"),
                    QStringLiteral("80"), QString::number(button)});
}

bool Desktop::drag(const QPoint& from, const QPoint& to) const
{
    const QPoint between = (from + to) / 2;
    const auto number = [](int value) { return QString::number(value); };
    return runTool(QStringLiteral("xdotool"), {QStringLiteral("mousemove"),
                                               number(from.x()),
                                               number(from.y()),
                                               QStringLiteral("sleep"),
                                               QStringLiteral("0.3"),
                                               QStringLiteral("mousedown"),
                                               QStringLiteral("1"),
                                               QStringLiteral("sleep"),
                                               QStringLiteral("0.3"),
                                               QStringLiteral("mousemove"),
                                               number(between.x()),
                                               number(between.y()),
                                               QStringLiteral("sleep"),
                                               QStringLiteral("0.3"),
                                               QStringLiteral("mousemove"),
                                               number(to.x()),
                                               number(to.y()),
                                               QStringLiteral("sleep"),
                                               QStringLiteral("0.3"),
                                               QStringLiteral("mouseup"),
                                               QStringLiteral("1")});
}

bool Desktop::splitIntoTwoMonitors() const
{
    // Sizes in millimetres after the slash, as RandR wants them.
    return runTool(QStringLiteral("xrandr"),
                   {QStringLiteral("--setmonitor"), QStringLiteral("left"),
                    QStringLiteral("512/135x768/203+0+0"), QStringLiteral("screen")}) &&
           runTool(QStringLiteral("xrandr"),
                   {QStringLiteral("--setmonitor"), QStringLiteral("right"),
                    QStringLiteral("512/135x768/203+512+0"), QStringLiteral("none")});
}

bool Desktop::trayIconPlaces(QList<QRect>& places) const
{
    const QString panel = trayWindow();
    QByteArray listing;
    if (panel.isEmpty() ||
        !runTool(QStringLiteral("xwininfo"),
                 {QStringLiteral("-children"), QStringLiteral("-id"), panel}, &listing)) {
        return false;
    }
    // Each icon is embedded in a socket window of its own; the panel's 1x1
    // child is trayer's helper, not an icon. A child's line ends with its
    // size, its place in the panel and its place on the screen.
    static const QRegularExpression child(
        QStringLiteral(
            R"(^\s+0x[0-9a-f]+ .*\s(\d+)x(\d+)[+-]-?\d+[+-]-?\d+\s+([+-]-?\d+)([+-]-?\d+))"),
        QRegularExpression::MultilineOption);
    places.clear();
    for (auto match = child.globalMatch(QString::fromLocal8Bit(listing)); match.hasNext();) {
        const auto m = match.next();
        const int width = m.captured(1).toInt();
        const int height = m.captured(2).toInt();
        if (width > 1 && height > 1) {
            places.append(QRect(m.captured(3).toInt(), m.captured(4).toInt(), width, height));
        }
    }
    return true;
}

bool Desktop::hasWindowTitled(const QString& title) const
{
    QByteArray ids;
    return runTool(QStringLiteral("xdotool"),
                   {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                    QStringLiteral("--name"),
                    QLatin1Char('^') + QRegularExpression::escape(title) + QLatin1Char('$')},
                   &ids) &&
           !ids.trimmed().isEmpty();
}

QString Desktop::trayWindow() const
{
    QByteArray ids;
    if (!runTool(
            QStringLiteral("xdotool"),
            {QStringLiteral("search"), QStringLiteral("--classname"), QStringLiteral("^panel$")},
            &ids)) {
        return {};
    }
    return QString::fromLatin1(ids).section(QLatin1Char('\n'), 0, 0).trimmed();
}

bool Desktop::runTool(const QString& program, const QStringList& arguments,
                      QByteArray* output) const
{
    QProcess tool;
    tool.setProcessEnvironment(environment());
    tool.setStandardErrorFile(QProcess::nullDevice());
    tool.start(program, arguments);
    if (!tool.waitForFinished(kToolMs)) {
        tool.kill();
        tool.waitForFinished(1000);
        return false;
    }
    if (output) {
        *output = tool.readAllStandardOutput();
    }
    return tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

} // namespace orvane::e2e
