#include "platform/AnsiText.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace orvane;

class AnsiTextTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void codePageRoundTrip_data();
    void codePageRoundTrip();
    void readerAcceptsCrLfAndLf_data();
    void readerAcceptsCrLfAndLf();
    void booleans_data();
    void booleans();
    void atomicWriteIsPrivateAndAllOrNothing();
};

void AnsiTextTest::codePageRoundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("ascii") << "abc" << QByteArray("abc");
    QTest::newRow("latin-1 range") << QString("\u00e9\u00ff") << QByteArray("\xe9\xff");
    QTest::newRow("euro and quotes") << QString("\u20ac\u201c\u201d") << QByteArray("\x80\x93\x94");
    QTest::newRow("undefined codes survive") << QString("\u0081\u008d") << QByteArray("\x81\x8d");
}

void AnsiTextTest::codePageRoundTrip()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(Windows1252::encode(text), bytes);
    QCOMPARE(Windows1252::decode(bytes), text);
}

void AnsiTextTest::readerAcceptsCrLfAndLf_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
    QTest::newRow("LF") << QByteArray("a\nb\n") << QStringList{"a", "b"};
    QTest::newRow("no end on the last line") << QByteArray("a\r\nb") << QStringList{"a", "b"};
    QTest::newRow("empty lines count") << QByteArray("\r\n\r\nx\r\n") << QStringList{"", "", "x"};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
    QTest::newRow("a lone CR stays in the line") << QByteArray("a\rb\n") << QStringList{"a\rb"};
}

void AnsiTextTest::readerAcceptsCrLfAndLf()
{
    QFETCH(QByteArray, contents);
    AnsiLineReader reader(contents);
    QStringList lines;
    QString line;
    while (reader.readLine(line))
        lines << line;
    QTEST(lines, "lines");
    QVERIFY(reader.atEnd());
    QVERIFY(!reader.readLine(line));
    QVERIFY(line.isEmpty());
}

void AnsiTextTest::booleans_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value"); // -1: not a Boolean
    QTest::newRow("True") << "True" << 1;
    QTest::newRow("False") << "False" << 0;
    QTest::newRow("other case, blanks") << " true " << 1;
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("minus one") << "-1" << 1;
    QTest::newRow("word") << "Yes" << -1;
    QTest::newRow("empty") << "" << -1;
}

void AnsiTextTest::booleans()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    const std::optional<bool> parsed = parseBool(text);
    QCOMPARE(parsed.has_value(), value >= 0);
    if (parsed)
        QCOMPARE(*parsed, value == 1);
}

void AnsiTextTest::atomicWriteIsPrivateAndAllOrNothing()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("list.cfg");
    QVERIFY(writeAnsiFileAtomically(path, {"anna", "True"}));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("anna\r\nTrue\r\n"));
    QCOMPARE(QFile::permissions(path) & 0x0077, 0); // nothing for group and others
    QVERIFY(QFile::permissions(path) & QFileDevice::ReadOwner);
    // A target that cannot be replaced leaves the old contents and no
    // temporary file behind.
    QVERIFY(!writeAnsiFileAtomically(dir.filePath("missing/list.cfg"), {"x"}));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"list.cfg"});
}

QTEST_GUILESS_MAIN(AnsiTextTest)
#include "AnsiTextTest.moc"
