#pragma once

#include <QObject>

namespace orvane {

class StatusObject;
class StatusSource;

/// Serves /Status (interface org.orvane.Quorvel.Status) on the session bus
/// for the instance that owns the bus name. Its adaptor is generated from
/// dbus/org.orvane.Quorvel.Status.xml.
class StatusService : public QObject
{
    Q_OBJECT
public:
    static constexpr const char* kStatusPath = "/Status";

    explicit StatusService(StatusSource& source, QObject* parent = nullptr);
    ~StatusService() override;

    /// Registers the object; false (and nothing registered) when this
    /// process does not own org.orvane.Quorvel.
    bool publish();
    bool isPublished() const { return m_published; }

    /// Tells listeners that the indicators were redrawn (the Changed signal).
    void notifyChanged();

private:
    StatusObject* m_object;
    bool m_published = false;
};

} // namespace orvane
