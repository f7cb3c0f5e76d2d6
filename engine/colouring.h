#pragma once

#include <string>
#include <vector>

#include "engine/palette.h"

namespace zolt {

// How a definition colours its points beyond the count's bands: plain data that the definition
// carries, copies, compares and saves. The colour maths that gives it meaning lives in colour/.
// The value a definition starts with (Colouring{}) is the classic colouring: bands of the
// palette, pixel for pixel as before there were other ways.

enum class ColourMethod {
    Bands,     // the count, a colour per count
    Smooth,    // the continuous count: the count plus a fraction from the orbit's final value
    Distance,  // the smooth colours, inked towards the boundary by the distance estimate
    Relief,    // the smooth colours, lit from one direction as a surface of the smooth count
};

enum class GradientKind {
    Palette,   // the definition's own palette (or its monochrome bands): the classic colouring
    Entries,   // a list of colours (a Fractint map): entry for entry in bands, blended otherwise
    Stops,     // colour stops at positions from 0 to 1, blended in Oklab
    Segments,  // GIMP gradient segments, each blended as it says
};

struct GradientStop {
    double position = 0.0;  // 0 to 1
    Rgb colour;
    bool operator==(const GradientStop&) const = default;
};

// How a segment moves from its left colour to its right one, as GIMP gradients name them.
enum class SegmentBlend { Linear, Curved, Sine, SphereIncreasing, SphereDecreasing, Step };
// Where a segment blends: the RGB components, or hue, saturation and value with the hue turning
// one way or the other.
enum class SegmentModel { Rgb, HsvCounterClockwise, HsvClockwise };

// A colour as GIMP gradients hold it: sRGB components from 0 to 1, and an opacity that pictures
// do not use (they have no transparency) but that is kept for the file's sake.
struct SegmentColour {
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
    double alpha = 1.0;
    bool operator==(const SegmentColour&) const = default;
};

struct GradientSegment {
    double left = 0.0;
    double middle = 0.5;
    double right = 1.0;
    SegmentColour leftColour;
    SegmentColour rightColour;
    SegmentBlend blend = SegmentBlend::Linear;
    SegmentModel model = SegmentModel::Rgb;
    bool operator==(const GradientSegment&) const = default;
};

struct Gradient {
    GradientKind kind = GradientKind::Palette;
    std::string name;                       // a preset's or a file's, shown and saved as it is
    std::vector<GradientStop> stops;        // Entries (at k / n) and Stops, by position
    std::vector<GradientSegment> segments;  // Segments, left to right
    bool operator==(const Gradient&) const = default;
};

struct Colouring {
    ColourMethod method = ColourMethod::Bands;
    Gradient gradient;
    double repeat = 256.0;   // iterations one pass through the gradient spans
    double offset = 0.0;     // where a count of 0 lies in the gradient, in passes
    Rgb interior;            // points that never escape; the ink of Distance
    double thickness = 1.0;  // Distance: how far from the boundary the ink reaches, in pixels
    double strength = 1.0;   // Relief: the height of the surface
    double angle = 45.0;     // Relief: where the light comes from, in degrees anticlockwise
                             // from the picture's right
    bool operator==(const Colouring&) const = default;
};

// The colouring of a definition that never touched the colouring settings.
inline bool IsClassicColouring(const Colouring& colouring) {
    return colouring == Colouring{};
}

}  // namespace zolt
