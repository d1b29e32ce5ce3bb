#include "platform/DataFolders.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace orvane;

class DataFoldersTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void ruleDecidesWhereUserFilesLive_data();
    void ruleDecidesWhereUserFilesLive();
    void programFolderIsProbedForTheRunningUser();
};

void DataFoldersTest::ruleDecidesWhereUserFilesLive_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<QString>("dataHome");
    QTest::addColumn<QString>("userFolder");
    QTest::addColumn<QString>("listFolder");
    QTest::addColumn<QStringList>("skins");

    const QStringList shippedOnly{"/opt/orvane/Skins/"};
    QTest::newRow("own program folder") << "/opt/orvane/" << true << "/home/anna/.local/share"
                                        << "/opt/orvane/"
                                        << "/opt/orvane/Users/" << shippedOnly;
    QTest::newRow("no slash at the end") << "/opt/orvane" << true << "/home/anna/.local/share"
                                         << "/opt/orvane/"
                                         << "/opt/orvane/Users/" << shippedOnly;
    QTest::newRow("installed") << "/usr/lib/orvane/" << false << "/home/anna/.local/share/"
                               << "/home/anna/.local/share/orvane/"
                               << "/home/anna/.local/share/orvane/"
                               << QStringList{"/home/anna/.local/share/orvane/Skins/",
                                              "/usr/lib/orvane/Skins/"};
    // A relative data home would put the files wherever the program was
    // started from; nothing at all leaves only the program folder to try.
    QTest::newRow("relative data home") << "/opt/orvane/" << false << "share"
                                        << "/opt/orvane/"
                                        << "/opt/orvane/Users/" << shippedOnly;
    QTest::newRow("no data home") << "/opt/orvane/" << false << ""
                                  << "/opt/orvane/"
                                  << "/opt/orvane/Users/" << shippedOnly;
}

void DataFoldersTest::ruleDecidesWhereUserFilesLive()
{
    QFETCH(QString, program);
    QFETCH(bool, writable);
    QFETCH(QString, dataHome);
    const DataFolders folders = DataFolders::Choose(program, writable, dataHome);
    QTEST(folders.userFolder(), "userFolder");
    QTEST(folders.listFolder(), "listFolder");
    QTEST(folders.skinFolders(), "skins");
    QVERIFY(folders.programFolder().startsWith(program));
}

void DataFoldersTest::programFolderIsProbedForTheRunningUser()
{
    QStandardPaths::setTestModeEnabled(true);
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    QTemporaryDir own;
    QVERIFY(own.isValid());
    QVERIFY(DataFolders::ForProgram(own.path()).inProgramFolder());
    // A folder nobody can write, root included.
    const DataFolders gone = DataFolders::ForProgram(own.filePath(QStringLiteral("gone")));
    QCOMPARE(gone.userFolder(), dataHome + QStringLiteral("/orvane/"));
}

QTEST_GUILESS_MAIN(DataFoldersTest)
#include "DataFoldersTest.moc"
