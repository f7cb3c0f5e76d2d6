#pragma once

#include <optional>

#include "engine/fractal_def.h"

class QWidget;

namespace zolt {

class RegistryStore;

// What File > Export Image asks first: the picture's size and its samples.
struct PictureChoice {
    ViewSize size;
    int supersample = 1;  // samples along each side of a pixel: 1 is no anti-aliasing
};

// File > Export Image's first question: the size of the picture, width and height from 1 to
// 65536 pixels, and its anti-aliasing, off or N x N samples a pixel up to kMaxSupersample. The
// width and the anti-aliasing start at the ones last accepted (kept in `store`, section
// "Export", values "LastWidth" and "LastSupersample"), the view's width and none the first time.
// While "Keep the view's proportions" is ticked (it is at first) the height follows the width,
// so that the picture shows what the view shows. None when the user cancels.
std::optional<PictureChoice> AskPictureSize(QWidget* parent, const FractalDef& def, ViewSize view,
                                            RegistryStore* store = nullptr);

}  // namespace zolt
