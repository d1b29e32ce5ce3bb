#include "utility/Zarnik.h"

#include "FakeLogonName.h"
#include "FakeProcessLauncher.h"
#include "FileHelpers.h"
#include "VirtualClock.h"
#include "platform/DataFolders.h"
#include "utility/NotifierLink.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace orvane;
using namespace orvane::test;

namespace {

// Holds each shutdown request until the test says whether a notifier was
// reached.
class FakeNotifierLink final : public NotifierLink
{
public:
    void Shutdown(Done done) override { pending.push_back(std::move(done)); }
    std::vector<Done> pending;
};

} // namespace

class ZarnikTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void commandLineAndChoiceDecide_data();
    void commandLineAndChoiceDecide();
    void shutdownLingersOnlyAfterReachingTheNotifier_data();
    void shutdownLingersOnlyAfterReachingTheNotifier();
    void installedProgramReadsTheUsersOwnChoice();

private:
    QTemporaryDir m_dir;
    QString m_folder;
    VirtualClock m_clock;
    FakeLogonName m_logon;
    FakeProcessLauncher m_launcher;
    FakeNotifierLink m_link;
    std::unique_ptr<Zarnik> m_zarnik;
};

void ZarnikTest::init()
{
    QVERIFY(m_dir.isValid());
    m_folder = m_dir.path() + QLatin1Char('/');
    QFile::remove(m_folder + QStringLiteral("Zarnik.cfg"));
    QFile::remove(m_folder + QStringLiteral("ZarnikD.cfg"));
    m_launcher.starts.clear();
    m_link.pending.clear();
    m_zarnik = std::make_unique<Zarnik>(DataFolders(m_folder),
                                        Zarnik::Services{m_clock, m_logon, m_launcher, m_link});
}

void ZarnikTest::commandLineAndChoiceDecide_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("perUser"); // null: no file; ZarnikD.cfg always says False
    QTest::addColumn<QString>("logon");
    QTest::addColumn<QString>("outcome"); // "start", "nothing" or "shutdown"
    const QStringList on{QStringLiteral("/STARTUP")};
    const QByteArray none;
    QTest::newRow("switch, no per-user file") << on << none << "anna"
                                              << "start";
    QTest::newRow("lower case") << QStringList{QStringLiteral("/startup")} << none << "anna"
                                << "start";
    QTest::newRow("trailing blank") << QStringList{QStringLiteral("/STARTUP ")} << none << "anna"
                                    << "shutdown";
    QTest::newRow("second argument")
        << QStringList{QStringLiteral("/STARTUP"), QString()} << none << "anna"
        << "shutdown";
    QTest::newRow("without slash") << QStringList{QStringLiteral("STARTUP")} << none << "anna"
                                   << "shutdown";
    QTest::newRow("no arguments") << QStringList{} << none << "anna"
                                  << "shutdown";
    QTest::newRow("empty name, no per-user file") << on << none << ""
                                                  << "start";
    QTest::newRow("False for this user")
        << on << QByteArray("ben\r\nTrue\r\n Anna \r\nFalse\r\n") << "anna"
        << "nothing";
    QTest::newRow("last name without value line")
        << on << QByteArray("ben\r\nFalse\r\nanna\r\n") << "anna"
        << "start";
    QTest::newRow("empty name reads the default") << on << QByteArray("anna\r\nTrue\r\n") << ""
                                                  << "nothing";
}

void ZarnikTest::commandLineAndChoiceDecide()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, perUser);
    QFETCH(QString, logon);
    QFETCH(QString, outcome);
    if (!perUser.isNull())
        QVERIFY(saveFile(m_folder + QStringLiteral("Zarnik.cfg"), perUser));
    QVERIFY(saveFile(m_folder + QStringLiteral("ZarnikD.cfg"), "False\r\n"));
    m_logon.name = logon;
    QSignalSpy finished(m_zarnik.get(), &Zarnik::finished);

    m_zarnik->Run(arguments);
    const bool starts = outcome == QLatin1String("start");
    QCOMPARE(m_launcher.starts, starts ? QList<QStringList>{{m_folder + QStringLiteral("Quorvel")}}
                                       : QList<QStringList>{});
    QCOMPARE(m_link.pending.size(), size_t(outcome == QLatin1String("shutdown")));
    if (m_link.pending.empty()) {
        // It ends once the start is reported, however it went, and never before.
        m_clock.advance(0);
        QCOMPARE(finished.size(), starts ? 0 : 1);
        m_launcher.reportAll(false);
        QCOMPARE(finished.size(), 1);
    }
    // The utility only reads the companion files.
    QCOMPARE(QFile::exists(m_folder + QStringLiteral("Zarnik.cfg")), !perUser.isNull());
}

void ZarnikTest::shutdownLingersOnlyAfterReachingTheNotifier_data()
{
    QTest::addColumn<bool>("reached");
    QTest::addColumn<int>("lingerMs");
    QTest::newRow("notifier reached") << true << 250;
    QTest::newRow("no notifier") << false << 0;
}

void ZarnikTest::shutdownLingersOnlyAfterReachingTheNotifier()
{
    QFETCH(bool, reached);
    QFETCH(int, lingerMs);
    QSignalSpy finished(m_zarnik.get(), &Zarnik::finished);
    m_zarnik->Run({});
    QCOMPARE(m_link.pending.size(), size_t(1));

    // Waiting for the answer is not part of the lingering.
    m_clock.advance(5000);
    QCOMPARE(finished.size(), 0);
    m_link.pending.front()(reached);
    if (lingerMs > 0) {
        m_clock.advance(lingerMs - 1);
        QCOMPARE(finished.size(), 0);
        m_clock.advance(1);
    }
    QCOMPARE(finished.size(), 1);
}

void ZarnikTest::installedProgramReadsTheUsersOwnChoice()
{
    // The program folder's file is another layout's; the user's own decides.
    const QString user = m_folder + QStringLiteral("data/orvane/");
    QVERIFY(saveFile(m_folder + QStringLiteral("Zarnik.cfg"), "anna\r\nTrue\r\n"));
    QVERIFY(saveFile(user + QStringLiteral("Zarnik.cfg"), "anna\r\nFalse\r\n"));
    m_logon.name = QStringLiteral("anna");
    Zarnik zarnik(DataFolders::Choose(m_folder, false, m_folder + QStringLiteral("data")),
                  {m_clock, m_logon, m_launcher, m_link});
    QVERIFY(!zarnik.ShouldStart());
    QVERIFY(saveFile(user + QStringLiteral("Zarnik.cfg"), "anna\r\nTrue\r\n"));
    zarnik.Run({QStringLiteral("/STARTUP")});
    QCOMPARE(m_launcher.starts, QList<QStringList>{{m_folder + QStringLiteral("Quorvel")}});
}

QTEST_GUILESS_MAIN(ZarnikTest)
#include "ZarnikTest.moc"
