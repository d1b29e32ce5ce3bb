// The real instance and the desktop session: a request to commit data (a
// checkpoint, or a log-out the user may still cancel) only saves; the
// session's real end, which quits the application, shuts down.
#include "platform/SessionInstance.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace orvane;

class SessionInstanceTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void commitDataSavesAndQuitEnds();
};

void SessionInstanceTest::commitDataSavesAndQuitEnds()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    SessionInstance instance(dir.path() + QLatin1Char('/'));
    QVERIFY(instance.claim());
    QSignalSpy saves(&instance, &ProgramInstance::saveRequested);
    QSignalSpy shutdowns(&instance, &ProgramInstance::shutdownRequested);

    auto* manager = qApp->findChild<QSessionManager*>();
    QVERIFY(manager);
    for (int checkpoint = 1; checkpoint <= 2; ++checkpoint) {
        Q_EMIT qApp->commitDataRequest(*manager);
        QCOMPARE(saves.count(), checkpoint);
        QCOMPARE(shutdowns.count(), 0);
    }

    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QGuiApplication::exec();
    QCOMPARE(shutdowns.count(), 1);
    QCOMPARE(saves.count(), 2);
}

QTEST_MAIN(SessionInstanceTest)
#include "SessionInstanceTest.moc"
