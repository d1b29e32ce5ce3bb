#pragma once

#include <QImage>

namespace orvane {

/// The Quick Bar pictures the program draws itself: the built-in layout's
/// four backgrounds, and those of the shipped "Sublime" skin, which a
/// build tool writes into the program folder as bitmap files.
class BarArtwork
{
public:
    static constexpr int kWidth = 275;
    static constexpr int kHeight = 14;
    static constexpr int kSublimeWidth = 240;
    static constexpr int kSublimeHeight = 24;

    /// Built-in bitmap 61 to 64; a null image for other numbers.
    static QImage BuiltIn(int id);
    /// A "Sublime" background, 24 bits per pixel.
    static QImage Sublime(bool checking, bool mail);
};

} // namespace orvane
