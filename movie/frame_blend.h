#pragma once

#include "engine/image_buffer.h"

namespace zolt {

// Draws a frame of a zoom movie from the two keyframes around its width: `inner`, and `outer`
// twice as wide, the frame being 2^fraction times as wide as `inner` (0 < fraction < 1). With
// fraction 0 the frame is `inner`, pixel for pixel, and `outer` may be null.
//
// The outer keyframe covers the whole frame, enlarged up to twice: it is sampled bilinearly.
// The inner one covers the frame's middle, shrunk, and is sharper there: each frame pixel takes
// the average of the inner pixels under it (an area filter), which neither aliases nor blurs.
// Both are mixed in linear light. The inner keyframe fades out towards its edge over a band
// that widens as it shrinks, so no seam shows, and in the first half of each doubling (fraction
// above 1/2) it fades in as a whole, so that the frames run smoothly into the keyframes at
// whole doublings, where they are the keyframes themselves.
//
// Both keyframes and the frame have the same size. `supersample` is the keyframes' samples a
// side: it places each pixel's colour where its samples are centred.
void DrawFrame(const ImageBuffer& inner, const ImageBuffer* outer, double fraction, int supersample,
               ImageBuffer& frame);

}  // namespace zolt
