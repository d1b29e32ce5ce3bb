#pragma once

#include <QString>

namespace orvane {

/// A point of a bar skin, in pixels from the bar's top-left corner.
class Point
{
public:
    float X = 0;
    float Y = 0;

    /// Reads "x,y": the text before the first comma is X, the rest is Y.
    /// False without a comma (nothing changes) or when a value does not
    /// convert; X keeps what it got when only Y fails.
    bool SetStringPoint(const QString& strPoint);
    void SetPoint(float newX, float newY)
    {
        X = newX;
        Y = newY;
    }

    /// A skin file number: decimal text, or hexadecimal after "&H".
    static bool ToNumber(const QString& text, double& value);
};

} // namespace orvane
