// Writes the four background bitmaps of the shipped "Sublime" Quick Bar
// skin into the folder given, as 24-bit BMP files. Built and run by the
// build so the pictures are ours and drawn by the same code the program uses.
#include "display/BarArtwork.h"

#include <QGuiApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <skin folder>\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]) + QLatin1Char('/');
    struct Picture
    {
        const char* file;
        bool checking;
        bool mail;
    };
    const Picture pictures[] = {{"idle.bmp", false, false},
                                {"idlemail.bmp", false, true},
                                {"check.bmp", true, false},
                                {"checkmail.bmp", true, true}};
    for (const Picture& p : pictures) {
        const QImage image = orvane::BarArtwork::Sublime(p.checking, p.mail);
        if (!image.save(folder + QString::fromLatin1(p.file), "BMP")) {
            std::fprintf(stderr, "cannot write %s\n", p.file);
            return 1;
        }
    }
    return 0;
}
