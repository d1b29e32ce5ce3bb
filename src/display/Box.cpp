#include "Box.h"

#include <algorithm>

namespace orvane {

void Box::SetupBox(const Point& a, const Point& b)
{
    Corner1.SetPoint(std::min(a.X, b.X), std::min(a.Y, b.Y));
    Corner2.SetPoint(std::max(a.X, b.X), std::max(a.Y, b.Y));
    used = true;
}

void Box::ClearBox()
{
    used = false;
    Corner1.SetPoint(0, 0);
    Corner2.SetPoint(0, 0);
}

void Box::ResizeBox(Box& b) const
{
    if (b.allZero())
        return;
    if (b.Corner1.X == b.Corner2.X || b.Corner1.Y == b.Corner2.Y) {
        b.ClearBox();
        return;
    }
    if (b.Corner1.X < Corner1.X) {
        b.Corner1.X = Corner1.X;
    } else if (b.Corner1.X > Corner2.X) {
        b.ClearBox();
        return;
    }
    if (b.Corner1.Y < Corner1.Y) {
        b.Corner1.Y = Corner1.Y;
    } else if (b.Corner1.Y > Corner2.Y) {
        b.ClearBox();
        return;
    }
    if (b.Corner2.X > Corner2.X) {
        b.Corner2.X = Corner2.X;
    } else if (b.Corner2.X < Corner1.X) {
        b.ClearBox();
        return;
    }
    if (b.Corner2.Y > Corner2.Y)
        b.Corner2.Y = Corner2.Y;
    else if (b.Corner2.Y < Corner1.Y)
        b.ClearBox();
}

} // namespace orvane
