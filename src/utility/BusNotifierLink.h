#pragma once

#include "utility/NotifierLink.h"

#include <QObject>

namespace orvane {

/// Reaches the notifier's /Util object on the session bus. A notifier that is
/// not running is not started just to be ended: without an owner of its bus
/// name there is no one to ask.
class BusNotifierLink final : public QObject, public NotifierLink
{
    Q_OBJECT
public:
    using QObject::QObject;

    void Shutdown(Done done) override;
};

} // namespace orvane
