#include "Desktop.h"

#include <QDeadlineTimer>
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

bool Desktop::start()
{
    stop();
    m_error.clear();
    if (startDisplay() && startTray()) {
        return true;
    }
    const QString error = m_error;
    stop();
    m_error = error;
    return false;
}

void Desktop::stop()
{
    endProcess(m_tray);
    endProcess(m_xvfb);
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
    m_tray->setProcessEnvironment(environment());
    m_tray->setStandardOutputFile(QProcess::nullDevice());
    m_tray->setStandardErrorFile(QProcess::nullDevice());
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
            m_error = QStringLiteral("trayer shows no panel on %1").arg(m_display);
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
    return env;
}

bool Desktop::screenshot(const QString& filePath) const
{
    return runTool(QStringLiteral("import"),
                   {QStringLiteral("-window"), QStringLiteral("root"), filePath});
}

int Desktop::trayIconCount() const
{
    const QString panel = trayWindow();
    QByteArray listing;
    if (panel.isEmpty() ||
        !runTool(QStringLiteral("xwininfo"),
                 {QStringLiteral("-children"), QStringLiteral("-id"), panel}, &listing)) {
        return -1;
    }
    // Each icon is embedded in a socket window of its own; the panel's 1x1
    // child is trayer's helper, not an icon.
    static const QRegularExpression child(QStringLiteral(R"(^\s+0x[0-9a-f]+ .*\s(\d+)x(\d+)[+-])"),
                                          QRegularExpression::MultilineOption);
    int icons = 0;
    for (auto match = child.globalMatch(QString::fromLocal8Bit(listing)); match.hasNext();) {
        const auto m = match.next();
        if (m.captured(1).toInt() > 1 && m.captured(2).toInt() > 1) {
            ++icons;
        }
    }
    return icons;
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
