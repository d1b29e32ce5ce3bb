#include "settings/EmailProgram.h"

#include "platform/CommandLine.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace orvane;

namespace {

QProcessEnvironment environmentOf(const QStringList& assignments)
{
    QProcessEnvironment env;
    for (const QString& assignment : assignments) {
        const qsizetype equals = assignment.indexOf(u'=');
        env.insert(assignment.left(equals), assignment.mid(equals + 1));
    }
    return env;
}

} // namespace

class EmailProgramTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void programPath_data();
    void programPath();
    void quotedArgumentsSplitBack();
    void stripQuotes_data();
    void stripQuotes();
    void expandEnvironment_data();
    void expandEnvironment();
    void eprogFromCommand_data();
    void eprogFromCommand();

private:
    QTemporaryDir m_dir;
    QString m_program; // an existing file whose path holds a blank
};

void EmailProgramTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("Mail Client")));
    m_program = m_dir.filePath(QStringLiteral("Mail Client/mailer"));
    QFile file(m_program);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

// "@" stands for the existing program's path, "#" for its folder.
void EmailProgramTest::programPath_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("valid");

    QTest::newRow("quoted with arguments") << "\"@\" -compose"
                                           << "@" << QStringList{"-compose"} << true;
    QTest::newRow("blanks around and inside quotes") << "   \" @ \"  -x  "
                                                     << "@" << QStringList{"-x"} << true;
    QTest::newRow("quoted arguments group blanks")
        << "\"@\" run \"--title=a b\" x\"y z\" \"\""
        << "@" << QStringList{"run", "--title=a b", "xy z", ""} << true;
    QTest::newRow("escapes inside quotes only")
        << "\"@\" \"say \\\"hi\\\" \\\\ \\n\" a\\b"
        << "@" << QStringList{"say \"hi\" \\ \\n", "a\\b"} << true;
    QTest::newRow("unclosed argument quote runs to the end") << "\"@\" \"a b"
                                                             << "@" << QStringList{"a b"} << true;
    QTest::newRow("unquoted alone") << "@"
                                    << "@" << QStringList{} << true;
    QTest::newRow("unquoted path with a blank is not split")
        << "@ -compose"
        << "@ -compose" << QStringList{} << false;
    QTest::newRow("opening quote without partner") << "\"@"
                                                   << "\"@" << QStringList{} << false;
    QTest::newRow("opening quote without partner, blanks") << "  \"@  "
                                                           << "\"@" << QStringList{} << false;
    QTest::newRow("quoted missing file") << "\"@.missing\""
                                         << "@.missing" << QStringList{} << false;
    QTest::newRow("folder is no program") << "\"#\""
                                          << "#" << QStringList{} << false;
    QTest::newRow("empty quotes") << "\"\""
                                  << "" << QStringList{} << false;
    QTest::newRow("empty") << ""
                           << "" << QStringList{} << false;
}

void EmailProgramTest::programPath()
{
    QFETCH(QString, text);
    QFETCH(QString, path);
    QFETCH(QStringList, arguments);
    QFETCH(bool, valid);
    const QString folder = QFileInfo(m_program).path();
    text.replace(u'@', m_program).replace(u'#', folder);
    path.replace(u'@', m_program).replace(u'#', folder);

    QCOMPARE(ExtractProgramPath(text), path);
    QCOMPARE(programArguments(text), arguments);
    QCOMPARE(ValidEProg(text), valid);
}

// What the desktop's mail client command is written with comes back whole.
void EmailProgramTest::quotedArgumentsSplitBack()
{
    const QStringList arguments{"plain", "two words", "say \"hi\"", "back\\slash",
                                "",      "\\\"",      "tab\there",  "50%"};
    QStringList quoted;
    for (const QString& argument : arguments)
        quoted << quoteArgument(argument);
    QCOMPARE(quoted.first(), QStringLiteral("plain"));
    QCOMPARE(programArguments("\"/bin/x\" " + quoted.join(u' ')), arguments);
}

void EmailProgramTest::stripQuotes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("stripped");

    QTest::newRow("quoted with arguments") << "\"C:\\Mail\\m.exe\" /x"
                                           << "C:\\Mail\\m.exe";
    QTest::newRow("blanks inside kept") << "\" a b \""
                                        << " a b ";
    QTest::newRow("no partner keeps the quote") << "\"C:\\m.exe"
                                                << "\"C:\\m.exe";
    QTest::newRow("empty quotes") << "\"\""
                                  << "";
    QTest::newRow("first character dropped unseen") << "x\"y\""
                                                    << "";
    QTest::newRow("empty") << ""
                           << "";
}

void EmailProgramTest::stripQuotes()
{
    QFETCH(QString, text);
    QFETCH(QString, stripped);
    QCOMPARE(StripQuotes(text), stripped);
}

void EmailProgramTest::expandEnvironment_data()
{
    QTest::addColumn<QStringList>("env");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expanded");

    const QStringList env{"ROOT=/opt", "MAIL=mail client", "NEXT=%ROOT%/bin", "RATE=50%",
                          "SELF=%SELF%x"};
    QTest::newRow("no percent") << env << "/usr/bin/mail"
                                << "/usr/bin/mail";
    QTest::newRow("defined name") << env << "%ROOT%/m"
                                  << "/opt/m";
    QTest::newRow("two names") << env << "%ROOT%/%MAIL%"
                               << "/opt/mail client";
    QTest::newRow("undefined name becomes empty") << env << "a%NOPE%b"
                                                  << "ab";
    QTest::newRow("names are case-sensitive") << env << "%root%"
                                              << "";
    QTest::newRow("lone percent stays") << env << "100% sure"
                                        << "100% sure";
    QTest::newRow("lone percent after a pair") << env << "%ROOT% 5%"
                                               << "/opt 5%";
    QTest::newRow("value expanded in the next pass") << env << "%NEXT%/m"
                                                     << "/opt/bin/m";
    // The value's lone "%" pairs with the next one of the text.
    QTest::newRow("value percent pairs with the text") << env << "%RATE% and %ROOT%"
                                                       << "50ROOT%";
    QTest::newRow("self-reference stops at the pass limit")
        << env << "%SELF%"
        << "%SELF%" + QString(kMaxExpansionPasses, u'x');
}

void EmailProgramTest::expandEnvironment()
{
    QFETCH(QStringList, env);
    QFETCH(QString, text);
    QFETCH(QString, expanded);
    QCOMPARE(ExpandEnvironment(text, environmentOf(env)), expanded);
}

void EmailProgramTest::eprogFromCommand_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("eprog");
    QTest::addColumn<bool>("valid");

    // "@" stands for the existing program's path; HERE is its folder.
    QTest::newRow("quoted path with arguments") << "\"@\" -compose \"%1\""
                                                << "\"@\"" << true;
    QTest::newRow("quoted path, variable expanded") << "  \"%HERE%/mailer\" %1"
                                                    << "\"@\"" << true;
    QTest::newRow("unquoted path") << "@"
                                   << "\"@\"" << true;
    QTest::newRow("unquoted, variable first") << "%HERE%/mailer -compose"
                                              << "\"@ -compose\"" << false;
    QTest::newRow("opening quote without partner") << "\"@ -compose"
                                                   << "\"\"@ -compose\"" << false;
    QTest::newRow("empty") << ""
                           << "\"\"" << false;
}

void EmailProgramTest::eprogFromCommand()
{
    QFETCH(QString, command);
    QFETCH(QString, eprog);
    QFETCH(bool, valid);
    command.replace(u'@', m_program);
    eprog.replace(u'@', m_program);
    QProcessEnvironment env;
    env.insert(QStringLiteral("HERE"), QFileInfo(m_program).path());

    const QString text = SetEprogFromCommand(command, env);
    QCOMPARE(text, eprog);
    QCOMPARE(ValidEProg(text), valid);
}

QTEST_GUILESS_MAIN(EmailProgramTest)
#include "EmailProgramTest.moc"
