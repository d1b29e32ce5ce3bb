#include "DefaultBarSkin.h"

#include "BarArtwork.h"

namespace orvane {

void DefaultBarSkin::CreateSkin(qint32 intppx, qint32 intppy)
{
    SetupPixels(intppx, intppy);
    name = QString::fromLatin1(kName);
    for (Box& b : m_boxes)
        b.ClearBox();
    const auto set = [this](BoxId id, float x1, float y1, float x2, float y2) {
        Point a;
        Point b;
        a.SetPoint(x1, y1);
        b.SetPoint(x2, y2);
        m_boxes[size_t(id)].SetupBox(a, b);
    };
    set(BarBox, 0, 0, BarArtwork::kWidth, BarArtwork::kHeight);
    set(CloseBox, 0, 0, 13, 14);
    set(SettingsBox, 14, 0, 25, 14);
    set(CheckBox, 242, 0, 275, 14);
    set(RunBox, 222, 0, 242, 14);
}

int DefaultBarSkin::BitmapFor(int check, int mail)
{
    if (check == 0)
        return mail == 1 ? 64 : 63;
    return mail == 1 ? 62 : 61;
}

QImage DefaultBarSkin::Background(int check, int mail) const
{
    return BarArtwork::BuiltIn(BitmapFor(check, mail));
}

} // namespace orvane
