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
    void filesAreUtf8OrElseWindows1252_data();
    void filesAreUtf8OrElseWindows1252();
    void overlongLineStopsTheReading();
    void readerAcceptsCrLfAndLf_data();
    void readerAcceptsCrLfAndLf();
    void booleans_data();
    void booleans();
};

void AnsiTextTest::filesAreUtf8OrElseWindows1252_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("writtenBack"); // the writer gives the same bytes
    QTest::newRow("ascii") << QByteArray("abc") << "abc" << true;
    const QString world = QString::fromUtf8("Иван Ελένη 東京 \xF0\x9F\x93\xAC");
    QTest::newRow("cyrillic greek cjk emoji") << world.toUtf8() << world << true;
    // Files of earlier versions.
    QTest::newRow("windows-1252") << QByteArray("\xe4 \x80 \x93x\x94")
                                  << QString::fromUtf8("ä € “x”") << false;
    QTest::newRow("undefined codes survive")
        << QByteArray("\x81\x8d") << QString("\u0081\u008d") << false;
    // One stray byte decides for the whole file, so no line is read twice
    // wrongly.
    QTest::newRow("utf-8 then one 1252 byte")
        << QByteArray("\xc3\xa4\xe4") << QString::fromUtf8("Ã¤ä") << false;
    QTest::newRow("cut character")
        << QByteArray("a\xe6\x9d") << QString::fromUtf8("aæ\u009d") << false;
    QTest::newRow("overlong slash") << QByteArray("\xc0\xaf") << QString::fromUtf8("À¯") << false;
    QTest::newRow("surrogate") << QByteArray("\xed\xa0\x80") << QString::fromUtf8("í\u00a0€")
                               << false;
    QTest::newRow("byte-order mark") << QByteArray("\xef\xbb\xbf"
                                                   "abc")
                                     << "abc" << false;
}

void AnsiTextTest::filesAreUtf8OrElseWindows1252()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(bool, writtenBack);
    AnsiLineReader reader(bytes + "\r\nsecond");
    QString line;
    QVERIFY(reader.readLine(line));
    QCOMPARE(line, text);
    QVERIFY(reader.readLine(line));
    QCOMPARE(line, QStringLiteral("second"));

    QBuffer out;
    out.open(QIODevice::WriteOnly);
    AnsiLineWriter writer(out);
    QVERIFY(writer.writeLine(text));
    QCOMPARE(out.data(), text.toUtf8() + "\r\n");
    QCOMPARE(out.data() == bytes + "\r\n", writtenBack);
}

void AnsiTextTest::overlongLineStopsTheReading()
{
    const QByteArray longest(AnsiLineReader::kMaxLineBytes, 'x');
    AnsiLineReader reader("first\r\n" + longest + "\r\n" + longest + "y\r\nlast\r\n");
    QString line;
    QVERIFY(reader.readLine(line));
    QVERIFY(!reader.onlyBlankLinesLeft());
    QVERIFY(reader.readLine(line));
    QCOMPARE(line.size(), longest.size());
    QVERIFY(!reader.failed());
    // The line over the limit ends the text: what follows is never reached.
    QVERIFY(!reader.readLine(line));
    QVERIFY(line.isEmpty());
    QVERIFY(reader.failed());
    QVERIFY(reader.atEnd());
    QVERIFY(!reader.onlyBlankLinesLeft());

    AnsiLineReader blanks("a\r\n\r\n  \r\n\n");
    QVERIFY(blanks.readLine(line));
    QVERIFY(blanks.onlyBlankLinesLeft());
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

QTEST_GUILESS_MAIN(AnsiTextTest)
#include "AnsiTextTest.moc"
