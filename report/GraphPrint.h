#pragma once
// The graph drawn again for paper. A stretched copy of the screen picture
// would print every screen pixel as a block of printer pixels; instead a
// second graph is laid out on the target rectangle at the device's own
// resolution, given the screen graph's limits, view, grid, colours and a
// copy of each curve (values, descriptor, peak and valley marks), and drawn
// through the very code that draws the screen. Lines stay one device pixel
// wide and text stays text, so a PDF keeps them as vectors.

#include <QRect>

class QPainter;
class TSpGraph735;

// Draws `screen`'s graph into `target` (device pixels of `painter`) with the
// labels in the screen's 12-pixel font scaled from 96 pixels per inch to
// `dpi`. The painter's state is restored afterwards; `screen` is only read
// (each curve under its own lock while it is copied).
void DrawGraphForPrint(TSpGraph735& screen, QPainter& painter, const QRect& target, double dpi);
