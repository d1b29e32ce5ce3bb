// Files in a program folder that other users may share: what is read, what
// is replaced, and what a failure leaves behind.
#include "platform/SafeFiles.h"

#include "FileHelpers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace orvane;
using namespace orvane::test;

namespace {

enum class Planted
{
    Nothing,
    PrivateFile,
    GroupWritable,
    Link,
    Fifo,
    Folder,
    BelowAFile,
    ForeignFile
};

mode_t modeOf(const QString& path)
{
    struct stat info
    {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

} // namespace

Q_DECLARE_METATYPE(Planted)
Q_DECLARE_METATYPE(FileContents::Status)

class SafeFilesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }
    void onlyOwnPrivateFilesAreTrusted_data();
    void onlyOwnPrivateFilesAreTrusted();
    void replacedFilesKeepOrGetTheirMode();
    void linksAreReplacedNotWrittenThrough();
    void failedWritesLeaveTheOldFileAndNoTemporary();
    void leftoverTemporariesAreRemoved();
    void copiesAreKeptUnderFreeNames();

private:
    QString path(const QString& name) const { return m_dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void SafeFilesTest::onlyOwnPrivateFilesAreTrusted_data()
{
    QTest::addColumn<Planted>("planted");
    QTest::addColumn<FileContents::Status>("ownPrivate");
    QTest::addColumn<FileContents::Status>("any");
    using S = FileContents::Status;
    QTest::newRow("missing") << Planted::Nothing << S::Missing << S::Missing;
    QTest::newRow("own private file") << Planted::PrivateFile << S::Read << S::Read;
    QTest::newRow("group may write") << Planted::GroupWritable << S::Untrusted << S::Read;
    QTest::newRow("link to an own file") << Planted::Link << S::Untrusted << S::Read;
    QTest::newRow("fifo does not hang") << Planted::Fifo << S::Untrusted << S::Unreadable;
    QTest::newRow("folder") << Planted::Folder << S::Untrusted << S::Unreadable;
    QTest::newRow("below a file") << Planted::BelowAFile << S::Unreadable << S::Unreadable;
    QTest::newRow("another user's file") << Planted::ForeignFile << S::Untrusted << S::Read;
}

void SafeFilesTest::onlyOwnPrivateFilesAreTrusted()
{
    QFETCH(Planted, planted);
    QString file = path("list");
    const QString target = path("target");
    writeFile(target, "mine\r\n", 0600);
    switch (planted) {
    case Planted::Nothing:
        break;
    case Planted::PrivateFile:
        writeFile(file, "mine\r\n", 0600);
        break;
    case Planted::GroupWritable:
        writeFile(file, "mine\r\n", 0620);
        break;
    case Planted::Link:
        QVERIFY(QFile::link(target, file));
        break;
    case Planted::Fifo:
        QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
        break;
    case Planted::Folder:
        QVERIFY(QDir().mkpath(file));
        break;
    case Planted::BelowAFile:
        file = target + QStringLiteral("/list");
        break;
    case Planted::ForeignFile:
        if (!runsAsRoot())
            QSKIP("Only root can give a file to another user.");
        writeFile(file, "theirs\r\n", 0600);
        QCOMPARE(::chown(QFile::encodeName(file).constData(), nobodyUid(), gid_t(-1)), 0);
        break;
    }
    const FileContents own = readFileContents(file, 1000, FileTrust::OwnPrivate);
    QTEST(own.status, "ownPrivate");
    QCOMPARE(own.reason.isEmpty(), own.status == FileContents::Status::Read ||
                                       own.status == FileContents::Status::Missing);
    const FileContents any = readFileContents(file, 1000, FileTrust::Any);
    QTEST(any.status, "any");
    if (any.status == FileContents::Status::Read)
        QVERIFY(any.bytes.endsWith("\r\n"));

    // Past the size limit nothing is read into memory.
    if (planted == Planted::PrivateFile) {
        const FileContents tooLarge = readFileContents(file, 5, FileTrust::OwnPrivate);
        QCOMPARE(tooLarge.status, FileContents::Status::TooLarge);
        QVERIFY(tooLarge.bytes.isEmpty());
    }
}

void SafeFilesTest::replacedFilesKeepOrGetTheirMode()
{
    const mode_t umaskNow = ::umask(022);
    QVERIFY(writeFileAtomically(path("private"), "a", FileMode::Private));
    QCOMPARE(modeOf(path("private")), mode_t(0600));
    QVERIFY(writeFileAtomically(path("shared"), "a", FileMode::Shared));
    QCOMPARE(modeOf(path("shared")), mode_t(0644));
    // Whoever set a mode on a shared file meant it.
    QVERIFY(::chmod(QFile::encodeName(path("shared")).constData(), 0664) == 0);
    QVERIFY(writeFileAtomically(path("shared"), "b", FileMode::Shared));
    QCOMPARE(modeOf(path("shared")), mode_t(0664));
    QCOMPARE(readFile(path("shared")), QByteArray("b"));
    ::umask(umaskNow);

    if (!runsAsRoot())
        QSKIP("Only root can give a file to another user.");
    QCOMPARE(::chown(QFile::encodeName(path("private")).constData(), nobodyUid(), gid_t(-1)), 0);
    QString error;
    QVERIFY(!writeFileAtomically(path("private"), "mine", FileMode::Private, &error));
    QVERIFY(error.contains(QStringLiteral("another user")));
    QCOMPARE(readFile(path("private")), QByteArray("a"));
}

void SafeFilesTest::linksAreReplacedNotWrittenThrough()
{
    // Another user's link in the list's place must not make the save write
    // to a file the link points at.
    const QString profile = path("profile");
    writeFile(profile, "export PATH\n", 0644);
    QVERIFY(QFile::link(profile, path("list")));
    QVERIFY(writeFileAtomically(path("list"), "accounts", FileMode::Private));
    QCOMPARE(readFile(profile), QByteArray("export PATH\n"));
    QVERIFY(!QFileInfo(path("list")).isSymLink());
    QCOMPARE(readFile(path("list")), QByteArray("accounts"));

    if (!runsAsRoot())
        QSKIP("Only root can give a link to another user.");
    QVERIFY(QFile::remove(path("list")));
    QVERIFY(QFile::link(profile, path("list")));
    QCOMPARE(::lchown(QFile::encodeName(path("list")).constData(), nobodyUid(), gid_t(-1)), 0);
    QVERIFY(!writeFileAtomically(path("list"), "accounts", FileMode::Private));
    QVERIFY(QFileInfo(path("list")).isSymLink());
    QCOMPARE(readFile(profile), QByteArray("export PATH\n"));
}

void SafeFilesTest::failedWritesLeaveTheOldFileAndNoTemporary()
{
    writeFile(path("list"), "old", 0600);
    QString error;
    QVERIFY(!writeFileAtomically(path("missing/list"), "x", FileMode::Private, &error));
    QVERIFY(!error.isEmpty());
    {
        // The disk is "full" after 100 bytes, whoever runs the test.
        const FileSizeLimit limit(100);
        QVERIFY(
            !writeFileAtomically(path("list"), QByteArray(1000, 'x'), FileMode::Private, &error));
    }
    QVERIFY2(error.contains(QStringLiteral("large")), qPrintable(error));
    QCOMPARE(readFile(path("list")), QByteArray("old"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{"list"});
}

void SafeFilesTest::leftoverTemporariesAreRemoved()
{
    // Only names the writer makes go; a user's own copy stays whatever it is
    // called, and so does an older version's temporary, which cannot be told
    // from one.
    const QStringList kept{"list",           "list.damaged",     "list.damaged.1",
                           "list.1",         "list.backup",      "list.Ab12Cd",
                           "list.000000",    "list.tmp-abcdefg", "list.tmp-ab-cd",
                           "list.tmp-Ab12C", "other.tmp-Ab12Cd"};
    for (const QString& name : kept + QStringList{"list.tmp-Ab12Cd", "list.tmp-000000"})
        writeFile(path(name), "x", 0600);
    removeLeftoverTemporaries(path("list"));
    QStringList left = QDir(m_dir->path()).entryList(QDir::Files);
    QStringList expected = kept;
    left.sort();
    expected.sort();
    QCOMPARE(left, expected);
}

void SafeFilesTest::copiesAreKeptUnderFreeNames()
{
    writeFile(path("list"), "first", 0644);
    QCOMPARE(keepCopy(path("list"), ".damaged"), path("list.damaged"));
    QVERIFY(writeFileAtomically(path("list"), "second", FileMode::Private));
    QCOMPARE(keepCopy(path("list"), ".damaged"), path("list.damaged.1"));
    // Neither a save nor an edit in place reaches a kept copy.
    QVERIFY(writeFileAtomically(path("list"), "third", FileMode::Private));
    writeFile(path("list"), "fourth", 0600);
    QCOMPARE(readFile(path("list.damaged")), QByteArray("first"));
    QCOMPARE(readFile(path("list.damaged.1")), QByteArray("second"));
    QCOMPARE(modeOf(path("list.damaged")), mode_t(0600));
    QString error;
    QVERIFY(keepCopy(path("missing"), ".damaged", &error).isEmpty());
    QVERIFY(!error.isEmpty());
}

QTEST_GUILESS_MAIN(SafeFilesTest)
#include "SafeFilesTest.moc"
