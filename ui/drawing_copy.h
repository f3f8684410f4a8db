#pragma once

class QImage;
class QPaintDevice;
class QPoint;
class QRegion;
class QWidget;

// Puts a kept drawing of `control` on it, within `region` of its paint.
// While Qt paints a window into its backing store, `target` is that image
// and `offset` the control's place in it, negated (what the control's
// redirection gives). Where the image has the drawing's format and a whole
// scale, the drawing's pixels are copied straight in: a painter set up for
// each control costs more than the copy. Otherwise a painter draws it.
void PutDrawing(QWidget &control, QPaintDevice *target, const QPoint &offset, const QImage &drawing,
                const QRegion &region);
