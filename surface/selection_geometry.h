#pragma once

#include <optional>

#include "engine/fractal_def.h"
#include "engine/offscreen_image.h"
#include "surface/ui_surface.h"

namespace zolt {

// What a drag selection measures against, captured when the button goes down. All values are
// device pixels of the view.
struct SelectionFrame {
    int x0 = 0;  // the press point
    int y0 = 0;
    int ox = 0;  // where the image's top-left pixel lies in the view
    int oy = 0;
    int vw = 0;  // the part of the image the view shows
    int vh = 0;
    int iw = 0;  // the whole image
    int ih = 0;
};

// A pixel of the view.
struct ViewPoint {
    int x = 0;
    int y = 0;
};

// A rectangle in view pixels; right and bottom edges exclusive.
struct SelectionBox {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool Empty() const { return width <= 0 || height <= 0; }
    bool operator==(const SelectionBox&) const = default;
};

// The frame for a press at (x, y) in a view of `client` size. Without an image the whole view
// stands in for it.
SelectionFrame FrameAtPress(int x, int y, ViewSize client, const ImageInfo& image);

// The rectangle selected with the pointer at (x, y): it has the view's proportions, its width
// is the horizontal distance dragged, it hangs down from the upper of the press row and the
// pointer row, it is kept inside the visible image (except for a press below it), and it is at
// least 10 pixels wide, or 10 pixels high when its width alone would leave it flatter than
// that. None when the view or the visible image is empty.
std::optional<SelectionBox> SelectionRect(const SelectionFrame& frame, int x, int y,
                                          ViewSize clientNow);

// The six values of the region `box` covers on an image generated from `source`. Qfinish is
// derived for the view's present shape; Iterations and Escape come from `source`. Where either
// view is finer than doubles resolve, the region is computed on exact decimal corners and a
// deep result keeps them. None for an empty image.
std::optional<GenerationSnapshot> ZoomedNumbers(const SelectionFrame& frame,
                                                const SelectionBox& box,
                                                const GenerationSnapshot& source,
                                                ViewSize clientNow);

// The six values of the view zoomed by `factor` (2 zooms in, 0.5 out) about view pixel (x, y)
// of an image generated from `source` and placed as `frame` has it: the point the renderer
// computed for that pixel is computed for the same view pixel of the new image, which fills a
// view of `clientNow`. Qfinish is derived for that view; Iterations and Escape come from
// `source`. Exact where either view is deep, as for ZoomedNumbers. None for an empty image or a
// view that leaves the doubles.
std::optional<GenerationSnapshot> ZoomedAbout(const SelectionFrame& frame, int x, int y,
                                              double factor, const GenerationSnapshot& source,
                                              ViewSize clientNow);

// The same, with the point shown at view pixel `from` moved to view pixel `to` of the new view:
// a factor of 1 pans. Every digit of a deep view is kept, as in a zoom.
std::optional<GenerationSnapshot> MovedView(const SelectionFrame& frame, ViewPoint from,
                                            ViewPoint to, double factor,
                                            const GenerationSnapshot& source, ViewSize clientNow);

}  // namespace zolt
