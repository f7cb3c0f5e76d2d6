#pragma once

namespace zolt {

// The block size of the first pass of a fresh generation. A stored resolution below 1 would
// never advance, so it starts at full resolution instead.
inline int FirstBlockSize(int initialResolution) {
    return initialResolution < 1 ? 1 : initialResolution;
}

// The block size after a pass at `block`, or 0 when the generation is complete: halving down to
// the penultimate resolution, then single pixels.
inline int NextBlockSize(int block, int penultimateResolution) {
    if (block > penultimateResolution) {
        const int half = block / 2;
        return half > 0 ? half : 0;
    }
    if (penultimateResolution <= 1 || block != penultimateResolution)
        return 0;
    return 1;
}

}  // namespace zolt
