#pragma once
// How the fixed twips layout meets the user's font and screen: what each
// control's text needs, and how much room the screen leaves for the form.

#include <QMargins>
#include <QSize>

class QWidget;

namespace zorvan::ui {

// The size a control's text needs at its current font, in pixels; a width
// or height of 0 where any will do.
QSize textNeed(const QWidget* control);

// The frame a window manager puts round `window`: its real extents once the
// window is mapped, a generous guess before.
QMargins frameExtents(const QWidget* window);

// The part of the available geometry of the screen `window` is on that its
// client area may take: the screen less the frame and `above` (the menu bar).
QSize roomForClient(const QWidget* window, int above);

// The smallest step of logical pixels that lands on whole device pixels at
// this device pixel ratio (1 at whole scales, 4 at 1.25, 2 at 1.5).
int pixelGrid(double devicePixelRatio);

}  // namespace zorvan::ui
