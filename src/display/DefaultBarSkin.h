#pragma once

#include "BarSkin.h"

namespace orvane {

/// The built-in Quick Bar layout, listed as "<Default>": a 275 x 14 bar
/// with close and settings on the left, run and check on the right, and
/// backgrounds drawn by the program itself. Its count label stays hidden.
class DefaultBarSkin : public BarSkin
{
public:
    static constexpr const char* kName = "<Default>";

    DefaultBarSkin() { CreateSkin(15, 15); }
    /// Sets the pixel factors, the name and the fixed boxes.
    void CreateSkin(qint32 intppx, qint32 intppy);
    std::optional<BarNumberLook> NumberLook() const override { return std::nullopt; }
    /// Built-in bitmap 61 (idle), 62 (idle, mail), 63 (checking) or 64
    /// (checking, mail).
    QImage Background(int check, int mail) const override;
    static int BitmapFor(int check, int mail);
};

} // namespace orvane
