// The popup's announcement through the desktop's notification server: one
// notification replaced on each announcement, its actions, body and hints,
// and what its buttons do.
#include "display/DesktopPopup.h"

#include "RecordingDesktopNotifications.h"
#include "RecordingProgramWindows.h"
#include "VirtualClock.h"
#include "display/frmPopup.h"

#include <QTest>

using namespace orvane;
using namespace orvane::test;

namespace {

struct Rig
{
    VirtualClock clock;
    RecordingProgramWindows windows;
    RecordingDesktopNotifications server;
    bool popupWanted = true;
    bool desktopWanted = true;
    bool ownSound = false;
    DesktopPopup desktop{server,
                         {[this] { return desktopWanted; }, [this] { return ownSound; },
                          QStringLiteral("/opt/orvane/orvane.svg")}};
    frmPopup popup{clock, windows, [this] { return popupWanted; }, [] { return QRect(); },
                   &desktop};

    /// Steps: "name=count" announces, "answer" lets the server answer,
    /// "closed" has it close the last notification, "+N" waits N seconds.
    void run(const QStringList& steps)
    {
        for (const QString& step : steps) {
            if (step == QLatin1String("answer")) {
                server.answerAll();
            } else if (step == QLatin1String("closed")) {
                Q_EMIT server.closed(lastId());
            } else if (step.startsWith(QLatin1Char('+'))) {
                clock.advanceSeconds(step.mid(1).toInt());
            } else {
                const QStringList parts = step.split(QLatin1Char('='));
                popup.Display(parts[0], parts[1].toInt());
            }
        }
        server.answerAll();
    }
    // The id the server gave the first notification, which every
    // replacement keeps.
    quint32 lastId() const
    {
        const auto& n = server.notices.constLast();
        return n.replacesId != 0 ? n.replacesId : quint32(server.notices.size());
    }
};

} // namespace

class DesktopPopupTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void replacedNotStacked_data();
    void replacedNotStacked();
    void actionsBodyAndHints_data();
    void actionsBodyAndHints();
    void buttonsDoWhatTheTrayItemsDo_data();
    void buttonsDoWhatTheTrayItemsDo();
    void theUsersChoiceDecides_data();
    void theUsersChoiceDecides();
};

void DesktopPopupTest::replacedNotStacked_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QList<quint32>>("replaces");
    QTest::addColumn<QString>("lastBody");
    QTest::newRow("second announcement replaces the first")
        << QStringList{QStringLiteral("A=1"), QStringLiteral("answer"), QStringLiteral("B=2")}
        << QList<quint32>{0, 1} << "B - 2 new messages\nA - 1 new message";
    // A second announcement before the server gave the id waits for it,
    // and a burst goes out as one replacement.
    QTest::newRow("announcements before the server answered")
        << QStringList{QStringLiteral("A=1"), QStringLiteral("B=2"), QStringLiteral("A=3")}
        << QList<quint32>{0, 1} << "A - 3 new messages\nB - 2 new messages";
    QTest::newRow("closed by the server: a new one, old lines dropped")
        << QStringList{QStringLiteral("A=1"), QStringLiteral("answer"), QStringLiteral("closed"),
                       QStringLiteral("+11"), QStringLiteral("B=2")}
        << QList<quint32>{0, 0} << "B - 2 new messages";
    QTest::newRow("lines stay while it shows")
        << QStringList{QStringLiteral("A=1"), QStringLiteral("answer"), QStringLiteral("+30"),
                       QStringLiteral("B=2")}
        << QList<quint32>{0, 1} << "B - 2 new messages\nA - 1 new message";
}

void DesktopPopupTest::replacedNotStacked()
{
    QFETCH(QStringList, steps);
    QFETCH(QList<quint32>, replaces);
    QFETCH(QString, lastBody);
    Rig rig;
    rig.run(steps);
    QList<quint32> sent;
    for (const auto& n : rig.server.notices)
        sent << n.replacesId;
    QCOMPARE(sent, replaces);
    QCOMPARE(rig.server.notices.constLast().body, lastBody);
    QVERIFY(!rig.popup.isVisible());
    QCOMPARE(rig.clock.activeTimerCount(), 0);
    // At shutdown the notification goes with the program.
    rig.popup.Unload();
    QCOMPARE(rig.server.closedIds, QList<quint32>{rig.lastId()});
}

void DesktopPopupTest::actionsBodyAndHints_data()
{
    QTest::addColumn<QStringList>("capabilities");
    QTest::addColumn<bool>("ownSound");
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<QString>("body");
    const QStringList all{
        QStringLiteral("default"),           QStringLiteral("Quick View"),
        QStringLiteral("open-mail-program"), QStringLiteral("Open E-Mail Program"),
        QStringLiteral("clear-mail-count"),  QStringLiteral("Clear Mail Count")};
    QTest::newRow("actions") << QStringList{QStringLiteral("actions")} << false << all
                             << "Tom & <Jerry> - 2 new messages";
    QTest::newRow("no actions") << QStringList{QStringLiteral("body")} << true << QStringList()
                                << "Tom & <Jerry> - 2 new messages";
    // An account's name is its text, never markup.
    QTest::newRow("markup") << QStringList{QStringLiteral("actions"), QStringLiteral("body-markup")}
                            << true << all << "Tom &amp; &lt;Jerry&gt; - 2 new messages";
}

void DesktopPopupTest::actionsBodyAndHints()
{
    QFETCH(QStringList, capabilities);
    QFETCH(bool, ownSound);
    QFETCH(QStringList, actions);
    QFETCH(QString, body);
    Rig rig;
    rig.server.serverCapabilities = capabilities;
    rig.ownSound = ownSound;
    rig.run({QStringLiteral("Tom & <Jerry>=2")});
    QCOMPARE(rig.server.notices.size(), 1);
    const auto& n = rig.server.notices.constFirst();
    QCOMPARE(n.actions, actions);
    QCOMPARE(n.body, body);
    QCOMPARE(n.hints.value(QStringLiteral("category")).toString(), QStringLiteral("email.arrived"));
    QCOMPARE(n.hints.contains(QStringLiteral("suppress-sound")), ownSound);
}

void DesktopPopupTest::buttonsDoWhatTheTrayItemsDo_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("ofOurs");
    QTest::addColumn<QString>("outcome");
    QTest::newRow("click") << "default" << true << "ShowQuickViewWindow";
    QTest::newRow("mail program") << "open-mail-program" << true << "run";
    QTest::newRow("clear") << "clear-mail-count" << true << "clear";
    QTest::newRow("unknown key") << "reply" << true << "";
    QTest::newRow("another program's notification") << "clear-mail-count" << false << "";
}

void DesktopPopupTest::buttonsDoWhatTheTrayItemsDo()
{
    QFETCH(QString, key);
    QFETCH(bool, ofOurs);
    QFETCH(QString, outcome);
    Rig rig;
    QStringList done;
    connect(&rig.desktop, &DesktopPopup::runRequested, this, [&] { done << "run"; });
    connect(&rig.desktop, &DesktopPopup::clearRequested, this, [&] { done << "clear"; });
    rig.run({QStringLiteral("A=1")});
    Q_EMIT rig.server.actionInvoked(ofOurs ? rig.lastId() : rig.lastId() + 7, key);
    QCOMPARE((rig.windows.calls + done).join(QLatin1Char(',')), outcome);
}

void DesktopPopupTest::theUsersChoiceDecides_data()
{
    QTest::addColumn<bool>("popupWanted");
    QTest::addColumn<bool>("desktopWanted");
    QTest::addColumn<bool>("serverPresent");
    QTest::addColumn<bool>("window");
    QTest::addColumn<int>("notices");
    QTest::newRow("desktop's notifications") << true << true << true << false << 1;
    QTest::newRow("popup window") << true << false << true << true << 0;
    QTest::newRow("no popup at all") << false << true << true << false << 0;
    // The announcement is not lost when no notification server runs.
    QTest::newRow("no server: the window") << true << true << false << true << 1;
}

void DesktopPopupTest::theUsersChoiceDecides()
{
    QFETCH(bool, popupWanted);
    QFETCH(bool, desktopWanted);
    QFETCH(bool, serverPresent);
    QFETCH(bool, window);
    QFETCH(int, notices);
    Rig rig;
    rig.popupWanted = popupWanted;
    rig.desktopWanted = desktopWanted;
    rig.server.serverPresent = serverPresent;
    rig.run({QStringLiteral("A=1")});
    QCOMPARE(rig.popup.isVisible(), window);
    QCOMPARE(rig.server.notices.size(), notices);
    // Switched on while the window shows: the next announcement takes its
    // place.
    rig.desktopWanted = popupWanted;
    rig.server.serverPresent = true;
    rig.run({QStringLiteral("B=1")});
    QCOMPARE(rig.popup.isVisible(), false);
}

QTEST_MAIN(DesktopPopupTest)
#include "DesktopPopupTest.moc"
