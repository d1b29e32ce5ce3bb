#include "FileHelpers.h"
#include "platform/XdgMailClientLocator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using namespace orvane;
using namespace orvane::test;

namespace {} // namespace

// Every XDG folder and the PATH point into one temporary folder, so the
// desktop's own settings take no part. The xdg-mime on that PATH answers
// with another client and leaves a marker: the lookup must never run it.
class MailClientLocatorTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void defaultMailCommand_data();
    void defaultMailCommand();
    void hostileFilesAreSkipped();
};

// lists:   "<folder>[/<desktop>]:<group>=<value>", the mailto line of a group
//          of that folder's mimeapps.list (or <desktop>-mimeapps.list);
//          folder is config, configdirs, data or datadirs; group is default,
//          added, removed, or cache for the folder's mimeinfo.cache.
// entries: "<data|datadirs>/<path>:<lines>", a desktop entry of that
//          applications folder with the given lines after its group header;
//          every entry also has an action group with a wrong Exec line.
// "<bin>" in the expected command stands for the folder on the PATH.
void MailClientLocatorTest::defaultMailCommand_data()
{
    QTest::addColumn<QStringList>("lists");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("expected");

    const QString mailer = QStringLiteral("\"<bin>/mailer\"");
    const QStringList plain{"data/mail.desktop:Exec=mailer %u"};
    const QStringList both{"data/mail.desktop:Exec=mailer", "datadirs/other.desktop:Exec=other"};

    QTest::newRow("list in config home")
        << QStringList{"config:default=mail.desktop"} << plain << mailer;
    QTest::newRow("list in config dirs")
        << QStringList{"configdirs:default=mail.desktop"} << plain << mailer;
    QTest::newRow("list in data home")
        << QStringList{"data:default=mail.desktop"} << plain << mailer;
    QTest::newRow("list in data dirs, entry in data dirs")
        << QStringList{"datadirs:default=mail.desktop"}
        << QStringList{"datadirs/mail.desktop:Exec=mailer"} << mailer;
    QTest::newRow("config home wins")
        << QStringList{"datadirs:default=other.desktop", "config:default=mail.desktop"} << both
        << mailer;
    QTest::newRow("desktop-specific list first")
        << QStringList{"config:default=other.desktop", "config/xfce:default=mail.desktop"} << both
        << mailer;
    QTest::newRow("folder order before desktop order")
        << QStringList{"config:default=mail.desktop", "configdirs/xfce:default=other.desktop"}
        << both << mailer;
    QTest::newRow("first installed handler of a list")
        << QStringList{"config:default=gone.desktop;mail.desktop;"} << plain << mailer;
    QTest::newRow("next list when the first names nothing installed")
        << QStringList{"config:default=gone.desktop", "datadirs:default=mail.desktop"} << plain
        << mailer;
    QTest::newRow("entry in a subfolder")
        << QStringList{"config:default=vendor-mail.desktop"}
        << QStringList{"datadirs/vendor/mail.desktop:Exec=mailer %U"} << mailer;
    QTest::newRow("added association without a default")
        << QStringList{"config:added=mail.desktop"} << plain << mailer;
    QTest::newRow("a default anywhere beats an association")
        << QStringList{"config:added=other.desktop", "datadirs:default=mail.desktop"} << both
        << mailer;
    QTest::newRow("declared in the desktop entries' cache")
        << QStringList{"datadirs:cache=mail.desktop"} << plain << mailer;
    QTest::newRow("removed association skipped")
        << QStringList{"config:removed=other.desktop", "datadirs:cache=other.desktop;mail.desktop"}
        << both << mailer;

    QTest::newRow("field codes removed, arguments kept")
        << QStringList{"config:default=mail.desktop"}
        << QStringList{"data/mail.desktop:Exec=mailer -compose %u %F --title=%c %i"}
        << mailer + " -compose --title=";
    QTest::newRow("wrapper keeps what names the client")
        << QStringList{"config:default=mail.desktop"}
        << QStringList{"data/mail.desktop:Exec=/usr/bin/flatpak run --branch=stable "
                       "--command=mail org.example.Mail %u"}
        << "\"/usr/bin/flatpak\" run --branch=stable --command=mail org.example.Mail";
    QTest::newRow("double percent is a percent")
        << QStringList{"config:default=mail.desktop"}
        << QStringList{"data/mail.desktop:Exec=mailer --zoom=50%% %u"} << mailer + " --zoom=50%";
    QTest::newRow("quoted program and argument with blanks")
        << QStringList{"config:default=mail.desktop"}
        << QStringList{"data/mail.desktop:Exec=\"/opt/My Mail/mail\" \"a b\" \"say "
                       "\\\\\"hi\\\\\"\" %u"}
        << "\"/opt/My Mail/mail\" \"a b\" \"say \\\"hi\\\"\"";
    QTest::newRow("program not on the path kept by name")
        << QStringList{"config:default=mail.desktop"}
        << QStringList{"data/mail.desktop:Exec=nomailer %u"} << "\"nomailer\"";

    QTest::newRow("nothing registered") << QStringList{} << plain << QString();
    QTest::newRow("registered entry missing")
        << QStringList{"config:default=gone.desktop"} << plain << QString();
    QTest::newRow("only association removed")
        << QStringList{"config:removed=mail.desktop", "datadirs:cache=mail.desktop"} << plain
        << QString();
    QTest::newRow("hidden entry") << QStringList{"config:default=mail.desktop"}
                                  << QStringList{"data/mail.desktop:Exec=mailer\nHidden=true"}
                                  << QString();
    QTest::newRow("entry without Exec") << QStringList{"config:default=mail.desktop"}
                                        << QStringList{"data/mail.desktop:Name=Mail"} << QString();
    QTest::newRow("Exec of field codes only")
        << QStringList{"config:default=mail.desktop"} << QStringList{"data/mail.desktop:Exec=%u"}
        << QString();

    // Hostile lists of a hundred thousand ids, each with a "-" that would
    // send its lookup through every application folder: the associations
    // are gathered in one pass, and past the first 64 handlers none is tried.
    QStringList gone;
    for (int i = 0; i < 100000; ++i)
        gone << QStringLiteral("gone-%1.desktop").arg(i);
    const QString many = gone.join(u';');
    QTest::newRow("a hundred thousand associations")
        << QStringList{"config:added=" + many, "configdirs:default=mail.desktop"} << plain
        << mailer;
    QTest::newRow("installed handler after a hundred thousand")
        << QStringList{"config:default=" + many + ";mail.desktop"} << plain << QString();
}

void MailClientLocatorTest::defaultMailCommand()
{
    QFETCH(QStringList, lists);
    QFETCH(QStringList, entries);
    QFETCH(QString, expected);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QDir base(root.path());
    const QString bin = base.filePath(QStringLiteral("bin"));
    const QMap<QString, QString> folders{{"config", base.filePath("config")},
                                         {"configdirs", base.filePath("configdirs")},
                                         {"data", base.filePath("data/applications")},
                                         {"datadirs", base.filePath("datadirs/applications")}};
    const QMap<QString, QByteArray> groups{{"default", "Default Applications"},
                                           {"added", "Added Associations"},
                                           {"removed", "Removed Associations"},
                                           {"cache", "MIME Cache"}};

    QMap<QString, QByteArray> listFiles;
    for (const QString& list : lists) {
        const qsizetype colon = list.indexOf(u':');
        const qsizetype equals = list.indexOf(u'=');
        const QStringList where = list.left(colon).split(u'/');
        const QString group = list.mid(colon + 1, equals - colon - 1);
        QVERIFY(folders.contains(where.first()) && groups.contains(group));
        const QString fileName = group == QLatin1String("cache") ? QStringLiteral("mimeinfo.cache")
                                 : where.size() > 1 ? where.at(1) + QStringLiteral("-mimeapps.list")
                                                    : QStringLiteral("mimeapps.list");
        listFiles[folders.value(where.first()) + u'/' + fileName] +=
            "[" + groups.value(group) +
            "]\n# the user's choice\nx-scheme-handler/mailto = " + list.mid(equals + 1).toUtf8() +
            "\n";
    }
    for (auto it = listFiles.cbegin(); it != listFiles.cend(); ++it)
        QVERIFY(saveFile(it.key(), it.value()));
    for (const QString& entry : entries) {
        const qsizetype colon = entry.indexOf(u':');
        QString path = entry.left(colon);
        const qsizetype slash = path.indexOf(u'/');
        path = folders.value(path.left(slash)) + path.mid(slash);
        QVERIFY(saveFile(path, "[Desktop Entry]\nType=Application\n" +
                                   entry.mid(colon + 1).toUtf8() +
                                   "\n[Desktop Action x]\n"
                                   "Exec=wrong\n"));
    }
    writeFile(bin + QStringLiteral("/mailer"), "#!/bin/sh\n", 0700);
    const QString marker = base.filePath(QStringLiteral("xdg-mime ran"));
    writeFile(bin + QStringLiteral("/xdg-mime"),
              "#!/bin/sh\n: > '" + marker.toUtf8() + "'\necho other.desktop\n", 0700);

    QProcessEnvironment env;
    env.insert(QStringLiteral("HOME"), base.filePath(QStringLiteral("home")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), folders.value("config"));
    env.insert(QStringLiteral("XDG_CONFIG_DIRS"), folders.value("configdirs"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), base.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_DATA_DIRS"), base.filePath(QStringLiteral("datadirs")));
    env.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("X-Generic:XFCE"));
    env.insert(QStringLiteral("PATH"), bin);

    XdgMailClientLocator locator(env);
    const std::optional<QString> command = locator.defaultMailCommand();
    QVERIFY(!QFile::exists(marker));
    if (expected.isNull()) {
        QVERIFY2(!command, qPrintable(command.value_or(QString())));
    } else {
        QVERIFY(command);
        QCOMPARE(*command, expected.replace(QStringLiteral("<bin>"), bin));
    }
}

// A FIFO or a huge file under a name the lookup reads is passed over: the
// start neither waits for a writer nor reads without end.
void MailClientLocatorTest::hostileFilesAreSkipped()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QDir base(root.path());
    const QString apps = base.filePath(QStringLiteral("data/applications"));
    QVERIFY(saveFile(apps + QStringLiteral("/mail.desktop"), "[Desktop Entry]\nExec=/bin/mail\n"));
    QVERIFY(saveFile(apps + QStringLiteral("/huge.desktop"), "[Desktop Entry]\nExec=/bin/huge\n"));
    QVERIFY(saveFile(base.filePath(QStringLiteral("config/mimeapps.list")),
                     QByteArray(5 * 1024 * 1024, '#') +
                         "\n[Default Applications]\nx-scheme-handler/mailto=huge.desktop\n"));
    QVERIFY(saveFile(base.filePath(QStringLiteral("configdirs/mimeapps.list")),
                     "[Default Applications]\nx-scheme-handler/mailto=mail.desktop\n"));
    QCOMPARE(
        ::mkfifo(QFile::encodeName(apps + QStringLiteral("/mimeinfo.cache")).constData(), 0600), 0);

    QProcessEnvironment env;
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), base.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_CONFIG_DIRS"), base.filePath(QStringLiteral("configdirs")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), base.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_DATA_DIRS"), base.filePath(QStringLiteral("datadirs")));
    env.insert(QStringLiteral("PATH"), base.filePath(QStringLiteral("bin")));
    QCOMPARE(XdgMailClientLocator(env).defaultMailCommand(), QStringLiteral("\"/bin/mail\""));
}

QTEST_GUILESS_MAIN(MailClientLocatorTest)
#include "MailClientLocatorTest.moc"
