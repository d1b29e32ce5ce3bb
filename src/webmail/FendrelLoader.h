#pragma once

#include "BrowserHost.h"

#include <QString>
#include <memory>

class QPluginLoader;

namespace orvane {

/// The browser host plugin, loaded from the program folder on the first
/// control asked for, so the browser engine is mapped only by a check that
/// browses. A plugin that is missing, broken or writable by others gives no
/// control.
class FendrelLoader final : public BrowserHostFactory
{
public:
    static constexpr const char* kFileName = "libfendrel.so";

    explicit FendrelLoader(QString pluginPath);
    ~FendrelLoader() override;

    BrowserHost* createControl(QWidget* parent, const QString& service) override;

private:
    const QString m_pluginPath;
    std::unique_ptr<QPluginLoader> m_loader;
    BrowserHostFactory* m_factory = nullptr;
    bool m_tried = false;
};

} // namespace orvane
