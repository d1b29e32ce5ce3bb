// The real notifier with the shipped tray skin on a virtual desktop: the
// checking frames while a check waits on its server, the new-mail popup in
// the corner until it closes itself, then the mail animation.
#include "Desktop.h"
#include "FileHelpers.h"
#include "ProgramFolder.h"
#include "QuorvelBus.h"
#include "ScreenMatch.h"
#include "ScriptedPop3Server.h"

#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QTest>
#include <memory>

using namespace orvane;
using namespace orvane::e2e;

namespace {

constexpr int kStartMs = 30000;
constexpr double kSamepicture = 30;

struct Picture
{
    QString name;
    QImage image;
};

QList<Picture> skinPictures(const ProgramFolder& folder, const QStringList& names)
{
    QList<Picture> pictures;
    for (const QString& name : names) {
        pictures.append(
            {name, QImage(folder.filePath(QStringLiteral("Skins/XP Style Flash/") + name))
                       .convertToFormat(QImage::Format_ARGB32)});
    }
    return pictures;
}

} // namespace

class QuorvelSkinTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void animatesTheShippedSkin();

private:
    /// The pictures of `candidates` seen in the tray over `ms`, the
    /// screenshot kept as `shotName`.
    QSet<QString> watchTray(const QList<Picture>& candidates, int ms, const QString& shotName);

    Desktop m_desktop;
    std::unique_ptr<QProcess> m_quorvel;
};

void QuorvelSkinTest::initTestCase()
{
    if (!QDBusConnection::sessionBus().isConnected())
        QSKIP("No session bus: run the tests through scripts/test.sh.");
    if (quorvelOnBus())
        QSKIP("org.orvane.Quorvel is taken on this bus: run the tests through scripts/test.sh.");
    QVERIFY2(m_desktop.start(), qPrintable(m_desktop.errorString()));
}

void QuorvelSkinTest::cleanup()
{
    if (m_quorvel && m_quorvel->state() != QProcess::NotRunning) {
        m_quorvel->kill();
        m_quorvel->waitForFinished(kStartMs);
    }
    m_quorvel.reset();
}

QSet<QString> QuorvelSkinTest::watchTray(const QList<Picture>& candidates, int ms,
                                         const QString& shotName)
{
    const QString screens = QStringLiteral(ORVANE_E2E_SCREEN_DIR);
    QDir().mkpath(screens);
    const QString shot = screens + QLatin1Char('/') + shotName;
    QSet<QString> seen;
    const QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        if (!m_desktop.screenshot(shot))
            break;
        const QImage screen = QImage(shot).convertToFormat(QImage::Format_ARGB32);
        double best = kSamepicture;
        QString bestName;
        for (const Picture& p : candidates) {
            const double score = bestMatch(screen, p.image);
            if (score < best) {
                best = score;
                bestName = p.name;
            }
        }
        if (!bestName.isEmpty())
            seen.insert(bestName);
        QTest::qWait(137); // out of step with the frame times
    }
    qInfo("%s: %s", qPrintable(shot), qPrintable(QStringList(seen.values()).join(u' ')));
    return seen;
}

void QuorvelSkinTest::animatesTheShippedSkin()
{
    // The server holds its greeting until released: the check is under way
    // meanwhile, and the tray shows the skin's checking frames.
    auto script =
        ScriptedPop3Server::dialogue("+OK ready\r\n", "+OK\r\n", "+OK\r\n", "+OK 3 3000\r\n");
    script.prepend(ScriptedPop3Server::waitForRelease());
    ScriptedPop3Server server(script);
    QVERIFY(server.listen());

    const ProgramFolder folder;
    QVERIFY2(folder.isValid(), qPrintable(folder.errorString()));
    ListSettings settings{QString(), false, true, true};
    settings.traySkin = "XP Style Flash";
    const ListAccount account{"Scripted", server.address().toLatin1(), 120, 3600};
    QVERIFY(orvane::test::saveFile(folder.accountListPath(), listFileContent(settings, {account})));

    m_quorvel = std::make_unique<QProcess>();
    QVERIFY(startQuorvel(*m_quorvel, folder.path(), m_desktop.environment(), kStartMs));
    QTRY_VERIFY_WITH_TIMEOUT(server.connectionCount() == 1, kStartMs);

    const QStringList checking{QStringLiteral("check1.ico"), QStringLiteral("check2.ico"),
                               QStringLiteral("check3.ico"), QStringLiteral("check4.ico")};
    const QSet<QString> checkFrames = watchTray(skinPictures(folder, checking), 4000,
                                                QStringLiteral("QuorvelSkinTest-checking.png"));
    QVERIFY2(checkFrames.size() >= 2, "the tray does not cycle the skin's checking frames");

    server.release();
    QTRY_COMPARE_WITH_TIMEOUT(statusProperty(QStringLiteral("TotalCount")).toInt(), 3, kStartMs);

    // The popup opens in the corner and closes itself after 10 seconds.
    QTRY_VERIFY_WITH_TIMEOUT(m_desktop.hasWindowTitled(QStringLiteral("Orvane")), 5000);
    const QString popupShot =
        QStringLiteral(ORVANE_E2E_SCREEN_DIR) + QStringLiteral("/QuorvelSkinTest-popup.png");
    QVERIFY(m_desktop.screenshot(popupShot));
    qInfo("popup: %s", qPrintable(popupShot));
    QTRY_VERIFY_WITH_TIMEOUT(!m_desktop.hasWindowTitled(QStringLiteral("Orvane")), 15000);

    const QStringList flashing{QStringLiteral("flash1.ico"), QStringLiteral("flash2.ico"),
                               QStringLiteral("flash3.ico"), QStringLiteral("flash4.ico")};
    const QSet<QString> flashFrames = watchTray(skinPictures(folder, flashing), 4000,
                                                QStringLiteral("QuorvelSkinTest-found.png"));
    QVERIFY2(flashFrames.size() >= 2, "the tray does not animate the skin's mail frames");

    callShutdown(kStartMs);
    QVERIFY(m_quorvel->waitForFinished(kStartMs));
    QCOMPARE(m_quorvel->exitStatus(), QProcess::NormalExit);
    // The choice is saved as it was read.
    QVERIFY(orvane::test::readFile(folder.accountListPath()).contains("\r\nXP Style Flash\r\n"));
}

QTEST_GUILESS_MAIN(QuorvelSkinTest)
#include "QuorvelSkinTest.moc"
