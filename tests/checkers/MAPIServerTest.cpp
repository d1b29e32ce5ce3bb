#include "checkers/MAPIServer.h"

#include "CheckerEventLog.h"
#include "FileHelpers.h"
#include "checkers/NotifierCheckers.h"
#include "checkers/ProfileMapi.h"
#include "core/GenericServer.h"

#include <QSemaphore>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtTest>
#include <stdexcept>

using namespace orvane;

namespace {

const QString LoggingOn = QStringLiteral("status Logging onto server...");
const QString Checking = QStringLiteral("status Checking for mail...");
const QString LoggingOff = QStringLiteral("status Finished checking.  Loggin off server.");

// A session that plays a script: the log-on result, then the results of the
// find calls in turn ("throw" raises a fault instead). It records its calls
// in a log the test keeps, as the checker owns the session.
struct Script
{
    quint32 logon = SimpleMapi::Success;
    QStringList finds;
    // When set, the log-on waits for cancel() (a remote server that hangs).
    bool hang = false;
    // When set, every find succeeds, for ever (a walk that never ends).
    bool endless = false;
};

struct CallLog
{
    QMutex mutex;
    QStringList calls;
    QSemaphore finished;
    void add(const QString& call)
    {
        const QMutexLocker lock(&mutex);
        calls << call;
    }
    QStringList taken()
    {
        const QMutexLocker lock(&mutex);
        return calls;
    }
};

class ScriptedMapi final : public SimpleMapi
{
public:
    ScriptedMapi(Script script, std::shared_ptr<CallLog> log)
        : m_script(std::move(script)), m_log(std::move(log))
    {}
    ~ScriptedMapi() override { m_log->finished.release(); }

    quint32 MAPILogon(const QString& profileName, const QString& password, quint32 flags,
                      Session* session) override
    {
        m_log->add(QStringLiteral("logon %1/%2 %3").arg(profileName, password).arg(flags));
        if (m_script.hang) {
            m_cancel.acquire();
            return Failure;
        }
        *session = 7;
        return m_script.logon;
    }
    quint32 BMAPIFindNext(Session session, const QString&, const QString& seed, quint32 flags,
                          QString* messageId) override
    {
        if (m_script.endless) {
            // Logged once: the walk may be long.
            if (m_next++ == 0)
                m_log->add(QStringLiteral("endless finds"));
            *messageId = QStringLiteral("m");
            return Success;
        }
        m_log->add(QStringLiteral("find %1 [%2] %3").arg(session).arg(seed).arg(flags));
        const QString step = m_script.finds.value(m_next++, QStringLiteral("16"));
        if (step == QLatin1String("throw"))
            throw std::runtime_error("Out of memory.");
        *messageId = QStringLiteral("m%1").arg(m_next);
        return step.toUInt();
    }
    quint32 MAPILogoff(Session session, quint32) override
    {
        m_log->add(QStringLiteral("logoff %1").arg(session));
        return Success;
    }
    void cancel() override
    {
        m_log->add(QStringLiteral("cancel"));
        m_cancel.release();
    }

private:
    Script m_script;
    std::shared_ptr<CallLog> m_log;
    qsizetype m_next = 0;
    QSemaphore m_cancel;
};

MAPIServer::SessionFactory scripted(const Script& script, const std::shared_ptr<CallLog>& log)
{
    return [script, log] { return std::make_unique<ScriptedMapi>(script, log); };
}

QByteArray message(int n)
{
    return QByteArray("Subject: ") + QByteArray::number(n) + "\n\nBody\n";
}

} // namespace

class MAPIServerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void walk_data();
    void walk();
    void droppedCheckIsCancelled_data();
    void droppedCheckIsCancelled();
    void maildirProfiles_data();
    void maildirProfiles();
    void dispatcherMakesTheChecker();

private:
    QTemporaryDir m_dir;
    QThreadPool m_pool;
};

void MAPIServerTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_dir.isValid());
}

void MAPIServerTest::walk_data()
{
    QTest::addColumn<quint32>("logon");
    QTest::addColumn<QStringList>("finds");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QStringList>("calls");

    const QString logon = QStringLiteral("logon Home/secret 2");
    const QString logoff = QStringLiteral("logoff 7");
    QTest::newRow("none unread") << quint32(0) << QStringList{}
                                 << QStringList{LoggingOn, Checking, LoggingOff,
                                                QStringLiteral("count 0")}
                                 << QStringList{logon, QStringLiteral("find 7 [] 32"), logoff};
    QTest::newRow("three unread, seeds chained")
        << quint32(0) << QStringList{QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0")}
        << QStringList{LoggingOn, Checking, LoggingOff, QStringLiteral("count 3")}
        << QStringList{logon,
                       QStringLiteral("find 7 [] 32"),
                       QStringLiteral("find 7 [m1] 32"),
                       QStringLiteral("find 7 [m2] 32"),
                       QStringLiteral("find 7 [m3] 32"),
                       logoff};
    QTest::newRow("a failing find ends the walk")
        << quint32(0) << QStringList{QStringLiteral("0"), QStringLiteral("2")}
        << QStringList{LoggingOn, Checking, LoggingOff, QStringLiteral("count 1")}
        << QStringList{logon, QStringLiteral("find 7 [] 32"), QStringLiteral("find 7 [m1] 32"),
                       logoff};
    QTest::newRow("refused log-on")
        << quint32(3) << QStringList{}
        << QStringList{LoggingOn, QStringLiteral("error Invalid username/password.")}
        << QStringList{logon};
    QTest::newRow("other log-on failure")
        << quint32(2) << QStringList{}
        << QStringList{LoggingOn, QStringLiteral("error Could not connect to server.")}
        << QStringList{logon};
    QTest::newRow("fault mid-walk still logs off")
        << quint32(0) << QStringList{QStringLiteral("0"), QStringLiteral("throw")}
        << QStringList{LoggingOn, Checking, QStringLiteral("error Out of memory.")}
        << QStringList{logon, QStringLiteral("find 7 [] 32"), QStringLiteral("find 7 [m1] 32"),
                       logoff};
}

void MAPIServerTest::walk()
{
    QFETCH(quint32, logon);
    QFETCH(QStringList, finds);
    QFETCH(QStringList, events);
    QFETCH(QStringList, calls);

    auto log = std::make_shared<CallLog>();
    MAPIServer checker(m_pool, scripted(Script{logon, finds}, log));
    test::CheckerEventLog raised(checker);
    checker.CheckForMail(QStringLiteral("MS Exchange - Username/Password"), QStringLiteral("Home"),
                         QStringLiteral("secret"), false);
    // Off the user-interface thread: everything arrives later, in order.
    QVERIFY(raised.events.isEmpty());
    QTRY_VERIFY(raised.ended());
    QCOMPARE(raised.events, events);
    QVERIFY(log->finished.tryAcquire(1, 5000));
    QCOMPARE(log->taken(), calls);
}

void MAPIServerTest::droppedCheckIsCancelled_data()
{
    QTest::addColumn<bool>("hang");
    QTest::addColumn<QStringList>("calls");

    QTest::newRow("server that hangs")
        << true << QStringList{QStringLiteral("logon Work/ 2"), QStringLiteral("cancel")};
    QTest::newRow("walk without end")
        << false
        << QStringList{QStringLiteral("logon Work/ 2"), QStringLiteral("endless finds"),
                       QStringLiteral("cancel"), QStringLiteral("logoff 7")};
}

void MAPIServerTest::droppedCheckIsCancelled()
{
    QFETCH(bool, hang);
    QFETCH(QStringList, calls);

    auto log = std::make_shared<CallLog>();
    test::CheckerEventLog raised;
    {
        Script script;
        script.hang = hang;
        script.endless = !hang;
        MAPIServer checker(m_pool, scripted(script, log));
        raised.watch(checker);
        checker.CheckForMail(QStringLiteral("MS Exchange"), QStringLiteral("Work"), QString(),
                             false);
        QTRY_COMPARE(log->taken().size(), calls.size() - (hang ? 1 : 2));
    }
    // The check gives up and ends; nothing it raised arrives.
    QVERIFY(log->finished.tryAcquire(1, 5000));
    QTest::qWait(50);
    QCOMPARE(log->taken(), calls);
    QVERIFY(raised.events.size() <= 2 && !raised.ended());
}

void MAPIServerTest::maildirProfiles_data()
{
    // Under the Maildir: "new/x", "cur/y:2,S", or "new/z->TARGET" for a link.
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QString>("result");

    const QStringList threeAmongRead{QStringLiteral("new/1700000003.M1P1.host"),
                                     QStringLiteral("cur/1700000001.M1P1.host:2,S"),
                                     QStringLiteral("cur/1700000002.M1P1.host:2,RS"),
                                     QStringLiteral("cur/1700000004.M1P1.host:2,"),
                                     QStringLiteral("cur/1700000005.M1P1.host:2,FR"),
                                     QStringLiteral("cur/1700000006.M1P1.host:2,FS")};
    const QString home = QStringLiteral("Home");
    const QString inProfile = QStringLiteral("error Profile \"%1\" in profiles.ini: the %2");
    QTest::newRow("none unread") << QStringList{QStringLiteral("cur/a:2,S"),
                                                QStringLiteral("cur/b:2,RS")}
                                 << home << QStringLiteral("count 0");
    QTest::newRow("empty Maildir") << QStringList{} << home << QStringLiteral("count 0");
    QTest::newRow("three unread among read ones")
        << threeAmongRead << home << QStringLiteral("count 3");
    QTest::newRow("flags in odd order, trashed is not unread")
        << QStringList{QStringLiteral("cur/a:2,TSR"), QStringLiteral("cur/b:2,SF"),
                       QStringLiteral("cur/c:2,RTF"), QStringLiteral("cur/d:1,S"),
                       QStringLiteral("cur/e")}
        << home << QStringLiteral("count 2");
    QTest::newRow("semicolon as the info separator")
        << QStringList{QStringLiteral("cur/a;2,S"), QStringLiteral("cur/b;2,F"),
                       QStringLiteral("new/b"), QStringLiteral("cur/c;2,T")}
        << home << QStringLiteral("count 1");
    QTest::newRow("links followed only inside the Maildir")
        << QStringList{QStringLiteral("new/a"), QStringLiteral("new/in->../cur/x:2,S"),
                       QStringLiteral("new/out->../../outside"), QStringLiteral("cur/x:2,S")}
        << home << QStringLiteral("count 2");
    QTest::newRow("new folder linked out of the Maildir")
        << QStringList{QStringLiteral("new->../elsewhere")} << home
        << QStringLiteral("error Could not connect to server.");
    QTest::newRow("hidden files and folders are no messages")
        << QStringList{QStringLiteral("new/.a"), QStringLiteral("new/sub/x"),
                       QStringLiteral("new/b")}
        << home << QStringLiteral("count 1");
    QTest::newRow("empty name takes the default")
        << QStringList{QStringLiteral("new/a"), QStringLiteral("new/b")} << QString()
        << QStringLiteral("count 2");
    QTest::newRow("profile name in other case")
        << QStringList{QStringLiteral("new/a")} << QStringLiteral("home")
        << QStringLiteral("count 1");
    QTest::newRow("unknown profile is a refused log-on")
        << QStringList{QStringLiteral("new/a")} << QStringLiteral("Away")
        << QStringLiteral("error Invalid username/password.");
    QTest::newRow("missing Maildir") << QStringList{} << QStringLiteral("Lost")
                                     << QStringLiteral("error Could not connect to server.");
    QTest::newRow("unreadable address") << QStringList{} << QStringLiteral("Odd")
                                        << QStringLiteral("error Could not connect to server.");
    QTest::newRow("quoted address")
        << QStringList{} << QStringLiteral("Quoted")
        << inProfile.arg(QStringLiteral("Quoted"),
                         QStringLiteral("Mailbox value is in quotes; write it without them."));
    QTest::newRow("quoted path")
        << QStringList{} << QStringLiteral("QuotedPath")
        << inProfile.arg(QStringLiteral("QuotedPath"),
                         QStringLiteral("Maildir path is in quotes; write it without them."));
    QTest::newRow("path from the home folder")
        << QStringList{} << QStringLiteral("Tilde")
        << inProfile.arg(QStringLiteral("Tilde"),
                         QStringLiteral("Maildir path starts with ~; write the full path."));
    QTest::newRow("IMAP address without a user")
        << QStringList{} << QStringLiteral("NoUser")
        << inProfile.arg(QStringLiteral("NoUser"),
                         QStringLiteral("IMAP address has no user name; write it as "
                                        "imaps://USER@HOST/INBOX."));
    QTest::newRow("store that cannot be read")
        << QStringList{QStringLiteral("profiles.ini/")} << home
        << QStringLiteral("error %1 cannot be read: it is not a regular file.");
}

void MAPIServerTest::maildirProfiles()
{
    QFETCH(QStringList, files);
    QFETCH(QString, profile);
    QFETCH(QString, result);

    const QString root = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
    const QString maildir = root + QStringLiteral("/Maildir");
    const QString store = root + QStringLiteral("/profiles.ini");
    for (const QString& folder :
         {QStringLiteral("new"), QStringLiteral("cur"), QStringLiteral("tmp")})
        QVERIFY(QDir().mkpath(maildir + QLatin1Char('/') + folder));
    test::writeFile(root + QStringLiteral("/outside"), message(0));
    QVERIFY(QDir().mkpath(root + QStringLiteral("/elsewhere")));
    for (int i = 0; i < files.size(); ++i) {
        const QStringList link = files.at(i).split(QStringLiteral("->"));
        const QString path = maildir + QLatin1Char('/') + link.first();
        if (link.size() == 2) {
            QDir(path).removeRecursively();
            QVERIFY(QFile::link(link.last(), path));
        } else if (files.at(i) == QLatin1String("profiles.ini/")) {
            QVERIFY(QDir().mkpath(store));
        } else {
            test::writeFile(path, message(i));
        }
    }
    if (!QFileInfo(store).isDir())
        test::writeFile(store, QStringLiteral("[General]\r\nDefaultProfile=Home\r\n"
                                              "[Home]\r\nMailbox=maildir:%1\r\n"
                                              "[Lost]\r\nMailbox=maildir:%1/gone\r\n"
                                              "[Odd]\r\nMailbox=pop3://me@host\r\n"
                                              "[Quoted]\r\nMailbox=\"maildir:%1\"\r\n"
                                              "[QuotedPath]\r\nMailbox=maildir:\"%1\"\r\n"
                                              "[Tilde]\r\nMailbox=maildir:~/Maildir\r\n"
                                              "[NoUser]\r\nMailbox=imaps://mail.example.org\r\n")
                                   .arg(maildir)
                                   .toUtf8());

    MAPIServer checker(m_pool,
                       [store] { return std::make_unique<ProfileMapi>(ProfileStore(store)); });
    test::CheckerEventLog raised(checker);
    checker.CheckForMail(QStringLiteral("MS Exchange - Windows Account"), profile,
                         QStringLiteral("any"), false);
    QTRY_VERIFY(raised.ended());
    QCOMPARE(raised.events.constLast(),
             result.contains(QLatin1String("%1")) ? result.arg(store) : result);
}

void MAPIServerTest::dispatcherMakesTheChecker()
{
    const QString maildir = m_dir.filePath(QStringLiteral("dispatched"));
    for (const QString& folder : {QStringLiteral("new"), QStringLiteral("cur")})
        QVERIFY(QDir().mkpath(maildir + QLatin1Char('/') + folder));
    test::writeFile(maildir + QStringLiteral("/new/one"), message(1));
    test::writeFile(ProfileStore::defaultPath(),
                    QStringLiteral("[Home]\nMailbox=maildir:%1\n").arg(maildir).toUtf8());

    NotifierCheckers checkers;
    GenericServer dispatcher(checkers);
    test::CheckerEventLog raised(dispatcher);
    dispatcher.CheckForMail(QStringLiteral("MS Exchange - Windows Account"), QStringLiteral("Home"),
                            QString(), false);
    QTRY_VERIFY(raised.ended());
    QCOMPARE(raised.events,
             (QStringList{LoggingOn, Checking, LoggingOff, QStringLiteral("count 1")}));
}

QTEST_GUILESS_MAIN(MAPIServerTest)
#include "MAPIServerTest.moc"
