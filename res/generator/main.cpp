// Draws every bitmap resource of the program into a folder as <number>.png.
// Run at build time; the pictures are then compiled into the program.
#include "ArtKit.h"

#include "ui/widgets/ResourceIds.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    ArtSet art;
    DrawControlBarArt(art);
    DrawPaneArt(art);
    DrawStripArt(art);
    int failures = 0;
    for (int id : kAllBitmapIds) {
        const auto it = art.find(id);
        const QString path = QStringLiteral("%1/%2.png").arg(folder).arg(id);
        if (it == art.end() || it->second.isNull() || !it->second.save(path, "PNG")) {
            std::fprintf(stderr, "bitmap %d: not drawn or not written\n", id);
            ++failures;
        }
    }
    if (art.size() != std::size(kAllBitmapIds)) {
        std::fprintf(stderr, "%zu pictures drawn, %zu known\n", art.size(), std::size(kAllBitmapIds));
        ++failures;
    }
    return failures == 0 ? 0 : 1;
}
