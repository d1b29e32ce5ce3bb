#include "platform/XdgMailClientLocator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace orvane;

namespace {

bool writeFile(const QString& path, const QByteArray& body, bool executable = false)
{
    if (!QDir().mkpath(QFileInfo(path).path()))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(body) != body.size())
        return false;
    file.close();
    if (executable)
        return file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                   QFileDevice::ExeOwner);
    return true;
}

} // namespace

// Every XDG folder and the PATH point into one temporary folder, so neither
// the desktop's own settings nor an installed xdg-mime take part.
class MailClientLocatorTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void defaultMailCommand_data();
    void defaultMailCommand();
};

// lists:   "<folder>=<value>", the mailto line of that folder's mimeapps.list;
//          folder is config, configdirs, data or datadirs.
// entries: "<data|datadirs>/<path>:<lines>", a desktop entry of that
//          applications folder with the given lines after its group header.
// xdgMime: what a stand-in xdg-mime prints; null for no xdg-mime at all.
// Every list also names other.desktop in a group that does not count, and
// every entry has an action group with a wrong Exec line.
// "<bin>" in the expected command stands for the folder on the PATH.
void MailClientLocatorTest::defaultMailCommand_data()
{
    QTest::addColumn<QStringList>("lists");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("xdgMime");
    QTest::addColumn<QString>("expected");

    const QString mailer = QStringLiteral("\"<bin>/mailer\"");
    const QStringList plain{"data/mail.desktop:Exec=mailer %u"};

    QTest::newRow("list in config home")
        << QStringList{"config=mail.desktop"} << plain << QString() << mailer;
    QTest::newRow("list in config dirs")
        << QStringList{"configdirs=mail.desktop"} << plain << QString() << mailer;
    QTest::newRow("list in data home")
        << QStringList{"data=mail.desktop"} << plain << QString() << mailer;
    QTest::newRow("list in data dirs, entry in data dirs")
        << QStringList{"datadirs=mail.desktop"} << QStringList{"datadirs/mail.desktop:Exec=mailer"}
        << QString() << mailer;
    QTest::newRow("config home wins")
        << QStringList{"datadirs=other.desktop", "config=mail.desktop"}
        << QStringList{"data/mail.desktop:Exec=mailer", "data/other.desktop:Exec=other"}
        << QString() << mailer;
    QTest::newRow("first installed handler of a list")
        << QStringList{"config=gone.desktop;mail.desktop;"} << plain << QString() << mailer;
    QTest::newRow("next list when the first names nothing installed")
        << QStringList{"config=gone.desktop", "datadirs=mail.desktop"} << plain << QString()
        << mailer;
    QTest::newRow("entry in a subfolder")
        << QStringList{"config=vendor-mail.desktop"}
        << QStringList{"datadirs/vendor/mail.desktop:Exec=mailer %U"} << QString() << mailer;

    QTest::newRow("field codes removed, arguments kept")
        << QStringList{"config=mail.desktop"}
        << QStringList{"data/mail.desktop:Exec=mailer -compose %u %F --title=%c %i"} << QString()
        << mailer + " -compose --title=";
    QTest::newRow("double percent is a percent")
        << QStringList{"config=mail.desktop"}
        << QStringList{"data/mail.desktop:Exec=mailer --zoom=50%% %u"} << QString()
        << mailer + " --zoom=50%";
    QTest::newRow("quoted program with a blank")
        << QStringList{"config=mail.desktop"}
        << QStringList{"data/mail.desktop:Exec=\"/opt/My Mail/mail\" \"a b\" %u"} << QString()
        << "\"/opt/My Mail/mail\" \"a b\"";
    QTest::newRow("program not on the path kept by name")
        << QStringList{"config=mail.desktop"} << QStringList{"data/mail.desktop:Exec=nomailer %u"}
        << QString() << "\"nomailer\"";

    QTest::newRow("xdg-mime answer wins")
        << QStringList{"config=other.desktop"}
        << QStringList{"data/mail.desktop:Exec=mailer", "data/other.desktop:Exec=other"}
        << "mail.desktop" << mailer;
    QTest::newRow("xdg-mime silent, lists read")
        << QStringList{"config=mail.desktop"} << plain << "" << mailer;
    QTest::newRow("xdg-mime names a missing entry, lists read")
        << QStringList{"config=mail.desktop"} << plain << "gone.desktop" << mailer;

    QTest::newRow("nothing registered") << QStringList{} << plain << QString() << QString();
    QTest::newRow("nothing registered, xdg-mime silent")
        << QStringList{} << plain << "" << QString();
    QTest::newRow("registered entry missing")
        << QStringList{"config=gone.desktop"} << plain << QString() << QString();
    QTest::newRow("hidden entry") << QStringList{"config=mail.desktop"}
                                  << QStringList{"data/mail.desktop:Exec=mailer\nHidden=true"}
                                  << QString() << QString();
    QTest::newRow("entry without Exec")
        << QStringList{"config=mail.desktop"} << QStringList{"data/mail.desktop:Name=Mail"}
        << QString() << QString();
    QTest::newRow("Exec of field codes only")
        << QStringList{"config=mail.desktop"} << QStringList{"data/mail.desktop:Exec=%u"}
        << QString() << QString();
}

void MailClientLocatorTest::defaultMailCommand()
{
    QFETCH(QStringList, lists);
    QFETCH(QStringList, entries);
    QFETCH(QString, xdgMime);
    QFETCH(QString, expected);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QDir base(root.path());
    const QString bin = base.filePath(QStringLiteral("bin"));
    QMap<QString, QString> listFiles{
        {"config", base.filePath("config/mimeapps.list")},
        {"configdirs", base.filePath("configdirs/mimeapps.list")},
        {"data", base.filePath("data/applications/mimeapps.list")},
        {"datadirs", base.filePath("datadirs/applications/mimeapps.list")}};

    for (const QString& list : lists) {
        const qsizetype equals = list.indexOf(u'=');
        QVERIFY(listFiles.contains(list.left(equals)));
        QVERIFY(writeFile(listFiles.value(list.left(equals)),
                          "[Added Associations]\nx-scheme-handler/mailto=other.desktop\n"
                          "[Default Applications]\n# the user's choice\n"
                          "x-scheme-handler/mailto = " +
                              list.mid(equals + 1).toUtf8() + "\n"));
    }
    for (const QString& entry : entries) {
        const qsizetype colon = entry.indexOf(u':');
        QString path = entry.left(colon);
        const qsizetype slash = path.indexOf(u'/');
        path = base.filePath(path.left(slash) + QStringLiteral("/applications") + path.mid(slash));
        QVERIFY(writeFile(path, "[Desktop Entry]\nType=Application\n" +
                                    entry.mid(colon + 1).toUtf8() +
                                    "\n[Desktop Action x]\n"
                                    "Exec=wrong\n"));
    }
    QVERIFY(writeFile(bin + QStringLiteral("/mailer"), "#!/bin/sh\n", true));
    if (!xdgMime.isNull()) {
        QVERIFY(writeFile(bin + QStringLiteral("/xdg-mime"),
                          "#!/bin/sh\nprintf '%s' '" + xdgMime.toUtf8() + "'\n", true));
    }

    QProcessEnvironment env;
    env.insert(QStringLiteral("HOME"), base.filePath(QStringLiteral("home")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), base.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_CONFIG_DIRS"), base.filePath(QStringLiteral("configdirs")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), base.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_DATA_DIRS"), base.filePath(QStringLiteral("datadirs")));
    env.insert(QStringLiteral("PATH"), bin);

    XdgMailClientLocator locator(env);
    const std::optional<QString> command = locator.defaultMailCommand();
    if (expected.isNull()) {
        QVERIFY2(!command, qPrintable(command.value_or(QString())));
    } else {
        QVERIFY(command);
        QCOMPARE(*command, expected.replace(QStringLiteral("<bin>"), bin));
    }
}

QTEST_GUILESS_MAIN(MailClientLocatorTest)
#include "MailClientLocatorTest.moc"
