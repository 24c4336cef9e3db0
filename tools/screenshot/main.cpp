// monctl-screenshot FILE.png: saves what the X display shows, cut to what is drawn on the
// black root window (for the README's pictures).
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <cstdio>

namespace {

QRect drawnArea(const QImage& image) {
    QRect area;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if ((image.pixel(x, y) & 0xFFFFFF) != 0)
                area |= QRect(x, y, 1, 1);
        }
    }
    return area;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: monctl-screenshot FILE.png\n");
        return 2;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        std::fprintf(stderr, "monctl-screenshot: no screen\n");
        return 1;
    }
    const QImage whole = screen->grabWindow(0).toImage();
    const QRect area = drawnArea(whole);
    if (area.isEmpty() || !whole.copy(area).save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "monctl-screenshot: nothing to save\n");
        return 1;
    }
    return 0;
}
