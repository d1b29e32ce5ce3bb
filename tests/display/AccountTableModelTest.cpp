#include "display/AccountTableModel.h"

#include "CheckCycle.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

using namespace orvane;
using namespace orvane::test;

namespace {

// Accounts each checked once with no mail, and the table over them.
struct Table
{
    explicit Table(const QStringList& names)
    {
        for (const QString& name : names)
            cycle.add(name);
        for (int i = 0; i < cycle.accounts.size(); ++i)
            check(i, 0);
    }
    /// A check of the account at `row` that finds `count` messages, each of
    /// its steps reported to the table as the windows report it.
    void check(int row, int count)
    {
        cycle.clock.advance(1000);
        server& account = cycle.accounts.at(row);
        cycle.core.CheckAccount(account);
        model.accountChanged(account.GetName());
        cycle.checkers.made.back()->found(count);
        model.accountChanged(account.GetName());
    }
    /// What the views were told at the next turn: "column:first-last" per
    /// announcement, in order.
    QStringList told()
    {
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QCoreApplication::processEvents();
        QStringList words;
        for (const QList<QVariant>& args : changed) {
            const auto first = args.at(0).value<QModelIndex>();
            const auto last = args.at(1).value<QModelIndex>();
            words << QStringLiteral("%1:%2-%3")
                         .arg(model.headerData(first.column(), Qt::Horizontal).toString())
                         .arg(first.row())
                         .arg(last.row());
            if (first.column() != last.column())
                words.last() += QStringLiteral(" spans columns");
        }
        return words;
    }

    CheckCycle cycle;
    AccountTableModel model{&cycle.accounts};
};

const QStringList kNames{"A0", "A1", "A2", "A3", "A4", "A5", "A6", "A7"};

} // namespace

class AccountTableModelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void viewsAreToldOfChangedCells_data();
    void viewsAreToldOfChangedCells();
    void listChangedBehindTheTable();
};

void AccountTableModelTest::viewsAreToldOfChangedCells_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QStringList>("told");
    QTest::addColumn<QList<int>>("turned");
    QTest::newRow("one check finds mail")
        << kNames << "check 2 3"
        << QStringList{"Mail:2-2", "Last Checked:2-2", "Detailed Report:2-2"} << QList<int>{2};
    // Neighbours are one run; a report that reads as before is not drawn.
    QTest::newRow("a run of checks finding nothing")
        << kNames << "check 5 0; check 3 0; check 4 0" << QStringList{"Last Checked:3-5"}
        << QList<int>{};
    QTest::newRow("two runs, one with mail")
        << kNames << "check 0 0; check 1 0; check 6 2"
        << QStringList{"Mail:6-6", "Last Checked:0-1", "Last Checked:6-6", "Detailed Report:6-6"}
        << QList<int>{6};
    QTest::newRow("a word for a row that did not change")
        << kNames << "mark A1" << QStringList{} << QList<int>{};
    // The names' table holds the first row of a name: the others of that
    // name are still found.
    QTest::newRow("a name carried twice")
        << QStringList{"Same", "Other", "Same", "Last"} << "check 2 1"
        << QStringList{"Mail:2-2", "Last Checked:2-2", "Detailed Report:2-2"} << QList<int>{2};
    QTest::newRow("the time display changed")
        << kNames << "all" << QStringList{"Mail:0-7", "Last Checked:0-7", "Detailed Report:0-7"}
        << QList<int>{};
}

void AccountTableModelTest::viewsAreToldOfChangedCells()
{
    QFETCH(QStringList, names);
    QFETCH(QString, steps);
    QFETCH(QStringList, told);
    QFETCH(QList<int>, turned);
    Table table(names);
    table.told();
    QSignalSpy turning(&table.model, &AccountTableModel::newMailTurned);
    QSignalSpy reset(&table.model, &QAbstractItemModel::modelReset);
    QSignalSpy early(&table.model, &QAbstractItemModel::dataChanged);
    for (const QString& step : steps.split(QStringLiteral("; "))) {
        const QStringList words = step.split(QLatin1Char(' '));
        if (words[0] == QLatin1String("check"))
            table.check(words[1].toInt(), words[2].toInt());
        else if (words[0] == QLatin1String("mark"))
            table.model.accountChanged(words[1]);
        else
            table.model.allChanged();
    }
    // Nothing is told before the turn ends, and then once.
    QCOMPARE(early.size(), 0);
    QCOMPARE(table.told(), told);
    QCOMPARE(turning.isEmpty() ? QList<int>{} : turning.at(0).at(0).value<QList<int>>(), turned);
    QVERIFY(turning.size() <= 1);
    QCOMPARE(reset.size(), 0);
    for (int row : turned)
        QVERIFY(table.model.hasNewMail(row));
    QCOMPARE(table.told(), QStringList{});
}

void AccountTableModelTest::listChangedBehindTheTable()
{
    Table table(kNames);
    QSignalSpy reset(&table.model, &QAbstractItemModel::modelReset);
    // Between a removal and the word that follows, a painting reads the
    // rows the table still has.
    table.cycle.accounts.remove(table.cycle.accounts.at(7));
    QCOMPARE(table.model.rowCount(), 8);
    QCOMPARE(table.model.index(7, AccountTableModel::Name).data(), QVariant());
    QCOMPARE(table.model.nameAt(7), QString());
    table.model.accountChanged(QStringLiteral("A7")); // its check still ending
    QCOMPARE(reset.size(), 1);
    QCOMPARE(table.model.rowCount(), 7);
    QCOMPARE(table.model.rowOf(QStringLiteral("A7")), -1);

    // Renamed: the new name is found and the table taken afresh.
    table.cycle.accounts.at(3).CreateServer(
        QStringLiteral("Renamed"), QStringLiteral("pop.example.org"), 60, 600,
        QStringLiteral("user"), QStringLiteral("secret"), false, 0, false, {}, false);
    table.model.accountChanged(QStringLiteral("Renamed"));
    QCOMPARE(reset.size(), 2);
    QCOMPARE(table.model.rowOf(QStringLiteral("Renamed")), 3);
    QCOMPARE(table.model.rowOf(QStringLiteral("A3")), -1);
    // Added at the end.
    table.cycle.add(QStringLiteral("Later"));
    table.model.accountChanged(QStringLiteral("Later"));
    QCOMPARE(reset.size(), 3);
    QCOMPARE(table.model.index(7, AccountTableModel::Name).data().toString(),
             QStringLiteral("Later"));
    // A name no account has any longer changes nothing.
    table.model.accountChanged(QStringLiteral("A7"));
    QCOMPARE(reset.size(), 3);
}

QTEST_MAIN(AccountTableModelTest)
#include "AccountTableModelTest.moc"
