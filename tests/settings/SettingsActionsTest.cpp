// The settings store's general actions: running the e-mail program, taking
// the default mail client, and the tray double-click.
#include "RecordingIndicators.h"
#include "RecordingSoundPlayer.h"
#include "ScriptedChecker.h"
#include "SettingsFakes.h"
#include "VirtualClock.h"
#include "core/AccountList.h"
#include "core/CountClearingRelay.h"
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
    QTest::addColumn<QStringList>("clears");

    const QString quoted = QStringLiteral("\"<prog>\" -compose");
    const QStringList started{"<prog>", "-compose"};
    QTest::newRow("forced") << quoted << false << true << started << true
                            << QStringList{"ClearAndResetTip"};
    QTest::newRow("new-mail action runs it")
        << quoted << true << false << started << true << QStringList{"ClearAfterNewMailAction"};
    QTest::newRow("forced, program failed at once")
        << quoted << false << true << started << false << QStringList{};
    QTest::newRow("new-mail action, program failed at once")
        << quoted << true << false << started << false << QStringList{};
    QTest::newRow("new-mail action shows the icon")
        << quoted << false << false << QStringList{} << true << QStringList{};
    QTest::newRow("unquoted path with a blank is one program")
        << "  <prog> " << false << true << QStringList{"<prog>"} << true
        << QStringList{"ClearAndResetTip"};
    QTest::newRow("wrapper arguments kept, quotes group")
        << "\"<prog>\" run \"--title=a b\" org.example.Mail" << false << true
        << QStringList{"<prog>", "run", "--title=a b", "org.example.Mail"} << true
        << QStringList{"ClearAndResetTip"};
    QTest::newRow("program missing")
        << "\"/nonexistent/mailer\"" << true << true << QStringList{} << true << QStringList{};
    QTest::newRow("opening quote without partner")
        << "\"<prog>" << true << true << QStringList{} << true << QStringList{};
    QTest::newRow("arguments inside the quotes")
        << "\"<prog> -compose\"" << true << true << QStringList{} << true << QStringList{};
    QTest::newRow("empty") << "" << true << true << QStringList{} << true << QStringList{};
}

void SettingsActionsTest::runEProg()
{
    QFETCH(QString, eprog);
    QFETCH(bool, wMailFound);
    QFETCH(bool, force);
    QFETCH(QStringList, start);
    QFETCH(bool, runs);
    QFETCH(QStringList, clears);

    SettingsFakes fakes;
    Settings settings(m_dir.path() + QLatin1Char('/'), fakes.services());
    settings.eprogFilename = eprog.replace(QStringLiteral("<prog>"), m_program);
    settings.wMailFound = wMailFound;
    start.replaceInStrings(QStringLiteral("<prog>"), m_program);

    QCOMPARE(settings.RunEProg(force), !start.isEmpty());
    QCOMPARE(fakes.launcher.starts,
             start.isEmpty() ? QList<QStringList>{} : QList<QStringList>{start});
    // Nothing is cleared before the launcher knows how the start went.
    QCOMPARE(fakes.counts.calls, QStringList{});
    fakes.launcher.reportAll(runs);
    QCOMPARE(fakes.counts.calls, clears);
}

void SettingsActionsTest::doubleClick_data()
{
    QTest::addColumn<int>("action");
    QTest::addColumn<bool>("validProgram");
    QTest::addColumn<QStringList>("windows");
    QTest::addColumn<QStringList>("clears");

    QTest::newRow("0 runs the e-mail program")
        << 0 << true << QStringList{} << QStringList{"ClearAndResetTip"};
    QTest::newRow("0 without a valid program opens Quick View")
        << 0 << false << QStringList{"ShowQuickViewWindow"} << QStringList{};
    QTest::newRow("1 settings") << 1 << true << QStringList{"ShowSettingsWindow"} << QStringList{};
    QTest::newRow("2 Quick View") << 2 << true << QStringList{"ShowQuickViewWindow"}
                                  << QStringList{};
    QTest::newRow("3 Quick Bar") << 3 << true << QStringList{"ToggleQuickBar"} << QStringList{};
    QTest::newRow("unknown as 2") << 9 << true << QStringList{"ShowQuickViewWindow"}
                                  << QStringList{};
}

void SettingsActionsTest::doubleClick()
{
    QFETCH(int, action);
    QFETCH(bool, validProgram);
    QFETCH(QStringList, windows);
    QFETCH(QStringList, clears);

    SettingsFakes fakes;
    Settings settings(m_dir.path() + QLatin1Char('/'), fakes.services());
    settings.wMailClick = action;
    settings.eprogFilename = validProgram ? QLatin1Char('"') + m_program + QLatin1Char('"')
                                          : QStringLiteral("\"/nonexistent/mailer\"");
    settings.DoubleClick();
    fakes.launcher.reportAll(true);
    QCOMPARE(fakes.windows.calls, windows);
    QCOMPARE(fakes.counts.calls, clears);
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
    QTest::addColumn<bool>("runs");
    QTest::addColumn<qint64>("count");
    QTest::addColumn<QString>("tip");
    QTest::newRow("program runs") << true << qint64(0) << "Orvane - Mail Found and Checked.";
    QTest::newRow("program failed at once") << false << qint64(3) << "Orvane - 3 Messages Found.";
}

// The real store bound to the real check cycle the way the program binds
// them: new mail runs the e-mail program, and its start clears the count.
void SettingsActionsTest::newMailActionClearsTheCheckCycle()
{
    QFETCH(bool, runs);
    QFETCH(qint64, count);
    QFETCH(QString, tip);

    SettingsFakes fakes;
    CountClearingRelay relay;
    Settings settings(m_dir.path() + QLatin1Char('/'),
                      {fakes.mailClient, fakes.launcher, fakes.messages, relay, fakes.windows});
    settings.eprogFilename = QLatin1Char('"') + m_program + QLatin1Char('"');
    settings.wMailFound = true;
    VirtualClock clock;
    AccountList accounts;
    RecordingIndicators indicators;
    RecordingSoundPlayer sound;
    ScriptedCheckers checkers;
    MailCore core(clock, accounts, settings, indicators, sound, checkers.factory());
    relay.bind(&core);
    auto account = std::make_unique<server>(core);
    account->CreateServer(QStringLiteral("home"), QStringLiteral("pop.example.org"), 60, 600,
                          QStringLiteral("user"), QString(), false, 0, false, QString(), false);
    accounts.append(std::move(account));

    core.CheckAll();
    checkers.last()->found(3);
    QCOMPARE(fakes.launcher.starts, QList<QStringList>{{m_program}});
    QCOMPARE(core.TotalCount(), 3);
    indicators.calls.clear();
    fakes.launcher.reportAll(runs);
    QCOMPARE(core.TotalCount(), count);
    QCOMPARE(indicators.tip, tip);
    QCOMPARE(indicators.calls.contains(QStringLiteral("DoIdle")), runs);
}

QTEST_GUILESS_MAIN(SettingsActionsTest)
#include "SettingsActionsTest.moc"
