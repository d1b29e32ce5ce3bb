#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QObject>
#include <map>
#include <memory>

class QDBusServiceWatcher;

namespace orvane {

class CheckerObject;
class Clock;
class Timer;
class WebMailCheckers;

/// The web-mail checker server's factory at "/": Create makes one checker
/// object per check at a path of its own and keeps it until its client
/// releases it or leaves the bus. The server has nothing to do without
/// objects: when the last object goes, or when nobody asks for one within
/// `kStartIdleMs` of the start, it gives up its bus name and says `idle`, and
/// its owner ends once no object is left.
class KestranoServer final : public QObject, protected QDBusContext
{
    Q_OBJECT
public:
    static constexpr const char* kService = "org.orvane.Kestrano";
    static constexpr int kStartIdleMs = 60000;

    KestranoServer(QDBusConnection bus, WebMailCheckers& checkers, Clock& clock,
                   QObject* parent = nullptr);
    ~KestranoServer() override;

    /// Registers "/" and takes `service`; false when either fails.
    bool serve(const QString& service = QString::fromLatin1(kService));
    int objectCount() const { return int(m_objects.size()); }

public Q_SLOTS:
    QDBusObjectPath Create(const QString& className);

Q_SIGNALS:
    void idle();

private:
    void drop(CheckerObject* object);
    void clientLeft(const QString& name);
    void goIdle();

    QDBusConnection m_bus;
    WebMailCheckers& m_checkers;
    QString m_service;
    QDBusServiceWatcher* m_clients;
    std::unique_ptr<Timer> m_startIdle;
    std::map<CheckerObject*, QString> m_objects; // object -> its path
    quint64 m_made = 0;
};

} // namespace orvane
