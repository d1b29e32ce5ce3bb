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
    void savedValues_data();
    void savedValues();
    void textValuesStayOnOneLine();
    void passwordEncoding_data();
    void passwordEncoding();
    void damagedPasswordIsRejected_data();
    void damagedPasswordIsRejected();
    void passwordMarkers_data();
    void passwordMarkers();
    void savedTimesAndDates_data();
    void savedTimesAndDates();
    void savedDatesByRegion_data();
    void savedDatesByRegion();
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
    QTest::newRow("the file's mark goes, a line's stays")
        << QByteArray("\xef\xbb\xbf"
                      "a\r\n\xef\xbb\xbf"
                      "b\r\n")
        << QStringList{"a", QStringLiteral("\uFEFFb")};
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

void AnsiTextTest::savedValues_data()
{
    // One value of a saved block: the line read, the value it gives ("!"
    // when it is refused), and for values written, the line written back.
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("read");
    const auto row = [](const char* tag, const char* kind, const char* line, const char* read) {
        QTest::newRow(tag) << QString(kind) << QByteArray(line) << QString(read);
    };
    row("number with blanks", "int32", " 42 ", "42");
    row("negative number", "int32", "-7", "-7");
    row("largest 32-bit", "int32", "2147483647", "2147483647");
    row("beyond 32 bits", "int32", "2147483648", "!");
    row("fraction is no number", "int32", "1.5", "!");
    row("empty is no number", "int32", "", "!");
    row("largest 16-bit", "int16", "32767", "32767");
    row("beyond 16 bits", "int16", "32768", "!");
    row("below 16 bits", "int16", "-32769", "!");
    row("True", "bool", "True", "1");
    row("number as Boolean", "bool", "-1", "1");
    row("word is no Boolean", "bool", "Yes", "!");
    row("whole twips", "twips", "1440", "1440");
    row("fraction of twips rounds", "twips", "1439.6", "1440");
    row("twips beyond 32 bits", "twips", "3e10", "!");
    row("twips not a number", "twips", "nan", "!");
    row("text kept as written", "text", " a b ", " a b ");
}

void AnsiTextTest::savedValues()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, line);
    QFETCH(QString, read);

    AnsiLineReader in(line + "\r\n");
    QString got = QStringLiteral("!");
    if (kind == QLatin1String("int32")) {
        qint32 v = 0;
        if (in.readNumber(v))
            got = QString::number(v);
    } else if (kind == QLatin1String("int16")) {
        qint16 v = 0;
        if (in.readNumber(v))
            got = QString::number(v);
    } else if (kind == QLatin1String("bool")) {
        bool v = false;
        if (in.readBool(v))
            got = QString::number(int(v));
    } else if (kind == QLatin1String("twips")) {
        qint32 v = 0;
        if (in.readTwips(v))
            got = QString::number(v);
    } else {
        QString v;
        if (in.readText(v))
            got = v;
    }
    QCOMPARE(got, read);

    // Nothing left to read is refused like a bad value.
    qint32 number = 0;
    bool flag = false;
    QString text;
    QVERIFY(!in.readNumber(number));
    QVERIFY(!in.readBool(flag));
    QVERIFY(!in.readText(text));
}

void AnsiTextTest::textValuesStayOnOneLine()
{
    // A line break inside a name would shift every later line of the file.
    QBuffer buffer;
    QVERIFY(buffer.open(QIODevice::WriteOnly));
    AnsiLineWriter out(buffer);
    QVERIFY(out.writeText(QStringLiteral("two\r\nlines\n")));
    QVERIFY(out.writeNumber(-5));
    QVERIFY(out.writeBool(false));
    QCOMPARE(buffer.data(), QByteArray("two  lines \r\n-5\r\nFalse\r\n"));
}

void AnsiTextTest::passwordEncoding_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("encoded");
    // How earlier versions wrote it (Windows-1252 codes), still read.
    QTest::addColumn<QString>("older");
    QTest::newRow("empty") << ""
                           << ""
                           << "";
    QTest::newRow("abc") << "abc"
                         << "297298299"
                         << "297298299";
    QTest::newRow("capital A") << "A"
                               << "265"
                               << "265";
    QTest::newRow("tab, below 10") << "\t"
                                   << "19"
                                   << "19";
    QTest::newRow("codes of every width") << QString("\tA\u00e9") << "1926531953169"
                                          << "192653233";
    QTest::newRow("euro sign") << QString("\u20ac") << "322631303172"
                               << "3128";
    QTest::newRow("digits") << "007"
                            << "248248255"
                            << "248248255";
    QTest::newRow("Cyrillic and an emoji")
        << QString::fromUtf8("Жх\xF0\x9F\x93\xAC") << "32083150320931333240315931473172"
        << "";
}

void AnsiTextTest::passwordEncoding()
{
    QFETCH(QString, password);
    QFETCH(QString, encoded);
    QFETCH(QString, older);
    QCOMPARE(encodePassword(password), encoded);
    bool ok = false;
    QCOMPARE(decodePassword(encoded, &ok), password);
    QVERIFY(ok);
    if (!older.isEmpty()) {
        QCOMPARE(decodePassword(older, &ok), password);
        QVERIFY(ok);
    }
}

void AnsiTextTest::damagedPasswordIsRejected_data()
{
    QTest::addColumn<QString>("encoded");
    QTest::newRow("length digit 4") << "4123";
    QTest::newRow("length digit 0") << "0";
    QTest::newRow("cut short") << "29";
    QTest::newRow("not a number") << "2x1";
    QTest::newRow("code above 255") << "3999";
}

void AnsiTextTest::damagedPasswordIsRejected()
{
    QFETCH(QString, encoded);
    bool ok = true;
    decodePassword(encoded, &ok);
    QVERIFY(!ok);
}

void AnsiTextTest::passwordMarkers_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("marker");
    QTest::newRow("keyring") << "*keyring*" << true;
    QTest::newRow("sign-in") << "*oauth2*" << true;
    QTest::newRow("a later version's") << "*some-kind_2*" << true;
    QTest::newRow("encoded password") << "297298299" << false;
    QTest::newRow("empty password") << "" << false;
    QTest::newRow("asterisks alone") << "**" << false;
    QTest::newRow("open") << "*keyring" << false;
    QTest::newRow("blank inside") << "*key ring*" << false;
}

void AnsiTextTest::passwordMarkers()
{
    QFETCH(QString, line);
    QFETCH(bool, marker);
    QCOMPARE(isPasswordMarker(line), marker);
    // A marker never decodes: an older reader takes it for damage, not a password.
    if (marker) {
        bool ok = true;
        decodePassword(line, &ok);
        QVERIFY(!ok);
    }
}

void AnsiTextTest::savedTimesAndDates_data()
{
    QTest::addColumn<QString>("timeText");
    QTest::addColumn<QString>("dateText");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QDate>("date");
    QTest::newRow("fixed form") << "16:33:18"
                                << "2026-12-07" << QTime(16, 33, 18) << QDate(2026, 12, 7);
    QTest::newRow("US short forms") << "4:33:18 PM"
                                    << "12/7/2026" << QTime(16, 33, 18) << QDate(2026, 12, 7);
    QTest::newRow("midnight, day zero") << "12:00:00 AM"
                                        << "12/30/1899" << QTime(0, 0, 0) << QDate(1899, 12, 30);
    QTest::newRow("day first with dots") << "09:05:00"
                                         << "7.12.2026" << QTime(9, 5, 0) << QDate(2026, 12, 7);
    QTest::newRow("day first with slashes")
        << "9:05"
        << "25/12/2026" << QTime(9, 5, 0) << QDate(2026, 12, 25);
}

void AnsiTextTest::savedTimesAndDates()
{
    QFETCH(QString, timeText);
    QFETCH(QString, dateText);
    QFETCH(QTime, time);
    QFETCH(QDate, date);
    QCOMPARE(parseSavedTime(timeText), time);
    QCOMPARE(parseSavedDate(dateText), date);
    // What is read is written back in the fixed form.
    QCOMPARE(parseSavedTime(formatSavedTime(time)), time);
    QCOMPARE(parseSavedDate(formatSavedDate(date)), date);
}

void AnsiTextTest::savedDatesByRegion_data()
{
    QTest::addColumn<QString>("region");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date");
    const auto row = [](const char* tag, const char* region, const char* text, QDate date) {
        QTest::newRow(tag) << QString(region) << QString(text) << date;
    };
    row("ISO first", "de_DE", "2026-07-12", QDate(2026, 7, 12));
    row("British day first", "en_GB", "07/12/2026", QDate(2026, 12, 7));
    row("German two-digit year", "de_DE", "7.12.26", QDate(2026, 12, 7));
    row("US two-digit year", "en_US", "1/2/26", QDate(2026, 1, 2));
    row("window ends at 2049", "en_US", "12/31/49", QDate(2049, 12, 31));
    row("window starts at 1950", "en_US", "1/2/50", QDate(1950, 1, 2));
    row("month first after the region's form", "en_GB", "12/30/1899", QDate(1899, 12, 30));
}

void AnsiTextTest::savedDatesByRegion()
{
    QFETCH(QString, region);
    QFETCH(QString, text);
    QLocale::setDefault(QLocale(region));
    const QDate read = parseSavedDate(text);
    QLocale::setDefault(QLocale::system());
    QTEST(read, "date");
}

QTEST_GUILESS_MAIN(AnsiTextTest)
#include "AnsiTextTest.moc"
