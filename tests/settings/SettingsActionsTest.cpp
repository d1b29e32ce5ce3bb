// The settings store's general actions: running the e-mail program, taking
// the default mail client, and the tray double-click.
#include "SettingsFakes.h"
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
    // "<prog>" stands for the path of an existing program.
    QTest::addColumn<QString>("eprog");
    QTest::addColumn<bool>("wMailFound");
    QTest::addColumn<bool>("force");
    QTest::addColumn<bool>("starts");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QStringList>("clears");

    const QString quoted = QStringLiteral("\"<prog>\" -compose");
    QTest::newRow("forced") << quoted << false << true << true << true
                            << QStringList{"ClearAndResetTip"};
    QTest::newRow("new-mail action runs it")
        << quoted << true << false << true << true << QStringList{"ClearAll"};
    QTest::newRow("new-mail action shows the icon")
        << quoted << false << false << true << false << QStringList{};
    QTest::newRow("program missing")
        << "\"/nonexistent/mailer\"" << true << true << true << false << QStringList{};
    QTest::newRow("opening quote without partner")
        << "\"<prog>" << true << true << true << false << QStringList{};
    QTest::newRow("arguments inside the quotes")
        << "\"<prog> -compose\"" << true << true << true << false << QStringList{};
    QTest::newRow("empty") << "" << true << true << true << false << QStringList{};
    QTest::newRow("process not created")
        << quoted << true << true << false << false << QStringList{};
}

void SettingsActionsTest::runEProg()
{
    QFETCH(QString, eprog);
    QFETCH(bool, wMailFound);
    QFETCH(bool, force);
    QFETCH(bool, starts);
    QFETCH(bool, result);
    QFETCH(QStringList, clears);

    SettingsFakes fakes;
    fakes.launcher.result = starts;
    Settings settings(m_dir.path() + QLatin1Char('/'), fakes.services());
    settings.eprogFilename = eprog.replace(QStringLiteral("<prog>"), m_program);
    settings.wMailFound = wMailFound;

    QCOMPARE(settings.RunEProg(force), result);
    QCOMPARE(fakes.counts.calls, clears);
    const bool valid = settings.ValidEProg();
    // The command line goes to the launcher as it stands, quotes and all.
    QCOMPARE(fakes.launcher.commandLines,
             (valid && (force || wMailFound)) ? QStringList{eprog} : QStringList{});
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
    QTest::newRow("quoted path with arguments")
        << true << "\"/usr/bin/mail client\" -compose %u" << true << "\"/usr/bin/mail client\""
        << QStringList{};
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

QTEST_GUILESS_MAIN(SettingsActionsTest)
#include "SettingsActionsTest.moc"
