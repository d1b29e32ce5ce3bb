#include "display/QuickView.h"

#include "CheckCycle.h"
#include "LineBlock.h"
#include "RecordingProgramWindows.h"
#include "TableView.h"

#include <QHeaderView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

using namespace orvane;
using namespace orvane::test;

namespace {

// Three accounts: Home with 3 new messages, Work checked with none, Spare
// never checked; and the Quick View over them.
struct View
{
    View()
    {
        for (const char* name : {"Home", "Work", "Spare"})
            cycle.add(QString::fromLatin1(name));
        cycle.core.CheckAccount(cycle.accounts.at(0));
        cycle.checker(0).found(3);
        cycle.core.CheckAccount(cycle.accounts.at(1));
        cycle.checker(1).found(0);
        view.setAccounts(cycle.accounts);
    }
    QTreeView* list() const
    {
        return view.window()->findChild<QTreeView*>(QStringLiteral("Servers"));
    }
    TableView table() const { return {list()}; }
    QPushButton* button(const char* name) const
    {
        return view.window()->findChild<QPushButton*>(QString::fromLatin1(name));
    }
    QStringList highlighted() const { return table().selectedNames(); }
    CheckCycle cycle;
    RecordingProgramWindows windows;
    QuickView view{windows, cycle.options};
};

} // namespace

class QuickViewTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rows_data();
    void rows();
    void highlightStaysOnNewMail_data();
    void highlightStaysOnNewMail();
    void rowFollowsTheCheck();
    void manyRowsTurningAtOnce_data();
    void manyRowsTurningAtOnce();
    void rowsInViewAreRepainted_data();
    void rowsInViewAreRepainted();
    void widthsSurviveCloseAndReopen();
    void buttons_data();
    void buttons();
};

void QuickViewTest::rows_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("columns");
    QTest::newRow("new mail") << 0 << QStringList{"Home", "Yes", "", "3 Messages Found"};
    QTest::newRow("checked, none") << 1 << QStringList{"Work", "No", "", "0 Messages Found"};
    QTest::newRow("never checked") << 2 << QStringList{"Spare", "No", "Never", ""};
}

void QuickViewTest::rows()
{
    QFETCH(int, row);
    QFETCH(QStringList, columns);
    View v;
    v.view.ShowWindow();
    QCOMPARE(v.view.window()->windowTitle(), QStringLiteral("Orvane - Quick View"));
    const TableView table = v.table();
    QCOMPARE(table.rows(), 3);
    QCOMPARE(table.cell(row, 0), columns[0]);
    QCOMPARE(table.cell(row, 1), columns[1]);
    // The time of a check is the account's own text, shown as it reads.
    QCOMPARE(table.cell(row, 2),
             columns[2].isEmpty() ? v.cycle.accounts.at(row).LastChecked() : columns[2]);
    QVERIFY(!table.cell(row, 2).isEmpty());
    QCOMPARE(table.cell(row, 3),
             columns[3].isEmpty() ? v.cycle.accounts.at(row).GetLastDetail() : columns[3]);
    QCOMPARE(v.highlighted(), QStringList{"Home"});
    if (const QString screens = qEnvironmentVariable("ORVANE_SCREEN_DIR"); !screens.isEmpty())
        v.view.window()->grab().save(screens + QStringLiteral("/QuickView.png"));
    QCOMPARE(table.header(), (QStringList{"Name", "Mail", "Last Checked", "Detailed Report"}));
    for (QWidget* child : v.view.window()->findChildren<QWidget*>()) {
        if (child->parentWidget() == v.view.window() && !child->objectName().isEmpty())
            QVERIFY2(!child->accessibleName().isEmpty() ||
                         !child->property("text").toString().isEmpty(),
                     qPrintable(child->objectName()));
    }
}

void QuickViewTest::highlightStaysOnNewMail_data()
{
    QTest::addColumn<QString>("gesture");
    QTest::newRow("click") << "click";
    QTest::newRow("control-click") << "control-click";
    QTest::newRow("double-click") << "double-click";
    QTest::newRow("keyboard") << "keyboard";
}

void QuickViewTest::highlightStaysOnNewMail()
{
    QFETCH(QString, gesture);
    View v;
    v.view.ShowWindow();
    QVERIFY(QTest::qWaitForWindowExposed(v.view.window()));
    QTreeView* list = v.list();
    const QPoint work = v.table().centreOf(1);
    const QPoint home = v.table().centreOf(0);
    if (gesture == QLatin1String("click")) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, work);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, home);
    } else if (gesture == QLatin1String("control-click")) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, work);
    } else if (gesture == QLatin1String("double-click")) {
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, work);
    } else {
        list->setFocus();
        QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(list, Qt::Key_Down);
        // The list hands the keyboard on to "Close".
        QTRY_VERIFY(v.button("bClose")->hasFocus() || !QApplication::focusWidget());
    }
    QCOMPARE(v.highlighted(), QStringList{"Home"});
}

void QuickViewTest::rowFollowsTheCheck()
{
    View v;
    v.view.ShowWindow();
    v.cycle.core.CheckAccount(v.cycle.accounts.at(1));
    v.cycle.checker(2).found(2);
    v.view.UpdateTableItem(QStringLiteral("Work"));
    // Rows are drawn at the next turn of the event loop.
    QCOMPARE(v.table().cell(1, 1), QStringLiteral("Yes"));
    // The highlight follows at the next turn of the event loop.
    QTRY_COMPARE(v.highlighted(), (QStringList{"Home", "Work"}));
    // A list that no longer matches the accounts is built again.
    v.cycle.add(QStringLiteral("Later"));
    v.view.UpdateTableItem(QStringLiteral("Later"));
    QCOMPARE(v.table().rows(), 4);
    QCOMPARE(v.table().cell(3, 0), QStringLiteral("Later"));
}

void QuickViewTest::manyRowsTurningAtOnce_data()
{
    QTest::addColumn<int>("accounts");
    // Few runs are added to the highlight, many set it again whole.
    QTest::newRow("few runs") << 12;
    QTest::newRow("many runs") << 300;
}

void QuickViewTest::manyRowsTurningAtOnce()
{
    QFETCH(int, accounts);
    View v;
    for (int i = 3; i < accounts; ++i)
        v.cycle.add(QStringLiteral("A%1").arg(i));
    v.view.ShowWindow();
    // Every account's check ends before the next turn of the event loop:
    // runs of rows with new mail and without, Home's mail gone; then every
    // row turns the other way.
    for (const bool turned : {false, true}) {
        const auto mail = [turned](int i) { return (i % 3 == 1 || i % 7 == 2) != turned; };
        const int first = v.cycle.checkers.count();
        v.cycle.core.CheckAll();
        for (int answered = first; v.cycle.core.passUnderWay(); v.cycle.clock.advance(10)) {
            for (; answered < v.cycle.checkers.count(); ++answered) {
                const int i = answered - first;
                v.cycle.checker(answered).found(mail(i) ? 1 : 0);
                v.view.UpdateTableItem(v.cycle.accounts.at(i).GetName());
            }
        }
        QStringList expected;
        for (int i = 0; i < accounts; ++i) {
            if (mail(i))
                expected << v.cycle.accounts.at(i).GetName();
        }
        expected.sort();
        QTRY_COMPARE(v.highlighted(), expected);
    }
}

void QuickViewTest::rowsInViewAreRepainted_data()
{
    QTest::addColumn<int>("scrollTo");
    QTest::addColumn<QString>("row");
    QTest::newRow("top") << 0 << "top";
    QTest::newRow("bottom, partly shown") << 0 << "bottom";
    QTest::newRow("top, scrolled") << 40 << "top";
    QTest::newRow("bottom, scrolled") << 40 << "bottom";
}

void QuickViewTest::rowsInViewAreRepainted()
{
    QFETCH(int, scrollTo);
    QFETCH(QString, row);
    View v;
    for (int i = 3; i < 100; ++i)
        v.cycle.add(QStringLiteral("A%1").arg(i));
    v.view.ShowWindow();
    QVERIFY(QTest::qWaitForWindowExposed(v.view.window()));
    QTreeView* list = v.list();
    list->scrollTo(list->model()->index(scrollTo, 0), QAbstractItemView::PositionAtTop);
    QApplication::processEvents();
    const QModelIndex shown =
        list->indexAt(QPoint(0, row == QLatin1String("top") ? 0 : list->viewport()->height() - 1));
    QVERIFY(shown.isValid());

    // Changes out of view are left to the painting of the rows that come
    // into view; the rows in view are painted with their new texts.
    struct PaintLog : QObject
    {
        QRegion painted;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Paint)
                painted += static_cast<QPaintEvent*>(event)->region();
            return false;
        }
    } log;
    list->viewport()->installEventFilter(&log);
    v.cycle.core.CheckAccount(v.cycle.accounts.at(shown.row()));
    v.cycle.checkers.made.back()->found(0); // no highlight to repaint it
    v.view.UpdateTableItem(v.cycle.accounts.at(shown.row()).GetName());
    const QRect cell = list->visualRect(shown.siblingAtColumn(3));
    QTRY_VERIFY(log.painted.intersects(cell));
    QCOMPARE(shown.siblingAtColumn(3).data().toString(), QStringLiteral("0 Messages Found"));
}

void QuickViewTest::widthsSurviveCloseAndReopen()
{
    View v;
    v.view.LoadDefaultSettings();
    QSignalSpy changed(&v.view, &QuickView::columnsChanged);
    v.view.ShowWindow();
    QCOMPARE(changed.count(), 0);           // opening is no change
    QCOMPARE(v.list()->columnWidth(1), 67); // 1000 twips to the nearest pixel
    v.list()->setColumnWidth(0, 210);
    // Saved soon, while the window is still open.
    QCOMPARE(changed.count(), 1);
    QCOMPARE(orvane::test::written(v.view), QByteArray("3150\r\n1000\r\n2000\r\n2800\r\n"));
    QTest::mouseClick(v.button("bClose"), Qt::LeftButton);
    QVERIFY(!v.view.IsShown());
    QCOMPARE(v.view.widths()[0], 210 * 15);
    QCOMPARE(orvane::test::written(v.view), QByteArray("3150\r\n1000\r\n2000\r\n2800\r\n"));
    v.view.ShowWindow();
    QCOMPARE(v.list()->columnWidth(0), 210);
    // Closed by the desktop, the widths are kept all the same.
    v.list()->setColumnWidth(3, 90);
    v.view.window()->close();
    QVERIFY(!v.view.IsShown());
    QCOMPARE(v.view.widths()[3], 90 * 15);
}

void QuickViewTest::buttons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("validProgram");
    QTest::addColumn<QStringList>("outcome");
    QTest::addColumn<bool>("staysOpen");
    QTest::newRow("check all") << "bCheck" << false << QStringList{"checkAll"} << true;
    QTest::newRow("view settings")
        << "bSettings" << false << QStringList{"ShowSettingsWindow"} << false;
    QTest::newRow("run, valid program") << "bProg" << true << QStringList{"run"} << false;
    QTest::newRow("run, no valid program") << "bProg" << false << QStringList{} << true;
    QTest::newRow("close") << "bClose" << false << QStringList{} << false;
}

void QuickViewTest::buttons()
{
    QFETCH(QString, button);
    QFETCH(bool, validProgram);
    QFETCH(QStringList, outcome);
    QFETCH(bool, staysOpen);
    View v;
    v.cycle.options.validEProg = validProgram;
    v.view.ShowWindow();
    QStringList happened;
    connect(&v.view, &QuickView::checkAllRequested, this,
            [&] { happened << QStringLiteral("checkAll"); });
    connect(&v.view, &QuickView::runRequested, this, [&] {
        happened << QStringLiteral("run");
        QVERIFY(v.view.IsShown()); // the program starts before the window goes
    });
    QPushButton* b = v.button(button.toLatin1().constData());
    QCOMPARE(v.button("bProg")->isEnabled(), validProgram);
    // A disabled button does nothing; clicking it through its slot proves it.
    b->click();
    if (!b->isEnabled())
        QMetaObject::invokeMethod(b, "clicked", Q_ARG(bool, false));
    QCOMPARE(v.windows.calls + happened, outcome);
    QCOMPARE(v.view.IsShown(), staysOpen);
}

QTEST_MAIN(QuickViewTest)
#include "QuickViewTest.moc"
