// SPDX-License-Identifier: MIT
// tarvolent-icon SVG PNG SIZE: the program's icon as desktop icon themes take
// it, a scalable drawing and a bitmap of SIZE x SIZE, from the painter the
// program draws its window icon with.
#include <QPainter>
#include <QSvgGenerator>
#include <cstdio>
#include <cstdlib>

#include "app/Artwork.h"

namespace {

bool WriteSvg(const char* path) {
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(QSize(kIconDesignSize, kIconDesignSize));
    svg.setViewBox(QRect(0, 0, kIconDesignSize, kIconDesignSize));
    svg.setTitle("Tarvolent");
    QPainter painter;
    if (!painter.begin(&svg)) return false;
    PaintApplicationIcon(painter, kIconDesignSize);
    return painter.end();
}

}  // namespace

int main(int argc, char** argv) {
    const int size = argc == 4 ? std::atoi(argv[3]) : 0;
    if (size <= 0) {
        std::fputs("usage: tarvolent-icon SVG PNG SIZE\n", stderr);
        return 2;
    }
    if (!WriteSvg(argv[1])) {
        std::fprintf(stderr, "tarvolent-icon: cannot write %s\n", argv[1]);
        return 1;
    }
    if (!ApplicationIconImage(size).save(argv[2], "PNG")) {
        std::fprintf(stderr, "tarvolent-icon: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
