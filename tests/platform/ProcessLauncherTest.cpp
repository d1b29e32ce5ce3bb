#include "FileHelpers.h"
#include "platform/QtProcessLauncher.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace orvane;
using namespace orvane::test;

namespace {

// Real programs, with a short watch window so the cases stay quick.
constexpr int kWatchMs = 300;

struct Report
{
    bool called = false;
    bool started = false;
};

void startRecording(QtProcessLauncher& launcher, const QString& program,
                    const QStringList& arguments, Report& report)
{
    launcher.start(program, arguments, [&report](bool started) {
        report.called = true;
        report.started = started;
    });
}

} // namespace

class ProcessLauncherTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reportsHowTheProgramStarted_data();
    void reportsHowTheProgramStarted();
    void refusesWhatCannotStart_data();
    void refusesWhatCannotStart();
};

void ProcessLauncherTest::reportsHowTheProgramStarted_data()
{
    QTest::addColumn<QByteArray>("then");
    QTest::addColumn<bool>("started");

    QTest::newRow("keeps running") << QByteArray("sleep 3") << true;
    QTest::newRow("hands over and ends well") << QByteArray("exit 0") << true;
    QTest::newRow("prints its usage and fails") << QByteArray("exit 2") << false;
    QTest::newRow("crashes at once") << QByteArray("kill -SEGV $$") << false;
    QTest::newRow("fails after the first moments") << QByteArray("sleep 1; exit 1") << true;
}

// The script, in a folder with a blank, leaves its first two arguments in a
// marker file beside itself, so the test sees that it ran and what it got.
void ProcessLauncherTest::reportsHowTheProgramStarted()
{
    QFETCH(QByteArray, then);
    QFETCH(bool, started);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("Mail Client")));
    const QString script = dir.filePath(QStringLiteral("Mail Client/run mail.sh"));
    const QString markerPath = dir.filePath(QStringLiteral("Mail Client/marker"));
    writeFile(script,
              "#!/bin/sh\n"
              "printf '%s|%s\\n' \"$1\" \"$2\" > \"$(dirname \"$0\")/marker.tmp\"\n"
              "mv \"$(dirname \"$0\")/marker.tmp\" \"$(dirname \"$0\")/marker\"\n" +
                  then + "\n",
              0700);

    QtProcessLauncher launcher(kWatchMs);
    Report report;
    startRecording(launcher, script, {QStringLiteral("two \"words\""), QStringLiteral("x")},
                   report);
    QVERIFY(!report.called); // reported through the event loop only
    QTRY_VERIFY_WITH_TIMEOUT(report.called, 10000);
    QCOMPARE(report.started, started);
    QCOMPARE(readFile(markerPath), QByteArray("two \"words\"|x\n"));
}

void ProcessLauncherTest::refusesWhatCannotStart_data()
{
    QTest::addColumn<QString>("program");

    // "@" stands for a folder holding a script without the right to execute.
    QTest::newRow("empty") << "";
    QTest::newRow("missing program") << "@/no such program";
    QTest::newRow("not executable") << "@/plain.sh";
    QTest::newRow("folder") << "@";
    QTest::newRow("not searched on the PATH") << "sh";
}

void ProcessLauncherTest::refusesWhatCannotStart()
{
    QFETCH(QString, program);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    writeFile(dir.filePath(QStringLiteral("plain.sh")), "#!/bin/sh\nexit 0\n", 0600);
    program.replace(u'@', dir.path());

    QtProcessLauncher launcher(kWatchMs);
    Report report;
    startRecording(launcher, program, {QStringLiteral("arg")}, report);
    QVERIFY(!report.called);
    QTRY_VERIFY_WITH_TIMEOUT(report.called, 10000);
    QVERIFY(!report.started);
}

QTEST_GUILESS_MAIN(ProcessLauncherTest)
#include "ProcessLauncherTest.moc"
