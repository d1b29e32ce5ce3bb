// The tray's double-click action on real hosts of both kinds: trayer embeds
// the icon (XEmbed) and reports real double-clicks; Xfce's panel shows it as a
// StatusNotifierItem and only ever activates it, which is what a click there
// does. The action runs the e-mail program, a script that leaves a mark.
#include "Desktop.h"
#include "FileHelpers.h"
#include "ProgramFolder.h"
#include "QuorvelBus.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>

using namespace orvane::e2e;

namespace {

constexpr int kStartMs = 30000;
constexpr int kStopMs = 30000;

// The item the panel shows for this process, as "bus name/object path";
// empty while the panel has none from it.
QString statusNotifierItemOf(qint64 pid)
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.StatusNotifierWatcher"), QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get.setArguments({QStringLiteral("org.kde.StatusNotifierWatcher"),
                      QStringLiteral("RegisteredStatusNotifierItems")});
    const QDBusMessage reply = QDBusConnection::sessionBus().call(get, QDBus::Block, 5000);
    const QStringList items =
        reply.arguments().value(0).value<QDBusVariant>().variant().toStringList();
    for (const QString& item : items) {
        const QString service = item.section(QLatin1Char('/'), 0, 0);
        if (QDBusConnection::sessionBus().interface()->servicePid(service).value() == pid)
            return item;
    }
    return {};
}

} // namespace

class QuorvelTrayTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void doubleClickActionRuns_data();
    void doubleClickActionRuns();
};

void QuorvelTrayTest::initTestCase()
{
    if (!QDBusConnection::sessionBus().isConnected())
        QSKIP("No session bus: run under dbus-run-session.");
    if (quorvelOnBus())
        QSKIP("A notifier already runs on this bus.");
}

void QuorvelTrayTest::doubleClickActionRuns_data()
{
    QTest::addColumn<Desktop::Tray>("tray");
    QTest::newRow("XEmbed (trayer)") << Desktop::Tray::XEmbed;
    QTest::newRow("StatusNotifierItem (xfce4-panel)") << Desktop::Tray::StatusNotifier;
}

void QuorvelTrayTest::doubleClickActionRuns()
{
    QFETCH(Desktop::Tray, tray);
    Desktop desktop;
    QVERIFY2(desktop.start(tray), qPrintable(desktop.errorString()));
    ProgramFolder folder;
    QVERIFY2(folder.isValid(), qPrintable(folder.errorString()));

    const QString mark = folder.filePath(QStringLiteral("mail-program-ran"));
    const QString program = folder.filePath(QStringLiteral("mail-program"));
    orvane::test::writeFile(program, "#!/bin/sh\n: > '" + QFile::encodeName(mark) + "'\n", 0700);
    ListSettings settings;
    settings.eprog = program;
    settings.doubleClick = 0;
    QVERIFY(orvane::test::saveFile(folder.accountListPath(), listFileContent(settings, {})));

    QProcess quorvel;
    quorvel.setProcessEnvironment(desktop.environment());
    quorvel.setProcessChannelMode(QProcess::ForwardedChannels);
    quorvel.start(folder.filePath(QStringLiteral("Quorvel")), {});
    const auto end = qScopeGuard([&quorvel] {
        if (quorvel.state() != QProcess::NotRunning) {
            callShutdown(kStopMs);
            if (!quorvel.waitForFinished(kStopMs))
                quorvel.kill();
        }
    });
    QTRY_VERIFY2_WITH_TIMEOUT(quorvelOnBus(), "the notifier never took its bus name", kStartMs);

    if (tray == Desktop::Tray::XEmbed) {
        QTRY_VERIFY2_WITH_TIMEOUT(desktop.trayIconCount() == 1, "no icon in the XEmbed tray",
                                  kStartMs);
        // A single click does nothing there; the double-click is the gesture.
        QVERIFY(desktop.clickTrayIcon(1));
        QTest::qWait(1500);
        QVERIFY(!QFile::exists(mark));
        QVERIFY(desktop.clickTrayIcon(2));
    } else {
        QString item;
        QTRY_VERIFY2_WITH_TIMEOUT(!(item = statusNotifierItemOf(quorvel.processId())).isEmpty(),
                                  "the panel does not show the icon as a StatusNotifierItem",
                                  kStartMs);
        // What the panel sends when the icon is clicked.
        QDBusMessage activate = QDBusMessage::createMethodCall(
            item.section(QLatin1Char('/'), 0, 0),
            QLatin1Char('/') + item.section(QLatin1Char('/'), 1),
            QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Activate"));
        activate.setArguments({0, 0});
        const QDBusMessage reply = QDBusConnection::sessionBus().call(activate, QDBus::Block, 5000);
        QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    }
    QTRY_VERIFY2_WITH_TIMEOUT(QFile::exists(mark),
                              "the double-click action did not run the e-mail program", 10000);

    // The list held no choice for the desktop's notifications: the desktop
    // decided (on with a StatusNotifierItem host), and the choice is saved
    // on the line after the accounts.
    callShutdown(kStopMs);
    QVERIFY(quorvel.waitForFinished(kStopMs));
    const QByteArrayList saved = orvane::test::readFile(folder.accountListPath()).split('\n');
    QCOMPARE(saved.size(), kFirstAccountLine + kLaterLines + 1);
    QCOMPARE(saved.at(kFirstAccountLine).trimmed(),
             QByteArray(tray == Desktop::Tray::StatusNotifier ? "True" : "False"));
}

QTEST_GUILESS_MAIN(QuorvelTrayTest)
#include "QuorvelTrayTest.moc"
