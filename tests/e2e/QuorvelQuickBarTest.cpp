// The real notifier's Quick Bar on a virtual desktop: a first run shows the
// shipped "Sublime" skin in the middle of the screen, and a saved bar shows
// the mail a check finds, where it was left.
#include "Desktop.h"
#include "DovecotServer.h"
#include "FileHelpers.h"
#include "ProgramFolder.h"
#include "QuorvelBus.h"

#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTest>
#include <memory>

using namespace orvane;
using namespace orvane::e2e;

namespace {

constexpr int kStartMs = 30000;
constexpr int kStopMs = 30000;
constexpr int kBarWidth = 240;
constexpr int kBarHeight = 24;
// The count's label covers this part of the pictures.
const QRect kNumberBox(68, 4, 50, 16);

// Mean difference per colour channel between the picture and the screen at
// `place`, leaving out the count's label.
double difference(const QImage& screen, const QImage& picture, const QPoint& place)
{
    double sum = 0;
    int pixels = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (kNumberBox.contains(x, y))
                continue;
            const QRgb a = screen.pixel(place.x() + x, place.y() + y);
            const QRgb b = picture.pixel(x, y);
            sum += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                   std::abs(qBlue(a) - qBlue(b));
            ++pixels;
        }
    }
    return sum / (3.0 * pixels);
}

} // namespace

class QuorvelQuickBarTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();
    void firstRunShowsSublimeCentred();
    void showsTheMailACheckFinds();
    void draggedPlaceSurvivesAKill();
    // Last: it splits the desktop into two monitors.
    void snapsToTheSecondMonitor();

private:
    bool startQuorvel(const ProgramFolder& folder);
    /// Starts the notifier with the Sublime bar shown at `place` (pixels).
    bool startWithBarAt(const ProgramFolder& folder, const QPoint& place);
    /// Takes screenshots until the picture shows at `place`; the last one
    /// stays under `name` among the test's screenshots.
    double waitForPicture(const QImage& picture, const QPoint& place, const QString& name);

    Desktop m_desktop;
    std::unique_ptr<QProcess> m_quorvel;
};

void QuorvelQuickBarTest::initTestCase()
{
    if (!QDBusConnection::sessionBus().isConnected())
        QSKIP("No session bus: run the tests through scripts/test.sh.");
    if (quorvelOnBus())
        QSKIP("org.orvane.Quorvel is taken on this bus: run the tests through scripts/test.sh.");
    QVERIFY2(m_desktop.start(), qPrintable(m_desktop.errorString()));
}

void QuorvelQuickBarTest::cleanup()
{
    if (m_quorvel)
        stopQuorvel(*m_quorvel, kStopMs);
    m_quorvel.reset();
}

void QuorvelQuickBarTest::cleanupTestCase()
{
    m_desktop.stop();
}

bool QuorvelQuickBarTest::startQuorvel(const ProgramFolder& folder)
{
    m_quorvel = std::make_unique<QProcess>();
    return orvane::e2e::startQuorvel(*m_quorvel, folder.path(), m_desktop.environment(), kStartMs);
}

double QuorvelQuickBarTest::waitForPicture(const QImage& picture, const QPoint& place,
                                           const QString& name)
{
    const QString screens = QStringLiteral(ORVANE_E2E_SCREEN_DIR);
    QDir().mkpath(screens);
    const QString shot = screens + QLatin1Char('/') + name;
    double score = 255;
    const QDeadlineTimer deadline(15000);
    do {
        QTest::qWait(300);
        if (!m_desktop.screenshot(shot))
            continue;
        const QImage screen = QImage(shot).convertToFormat(QImage::Format_RGB32);
        if (screen.width() < place.x() + kBarWidth || screen.height() < place.y() + kBarHeight)
            continue;
        score = difference(screen, picture.convertToFormat(QImage::Format_RGB32), place);
    } while (score >= 4 && !deadline.hasExpired());
    qInfo("Quick Bar screenshot: %s (difference %.1f)", qPrintable(shot), score);
    return score;
}

void QuorvelQuickBarTest::firstRunShowsSublimeCentred()
{
    const ProgramFolder folder;
    QVERIFY2(folder.isValid(), qPrintable(folder.errorString()));
    const QImage idle(folder.filePath(QStringLiteral("Skins/Sublime/idle.bmp")));
    QVERIFY(!idle.isNull());
    QVERIFY(startQuorvel(folder));
    QTRY_VERIFY_WITH_TIMEOUT(m_desktop.hasWindowTitled(QStringLiteral("Orvane - Quick Bar")),
                             kStartMs);
    // 1024 x 768: the bar's middle on the screen's middle.
    const QPoint centred(512 - kBarWidth / 2, 384 - kBarHeight / 2);
    QVERIFY(waitForPicture(idle, centred, QStringLiteral("QuorvelQuickBarTest-firstrun.png")) < 4);
}

void QuorvelQuickBarTest::showsTheMailACheckFinds()
{
    DovecotServer dovecot;
    ORVANE_START_DOVECOT(dovecot, DovecotServer::Options{});
    const ProgramFolder folder;
    QVERIFY2(folder.isValid(), qPrintable(folder.errorString()));
    const ListSettings settings{folder.filePath(QStringLiteral("notify.wav")), false, true, false};
    QByteArray list =
        listFileContent(settings, {{"Dovecot", dovecot.address().toLatin1(), 30, 3600,
                                    dovecot.userName().toLatin1(), dovecot.password()}});
    // The bar was left shown at 100, 60 pixels (twips in the file).
    const QByteArray hidden = "<Default>\r\nFalse\r\n0\r\n0\r\nFalse\r\n";
    QVERIFY(list.contains(hidden));
    list.replace(hidden, "Sublime\r\nTrue\r\n900\r\n1500\r\nTrue\r\n");
    QVERIFY(orvane::test::saveFile(folder.accountListPath(), list));
    QVERIFY(startQuorvel(folder));

    QTRY_COMPARE_WITH_TIMEOUT(statusProperty(QStringLiteral("TotalCount")).toInt(), 3, kStartMs);
    const QImage mail(folder.filePath(QStringLiteral("Skins/Sublime/idlemail.bmp")));
    QVERIFY(waitForPicture(mail, QPoint(100, 60), QStringLiteral("QuorvelQuickBarTest-mail.png")) <
            4);

    // The place, the skin and the on-top choice come back in the list.
    callShutdown(kStopMs);
    QVERIFY(m_quorvel->waitForFinished(kStopMs));
    const QByteArray saved = orvane::test::readFile(folder.accountListPath());
    QVERIFY2(saved.contains("Sublime\r\nTrue\r\n900\r\n1500\r\nTrue\r\n"), saved.constData());
}

bool QuorvelQuickBarTest::startWithBarAt(const ProgramFolder& folder, const QPoint& place)
{
    QByteArray list = listFileContent({}, {});
    const QByteArray hidden = "<Default>\r\nFalse\r\n0\r\n0\r\nFalse\r\n";
    if (!list.contains(hidden))
        return false;
    list.replace(hidden, "Sublime\r\nTrue\r\n" + QByteArray::number(place.y() * 15) + "\r\n" +
                             QByteArray::number(place.x() * 15) + "\r\nFalse\r\n");
    return orvane::test::saveFile(folder.accountListPath(), list) && startQuorvel(folder);
}

void QuorvelQuickBarTest::draggedPlaceSurvivesAKill()
{
    const ProgramFolder folder;
    QVERIFY2(folder.isValid(), qPrintable(folder.errorString()));
    QVERIFY(startWithBarAt(folder, {100, 60}));
    const QImage idle(folder.filePath(QStringLiteral("Skins/Sublime/idle.bmp")));
    QVERIFY(waitForPicture(idle, {100, 60}, QStringLiteral("QuorvelQuickBarTest-before-drag.png")) <
            4);
    // Taken by the picture between the Quick View button and the count.
    const QPoint grip(64, 12);
    QVERIFY(m_desktop.drag(QPoint(100, 60) + grip, QPoint(300, 200) + grip));
    QVERIFY(waitForPicture(idle, {300, 200}, QStringLiteral("QuorvelQuickBarTest-dragged.png")) <
            4);
    // The session ends without a word six seconds later.
    QTest::qWait(6000);
    m_quorvel->kill();
    QVERIFY(m_quorvel->waitForFinished(kStopMs));
    const QByteArray saved = orvane::test::readFile(folder.accountListPath());
    QVERIFY2(saved.contains("Sublime\r\nTrue\r\n3000\r\n4500\r\nFalse\r\n"), saved.constData());
}

void QuorvelQuickBarTest::snapsToTheSecondMonitor()
{
    QVERIFY(m_desktop.splitIntoTwoMonitors());
    const ProgramFolder folder;
    QVERIFY2(folder.isValid(), qPrintable(folder.errorString()));
    QVERIFY(startWithBarAt(folder, {700, 300}));
    const QImage idle(folder.filePath(QStringLiteral("Skins/Sublime/idle.bmp")));
    QVERIFY(waitForPicture(idle, {700, 300}, QStringLiteral("QuorvelQuickBarTest-two-before.png")) <
            4);
    // Let go 7 pixels right of the second monitor's left edge: it snaps there.
    const QPoint grip(64, 12);
    QVERIFY(m_desktop.drag(QPoint(700, 300) + grip, QPoint(519, 200) + grip));
    QVERIFY(waitForPicture(idle, {512, 200},
                           QStringLiteral("QuorvelQuickBarTest-two-monitors.png")) < 4);
    callShutdown(kStopMs);
    QVERIFY(m_quorvel->waitForFinished(kStopMs));
    const QByteArray saved = orvane::test::readFile(folder.accountListPath());
    QVERIFY2(saved.contains("Sublime\r\nTrue\r\n3000\r\n7680\r\nFalse\r\n"), saved.constData());
}

QTEST_GUILESS_MAIN(QuorvelQuickBarTest)
#include "QuorvelQuickBarTest.moc"
