#include "platform/QtProcessLauncher.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace orvane;

namespace {

bool writeScript(const QString& path, const QByteArray& body, QFileDevice::Permissions mode)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(body) != body.size())
        return false;
    file.close();
    return file.setPermissions(mode);
}

QByteArray contentsOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

constexpr auto kExecutable =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;

} // namespace

class ProcessLauncherTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startsQuotedProgram_data();
    void startsQuotedProgram();
    void refusesWhatCannotStart_data();
    void refusesWhatCannotStart();
};

void ProcessLauncherTest::startsQuotedProgram_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QByteArray>("marker");

    QTest::newRow("one argument") << "hello" << QByteArray("hello|\n");
    QTest::newRow("quoted argument with blanks")
        << "\"two words\" x" << QByteArray("two words|x\n");
    QTest::newRow("no argument") << "" << QByteArray("|\n");
}

// The script leaves its first two arguments in a marker file beside itself,
// so the test sees both that it ran and how the command line was split.
void ProcessLauncherTest::startsQuotedProgram()
{
    QFETCH(QString, arguments);
    QFETCH(QByteArray, marker);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("Mail Client")));
    const QString script = dir.filePath(QStringLiteral("Mail Client/run mail.sh"));
    const QString markerPath = dir.filePath(QStringLiteral("Mail Client/marker"));
    QVERIFY(writeScript(script,
                        "#!/bin/sh\n"
                        "printf '%s|%s\\n' \"$1\" \"$2\" > \"$(dirname \"$0\")/marker.tmp\"\n"
                        "mv \"$(dirname \"$0\")/marker.tmp\" \"$(dirname \"$0\")/marker\"\n",
                        kExecutable));

    QtProcessLauncher launcher;
    QVERIFY(launcher.startDetached(u'"' + script + QStringLiteral("\" ") + arguments));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(markerPath), 10000);
    QCOMPARE(contentsOf(markerPath), marker);
}

void ProcessLauncherTest::refusesWhatCannotStart_data()
{
    QTest::addColumn<QString>("commandLine");

    // "@" stands for a folder holding a script without the right to execute.
    QTest::newRow("empty") << "";
    QTest::newRow("blanks only") << "   ";
    QTest::newRow("empty quotes") << "\"\" arg";
    QTest::newRow("missing program") << "\"@/no such program\" arg";
    QTest::newRow("not executable") << "\"@/plain.sh\"";
    QTest::newRow("folder") << "\"@\"";
}

void ProcessLauncherTest::refusesWhatCannotStart()
{
    QFETCH(QString, commandLine);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(writeScript(dir.filePath(QStringLiteral("plain.sh")), "#!/bin/sh\nexit 0\n",
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    commandLine.replace(u'@', dir.path());

    QtProcessLauncher launcher;
    QVERIFY(!launcher.startDetached(commandLine));
}

QTEST_GUILESS_MAIN(ProcessLauncherTest)
#include "ProcessLauncherTest.moc"
