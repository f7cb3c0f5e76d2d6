#include "generation/pass_schedule.h"

#include <cstdio>

#include "settings/number_text.h"
#include "surface/ui_surface.h"

namespace zolt {

std::string ProgressText(int block, int percent) {
    char text[64];
    std::snprintf(text, sizeof text, "Resolution: %d - %d%%", block, percent);
    return text;
}

std::string ReferenceProgressText(int percent) {
    char text[64];
    std::snprintf(text, sizeof text, "Reference: %d%%", percent);
    return text;
}

std::string ReferenceEstimateText(double fraction, std::uint64_t bytes, double secondsSoFar) {
    const int percent = static_cast<int>(fraction * 100.0);
    std::string text = ReferenceProgressText(percent) + " of " + ByteSizeText(bytes);
    if (percent >= 1 && fraction < 1.0)
        text += ", about " + DurationText(secondsSoFar * (1.0 - fraction) / fraction) + " left";
    return text;
}

const char* FinishedText(ViewCounter::Kind kind) {
    switch (kind) {
        case ViewCounter::Kind::Plain:
            break;
        case ViewCounter::Kind::Deep:
            return "Finished - deep zoom";
        case ViewCounter::Kind::PastLimit:
            return "Finished - precision limit";
    }
    return "Finished";
}

void PassProgress::RowBegun(int percent) {
    if (percent % 2 != 0) {
        textShown_ = false;
        return;
    }
    if (!textShown_) {
        ui_.SetStatusText(2, ProgressText(block_, percent));
        textShown_ = true;
    }
}

void PassProgress::RowFinished(int percent) {
    if (percent % 10 != 0) {
        copyMade_ = false;
        return;
    }
    if (!copyMade_) {
        ui_.PresentImage();
        copyMade_ = true;
    }
}

}  // namespace zolt
