// The new-mail popup on the offscreen platform and virtual time: its lines,
// its place, its 10 seconds and its click.
#include "display/frmPopup.h"

#include "RecordingProgramWindows.h"
#include "VirtualClock.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QScopeGuard>
#include <QTest>
#include <QWidget>

using namespace orvane;
using namespace orvane::test;

namespace {

struct Popup
{
    VirtualClock clock;
    RecordingProgramWindows windows;
    bool wanted = true;
    QRect workArea{0, 0, 1280, 770};
    frmPopup popup{clock, windows, [this] { return wanted; }, [this] { return workArea; }};

    /// The label's text; the list's lines end in CR LF, as its caption's do.
    QString label(const char* name) const
    {
        const auto* l = popup.window()->findChild<QLabel*>(QString::fromLatin1(name));
        if (!l)
            return QStringLiteral("<missing>");
        if (QLatin1String(name) != QLatin1String("lblInfo"))
            return l->text();
        return l->text().split(QLatin1Char('\n')).join(QStringLiteral("\r\n")) +
               QStringLiteral("\r\n");
    }
};

} // namespace

class frmPopupTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lines_data();
    void lines();
    void captionsAndPlace_data();
    void captionsAndPlace();
    void closesTenSecondsAfterTheLastAccount();
    void notWantedStillRecords();
    void clickOpensQuickView();
    void longNamesKeepTheirCount_data();
    void longNamesKeepTheirCount();
};

void frmPopupTest::lines_data()
{
    // Each announcement: "name=count" or a wait "+seconds" (the popup
    // closes after 10).
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("caption");
    QTest::newRow("one message") << QStringList{QStringLiteral("Home=1")}
                                 << "Home - 1 new message\r\n";
    QTest::newRow("replaced by a later count")
        << QStringList{QStringLiteral("Home=1"), QStringLiteral("Home=3")}
        << "Home - 3 new messages\r\n";
    QTest::newRow("newest first") << QStringList{QStringLiteral("A=2"), QStringLiteral("B=5")}
                                  << "B - 5 new messages\r\nA - 2 new messages\r\n";
    QTest::newRow("replaced line moves to the top")
        << QStringList{QStringLiteral("A=2"), QStringLiteral("B=5"), QStringLiteral("A=4")}
        << "A - 4 new messages\r\nB - 5 new messages\r\n";
    QTest::newRow("names compared with case")
        << QStringList{QStringLiteral("home=1"), QStringLiteral("Home=2")}
        << "Home - 2 new messages\r\nhome - 1 new message\r\n";
    QTest::newRow("zero takes the plural")
        << QStringList{QStringLiteral("Home=0")} << "Home - 0 new messages\r\n";
    QTest::newRow("open window keeps its older lines")
        << QStringList{QStringLiteral("A=1"), QStringLiteral("+8"), QStringLiteral("B=1"),
                       QStringLiteral("+8"), QStringLiteral("C=1")}
        << "C - 1 new message\r\nB - 1 new message\r\nA - 1 new message\r\n";
    QTest::newRow("opening anew drops old lines")
        << QStringList{QStringLiteral("A=1"), QStringLiteral("+11"), QStringLiteral("B=1")}
        << "B - 1 new message\r\n";
    QTest::newRow("lines of the last 10 seconds stay when opening anew")
        << QStringList{QStringLiteral("A=1"), QStringLiteral("+11"), QStringLiteral("B=1"),
                       QStringLiteral("+10"), QStringLiteral("C=1")}
        << "C - 1 new message\r\nB - 1 new message\r\n";
}

void frmPopupTest::lines()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, caption);
    Popup p;
    for (const QString& step : steps) {
        if (step.startsWith(QLatin1Char('+'))) {
            p.clock.advanceSeconds(step.mid(1).toInt());
            continue;
        }
        const QStringList parts = step.split(QLatin1Char('='));
        p.popup.Display(parts[0], parts[1].toInt());
    }
    QCOMPARE(p.popup.infoText(), caption);
    QVERIFY(p.popup.isVisible());
    QCOMPARE(p.label("lblInfo"), caption);
}

void frmPopupTest::captionsAndPlace_data()
{
    QTest::addColumn<QRect>("workArea");
    QTest::newRow("panel at the bottom") << QRect(0, 0, 1280, 770);
    QTest::newRow("panel on the left") << QRect(48, 0, 1232, 800);
    QTest::newRow("second screen's offset") << QRect(1280, 24, 1024, 744);
}

void frmPopupTest::captionsAndPlace()
{
    QFETCH(QRect, workArea);
    Popup p;
    p.workArea = workArea;
    p.popup.Display(QStringLiteral("Home"), 1);
    QWidget* w = p.popup.window();
    QVERIFY(w && w->isVisible());
    QVERIFY(w->width() >= frmPopup::kWidth && w->height() >= frmPopup::kHeight);
    QCOMPARE(w->frameGeometry().bottomRight(), workArea.bottomRight());
    QVERIFY(w->windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(w->windowFlags().testFlag(Qt::Tool)); // not in the task bar
    QCOMPARE(p.label("Label1"), QStringLiteral("You have new mail."));
    QCOMPARE(p.label("Label2"), QStringLiteral("Orvane"));
    for (QLabel* label : w->findChildren<QLabel*>())
        QVERIFY2(!label->accessibleName().isEmpty(), qPrintable(label->objectName()));
}

void frmPopupTest::closesTenSecondsAfterTheLastAccount()
{
    Popup p;
    p.popup.Display(QStringLiteral("Home"), 1);
    p.clock.advance(6000);
    p.workArea = QRect(0, 0, 800, 600); // a window that is open does not move
    p.popup.Display(QStringLiteral("Home"), 3);
    const QPoint place = p.popup.window()->pos();
    p.clock.advance(9999);
    QVERIFY(p.popup.isVisible());
    QCOMPARE(p.popup.window()->pos(), place);
    p.clock.advance(1);
    QVERIFY(!p.popup.isVisible());
    QCOMPARE(p.clock.activeTimerCount(), 0);
    // A line of the last 10 seconds stays for the next showing.
    p.popup.Display(QStringLiteral("Work"), 2);
    QCOMPARE(p.popup.infoText(),
             QStringLiteral("Work - 2 new messages\r\nHome - 3 new messages\r\n"));
    QVERIFY(p.windows.calls.isEmpty());
}

void frmPopupTest::notWantedStillRecords()
{
    Popup p;
    p.wanted = false;
    p.popup.Display(QStringLiteral("Home"), 1);
    QVERIFY(!p.popup.isVisible());
    QCOMPARE(p.popup.infoText(), QStringLiteral("Home - 1 new message\r\n"));
    QCOMPARE(p.clock.activeTimerCount(), 0);
    p.wanted = true;
    p.popup.Display(QStringLiteral("Work"), 2);
    QCOMPARE(p.label("lblInfo"),
             QStringLiteral("Work - 2 new messages\r\nHome - 1 new message\r\n"));
}

void frmPopupTest::clickOpensQuickView()
{
    for (const char* target : {"frmPopup", "Label1", "lblInfo", "Label2"}) {
        Popup p;
        p.popup.Display(QStringLiteral("Home"), 1);
        QWidget* w = p.popup.window();
        QWidget* clicked = w->objectName() == QLatin1String(target)
                               ? w
                               : w->findChild<QWidget*>(QString::fromLatin1(target));
        QVERIFY(clicked);
        // Labels let the click through to the window.
        QTest::mouseClick(w, Qt::LeftButton, {}, clicked->geometry().center());
        QVERIFY2(!p.popup.isVisible(), target);
        QCOMPARE(p.windows.calls, QStringList{QStringLiteral("ShowQuickViewWindow")});
        QCOMPARE(p.clock.activeTimerCount(), 0);
    }
}

void frmPopupTest::longNamesKeepTheirCount_data()
{
    QTest::addColumn<int>("points");
    QTest::newRow("9 pt") << 9;
    QTest::newRow("11 pt") << 11;
    QTest::newRow("14 pt") << 14;
}

void frmPopupTest::longNamesKeepTheirCount()
{
    QFETCH(int, points);
    const QFont before = QApplication::font();
    QFont font = before;
    font.setPointSize(points);
    QApplication::setFont(font);
    const auto restore = qScopeGuard([&] { QApplication::setFont(before); });
    Popup p;
    const QString name = QStringLiteral("Work mail with a rather long account name indeed");
    p.popup.Display(QStringLiteral("Home"), 7);
    p.popup.Display(name, 12);
    QWidget* w = p.popup.window();
    QVERIFY(w->width() >= frmPopup::kWidth && w->height() >= frmPopup::kHeight);
    QCOMPARE(w->frameGeometry().bottomRight(), p.workArea.bottomRight());
    for (const char* which : {"Label1", "lblInfo", "Label2"}) {
        const auto* label = w->findChild<QLabel*>(QString::fromLatin1(which));
        // Every text shows whole: the label is as large as its text needs.
        QVERIFY2(label->width() >= label->sizeHint().width(), which);
        QVERIFY2(label->height() >= label->sizeHint().height(), which);
        QVERIFY2(w->rect().contains(label->geometry()), which);
    }
    const QStringList lines = p.label("lblInfo").split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines[0].endsWith(QStringLiteral("\u2026 - 12 new messages")), qPrintable(lines[0]));
    QCOMPARE(lines[1], QStringLiteral("Home - 7 new messages"));
    // A screen reader gets the lines whole, and hears the popup open.
    const auto* info = w->findChild<QLabel*>(QStringLiteral("lblInfo"));
    QCOMPARE(info->accessibleName(), QStringLiteral("Accounts with new mail"));
    QCOMPARE(info->accessibleDescription(),
             name + QStringLiteral(" - 12 new messages\nHome - 7 new messages"));
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
    QVERIFY(face);
    QCOMPARE(face->role(), QAccessible::Notification);
    if (const QString shots = qEnvironmentVariable("ORVANE_SCREEN_DIR"); !shots.isEmpty())
        w->grab().save(shots + QStringLiteral("/popup-long-name-%1pt.png").arg(points));
}

QTEST_MAIN(frmPopupTest)
#include "frmPopupTest.moc"
