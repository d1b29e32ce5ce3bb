#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace orvane::test {

/// One checker object of the fake web-mail checker server. It records what
/// the client asks and raises the contract's signals when the test says so.
class FakeRemoteChecker final : public QObject, protected QDBusContext
{
    Q_OBJECT
public:
    using QObject::QObject;

    QStringList checks; // "address|userName|password|DebugOn" per call
    int releases = 0;
    /// Runs inside CheckForMail, before its reply leaves.
    std::function<void(FakeRemoteChecker&)> onCheck;
    bool refuseCheck = false;

    void status(const QString& text) { Q_EMIT UpdateStatus(text); }
    void found(int count) { Q_EMIT MailFound(count); }
    void fail(const QString& text) { Q_EMIT error(text); }

public Q_SLOTS:
    void CheckForMail(const QString& address, const QString& userName, const QString& password,
                      bool DebugOn)
    {
        checks << QStringList{address, userName, password,
                              DebugOn ? QStringLiteral("true") : QStringLiteral("false")}
                      .join(QLatin1Char('|'));
        if (refuseCheck) {
            sendErrorReply(QDBusError::Failed, QStringLiteral("cannot make the checker"));
            return;
        }
        if (onCheck)
            onCheck(*this);
    }
    void Release() { ++releases; }

Q_SIGNALS:
    void UpdateStatus(const QString& Status);
    void MailFound(int MailCount);
    void error(const QString& Description);
};

/// The factory of the fake server, at "/" on its own connection. It makes a
/// checker object per Create, or answers as the test chose.
class FakeKestrano final : public QObject, protected QDBusContext
{
    Q_OBJECT
public:
    enum class Answer
    {
        Object,
        ErrorReply,
        FactoryPath,
        Later,
    };

    explicit FakeKestrano(QDBusConnection bus);
    ~FakeKestrano() override;

    /// Registers the factory and takes `service`; false when either fails.
    bool serve(const QString& service);
    /// Sends the answer held back by Answer::Later.
    void answerNow();

    Answer answer = Answer::Object;
    QStringList classNames;
    bool refuseChecks = false;
    std::function<void(FakeRemoteChecker&)> onCheck;
    std::vector<QPointer<FakeRemoteChecker>> objects;

public Q_SLOTS:
    QDBusObjectPath Create(const QString& className);

private:
    FakeRemoteChecker* makeObject();

    QDBusConnection m_bus;
    QString m_service;
    QDBusMessage m_heldBack;
};

} // namespace orvane::test
