// The sound player loads its plugin only when the first sound is due, and
// stays silent without one.
#include "platform/PluginSoundPlayer.h"

#include <QFile>
#include <QPluginLoader>
#include <QTemporaryDir>
#include <QTest>

using namespace orvane;

class PluginSoundPlayerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pluginIsLoadedOnTheFirstPlay();
    void missingOrForeignPluginPlaysNothing_data();
    void missingOrForeignPluginPlaysNothing();
    void realPluginTakesAPlay();
};

void PluginSoundPlayerTest::pluginIsLoadedOnTheFirstPlay()
{
    const QString path = QStringLiteral(ORVANE_TEST_SOUND_PLUGIN);
    QPluginLoader probe(path);
    {
        PluginSoundPlayer player(path);
        QVERIFY(!probe.isLoaded());
        player.play(QStringLiteral("/a/one.wav"));
        QVERIFY(probe.isLoaded());
        player.play(QStringLiteral("/a/two.wav"));
    }
    // The same library gives every loader the same plugin object.
    QObject* plugin = probe.instance();
    QVERIFY(plugin);
    QCOMPARE(plugin->property("played").toStringList(), (QStringList{"/a/one.wav", "/a/two.wav"}));
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

QTEST_GUILESS_MAIN(PluginSoundPlayerTest)
#include "PluginSoundPlayerTest.moc"
