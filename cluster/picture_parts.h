#pragma once

#include <filesystem>
#include <string>

#include "cluster/part_file.h"
#include "generation/picture.h"

namespace zolt {

// A picture computed in parts: each part a band of its rows, computed by a process of its own
// into a folder of parts (see part_file.h), and the parts joined into the picture afterwards.
// The bands are made of whole pieces of the picture's compressed image data, shared out in
// order as evenly as they go, so that each part compresses its own rows exactly as a single
// process compresses them and joining them is copying.

struct PartOutcome {
    enum class Result {
        kComputed,
        kDone,          // the folder holds the part already
        kRefused,       // the view cannot be drawn
        kTooManyParts,  // more parts than the picture has pieces of rows
        kFailed,
    };
    Result result = Result::kFailed;
    ViewCounter::Kind kind = ViewCounter::Kind::Plain;  // how the view was counted
    RowSpan rows;                                       // the part's
    std::string reason;
};

// Computes part `index` of `parts` of the picture WriteDefinitionPicture makes of `def` into
// `folder`, made when missing, unless the folder holds it already.
PartOutcome ComputePicturePart(const FractalDef& def, const DefinitionPicture& picture, int index,
                               int parts, const std::filesystem::path& folder);

// Joins the parts in `folder` into the picture at `path`, reading one chunk at a time. Every
// part of the picture must be there, made for the same picture and split, and whole: otherwise
// nothing is written and the reason names the parts missing, made for another picture or split,
// or damaged, by their index.
struct AssemblyOutcome {
    bool written = false;
    bool ofParts = false;  // the reason is what is wrong with the parts, not with the writing
    std::string reason;
};
AssemblyOutcome AssemblePicture(const std::filesystem::path& folder,
                                const std::filesystem::path& path, AtomicFile::Fifo fifo);

}  // namespace zolt
