#pragma once

#include <optional>

#include "surface/selection_geometry.h"

namespace zolt {

class CurrentFractal;
class Generator;
class UiSurface;

// The drag selection of the view: a press starts it, moves track the marker, the release
// zooms the current definition onto the region chosen. Positions are view device pixels.
//
// The mouse wheel zooms too, about the point under the pointer, and generates at once.
//
// A zoom to a view that could not be generated (Generator::Accepts), or whose coordinates cannot
// be written at all (more digits than a deep view takes, or beyond the doubles), is not made: it
// says why.
//
// A selection exists only while no generation runs: one cannot start while the definition's
// aspect is locked, and one that finds a generation running when the pointer moves or the
// button comes up is dropped without zooming, since the zoom would stop that generation.
class ZoomSelection {
  public:
    ZoomSelection(CurrentFractal& current, Generator& generator, UiSurface& ui)
        : current_(current), generator_(generator), ui_(ui) {}

    // True when a selection started.
    bool BeginSelection(int x, int y);
    // True when the marker changed and the view must show the new one.
    bool TrackSelection(int x, int y);
    // True when the current definition was zoomed; `Marker` then holds the region chosen.
    bool EndSelection(int x, int y);
    // Drops a selection in progress. True when there was one.
    bool CancelSelection();

    // The mouse wheel: `steps` notches away from the user (in) or towards them (out) at view
    // pixel (x, y). Zooms by 2 a notch about the point under the pointer and generates at once,
    // as Generate does: the view is recorded, the iterations raised. A generation still running
    // starts again for the new view. True when it zoomed; nothing without a fractal, or while a
    // selection is dragged.
    bool WheelZoom(int x, int y, int steps);

    // Pans: the point shown at view pixel `from` comes to view pixel `to` (the middle button's
    // drag), with the digits of a deep view kept, and generates at once as the wheel does. True
    // when it moved; nothing for no movement, without a fractal, or while a selection is dragged.
    bool Pan(ViewPoint from, ViewPoint to);
    // The keys: the view moves by a quarter of its width per column and of its height per row
    // (right and down for positive counts), or zooms by 2 a step about its centre.
    bool PanByQuarters(int columns, int rows);
    bool ZoomAtCentre(int steps);

    bool Selecting() const { return selecting_; }
    // The last rectangle tracked or zoomed to; empty before the first move of a selection.
    const SelectionBox& Marker() const { return marker_; }
    const SelectionFrame& Frame() const { return frame_; }

  private:
    bool Allowed() const;
    // Whether `view`, computed for a zoom or a move from `source`, may be taken: says why not.
    bool Takes(const std::optional<GenerationSnapshot>& view, const GenerationSnapshot& source);
    // The view moved (and zoomed by `factor`) so that `from` comes to `to`, generated at once.
    bool MoveAndGenerate(ViewPoint from, ViewPoint to, double factor);
    // The view the image shown was generated from, so that a zoom on a picture of an older view
    // maps to what is actually shown; the definition when there is no image. `image` tells.
    GenerationSnapshot ShownView(ImageInfo& image) const;

    CurrentFractal& current_;
    Generator& generator_;
    UiSurface& ui_;
    SelectionFrame frame_;
    SelectionBox marker_;
    bool selecting_ = false;
};

}  // namespace zolt
