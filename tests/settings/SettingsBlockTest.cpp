#include "LineBlock.h"
#include "SettingsFakes.h"
#include "platform/AnsiText.h"
#include "settings/Settings.h"

#include <QBuffer>
#include <QTest>

using namespace orvane;
using namespace orvane::test;

namespace {

const QByteArray kBlock = "3\r\n2100\r\n900\r\n2200\r\n3000\r\n/snd/ding.wav\r\n"
                          "\"/usr/bin/mail client\" -compose\r\nFalse\r\nTrue\r\nFalse\r\nTrue\r\n"
                          "1\r\n4\r\nFalse\r\nTrue\r\n";

} // namespace

class SettingsBlockTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void defaults();
    void roundTripInTheWrittenOrder();
    void versionOneZeroHasThirteenLines();
    void damagedBlock_data();
    void damagedBlock();
    void laterLines_data();
    void laterLines();
};

void SettingsBlockTest::defaults()
{
    SettingsFakes fakes;
    Settings settings(QStringLiteral("/opt/orvane/"), fakes.services());
    settings.LoadDefaultSettings();
    QCOMPARE(settings.waveFilename, QStringLiteral("/opt/orvane/notify.wav"));
    QVERIFY(settings.CheckOnStartup());
    QVERIFY(settings.PlaySound());
    QVERIFY(settings.showPopupWindow);
    QVERIFY(!settings.flashScrollLock);
    QCOMPARE(settings.wMailClick, 2);
    QCOMPARE(
        written(settings),
        QByteArray("0\r\n2000\r\n1000\r\n2000\r\n2800\r\n/opt/orvane/notify.wav\r\n\r\nTrue\r\n"
                   "True\r\nTrue\r\nFalse\r\n2\r\n0\r\nTrue\r\nFalse\r\n"));
    // The defaults are applied once per run; a later call changes nothing.
    settings.bStartup = false;
    settings.LoadDefaultSettings();
    QVERIFY(!settings.bStartup);
}

void SettingsBlockTest::roundTripInTheWrittenOrder()
{
    SettingsFakes fakes;
    Settings settings(QStringLiteral("/opt/orvane/"), fakes.services());
    settings.LoadDefaultSettings();
    AnsiLineReader in(kBlock);
    QVERIFY(settings.ReadYourselfIn(QStringLiteral("1.6"), in));
    QVERIFY(in.atEnd());
    QCOMPARE(settings.timeDisp, qint16(3));
    QCOMPARE(settings.eprogFilename, QStringLiteral("\"/usr/bin/mail client\" -compose"));
    // Line 8 is the sound flag, line 9 the start-up check.
    QVERIFY(!settings.PlaySound());
    QVERIFY(settings.CheckOnStartup());
    QVERIFY(settings.wMailFound);
    QCOMPARE(settings.selTab, qint16(4));
    QVERIFY(settings.IsFlashScrollLockOn());
    QCOMPARE(written(settings), kBlock);
}

void SettingsBlockTest::versionOneZeroHasThirteenLines()
{
    SettingsFakes fakes;
    Settings settings(QStringLiteral("/opt/orvane/"), fakes.services());
    settings.LoadDefaultSettings();
    settings.showPopupWindow = false;
    settings.flashScrollLock = true;
    QList<QByteArray> lines = kBlock.split('\n');
    const QByteArray thirteen = lines.mid(0, 13).join('\n') + "\nnext block\r\n";
    AnsiLineReader in(thirteen);
    QVERIFY(settings.ReadYourselfIn(QStringLiteral("1.0"), in));
    QVERIFY(settings.showPopupWindow);
    QVERIFY(!settings.flashScrollLock);
    QString next;
    QVERIFY(in.readLine(next));
    QCOMPARE(next, QStringLiteral("next block"));
    // The next save is in the current form, fifteen lines.
    QCOMPARE(written(settings).count("\r\n"), 15);
}

void SettingsBlockTest::damagedBlock_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<QByteArray>("replacement");
    QTest::newRow("time display not a number") << 0 << QByteArray("x");
    QTest::newRow("time display beyond 16 bits") << 0 << QByteArray("70000");
    QTest::newRow("width beyond 32 bits") << 1 << QByteArray("3000000000");
    QTest::newRow("flag not a Boolean") << 8 << QByteArray("perhaps");
    QTest::newRow("tab beyond 16 bits") << 12 << QByteArray("40000");
    QTest::newRow("cut before the flash flag") << 14 << QByteArray();
}

void SettingsBlockTest::damagedBlock()
{
    QFETCH(int, line);
    QFETCH(QByteArray, replacement);
    QList<QByteArray> lines = kBlock.split('\n');
    lines.removeLast();
    QByteArray text;
    if (replacement.isEmpty()) {
        text = lines.mid(0, line).join('\n') + '\n';
    } else {
        lines[line] = replacement + '\r';
        text = lines.join('\n') + '\n';
    }
    SettingsFakes fakes;
    Settings settings(QStringLiteral("/opt/orvane/"), fakes.services());
    settings.LoadDefaultSettings();
    AnsiLineReader in(text);
    QVERIFY(!settings.ReadYourselfIn(QStringLiteral("1.6"), in));
    // Options not reached keep their defaults (the block says True).
    QVERIFY(!settings.flashScrollLock);
}

void SettingsBlockTest::laterLines_data()
{
    QTest::addColumn<QByteArray>("later");
    QTest::addColumn<bool>("statusNotifierHost");
    QTest::addColumn<bool>("readOk");
    QTest::addColumn<bool>("on");
    QTest::addColumn<bool>("keep");
    // Without a saved line the desktop decides: on where the tray shows
    // StatusNotifierItems, off on XEmbed trays.
    QTest::newRow("older file, StatusNotifierItem host")
        << QByteArray() << true << true << true << false;
    QTest::newRow("older file, XEmbed tray") << QByteArray() << false << true << false << false;
    QTest::newRow("older file, blank lines")
        << QByteArray("\r\n\r\n") << true << true << true << false;
    QTest::newRow("saved off beats the desktop")
        << QByteArray("False\r\n") << true << true << false << false;
    QTest::newRow("saved on beats the desktop")
        << QByteArray("True\r\n") << false << true << true << false;
    QTest::newRow("damaged line") << QByteArray("perhaps\r\n") << false << false << false << false;
    // "Keep passwords in the list file" follows; a file that ends before it
    // leaves the passwords to the keyring.
    QTest::newRow("passwords kept in the file")
        << QByteArray("False\r\nTrue\r\n") << true << true << false << true;
    QTest::newRow("passwords in the keyring")
        << QByteArray("True\r\nFalse\r\n") << false << true << true << false;
    QTest::newRow("damaged keep line")
        << QByteArray("True\r\nmaybe\r\n") << false << false << true << false;
}

void SettingsBlockTest::laterLines()
{
    QFETCH(QByteArray, later);
    QFETCH(bool, statusNotifierHost);
    QFETCH(bool, readOk);
    QFETCH(bool, on);
    QFETCH(bool, keep);
    SettingsFakes fakes;
    int asked = 0;
    SettingsServices services = fakes.services();
    services.desktopKeepsNotifications = [&] {
        ++asked;
        return statusNotifierHost;
    };
    Settings settings(QStringLiteral("/opt/orvane/"), services);
    settings.LoadDefaultSettings();
    AnsiLineReader in(later);
    QCOMPARE(settings.ReadLaterLines(in), readOk);
    QCOMPARE(settings.UseDesktopNotifications(), on);
    QCOMPARE(settings.KeepPasswordsInFile(), keep);
    // The desktop is asked once at most; its answer is then the saved one.
    statusNotifierHost = !statusNotifierHost;
    QCOMPARE(settings.UseDesktopNotifications(), on);
    QVERIFY(asked <= 1);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    AnsiLineWriter out(buffer);
    settings.WriteLaterLines(out);
    QCOMPARE(buffer.data(), encodeLines({boolText(on), boolText(keep)}));
}

QTEST_GUILESS_MAIN(SettingsBlockTest)
#include "SettingsBlockTest.moc"
