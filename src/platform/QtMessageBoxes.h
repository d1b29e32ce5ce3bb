#pragma once

#include "MessageBoxes.h"

namespace orvane {

class QtMessageBoxes final : public MessageBoxes
{
public:
    void showMessage(const QString& title, const QString& text, Icon icon) override;
};

} // namespace orvane
