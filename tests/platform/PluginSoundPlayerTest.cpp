// The sound player loads its plugin only when the first sound is due, and
// stays silent without one.
#include "platform/PluginSoundPlayer.h"

#include "FileHelpers.h"

#include <QFile>
#include <QPluginLoader>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

using namespace orvane;
using namespace orvane::test;

class PluginSoundPlayerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pluginIsLoadedOnTheFirstPlay();
    void missingOrForeignPluginPlaysNothing_data();
    void missingOrForeignPluginPlaysNothing();
    void realPluginTakesAPlay();
    void pluginOthersCouldPlantIsNotLoaded_data();
    void pluginOthersCouldPlantIsNotLoaded();
};

void PluginSoundPlayerTest::pluginIsLoadedOnTheFirstPlay()
{
    const QString path = QStringLiteral(ORVANE_TEST_SOUND_PLUGIN);
    QPluginLoader probe(path);
    QPointer<QObject> plugin;
    {
        PluginSoundPlayer player(path);
        QVERIFY(!probe.isLoaded());
        player.play(QStringLiteral("/a/one.wav"));
        QVERIFY(probe.isLoaded());
        player.play(QStringLiteral("/a/two.wav"));
        // The same library gives every loader the same plugin object.
        plugin = probe.instance();
        QVERIFY(plugin);
        QCOMPARE(plugin->property("played").toStringList(),
                 (QStringList{"/a/one.wav", "/a/two.wav"}));
    }
    // Its sounds end with the player, not after the application is gone.
    QVERIFY(plugin.isNull());
}

void PluginSoundPlayerTest::missingOrForeignPluginPlaysNothing_data()
{
    QTest::addColumn<QString>("content");
    QTest::newRow("missing") << QString();
    QTest::newRow("not a library") << QStringLiteral("ELF? no");
}

void PluginSoundPlayerTest::missingOrForeignPluginPlaysNothing()
{
    QFETCH(QString, content);
    QTemporaryDir dir;
    const QString path = PluginSoundPlayer::DefaultPluginPath(dir.path() + QLatin1Char('/'));
    if (!content.isNull()) {
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content.toUtf8());
    }
    PluginSoundPlayer player(path);
    player.play(QStringLiteral("/a/one.wav"));
    player.play(QStringLiteral("/a/one.wav"));
}

void PluginSoundPlayerTest::realPluginTakesAPlay()
{
    const QString folder = qEnvironmentVariable("ORVANE_PROGRAM_DIR") + QLatin1Char('/');
    const QString path = PluginSoundPlayer::DefaultPluginPath(folder);
    if (!QFile::exists(path))
        QSKIP("The build made no sound plugin (Qt Multimedia missing).");
    QPluginLoader probe(path);
    QVERIFY2(probe.load(), qPrintable(probe.errorString()));
    PluginSoundPlayer player(path);
    // With or without an audio device, the call returns at once and a
    // failure stays inside the plugin.
    player.play(folder + QStringLiteral("notify.wav"));
    player.play(folder + QStringLiteral("missing.wav"));
    QTest::qWait(200);
}

void PluginSoundPlayerTest::pluginOthersCouldPlantIsNotLoaded_data()
{
    QTest::addColumn<bool>("foreignOwner");
    QTest::addColumn<QString>("reason");
    QTest::newRow("others may change it") << false << "other users may change it";
    QTest::newRow("another user's") << true << "it belongs to another user";
}

void PluginSoundPlayerTest::pluginOthersCouldPlantIsNotLoaded()
{
    QFETCH(bool, foreignOwner);
    QFETCH(QString, reason);
    if (foreignOwner && !runsAsRoot())
        QSKIP("Only root can give a file to another user.");
    // A copy is a library of its own to the loader.
    QTemporaryDir dir;
    const QString path = PluginSoundPlayer::DefaultPluginPath(dir.path() + QLatin1Char('/'));
    writeFile(path, readFile(QStringLiteral(ORVANE_TEST_SOUND_PLUGIN)), foreignOwner ? 0755 : 0757);
    if (foreignOwner)
        QCOMPARE(::chown(QFile::encodeName(path).constData(), nobodyUid(), gid_t(-1)), 0);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(reason + "; no sounds play"));
    PluginSoundPlayer player(path);
    player.play(QStringLiteral("/a/one.wav"));
    player.play(QStringLiteral("/a/two.wav"));
    QVERIFY(!QPluginLoader(path).isLoaded());
}

QTEST_GUILESS_MAIN(PluginSoundPlayerTest)
#include "PluginSoundPlayerTest.moc"
