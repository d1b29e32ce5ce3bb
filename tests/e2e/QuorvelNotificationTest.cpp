// The real notifier against a real POP3 server on a virtual desktop: it
// finds the mail at start-up, shows it in the tray and on /Status, clears it
// on request and saves the account on shutdown.
#include "Desktop.h"
#include "DovecotServer.h"
#include "ProgramFolder.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTest>
#include <limits>
#include <memory>

using namespace orvane;
using namespace orvane::e2e;

namespace {

const QString kService = QStringLiteral("org.orvane.Quorvel");
const QString kStatus = QStringLiteral("org.orvane.Quorvel.Status");
constexpr int kStartMs = 30000;

// The list file's password form: per character the number of digits of its
// code, then the code.
QByteArray encodePassword(const QString& password)
{
    QByteArray out;
    for (QChar c : password) {
        const QByteArray code = QByteArray::number(c.unicode());
        out += QByteArray::number(code.size()) + code;
    }
    return out;
}

QByteArray listFile(const DovecotServer& dovecot, const QString& wave)
{
    QByteArrayList lines{"1.6", "1"};
    // Settings: play the sound, check every account at start-up.
    lines << "0"
          << "2000"
          << "1000"
          << "2000"
          << "2800" << wave.toLocal8Bit() << ""
          << "True"
          << "True"
          << "True"
          << "False"
          << "2"
          << "0"
          << "True"
          << "False";
    lines << "2000"
          << "1000"
          << "2000"
          << "2800"; // Quick View
    lines << "<No Skin>";
    lines << "<Default>"
          << "False"
          << "0"
          << "0"
          << "False"; // Quick Bar
    lines << "Dovecot" << dovecot.address().toLatin1() << "60"
          << "3600" << dovecot.userName().toLatin1() << encodePassword(dovecot.password()) << "True"
          << "00:00:00"
          << "1899-12-30"
          << "False"
          << "0"
          << "0"
          << "False"
          << "False"
          << ""
          << "False";
    return lines.join("\r\n") + "\r\n";
}

QVariant statusProperty(const QString& name)
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        kService, QStringLiteral("/Status"), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get.setArguments({kStatus, name});
    const QDBusMessage reply = QDBusConnection::sessionBus().call(get, QDBus::Block, 5000);
    return reply.arguments().value(0).value<QDBusVariant>().variant();
}

QDBusMessage callStatus(const QString& method)
{
    return QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall(kService, QStringLiteral("/Status"), kStatus, method),
        QDBus::Block, 5000);
}

// How closely the picture appears in the bottom right corner of the screen
// (where the tray panel sits): the smallest mean difference per colour
// channel over the picture's opaque pixels, at any tray icon size and place.
double bestMatch(const QImage& screen, const QImage& picture)
{
    const QRect corner(screen.width() - 320, screen.height() - 48, 320, 48);
    double best = std::numeric_limits<double>::max();
    for (int size = 16; size <= 32; ++size) {
        const QImage icon =
            picture.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                .convertToFormat(QImage::Format_ARGB32);
        struct Pixel
        {
            int x, y;
            QRgb rgb;
        };
        std::vector<Pixel> opaque;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                if (qAlpha(icon.pixel(x, y)) >= 250)
                    opaque.push_back({x, y, icon.pixel(x, y)});
        if (opaque.empty())
            continue;
        const double limit = 3.0 * double(opaque.size());
        for (int top = corner.top(); top + size <= corner.bottom() + 1; ++top) {
            for (int left = corner.left(); left + size <= corner.right() + 1; ++left) {
                double sum = 0;
                for (const Pixel& p : opaque) {
                    const QRgb s = screen.pixel(left + p.x, top + p.y);
                    sum += std::abs(qRed(s) - qRed(p.rgb)) + std::abs(qGreen(s) - qGreen(p.rgb)) +
                           std::abs(qBlue(s) - qBlue(p.rgb));
                    if (sum >= best * limit)
                        break;
                }
                best = std::min(best, sum / limit);
            }
        }
    }
    return best;
}

} // namespace

class QuorvelNotificationTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void showsMailFoundAndSavesOnShutdown();

private:
    Desktop m_desktop;
    std::unique_ptr<QProcess> m_quorvel;
};

void QuorvelNotificationTest::initTestCase()
{
    if (!QDBusConnection::sessionBus().isConnected())
        QSKIP("No session bus: run the tests through scripts/test.sh.");
    if (QDBusConnection::sessionBus().interface()->isServiceRegistered(kService))
        QSKIP("org.orvane.Quorvel is taken on this bus: run the tests through scripts/test.sh.");
    QVERIFY2(m_desktop.start(), qPrintable(m_desktop.errorString()));
}

void QuorvelNotificationTest::cleanupTestCase()
{
    if (m_quorvel && m_quorvel->state() != QProcess::NotRunning) {
        m_quorvel->kill();
        m_quorvel->waitForFinished(10000);
    }
    m_desktop.stop();
}

void QuorvelNotificationTest::showsMailFoundAndSavesOnShutdown()
{
    DovecotServer dovecot;
    ORVANE_START_DOVECOT(dovecot, DovecotServer::Options{});

    const ProgramFolder folder;
    QVERIFY2(folder.isValid(), qPrintable(folder.errorString()));
    QVERIFY(QDir().mkpath(folder.filePath(QStringLiteral("Users"))));
    {
        QFile list(folder.accountListPath());
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write(listFile(dovecot, folder.filePath(QStringLiteral("notify.wav"))));
    }

    m_quorvel = std::make_unique<QProcess>();
    m_quorvel->setProcessEnvironment(m_desktop.environment());
    m_quorvel->setWorkingDirectory(folder.path());
    m_quorvel->setProcessChannelMode(QProcess::ForwardedChannels);
    m_quorvel->start(folder.filePath(QStringLiteral("Quorvel")), {});
    QVERIFY(m_quorvel->waitForStarted(kStartMs));

    QTRY_VERIFY_WITH_TIMEOUT(
        QDBusConnection::sessionBus().interface()->isServiceRegistered(kService).value(), kStartMs);
    QTRY_COMPARE_WITH_TIMEOUT(statusProperty(QStringLiteral("TotalCount")).toInt(), 3, kStartMs);
    QCOMPARE(statusProperty(QStringLiteral("ToolTip")).toString(),
             QStringLiteral("Orvane - 3 Messages Found."));
    QCOMPARE(statusProperty(QStringLiteral("Checking")).toBool(), false);

    const QDBusMessage accounts = callStatus(QStringLiteral("Accounts"));
    QCOMPARE(accounts.signature(), QStringLiteral("a(ssss)"));

    // The tray shows the mail-found picture (compared loosely: the panel
    // scales it and blends its edges).
    const QImage found(qEnvironmentVariable("ORVANE_SOURCE_DIR") +
                       QStringLiteral("/resources/102.png"));
    const QImage idle(qEnvironmentVariable("ORVANE_SOURCE_DIR") +
                      QStringLiteral("/resources/101.png"));
    QVERIFY(!found.isNull() && !idle.isNull());
    const QString screens = QStringLiteral(ORVANE_E2E_SCREEN_DIR);
    QVERIFY(QDir().mkpath(screens));
    const QString shot = screens + QStringLiteral("/QuorvelNotificationTest-found.png");
    double foundScore = 0;
    double idleScore = 0;
    const QDeadlineTimer deadline(10000);
    do {
        QTest::qWait(300);
        QVERIFY2(m_desktop.screenshot(shot), qPrintable(shot));
        const QImage screen = QImage(shot).convertToFormat(QImage::Format_ARGB32);
        QVERIFY(!screen.isNull());
        foundScore = bestMatch(screen, found);
        idleScore = bestMatch(screen, idle);
    } while ((foundScore >= 30 || foundScore >= idleScore) && !deadline.hasExpired());
    qInfo("tray screenshot: %s (mail found %.1f, idle %.1f)", qPrintable(shot), foundScore,
          idleScore);
    QVERIFY2(foundScore < 30, "the mail-found picture is not in the tray");
    QVERIFY2(foundScore < idleScore, "the tray looks more like the idle picture");

    QCOMPARE(callStatus(QStringLiteral("ClearAll")).type(), QDBusMessage::ReplyMessage);
    QCOMPARE(statusProperty(QStringLiteral("TotalCount")).toInt(), 0);

    QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall(kService, QStringLiteral("/Util"),
                                       QStringLiteral("org.orvane.Quorvel.Util"),
                                       QStringLiteral("Shutdown")),
        QDBus::Block, 30000);
    QVERIFY2(m_quorvel->waitForFinished(30000), "the notifier did not end");
    QCOMPARE(m_quorvel->exitStatus(), QProcess::NormalExit);

    QFile list(folder.accountListPath());
    QVERIFY(list.open(QIODevice::ReadOnly));
    const QByteArrayList lines = list.readAll().split('\n');
    constexpr int kFirstAccountLine = 2 + 15 + 4 + 1 + 5;
    QVERIFY(lines.size() > kFirstAccountLine + 15);
    QCOMPARE(lines.at(1).trimmed(), QByteArray("1"));
    QCOMPARE(lines.at(kFirstAccountLine).trimmed(), QByteArray("Dovecot"));
    QCOMPARE(lines.at(kFirstAccountLine + 5).trimmed(), encodePassword(dovecot.password()));
    // Checked once, and the cleared count is the new baseline.
    QCOMPARE(lines.at(kFirstAccountLine + 9).trimmed(), QByteArray("True"));
    QCOMPARE(lines.at(kFirstAccountLine + 10).trimmed(), QByteArray("3"));
}

QTEST_GUILESS_MAIN(QuorvelNotificationTest)
#include "QuorvelNotificationTest.moc"
