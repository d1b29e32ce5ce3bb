// The settings store's general actions: running the e-mail program, taking
// the default mail client, and the tray double-click.
#include "RecordingIndicators.h"
#include "RecordingSoundPlayer.h"
#include "ScriptedChecker.h"
#include "SettingsFakes.h"
#include "VirtualClock.h"
#include "core/AccountList.h"
#include "core/MailCore.h"
#include "core/server.h"
#include "settings/Settings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace orvane;
using namespace orvane::test;

class SettingsActionsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void runEProg_data();
    void runEProg();
    void doubleClick_data();
    void doubleClick();
    void defaultMailClient_data();
    void defaultMailClient();
    void newMailActionClearsTheCheckCycle_data();
    void newMailActionClearsTheCheckCycle();

private:
    QTemporaryDir m_dir;
    QString m_program; // an existing file with a blank in its path
};

void SettingsActionsTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("Mail Client")));
    m_program = m_dir.filePath(QStringLiteral("Mail Client/mailer"));
    QFile file(m_program);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

void SettingsActionsTest::runEProg_data()
{
    // "<prog>" stands for the path of an existing program with a blank in it.
    QTest::addColumn<QString>("eprog");
    QTest::addColumn<bool>("wMailFound");
    QTest::addColumn<bool>("force");
    QTest::addColumn<QStringList>("start"); // program and arguments; empty: none
    QTest::addColumn<bool>("runs");         // what the launcher reports
    QTest::addColumn<QList<bool>>("heard"); // what the caller is told

    const QString quoted = QStringLiteral("\"<prog>\" -compose");
    const QStringList started{"<prog>", "-compose"};
    QTest::newRow("forced") << quoted << false << true << started << true << QList<bool>{true};
    QTest::newRow("new-mail action runs it")
        << quoted << true << false << started << true << QList<bool>{true};
    QTest::newRow("forced, program failed at once")
        << quoted << false << true << started << false << QList<bool>{false};
    QTest::newRow("new-mail action, program failed at once")
        << quoted << true << false << started << false << QList<bool>{false};
    QTest::newRow("new-mail action shows the icon")
        << quoted << false << false << QStringList{} << true << QList<bool>{};
    QTest::newRow("unquoted path with a blank is one program")
        << "  <prog> " << false << true << QStringList{"<prog>"} << true << QList<bool>{true};
    QTest::newRow("wrapper arguments kept, quotes group")
        << "\"<prog>\" run \"--title=a b\" org.example.Mail" << false << true
        << QStringList{"<prog>", "run", "--title=a b", "org.example.Mail"} << true
        << QList<bool>{true};
    QTest::newRow("program missing")
        << "\"/nonexistent/mailer\"" << true << true << QStringList{} << true << QList<bool>{};
    QTest::newRow("opening quote without partner")
        << "\"<prog>" << true << true << QStringList{} << true << QList<bool>{};
    QTest::newRow("arguments inside the quotes")
        << "\"<prog> -compose\"" << true << true << QStringList{} << true << QList<bool>{};
    QTest::newRow("empty") << "" << true << true << QStringList{} << true << QList<bool>{};
}

void SettingsActionsTest::runEProg()
{
    QFETCH(QString, eprog);
    QFETCH(bool, wMailFound);
    QFETCH(bool, force);
    QFETCH(QStringList, start);
    QFETCH(bool, runs);
    QFETCH(QList<bool>, heard);

    SettingsFakes fakes;
    Settings settings(m_dir.path() + QLatin1Char('/'), fakes.services());
    settings.eprogFilename = eprog.replace(QStringLiteral("<prog>"), m_program);
    settings.wMailFound = wMailFound;
    start.replaceInStrings(QStringLiteral("<prog>"), m_program);

    QList<bool> told;
    QCOMPARE(settings.RunEProg(force, [&told](bool started) { told << started; }),
             !start.isEmpty());
    QCOMPARE(fakes.launcher.starts,
             start.isEmpty() ? QList<QStringList>{} : QList<QStringList>{start});
    // Nothing is told before the launcher knows how the start went.
    QCOMPARE(told, QList<bool>{});
    fakes.launcher.reportAll(runs);
    QCOMPARE(told, heard);
}

void SettingsActionsTest::doubleClick_data()
{
    QTest::addColumn<int>("action");
    QTest::addColumn<bool>("validProgram");
    QTest::addColumn<QStringList>("windows");
    QTest::addColumn<bool>("runsProgram");

    QTest::newRow("0 runs the e-mail program") << 0 << true << QStringList{} << true;
    QTest::newRow("0 without a valid program opens Quick View")
        << 0 << false << QStringList{"ShowQuickViewWindow"} << false;
    QTest::newRow("1 settings") << 1 << true << QStringList{"ShowSettingsWindow"} << false;
    QTest::newRow("2 Quick View") << 2 << true << QStringList{"ShowQuickViewWindow"} << false;
    QTest::newRow("3 Quick Bar") << 3 << true << QStringList{"ToggleQuickBar"} << false;
    QTest::newRow("unknown as 2") << 9 << true << QStringList{"ShowQuickViewWindow"} << false;
}

void SettingsActionsTest::doubleClick()
{
    QFETCH(int, action);
    QFETCH(bool, validProgram);
    QFETCH(QStringList, windows);
    QFETCH(bool, runsProgram);

    SettingsFakes fakes;
    Settings settings(m_dir.path() + QLatin1Char('/'), fakes.services());
    settings.wMailClick = action;
    settings.eprogFilename = validProgram ? QLatin1Char('"') + m_program + QLatin1Char('"')
                                          : QStringLiteral("\"/nonexistent/mailer\"");
    int runs = 0;
    settings.DoubleClick([&runs] { ++runs; });
    QCOMPARE(fakes.windows.calls, windows);
    QCOMPARE(runs, runsProgram ? 1 : 0);
}

void SettingsActionsTest::defaultMailClient_data()
{
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("complain");
    QTest::addColumn<QString>("eprog");
    QTest::addColumn<QStringList>("messages");

    const QString before = QStringLiteral("\"/usr/bin/before\"");
    const QString wrapped =
        QStringLiteral("\"/usr/bin/flatpak\" run --branch=stable org.example.Mail");
    QTest::newRow("wrapper keeps its arguments")
        << true << "  " + wrapped << true << wrapped << QStringList{};
    QTest::newRow("desktop command's percent signs left alone")
        << true << "\"/usr/bin/mail\" --zoom=50% %MAILDIR%" << false
        << "\"/usr/bin/mail\" --zoom=50% %MAILDIR%" << QStringList{};
    QTest::newRow("quoted path with a blank")
        << true << "\"/usr/bin/mail client\" -compose" << false
        << "\"/usr/bin/mail client\" -compose" << QStringList{};
    QTest::newRow("unquoted with a variable") << true << "%MAILDIR%/bin/mailer -x" << false
                                              << "\"/opt/mail/bin/mailer -x\"" << QStringList{};
    QTest::newRow("none, asked by the user")
        << false << "" << true << before << QStringList{"Could not detect default mail client."};
    QTest::newRow("none, first run") << false << "" << false << before << QStringList{};
}

void SettingsActionsTest::defaultMailClient()
{
    QFETCH(bool, found);
    QFETCH(QString, command);
    QFETCH(bool, complain);
    QFETCH(QString, eprog);
    QFETCH(QStringList, messages);

    SettingsFakes fakes;
    fakes.environment.insert(QStringLiteral("MAILDIR"), QStringLiteral("/opt/mail"));
    if (found)
        fakes.mailClient.command = command;
    Settings settings(QStringLiteral("/opt/orvane/"), fakes.services());
    settings.eprogFilename = QStringLiteral("\"/usr/bin/before\"");

    settings.GetDefaultEprog(complain);
    QCOMPARE(settings.eprogFilename, eprog);
    QCOMPARE(fakes.messages.texts(), messages);
    for (const auto& box : fakes.messages.shown)
        QCOMPARE(box.title, QStringLiteral("Orvane"));
}

void SettingsActionsTest::newMailActionClearsTheCheckCycle_data()
{
    QTest::addColumn<bool>("forced"); // "Run E-Mail Client" rather than the new-mail action
    QTest::addColumn<bool>("runs");
    QTest::addColumn<qint64>("count");
    QTest::addColumn<QString>("tip");
    QTest::addColumn<bool>("idle");
    QTest::newRow("program runs") << false << true << qint64(0)
                                  << "Orvane - Mail Found and Checked." << true;
    QTest::newRow("program failed at once")
        << false << false << qint64(3) << "Orvane - 3 Messages Found." << false;
    QTest::newRow("forced, program runs")
        << true << true << qint64(0) << "Orvane - No Mail." << false;
    QTest::newRow("forced, program failed at once")
        << true << false << qint64(3) << "Orvane - 3 Messages Found." << false;
}

// The real store and the real check cycle, wired as the program wires them:
// the cycle runs the e-mail program through the store, and clears the count
// once the launcher reports that it runs.
void SettingsActionsTest::newMailActionClearsTheCheckCycle()
{
    QFETCH(bool, forced);
    QFETCH(bool, runs);
    QFETCH(qint64, count);
    QFETCH(QString, tip);
    QFETCH(bool, idle);

    SettingsFakes fakes;
    Settings settings(m_dir.path() + QLatin1Char('/'), fakes.services());
    settings.eprogFilename = QLatin1Char('"') + m_program + QLatin1Char('"');
    settings.wMailFound = !forced;
    VirtualClock clock;
    AccountList accounts;
    RecordingIndicators indicators;
    RecordingSoundPlayer sound;
    ScriptedCheckers checkers;
    MailCore core(clock, accounts, settings, indicators, sound, checkers);
    auto account = std::make_unique<server>(core);
    account->CreateServer(QStringLiteral("home"), QStringLiteral("pop.example.org"), 60, 600,
                          QStringLiteral("user"), QString(), false, 0, false, QString(), false);
    accounts.append(std::move(account));

    core.CheckAll();
    checkers.last()->found(3);
    if (forced)
        core.runMailClient();
    QCOMPARE(fakes.launcher.starts, QList<QStringList>{{m_program}});
    QCOMPARE(core.TotalCount(), 3);
    indicators.calls.clear();
    fakes.launcher.reportAll(runs);
    QCOMPARE(core.TotalCount(), count);
    QCOMPARE(indicators.tip, tip);
    QCOMPARE(indicators.calls.contains(QStringLiteral("DoIdle")), idle);
}

QTEST_GUILESS_MAIN(SettingsActionsTest)
#include "SettingsActionsTest.moc"
