#include "widgets/hittest.h"

FrameArea frameHitTest(int x, int y, int width, int height, int band, FrameChild child)
{
    if (child == FrameChild::Other)
        return FrameArea::None;

    const bool left = 0 < x && x < band;
    const bool right = width - band < x && x <= width - 1;
    const bool top = 0 < y && y < band;
    const bool bottom = height - band < y && y <= height - 1;

    // Each rule overrides the ones before it, so corners win over edges, and on a window
    // narrower or lower than two bands the right and bottom bands win.
    FrameArea area = FrameArea::Caption;
    if (left)
        area = FrameArea::Left;
    if (right)
        area = FrameArea::Right;
    if (top)
        area = FrameArea::Top;
    if (bottom)
        area = FrameArea::Bottom;
    if (top && left)
        area = FrameArea::TopLeft;
    if (top && right)
        area = FrameArea::TopRight;
    if (bottom && left)
        area = FrameArea::BottomLeft;
    if (bottom && right)
        area = FrameArea::BottomRight;
    return area;
}

Qt::Edges frameAreaEdges(FrameArea area)
{
    switch (area) {
    case FrameArea::Left:
        return Qt::LeftEdge;
    case FrameArea::Right:
        return Qt::RightEdge;
    case FrameArea::Top:
        return Qt::TopEdge;
    case FrameArea::Bottom:
        return Qt::BottomEdge;
    case FrameArea::TopLeft:
        return Qt::TopEdge | Qt::LeftEdge;
    case FrameArea::TopRight:
        return Qt::TopEdge | Qt::RightEdge;
    case FrameArea::BottomLeft:
        return Qt::BottomEdge | Qt::LeftEdge;
    case FrameArea::BottomRight:
        return Qt::BottomEdge | Qt::RightEdge;
    case FrameArea::None:
    case FrameArea::Caption:
        break;
    }
    return {};
}

Qt::CursorShape frameAreaCursor(FrameArea area)
{
    switch (area) {
    case FrameArea::Left:
    case FrameArea::Right:
        return Qt::SizeHorCursor;
    case FrameArea::Top:
    case FrameArea::Bottom:
        return Qt::SizeVerCursor;
    case FrameArea::TopLeft:
    case FrameArea::BottomRight:
        return Qt::SizeFDiagCursor;
    case FrameArea::TopRight:
    case FrameArea::BottomLeft:
        return Qt::SizeBDiagCursor;
    case FrameArea::None:
    case FrameArea::Caption:
        break;
    }
    return Qt::ArrowCursor;
}
