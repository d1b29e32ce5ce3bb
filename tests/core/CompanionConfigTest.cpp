#include "core/CompanionConfig.h"

#include "FileHelpers.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace orvane;
using namespace orvane::test;

namespace {

const QString kPerUser = QStringLiteral("Zarnik.cfg");
const QString kDefault = QStringLiteral("ZarnikD.cfg");
const QString kTemporary = QStringLiteral("ZarnikTmp.cfg");

// A null array stands for a missing file.
bool writeUnlessNull(const QString& path, const QByteArray& contents)
{
    return contents.isNull() || saveFile(path, contents);
}

int modeOf(const QString& path)
{
    struct stat info
    {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

} // namespace

class CompanionConfigTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void read_data();
    void read();
    void write_data();
    void write();
    void defaultFile();
    void filesFollowTheUmaskAndKeepTheirMode();
    void twoUsersShareOneFolder();
    void failedRewriteKeepsOldFile_data();
    void failedRewriteKeepsOldFile();
};

void CompanionConfigTest::read_data()
{
    QTest::addColumn<QByteArray>("perUser");
    QTest::addColumn<QByteArray>("fallback");
    QTest::addColumn<QString>("logon");
    QTest::addColumn<bool>("choice");
    QTest::addColumn<bool>("startAtLogon");

    const QByteArray none;
    const QByteArray two("anna\r\nTrue\r\nben\r\nFalse\r\n");
    QTest::newRow("no files") << none << none << "anna" << true << true;
    QTest::newRow("second user") << two << none << "ben" << false << false;
    QTest::newRow("user without entry") << two << none << "carl" << true << true;
    QTest::newRow("blanks and case around the name")
        << QByteArray(" Anna \r\nFalse\r\n") << none << "anna" << false << false;
    QTest::newRow("LF line ends") << QByteArray("anna\nFalse\n") << none << "anna" << false
                                  << false;
    QTest::newRow("number value") << QByteArray("anna\r\n0\r\n") << none << "anna" << false
                                  << false;
    QTest::newRow("value line looking like the name is skipped")
        << QByteArray("ben\r\nanna\r\nanna\r\nFalse\r\n") << none << "anna" << false << false;
    QTest::newRow("last name without value line")
        << QByteArray("ben\r\nTrue\r\nanna") << none << "anna" << true << true;
    QTest::newRow("non-Boolean value stops reading")
        << QByteArray("anna\r\nmaybe\r\nanna\r\nFalse\r\n") << none << "anna" << true << true;
    QTest::newRow("non-ASCII name in Windows-1252") << QByteArray("Zo\xCB\r\nFalse\r\n") << none
                                                    << QStringLiteral("zo\u00EB") << false << false;
    QTest::newRow("Cyrillic name in UTF-8") << QString::fromUtf8("Иван\r\nFalse\r\n").toUtf8()
                                            << none << QString::fromUtf8("иван") << false << false;
    QTest::newRow("empty name reads the default file")
        << QByteArray("\r\nTrue\r\n") << QByteArray("False\r\n") << "" << false << false;
    QTest::newRow("empty name ignores the per-user file")
        << QByteArray("\r\nFalse\r\n") << none << "" << true << true;
    QTest::newRow("empty name, non-Boolean default")
        << QByteArray("\r\nTrue\r\n") << QByteArray("no\r\n") << "" << true << true;
    QTest::newRow("empty name, empty default file")
        << QByteArray("\r\nTrue\r\n") << QByteArray("") << "" << true << true;
    // The utility looks at either file only when the per-user file exists.
    QTest::newRow("default file alone") << none << QByteArray("False\r\n") << "" << false << true;
}

void CompanionConfigTest::read()
{
    QFETCH(QByteArray, perUser);
    QFETCH(QByteArray, fallback);
    QFETCH(QString, logon);
    QFETCH(bool, choice);
    QFETCH(bool, startAtLogon);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.path() + u'/';
    QVERIFY(writeUnlessNull(folder + kPerUser, perUser));
    QVERIFY(writeUnlessNull(folder + kDefault, fallback));

    QCOMPARE(ReadCompanionConfig(folder, logon), choice);
    QCOMPARE(ShouldStartAtLogon(folder, logon), startAtLogon);
}

void CompanionConfigTest::write_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("logon");
    QTest::addColumn<bool>("choice");
    QTest::addColumn<QByteArray>("after");

    const QByteArray two("anna\r\nTrue\r\nben\r\nTrue\r\n");
    QTest::newRow("first shutdown")
        << QByteArray() << "anna" << false << QByteArray("anna\r\nFalse\r\n");
    QTest::newRow("new user appended") << QByteArray("anna\r\nTrue\r\n") << "ben" << false
                                       << QByteArray("anna\r\nTrue\r\nben\r\nFalse\r\n");
    QTest::newRow("first user in place")
        << two << "anna" << false << QByteArray("anna\r\nFalse\r\nben\r\nTrue\r\n");
    QTest::newRow("second user in place")
        << two << "ben" << false << QByteArray("anna\r\nTrue\r\nben\r\nFalse\r\n");
    QTest::newRow("blanks and case matched, lines trimmed")
        << QByteArray(" Anna \r\n True\r\nben\r\nTrue\r\n") << "anna" << false
        << QByteArray("Anna\r\nFalse\r\nben\r\nTrue\r\n");
    QTest::newRow("LF file rewritten with CR LF")
        << QByteArray("anna\nTrue\nben\nTrue") << "ben" << false
        << QByteArray("anna\r\nTrue\r\nben\r\nFalse\r\n");
    QTest::newRow("other user's odd value kept") << QByteArray("anna\r\nmaybe\r\n") << "ben" << true
                                                 << QByteArray("anna\r\nmaybe\r\nben\r\nTrue\r\n");
    QTest::newRow("last name without value is the user")
        << QByteArray("anna\r\nTrue\r\nben") << "ben" << false
        << QByteArray("anna\r\nTrue\r\nben\r\nFalse\r\n");
    QTest::newRow("Windows-1252 file rewritten in UTF-8")
        << QByteArray("Zo\xCB\r\nTrue\r\n") << QStringLiteral("zo\u00EB") << false
        << QByteArray("Zo\xC3\x8B\r\nFalse\r\n");
    // Found again at the next shutdown, not appended once more.
    QTest::newRow("CJK name in place")
        << QString::fromUtf8("東京\r\nTrue\r\n").toUtf8() << QString::fromUtf8("東京") << false
        << QString::fromUtf8("東京\r\nFalse\r\n").toUtf8();
    QTest::newRow("empty log-on name gets an entry")
        << QByteArray("anna\r\nTrue\r\n") << "" << false
        << QByteArray("anna\r\nTrue\r\n\r\nFalse\r\n");
}

void CompanionConfigTest::write()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, logon);
    QFETCH(bool, choice);
    QFETCH(QByteArray, after);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.path() + u'/';
    QVERIFY(writeUnlessNull(folder + kPerUser, before));
    // A leftover of an interrupted rewrite must not get in the way.
    QVERIFY(saveFile(folder + kTemporary, "stale\r\n"));

    QVERIFY(WriteCompanionConfig(folder, logon, choice));
    QCOMPARE(readFile(folder + kPerUser), after);
    QVERIFY(!QFile::exists(folder + kTemporary));
    QCOMPARE(ReadCompanionConfig(folder, logon), choice);
}

void CompanionConfigTest::defaultFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.path() + u'/';
    QVERIFY(saveFile(folder + kDefault, "True\r\nextra\r\n"));

    QVERIFY(WriteCompanionConfig(folder, QString(), false));
    QCOMPARE(readFile(folder + kDefault), QByteArray("False\r\n"));
    QCOMPARE(readFile(folder + kPerUser), QByteArray("\r\nFalse\r\n"));

    // A named user leaves the default file alone.
    QVERIFY(WriteCompanionConfig(folder, QStringLiteral("anna"), true));
    QCOMPARE(readFile(folder + kDefault), QByteArray("False\r\n"));
    QCOMPARE(ReadCompanionConfig(folder, QString()), false);
}

void CompanionConfigTest::filesFollowTheUmaskAndKeepTheirMode()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.path() + u'/';
    // Every user of a shared folder reads the same file, so it is not made
    // private; a mode someone chose for it stays.
    const mode_t umaskNow = ::umask(022);
    QVERIFY(WriteCompanionConfig(folder, QString(), true));
    QCOMPARE(modeOf(folder + kPerUser), 0644);
    QCOMPARE(modeOf(folder + kDefault), 0644);
    QVERIFY(::chmod(QFile::encodeName(folder + kPerUser).constData(), 0664) == 0);
    QVERIFY(WriteCompanionConfig(folder, QStringLiteral("anna"), true));
    QCOMPARE(modeOf(folder + kPerUser), 0664);
    ::umask(umaskNow);
}

void CompanionConfigTest::twoUsersShareOneFolder()
{
    if (::geteuid() != 0)
        QSKIP("Running as a second user needs root.");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.path() + u'/';
    QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0777) == 0);
    // Copied into the folder, which the second user can reach.
    const QString tool = folder + QStringLiteral("CompanionTool");
    QVERIFY(QFile::copy(QStringLiteral(ORVANE_COMPANION_TOOL), tool));
    auto asNobody = [&](const QStringList& arguments) {
        QProcess process;
        process.start(QStringLiteral("setpriv"),
                      QStringList{"--reuid=nobody", "--regid=nogroup", "--clear-groups", tool,
                                  folder, "nobody"} +
                          arguments);
        const bool ended = process.waitForFinished(10000);
        return ended && process.exitCode() == 0
                   ? QString::fromLatin1(process.readAllStandardOutput().trimmed())
                   : QStringLiteral("failed: ") +
                         QString::fromLocal8Bit(process.readAllStandardError());
    };

    QVERIFY(WriteCompanionConfig(folder, QStringLiteral("root"), false));
    QCOMPARE(asNobody({"False"}), QStringLiteral("False"));
    QCOMPARE(ReadCompanionConfig(folder, QStringLiteral("root")), false);
    QCOMPARE(ReadCompanionConfig(folder, QStringLiteral("nobody")), false);
    QVERIFY(WriteCompanionConfig(folder, QStringLiteral("root"), true));
    QCOMPARE(asNobody({}), QStringLiteral("False"));
    QCOMPARE(readFile(folder + kPerUser), QByteArray("root\r\nTrue\r\nnobody\r\nFalse\r\n"));
}

void CompanionConfigTest::failedRewriteKeepsOldFile_data()
{
    QTest::addColumn<QString>("obstacle");
    QTest::newRow("temporary name taken by a folder") << "tmpfolder";
    QTest::newRow("read-only folder") << "readonly";
    QTest::newRow("unreadable per-user file") << "unreadable";
}

void CompanionConfigTest::failedRewriteKeepsOldFile()
{
    QFETCH(QString, obstacle);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.path() + u'/';
    const QByteArray old("anna\r\nTrue\r\nben\r\nTrue\r\n");
    QVERIFY(saveFile(folder + kPerUser, old));

    if (obstacle == QLatin1String("tmpfolder")) {
        QVERIFY(QDir(folder).mkpath(kTemporary + QStringLiteral("/inside")));
    } else {
        if (::geteuid() == 0)
            QSKIP("file permissions do not bind the superuser");
        const QString target =
            obstacle == QLatin1String("readonly") ? dir.path() : folder + kPerUser;
        QVERIFY(::chmod(QFile::encodeName(target).constData(),
                        obstacle == QLatin1String("readonly") ? 0500 : 0200) == 0);
    }

    const bool written = WriteCompanionConfig(folder, QStringLiteral("carl"), false);
    ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
    ::chmod(QFile::encodeName(folder + kPerUser).constData(), 0600);

    QVERIFY(!written);
    QCOMPARE(readFile(folder + kPerUser), old);
}

QTEST_GUILESS_MAIN(CompanionConfigTest)
#include "CompanionConfigTest.moc"
