#include "FendrelPlugin.h"

#include "FendrelCtrl.h"

namespace orvane {

BrowserHost* FendrelPlugin::createControl(QWidget* parent)
{
    return new FendrelCtrl(parent);
}

} // namespace orvane
