#include "display/SkinFiles.h"

#include "FileHelpers.h"

#include <QTemporaryDir>
#include <QTest>

using namespace orvane;
using namespace orvane::test;

class SkinFilesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void userSkinsComeFirstAndHideShippedOnes_data();
    void userSkinsComeFirstAndHideShippedOnes();
};

void SkinFilesTest::userSkinsComeFirstAndHideShippedOnes_data()
{
    // Each skin is "<root>:<folder>/<file>"; the scan looks for Skin.txt.
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("found");

    QTest::newRow("shipped only") << QStringList{"shipped:Sublime/Skin.txt",
                                                 "shipped:Amber/Skin.txt"}
                                  << QStringList{"shipped:Amber/Skin.txt",
                                                 "shipped:Sublime/Skin.txt"};
    QTest::newRow("a user's copy, other case")
        << QStringList{"user:sublime/SKIN.TXT", "shipped:Sublime/Skin.txt",
                       "shipped:Amber/Skin.txt"}
        << QStringList{"user:sublime/SKIN.TXT", "shipped:Amber/Skin.txt"};
    // A user folder that is only a bar skin leaves the shipped tray skin of
    // that name listed.
    QTest::newRow("user folder without this file")
        << QStringList{"user:Sublime/bSkin.txt", "shipped:Sublime/Skin.txt"}
        << QStringList{"shipped:Sublime/Skin.txt"};
    QTest::newRow("both listed") << QStringList{"user:Mine/Skin.txt", "shipped:Sublime/Skin.txt"}
                                 << QStringList{"user:Mine/Skin.txt", "shipped:Sublime/Skin.txt"};
}

void SkinFilesTest::userSkinsComeFirstAndHideShippedOnes()
{
    QFETCH(QStringList, files);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString base = dir.path() + QLatin1Char('/');
    for (const QString& file : files)
        writeFile(base + QString(file).replace(QLatin1Char(':'), QLatin1Char('/')), "[IDLE]\n");

    // The user's root need not exist.
    QStringList found;
    for (const auto& skin :
         SkinFiles::Scan({base + QStringLiteral("user/"), base + QStringLiteral("shipped/")},
                         QStringLiteral("Skin.txt"))) {
        QVERIFY(skin.path.startsWith(base));
        QString root = skin.path.mid(base.size());
        root[root.indexOf(QLatin1Char('/'))] = QLatin1Char(':');
        found << root + skin.file;
        QVERIFY(skin.path.endsWith(skin.name + QLatin1Char('/')));
    }
    QTEST(found, "found");
}

QTEST_GUILESS_MAIN(SkinFilesTest)
#include "SkinFilesTest.moc"
