#include "ScreenMatch.h"

#include <cmath>
#include <limits>
#include <vector>

namespace orvane::e2e {

double bestMatch(const QImage& screen, const QImage& picture)
{
    const QRect corner(screen.width() - 320, screen.height() - 48, 320, 48);
    double best = std::numeric_limits<double>::max();
    for (int size = 16; size <= 32; ++size) {
        const QImage icon =
            picture.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                .convertToFormat(QImage::Format_ARGB32);
        struct Pixel
        {
            int x, y;
            QRgb rgb;
        };
        std::vector<Pixel> opaque;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                if (qAlpha(icon.pixel(x, y)) >= 250)
                    opaque.push_back({x, y, icon.pixel(x, y)});
        if (opaque.empty())
            continue;
        const double limit = 3.0 * double(opaque.size());
        for (int top = corner.top(); top + size <= corner.bottom() + 1; ++top) {
            for (int left = corner.left(); left + size <= corner.right() + 1; ++left) {
                double sum = 0;
                for (const Pixel& p : opaque) {
                    const QRgb s = screen.pixel(left + p.x, top + p.y);
                    sum += std::abs(qRed(s) - qRed(p.rgb)) + std::abs(qGreen(s) - qGreen(p.rgb)) +
                           std::abs(qBlue(s) - qBlue(p.rgb));
                    if (sum >= best * limit)
                        break;
                }
                best = std::min(best, sum / limit);
            }
        }
    }
    return best;
}

} // namespace orvane::e2e
