#pragma once

#include "webmail/BrowserHost.h"

#include <QObject>

namespace orvane {

/// The plugin's entry point: makes FendrelCtrl controls.
class FendrelPlugin final : public QObject, public BrowserHostFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID OrvaneBrowserHostFactory_iid)
    Q_INTERFACES(orvane::BrowserHostFactory)
public:
    BrowserHost* createControl(QWidget* parent) override;
};

} // namespace orvane
