#include "ui/drawing_copy.h"

#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QWidget>
#include <cmath>
#include <cstring>

namespace {

// An RGB32 pixel is an opaque ARGB32 one, premultiplied or not: the formats
// hold it in the same bits.
bool SameBits(QImage::Format image, QImage::Format drawing)
{
    return image == drawing
        || (drawing == QImage::Format_RGB32
            && (image == QImage::Format_ARGB32 || image == QImage::Format_ARGB32_Premultiplied));
}

bool CanCopy(const QImage &image, const QImage &drawing)
{
    const qreal ratio = drawing.devicePixelRatio();
    return SameBits(image.format(), drawing.format()) && image.devicePixelRatio() == ratio && ratio == std::round(ratio)
        && drawing.depth() % 8 == 0 && image.isDetached();
}

// Copies the drawing's pixels under `region` to the image, the drawing's
// origin at `place` (in the control's units).
void Copy(QImage &image, const QPoint &place, const QImage &drawing, const QRegion &region)
{
    const int scale = static_cast<int>(drawing.devicePixelRatio());
    const int bytesPerPixel = drawing.depth() / 8;
    const QPoint shift = place * scale;
    const QRect inImage = image.rect().translated(-shift);
    uchar *const bits = image.bits();
    const qsizetype bytesPerLine = image.bytesPerLine();
    for (const QRect &logical : region) {
        const QRect copied = QRect(logical.topLeft() * scale, logical.size() * scale) & drawing.rect() & inImage;
        const auto rowBytes = static_cast<size_t>(copied.width() * bytesPerPixel);
        for (int y = copied.top(); y <= copied.bottom(); ++y)
            std::memcpy(bits + (y + shift.y()) * bytesPerLine + (copied.left() + shift.x()) * bytesPerPixel,
                        drawing.constScanLine(y) + copied.left() * bytesPerPixel, rowBytes);
    }
}

} // namespace

void PutDrawing(QWidget &control, QPaintDevice *target, const QPoint &offset, const QImage &drawing,
                const QRegion &region)
{
    if (target && target->devType() == QInternal::Image) {
        auto &image = *static_cast<QImage *>(target);
        if (CanCopy(image, drawing)) {
            Copy(image, -offset, drawing, region);
            return;
        }
    }
    QPainter(&control).drawImage(0, 0, drawing);
}
