#include "cluster/picture_parts.h"

#include <algorithm>
#include <map>
#include <new>
#include <system_error>

#include "cluster/part_check.h"
#include "document/png_deflate.h"

namespace zolt {

namespace {

// Bytes of a picture's rows before compression: a filter byte and three bytes a pixel each.
std::uint64_t RowBytes(const PartStamp& stamp, int rows) {
    return static_cast<std::uint64_t>(rows) * (1 + 3 * static_cast<std::uint64_t>(stamp.width));
}

}  // namespace

PartOutcome ComputePicturePart(const FractalDef& def, const DefinitionPicture& picture, int index,
                               int parts, const std::filesystem::path& folder) {
    PartOutcome outcome;
    try {
        const PartHeader header{index,
                                {.parts = parts,
                                 .width = picture.width,
                                 .height = picture.height,
                                 .supersample = picture.supersample,
                                 .pieceRows = PngPieceRows(picture.width),
                                 .texts = PictureTexts(def)}};
        const int most = MostParts(picture.height, header.stamp.pieceRows);
        if (parts > most) {
            outcome.result = PartOutcome::Result::kTooManyParts;
            outcome.reason = "a picture " + std::to_string(picture.width) + " pixels wide and " +
                             std::to_string(picture.height) + " high is split into at most " +
                             std::to_string(most) + " parts";
            return outcome;
        }
        outcome.rows = PartRows(header.stamp, index);
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (error) {
            outcome.reason = error.message();
            return outcome;
        }
        const std::filesystem::path path = PartPath(folder, index);
        // Checked before anything is computed, a deep view's reference orbit included.
        if (PartDone(path, header)) {
            outcome.result = PartOutcome::Result::kDone;
            return outcome;
        }
        PartWriter file;
        if (!file.Open(path, header)) {
            outcome.reason = file.Reason();
            return outcome;
        }
        PngImageData data(picture.width, picture.height, outcome.rows.first, outcome.rows.rows,
                          picture.threads, {});
        const auto keep = [&file](std::span<const unsigned char> chunk) { return file.Add(chunk); };
        std::string reason;
        const auto add = [&](const PictureBand& band) {
            if (data.Add(band.pixels.pixels.data(), band.pixels.height, picture.width, keep))
                return true;
            reason = data.Reason().empty() ? file.Reason() : data.Reason();
            return false;
        };
        const PictureOutcome rendered =
            RenderDefinitionRows(def, picture, outcome.rows.first, outcome.rows.rows, add);
        outcome.kind = rendered.kind;
        if (rendered.refused) {
            outcome.result = PartOutcome::Result::kRefused;
            outcome.reason = rendered.reason;
            return outcome;
        }
        if (!rendered.written) {
            outcome.reason = reason.empty() ? rendered.reason : reason;
            return outcome;
        }
        if (!file.Finish(data.Adler(), data.Length())) {
            outcome.reason = file.Reason();
            return outcome;
        }
        outcome.result = PartOutcome::Result::kComputed;
    } catch (const std::bad_alloc&) {
        outcome.reason = "out of memory";
    }
    return outcome;
}

namespace {

std::uint64_t PictureChecksum(const PartStamp& stamp) {
    std::string text = std::to_string(stamp.width) + " " + std::to_string(stamp.height) + " " +
                       std::to_string(stamp.supersample) + " " + std::to_string(stamp.pieceRows) +
                       "\n";
    for (const PngText& t : stamp.texts)
        text += std::to_string(t.keyword.size()) + t.keyword + std::to_string(t.text.size()) + " " +
                t.text;
    return JobChecksum(text);
}

ListedPart ListPicturePart(const std::filesystem::path& path, int index) {
    ListedPart part;
    PartReader reader;
    if (reader.Open(path) != PartReader::Status::kRead) {
        part.fault = reader.Reason();
    } else if (reader.Header().index != index) {
        part.fault = "it says it is part " + std::to_string(reader.Header().index);
    } else {
        part.readable = true;
        part.job = PictureChecksum(reader.Header().stamp);
        part.parts = reader.Header().stamp.parts;
    }
    return part;
}

}  // namespace

AssemblyOutcome AssemblePicture(const std::filesystem::path& folder,
                                const std::filesystem::path& path, AtomicFile::Fifo fifo) {
    AssemblyOutcome outcome;
    outcome.ofParts = true;
    try {
        std::pair<std::uint64_t, int> chosen{0, 0};
        PartFaults faults;
        if (!CheckParts(folder, ListPicturePart, "picture", chosen, faults, outcome.reason))
            return outcome;
        // The parts are read again, whole this time: the picture is written as they are, and
        // dropped at the end if one of them turns out damaged.
        PartReader first;
        if (first.Open(PartPath(folder, 0)) != PartReader::Status::kRead) {
            outcome.reason = "damaged: 0 (" + first.Reason() + ")";
            return outcome;
        }
        const PartStamp stamp = first.Header().stamp;
        if (PictureChecksum(stamp) != chosen.first || stamp.parts != chosen.second) {
            outcome.reason = "made for another picture: 0";
            return outcome;
        }
        PngWriter png;
        if (!png.Open(path, stamp.width, stamp.height, stamp.texts, fifo)) {
            outcome.ofParts = false;
            outcome.reason = png.Reason();
            return outcome;
        }
        PngImageDataJoin join(
            [&png](std::span<const unsigned char> chunk) { return png.WriteImageData(chunk); });
        bool writing = true;
        std::vector<unsigned char> chunk;
        for (int index = 0; index < stamp.parts; ++index) {
            PartReader reader;
            const RowSpan rows = PartRows(stamp, index);
            if (reader.Open(PartPath(folder, index)) != PartReader::Status::kRead) {
                faults.Damaged(index, reader.Reason());
                continue;
            }
            // Replaced since it was first read.
            if (reader.Header().index != index || !(reader.Header().stamp == stamp)) {
                faults.otherJob.push_back(index);
                continue;
            }
            while (reader.Next(chunk)) {
                if (writing && faults.damaged.empty() && !join.Add(chunk)) {
                    writing = false;
                    outcome.ofParts = false;
                    outcome.reason = png.Reason();
                }
            }
            if (!reader.Whole())
                faults.Damaged(index, reader.Reason());
            else if (reader.Length() != RowBytes(stamp, rows.rows))
                faults.Damaged(index, "its rows are not those of its part");
            else
                join.Count(reader.Adler(), reader.Length());
            if (!writing)
                return outcome;
        }
        if (faults.Any()) {
            outcome.reason = faults.Text();
            return outcome;
        }
        outcome.ofParts = false;
        if (!join.Finish() || !png.Finish()) {
            outcome.reason = png.Reason();
            return outcome;
        }
        outcome.written = true;
    } catch (const std::bad_alloc&) {
        outcome.ofParts = false;
        outcome.reason = "out of memory";
    }
    return outcome;
}

}  // namespace zolt
