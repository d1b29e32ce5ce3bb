#include "DovecotServer.h"

#include "FileHelpers.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <csignal>
#include <grp.h>
#include <memory>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace orvane {

namespace {

const QString DovecotBinary = QStringLiteral("/usr/sbin/dovecot");

// Ports free on the loopback now, all different: the probes listen at once,
// so the system cannot hand one port out twice.
QList<quint16> freeLoopbackPorts(int count)
{
    std::vector<std::unique_ptr<QTcpServer>> probes;
    QList<quint16> ports;
    for (int i = 0; i < count; ++i) {
        probes.push_back(std::make_unique<QTcpServer>());
        ports << (probes.back()->listen(QHostAddress::LocalHost) ? probes.back()->serverPort() : 0);
    }
    return ports;
}

bool runTool(const QString& program, const QStringList& arguments, QString* reason)
{
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(program, arguments);
    if (!tool.waitForFinished(30000) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0) {
        *reason = program + QLatin1Char(' ') + arguments.join(QLatin1Char(' ')) +
                  QStringLiteral(" failed: ") + QString::fromLocal8Bit(tool.readAll());
        return false;
    }
    return true;
}

} // namespace

DovecotServer::DovecotServer() = default;

DovecotServer::~DovecotServer()
{
    stop();
}

QString DovecotServer::address() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_pop3Port);
}

DovecotServer::StartResult DovecotServer::start(const Options& options)
{
    if (!QFile::exists(DovecotBinary))
        return {Outcome::Skipped,
                QStringLiteral("Dovecot is not installed (%1)").arg(DovecotBinary)};
    if (!m_dir.isValid())
        return {Outcome::Failed, QStringLiteral("no temporary folder: ") + m_dir.errorString()};

    // Dovecot will not run its login and mail processes as root; they run as
    // its own system users, which must be able to reach the folder.
    const passwd* mailUser = ::getpwnam("dovecot");
    if (!mailUser || !::getpwnam("dovenull"))
        return {Outcome::Skipped, QStringLiteral("the dovecot and dovenull users do not exist")};
    m_mailUid = mailUser->pw_uid;
    m_mailGid = mailUser->pw_gid;
    ::chmod(QFile::encodeName(m_dir.path()).constData(), 0755);

    if (options.tls && !options.imap) {
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost, TlsPort))
            return {Outcome::Skipped, QStringLiteral("port %1 cannot be bound: %2")
                                          .arg(TlsPort)
                                          .arg(probe.errorString())};
    }

    const QList<quint16> ports = freeLoopbackPorts(3);
    m_pop3Port = ports.at(0);
    if (options.imap) {
        m_imapPort = ports.at(1);
        m_imapsPort = options.tls ? ports.at(2) : 0;
    }
    QString reason;
    if (m_pop3Port == 0 || (options.imap && m_imapPort == 0) ||
        (options.imap && options.tls && m_imapsPort == 0))
        return {Outcome::Failed, QStringLiteral("no free loopback port")};
    if (options.tls && !makeCertificates(&reason))
        return {Outcome::Failed, reason};
    if (!writeConfiguration(options, &reason))
        return {Outcome::Failed, reason};
    for (int i = 0; i < options.messages; ++i) {
        if (!deliverMessage(i < options.seen))
            return {Outcome::Failed, QStringLiteral("could not write a message into the Maildir")};
    }

    m_options = options;
    return run();
}

DovecotServer::StartResult DovecotServer::run()
{
    QString reason;
    m_dovecot.setProcessChannelMode(QProcess::MergedChannels);
    m_dovecot.start(DovecotBinary, {QStringLiteral("-F"), QStringLiteral("-c"),
                                    path(QStringLiteral("dovecot.conf"))});
    if (!m_dovecot.waitForStarted(5000))
        return {Outcome::Failed,
                QStringLiteral("dovecot did not start: ") + m_dovecot.errorString()};
    if (!waitUntilListening(m_pop3Port, &reason) ||
        (m_options.tls && !m_options.imap && !waitUntilListening(TlsPort, &reason)) ||
        (m_options.imap && !waitUntilListening(m_imapPort, &reason)) ||
        (m_imapsPort != 0 && !waitUntilListening(m_imapsPort, &reason))) {
        stop();
        return {Outcome::Failed, reason + QStringLiteral("\n") + log()};
    }
    return {Outcome::Running, {}};
}

void DovecotServer::dropImapConnections()
{
    const QString master = QString::number(m_dovecot.processId());
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state parent ..."
        const QByteArray line = stat.readAll();
        const QList<QByteArray> rest = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (line.contains("(imap)") && rest.value(1) == master.toLatin1())
            ::kill(pid.toInt(), SIGKILL);
    }
}

void DovecotServer::stop()
{
    if (m_dovecot.state() == QProcess::NotRunning)
        return;
    m_dovecot.terminate();
    if (!m_dovecot.waitForFinished(10000)) {
        m_dovecot.kill();
        m_dovecot.waitForFinished(5000);
    }
}

bool DovecotServer::makeCertificates(QString* reason)
{
    const QString ca = path(QStringLiteral("ca.pem"));
    const QString caKey = path(QStringLiteral("ca.key"));
    const QString request = path(QStringLiteral("server.csr"));
    const QString extensions = path(QStringLiteral("server.ext"));
    const QString openssl = QStringLiteral("openssl");
    const QStringList ecKey{
        QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
        QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};

    if (!test::saveFile(extensions, "subjectAltName=DNS:localhost\n"
                                    "basicConstraints=critical,CA:FALSE\n"
                                    "extendedKeyUsage=serverAuth\n")) {
        *reason = QStringLiteral("could not write ") + extensions;
        return false;
    }
    if (!runTool(openssl,
                 QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + ecKey +
                     QStringList{QStringLiteral("-keyout"), caKey, QStringLiteral("-out"), ca,
                                 QStringLiteral("-days"), QStringLiteral("2"),
                                 QStringLiteral("-subj"), QStringLiteral("/CN=Orvane Test CA"),
                                 QStringLiteral("-addext"),
                                 QStringLiteral("basicConstraints=critical,CA:TRUE"),
                                 QStringLiteral("-addext"),
                                 QStringLiteral("keyUsage=critical,keyCertSign,cRLSign")},
                 reason))
        return false;
    if (!runTool(openssl,
                 QStringList{QStringLiteral("req")} + ecKey +
                     QStringList{QStringLiteral("-keyout"), path(QStringLiteral("server.key")),
                                 QStringLiteral("-out"), request, QStringLiteral("-subj"),
                                 QStringLiteral("/CN=localhost")},
                 reason))
        return false;
    if (!runTool(openssl,
                 {QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"), request,
                  QStringLiteral("-CA"), ca, QStringLiteral("-CAkey"), caKey,
                  QStringLiteral("-CAcreateserial"), QStringLiteral("-out"),
                  path(QStringLiteral("server.pem")), QStringLiteral("-days"), QStringLiteral("2"),
                  QStringLiteral("-extfile"), extensions},
                 reason))
        return false;

    m_caCertificates = QSslCertificate::fromPath(ca);
    if (m_caCertificates.isEmpty()) {
        *reason = QStringLiteral("could not read the test CA back");
        return false;
    }
    return true;
}

bool DovecotServer::writeConfiguration(const Options& options, QString* reason)
{
    const QString home = path(QStringLiteral("home/") + userName());
    QStringList boxes{QString()};
    for (const QString& folder : options.folders)
        boxes << QLatin1Char('.') + folder + QLatin1Char('/');
    for (const QString& box : boxes) {
        for (const QString& folder :
             {QStringLiteral("cur"), QStringLiteral("new"), QStringLiteral("tmp")}) {
            if (!QDir().mkpath(home + QStringLiteral("/Maildir/") + box + folder)) {
                *reason = QStringLiteral("could not create the Maildir");
                return false;
            }
        }
    }
    QDirIterator walk(path(QStringLiteral("home")),
                      QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot,
                      QDirIterator::Subdirectories);
    giveToMailUser(path(QStringLiteral("home")));
    while (walk.hasNext())
        giveToMailUser(walk.next());

    const QByteArray users = QStringLiteral("%1:{PLAIN}%2:%3:%4::%5::\n")
                                 .arg(userName(), password())
                                 .arg(m_mailUid)
                                 .arg(m_mailGid)
                                 .arg(home)
                                 .toUtf8();

    QString tls = QStringLiteral("ssl = no\n");
    quint16 tlsPort = 0;
    if (options.tls) {
        tls = QStringLiteral("ssl = yes\nssl_cert = <%1\nssl_key = <%2\n")
                  .arg(path(QStringLiteral("server.pem")), path(QStringLiteral("server.key")));
        tlsPort = options.imap ? 0 : TlsPort;
    }
    QString imap;
    if (options.imap && !options.idle)
        imap += QStringLiteral("imap_capability = IMAP4rev1 LITERAL+ NAMESPACE\n");
    if (options.idleNotifySeconds > 0)
        imap +=
            QStringLiteral("imap_idle_notify_interval = %1 secs\n").arg(options.idleNotifySeconds);
    QString oauth;
    if (!options.introspection.isEmpty()) {
        oauth = QStringLiteral("passdb {\n  driver = oauth2\n  mechanisms = xoauth2 oauthbearer\n"
                               "  args = %1\n}\n")
                    .arg(path(QStringLiteral("oauth2.conf")));
        const QByteArray settings = QStringLiteral("introspection_mode = post\n"
                                                   "introspection_url = %1\n"
                                                   "force_introspection = yes\n"
                                                   "username_attribute = username\n"
                                                   "active_attribute = active\n"
                                                   "active_value = true\n")
                                        .arg(options.introspection.toString())
                                        .toUtf8();
        if (!test::saveFile(path(QStringLiteral("oauth2.conf")), settings)) {
            *reason = QStringLiteral("could not write the OAuth settings");
            return false;
        }
        ::chmod(QFile::encodeName(path(QStringLiteral("oauth2.conf"))).constData(), 0644);
    }
    QString loginLimits;
    if (options.imapConnections > 0) {
        // One user logged in from many accounts at once, each waiting in
        // IDLE: the login process in high-performance mode, one mail
        // process per connection.
        const int connections = options.imapConnections + 10;
        imap += QStringLiteral("default_client_limit = %2\n"
                               "protocol imap {\n  mail_max_userip_connections = %1\n}\n"
                               "service imap {\n  process_limit = %1\n}\n")
                    .arg(connections)
                    .arg(2 * connections);
        loginLimits = QStringLiteral("  service_count = 0\n  process_min_avail = 2\n"
                                     "  client_limit = %1\n")
                          .arg(connections);
    }
    if (options.imap)
        imap +=
            QStringLiteral("service imap-login {\n%3"
                           "  inet_listener imap {\n    address = 127.0.0.1\n    port = %1\n  }\n"
                           "  inet_listener imaps {\n    address = 127.0.0.1\n    port = %2\n"
                           "    ssl = yes\n  }\n"
                           "}\n")
                .arg(m_imapPort)
                .arg(m_imapsPort)
                .arg(loginLimits);

    const QString configuration =
        QStringLiteral("base_dir = %1\n"
                       "state_dir = %2\n"
                       "log_path = %3\n"
                       "protocols = %8\n"
                       "listen = 127.0.0.1\n"
                       "%4"
                       "disable_plaintext_auth = no\n"
                       "auth_mechanisms = plain%9\n"
                       "auth_failure_delay = 0\n"
                       "default_login_user = dovenull\n"
                       "default_internal_user = dovecot\n"
                       "first_valid_uid = 1\n"
                       "first_valid_gid = 1\n"
                       "mail_location = maildir:~/Maildir\n"
                       "passdb {\n  driver = passwd-file\n  args = scheme=PLAIN %5\n"
                       "  mechanisms = plain login\n}\n"
                       "%10"
                       "userdb {\n  driver = passwd-file\n  args = %5\n}\n"
                       // Benchmarks log the one user on from many accounts at once.
                       "protocol pop3 {\n  mail_max_userip_connections = 1000\n}\n"
                       "service pop3-login {\n"
                       "  inet_listener pop3 {\n    address = 127.0.0.1\n    port = %6\n  }\n"
                       "  inet_listener pop3s {\n    address = 127.0.0.1\n    port = %7\n"
                       "    ssl = yes\n  }\n"
                       "}\n")
            .arg(path(QStringLiteral("run")), path(QStringLiteral("state")),
                 path(QStringLiteral("dovecot.log")), tls, path(QStringLiteral("users")))
            .arg(m_pop3Port)
            .arg(tlsPort)
            .arg(options.imap ? QStringLiteral("pop3 imap") : QStringLiteral("pop3"))
            .arg(oauth.isEmpty() ? QString() : QStringLiteral(" xoauth2 oauthbearer"), oauth) +
        imap;

    if (!test::saveFile(path(QStringLiteral("users")), users) ||
        !test::saveFile(path(QStringLiteral("dovecot.conf")), configuration.toUtf8())) {
        *reason = QStringLiteral("could not write the Dovecot configuration");
        return false;
    }
    ::chmod(QFile::encodeName(path(QStringLiteral("users"))).constData(), 0644);
    return true;
}

bool DovecotServer::waitUntilListening(quint16 port, QString* reason)
{
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        if (m_dovecot.state() == QProcess::NotRunning) {
            *reason =
                QStringLiteral("dovecot exited: ") + QString::fromLocal8Bit(m_dovecot.readAll());
            return false;
        }
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port);
        if (probe.waitForConnected(200))
            return true;
        QTest::qWait(100);
    }
    *reason = QStringLiteral("dovecot did not listen on port %1 within 10 s").arg(port);
    return false;
}

bool DovecotServer::giveToMailUser(const QString& filePath) const
{
    return ::chown(QFile::encodeName(filePath).constData(), m_mailUid, m_mailGid) == 0;
}

bool DovecotServer::deliverMessage(bool seen, const QString& folder)
{
    const QString box = folder.isEmpty() ? QString() : QLatin1Char('.') + folder + QLatin1Char('/');
    ++m_delivered;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QString name = QStringLiteral("%1.M%2P%3.orvane")
                             .arg(now.toSecsSinceEpoch())
                             .arg(m_delivered)
                             .arg(::getpid());
    const QString tmpPath =
        path(QStringLiteral("home/%1/Maildir/%2tmp/%3").arg(userName(), box, name));
    const QString newPath =
        seen ? path(QStringLiteral("home/%1/Maildir/%2cur/%3:2,S").arg(userName(), box, name))
             : path(QStringLiteral("home/%1/Maildir/%2new/%3").arg(userName(), box, name));
    const QByteArray message = QStringLiteral("From: sender@example.org\n"
                                              "To: %1@example.org\n"
                                              "Subject: Test message %2\n"
                                              "Date: %3\n"
                                              "Message-ID: <%2.%4@orvane.test>\n"
                                              "\n"
                                              "Message body %2.\n")
                                   .arg(userName())
                                   .arg(m_delivered)
                                   .arg(now.toString(Qt::RFC2822Date))
                                   .arg(now.toMSecsSinceEpoch())
                                   .toUtf8();
    // Written under tmp/ and renamed, so Dovecot never sees half a message.
    return test::saveFile(tmpPath, message) && giveToMailUser(tmpPath) &&
           QFile::rename(tmpPath, newPath);
}

QString DovecotServer::log() const
{
    QFile file(m_dir.filePath(QStringLiteral("dovecot.log")));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLocal8Bit(file.readAll());
}

} // namespace orvane
