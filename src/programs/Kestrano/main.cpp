// Kestrano: the web-mail checker server. The session bus starts it when a
// client first asks org.orvane.Kestrano for a checker; it ends when the last
// checker is released, so no browser engine stays behind between checks.

#include "platform/SystemClock.h"
#include "webmail/FendrelLoader.h"
#include "webmail/KestranoCheckers.h"
#include "webmail/KestranoServer.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDir>
#include <cstdio>
#include <unistd.h>

namespace {

// Started by the bus, the server may get an environment without a display;
// its browser never needs to be seen, so it then runs offscreen. The engine
// refuses to run as root inside its sandbox.
void prepareEnvironment()
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && !qEnvironmentVariableIsSet("DISPLAY") &&
        !qEnvironmentVariableIsSet("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The pages are drawn only in a debug window, where software drawing
    // serves. On X the shared graphics context the engine asks for below
    // would load the graphics driver and its shader compiler at the start,
    // some 40 MB for nothing.
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
    // The debug window's browser draws with Qt Quick, which without a
    // graphics context of its own must draw in software.
    if (!qEnvironmentVariableIsSet("QT_QUICK_BACKEND"))
        qputenv("QT_QUICK_BACKEND", "software");
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (::geteuid() == 0 && !flags.contains("--no-sandbox")) {
        flags += flags.isEmpty() ? "--no-sandbox" : " --no-sandbox";
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
    }
}

} // namespace

int main(int argc, char* argv[])
{
    prepareEnvironment();
    // The browser engine comes from a plugin loaded after the start.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrano"));
    // A debug window closed by the user does not end the server.
    QApplication::setQuitOnLastWindowClosed(false);

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        std::fprintf(stderr, "Kestrano: no session bus.\n");
        return 1;
    }
    orvane::SystemClock clock;
    orvane::FendrelLoader browsers(QDir(QApplication::applicationDirPath())
                                       .filePath(QLatin1String(orvane::FendrelLoader::kFileName)));
    orvane::KestranoCheckers checkers(clock, browsers);
    orvane::KestranoServer server(bus, checkers, clock);
    QObject::connect(
        &server, &orvane::KestranoServer::idle, &app,
        [&server] {
            if (server.objectCount() == 0)
                QApplication::quit();
        },
        Qt::QueuedConnection);
    if (!server.serve()) {
        std::fprintf(stderr, "Kestrano: %s is served already.\n", orvane::KestranoServer::kService);
        return 1;
    }
    return QApplication::exec();
}
