#ifndef WIDGETS_HITTEST_H
#define WIDGETS_HITTEST_H

#include <Qt>

// Which child of the frame lies under a point: the bare title bar `header`, the bare `body`
// (its layout margins around the main window), or anything else, including no child at all
// (the frame's transparent side margins) and every widget inside them.
enum class FrameChild { Header, Body, Other };

// What a point of the frameless window does when grabbed: nothing special, move the window
// like a caption, or resize it from an edge or a corner.
enum class FrameArea {
    None,
    Caption,
    Left,
    Right,
    Top,
    Bottom,
    TopLeft,
    TopRight,
    BottomLeft,
    BottomRight
};

// Width in pixels of the resize bands along the frame's edges. A band covers band - 1 pixels
// counted from the edge (column 0 and row 0 never count). The header and the body start 5 px
// inside the frame on the left and right, so the side bands only reach them when band >= 7.
// 10 gives a grip of 5 px on the left and 4 px on the right edge of the visible window and of
// up to 9 px where the bare header or body reaches the top or bottom edge: wide enough to hit
// with a mouse, narrow enough to stay within the layout margins around the title bar contents
// and the main window.
constexpr int kFrameResizeBand = 10;

// The frame's hit test. (x, y) is the point in frame coordinates, width and height the
// frame's size, band the resize band width and child what lies under the point. Only the
// bare header and body answer: there the result is Caption, overridden by the bands
// left = 0 < x < band, right = width - band < x <= width - 1, top = 0 < y < band,
// bottom = height - band < y <= height - 1, with corners taking precedence over edges.
// Everything else gives None, meaning the frame leaves the point to the window system.
FrameArea frameHitTest(int x, int y, int width, int height, int band, FrameChild child);

// The window edges a resize from that area drags (empty for None and Caption).
Qt::Edges frameAreaEdges(FrameArea area);

// The mouse cursor shown over that area.
Qt::CursorShape frameAreaCursor(FrameArea area);

#endif // WIDGETS_HITTEST_H
