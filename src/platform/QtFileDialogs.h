#pragma once

#include "FileDialogs.h"

namespace orvane {

class QtFileDialogs final : public FileDialogs
{
public:
    std::optional<QString> openFile(const QString& title, const QString& start,
                                    const QString& filter) override;
};

} // namespace orvane
