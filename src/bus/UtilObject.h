#pragma once

#include <QObject>

namespace orvane {

/// The object behind /Util; its adaptor is generated from the interface XML.
class UtilObject : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

public Q_SLOTS:
    void Shutdown() { Q_EMIT shutdownRequested(); }

Q_SIGNALS:
    void shutdownRequested();
};

} // namespace orvane
