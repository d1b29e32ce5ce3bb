#pragma once

#include "Point.h"

namespace orvane {

/// A rectangle of a bar skin. An unused box hides its control.
class Box
{
public:
    Point Corner1; ///< top-left
    Point Corner2; ///< bottom-right
    bool used = false;

    /// The rectangle the two points span, whichever corners they are.
    void SetupBox(const Point& a, const Point& b);
    /// Clips `inBox` to this box. A box never given (all zero) is left
    /// alone; one with no width or height, or wholly outside, is cleared.
    void ResizeBox(Box& inBox) const;
    void ClearBox();

    bool allZero() const
    {
        return Corner1.X == 0 && Corner1.Y == 0 && Corner2.X == 0 && Corner2.Y == 0;
    }
};

} // namespace orvane
