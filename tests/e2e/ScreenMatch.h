#pragma once

#include <QImage>

namespace orvane::e2e {

/// How closely the picture appears in the bottom right corner of the screen
/// (where the tray panel sits): the smallest mean difference per colour
/// channel over the picture's opaque pixels, at any tray icon size and place.
double bestMatch(const QImage& screen, const QImage& picture);

} // namespace orvane::e2e
