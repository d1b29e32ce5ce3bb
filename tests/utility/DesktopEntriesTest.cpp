// The log-on and menu entries scripts/install-entries.sh writes, read the way
// a desktop reads them.
#include "FileHelpers.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace orvane;
using namespace orvane::test;

namespace {

// The keys of a desktop entry's group, string escapes undone.
QMap<QString, QString> readEntry(const QString& path)
{
    QMap<QString, QString> keys;
    const QString text = QString::fromUtf8(readFile(path));
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0)
            continue;
        QString value;
        const QString raw = line.mid(equals + 1);
        for (qsizetype i = 0; i < raw.size(); ++i) {
            if (raw[i] == QLatin1Char('\\') && i + 1 < raw.size()) {
                const QChar next = raw[++i];
                value += next == QLatin1Char('n') ? QChar(u'\n') : next;
            } else {
                value += raw[i];
            }
        }
        keys.insert(line.left(equals), value);
    }
    return keys;
}

// The program and arguments of an Exec value, read strictly: reserved
// characters only quoted, and inside quotes '"', '`', '$' and '\' only
// escaped; "%%" for a "%" and no other field code. Empty when a rule is broken.
QStringList execCommand(const QString& exec)
{
    QStringList command;
    QString argument;
    bool quoted = false;
    bool inArgument = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (c == u'%') {
            if (++i >= exec.size() || exec[i] != u'%')
                return {};
            argument += c;
        } else if (quoted && c == u'\\') {
            if (++i >= exec.size() || !QStringView(u"\"`$\\").contains(exec[i]))
                return {};
            argument += exec[i];
        } else if (c == u'"') {
            quoted = !quoted;
        } else if (QStringView(u"`$\\").contains(c)) {
            return {};
        } else if (c == u' ' && !quoted) {
            if (inArgument)
                command << argument;
            argument.clear();
            inArgument = false;
            continue;
        } else {
            argument += c;
        }
        inArgument = true;
    }
    if (quoted)
        return {};
    if (inArgument)
        command << argument;
    return command;
}

int runScript(const QString& home, const QStringList& arguments)
{
    QProcess script;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    script.setProcessEnvironment(env);
    script.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    script.start(QStringLiteral("bash"),
                 QStringList{qEnvironmentVariable("ORVANE_SOURCE_DIR") +
                             QStringLiteral("/scripts/install-entries.sh")} +
                     arguments);
    if (!script.waitForFinished(30000) || script.exitStatus() != QProcess::NormalExit)
        return -1;
    return script.exitCode();
}

} // namespace

class DesktopEntriesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void entriesRunTheProgramFolder_data();
    void entriesRunTheProgramFolder();
};

void DesktopEntriesTest::entriesRunTheProgramFolder_data()
{
    QTest::addColumn<QString>("folderName");
    QTest::newRow("plain") << "Orvane";
    QTest::newRow("blanks and shell characters") << "My \"quoted\" $HOME `date` 100% \\back";
    QTest::newRow("non-ASCII") << QString::fromUtf8("Программы/Orvane");
}

void DesktopEntriesTest::entriesRunTheProgramFolder()
{
    QFETCH(QString, folderName);
    QTemporaryDir home;
    QVERIFY(home.isValid());
    const QString folder = home.filePath(folderName);
    QVERIFY(QDir().mkpath(folder));

    // Twice: running the script again replaces the entries.
    for (int run = 0; run < 2; ++run)
        QCOMPARE(runScript(home.path(), {folder}), 0);

    const QString autostart = home.filePath(QStringLiteral("config/autostart"));
    const QString menu = home.filePath(QStringLiteral("data/applications"));
    QCOMPARE(QDir(autostart).entryList(QDir::Files),
             QStringList{QStringLiteral("orvane-startup.desktop")});
    QCOMPARE(QDir(menu).entryList(QDir::Files), QStringList{QStringLiteral("orvane.desktop")});

    const auto logon = readEntry(autostart + QStringLiteral("/orvane-startup.desktop"));
    QCOMPARE(execCommand(logon.value(QStringLiteral("Exec"))),
             (QStringList{folder + QStringLiteral("/Zarnik"), QStringLiteral("/STARTUP")}));
    QCOMPARE(logon.value(QStringLiteral("Type")), QStringLiteral("Application"));

    const auto launcher = readEntry(menu + QStringLiteral("/orvane.desktop"));
    QCOMPARE(execCommand(launcher.value(QStringLiteral("Exec"))),
             QStringList{folder + QStringLiteral("/Quorvel")});
    QCOMPARE(launcher.value(QStringLiteral("Icon")), folder + QStringLiteral("/orvane.svg"));
    QCOMPARE(launcher.value(QStringLiteral("Name")), QStringLiteral("Orvane"));
}

QTEST_GUILESS_MAIN(DesktopEntriesTest)
#include "DesktopEntriesTest.moc"
