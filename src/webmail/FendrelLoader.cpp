#include "FendrelLoader.h"

#include "platform/SafeFiles.h"

#include <QPluginLoader>
#include <cstdio>

namespace orvane {

FendrelLoader::FendrelLoader(QString pluginPath) : m_pluginPath(std::move(pluginPath)) {}

// The library stays loaded: the engine it starts does not survive an unload.
FendrelLoader::~FendrelLoader() = default;

BrowserHost* FendrelLoader::createControl(QWidget* parent, const QString& service)
{
    if (!m_tried) {
        m_tried = true;
        const QString untrusted = untrustedPluginReason(m_pluginPath);
        if (!untrusted.isEmpty()) {
            std::fprintf(stderr, "Kestrano: not loading %s: %s\n", qPrintable(m_pluginPath),
                         qPrintable(untrusted));
            return nullptr;
        }
        m_loader = std::make_unique<QPluginLoader>(m_pluginPath);
        m_factory = qobject_cast<BrowserHostFactory*>(m_loader->instance());
        if (!m_factory)
            std::fprintf(stderr, "Kestrano: %s\n", qPrintable(m_loader->errorString()));
    }
    return m_factory ? m_factory->createControl(parent, service) : nullptr;
}

} // namespace orvane
