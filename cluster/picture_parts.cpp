#include "cluster/picture_parts.h"

#include <zlib.h>

#include <algorithm>
#include <map>
#include <new>
#include <system_error>

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

// The indices in a list as Slurm's --array takes them: "1,4-6,9".
std::string IndexList(const std::vector<int>& indices) {
    std::string text;
    for (std::size_t i = 0; i < indices.size();) {
        std::size_t j = i;
        while (j + 1 < indices.size() && indices[j + 1] == indices[j] + 1)
            ++j;
        if (!text.empty())
            text += ',';
        text += std::to_string(indices[i]);
        if (j > i) {
            text += '-';
            text += std::to_string(indices[j]);
        }
        i = j + 1;
    }
    return text;
}

// What a folder's part files say before their image data is read: each one's picture (by a
// checksum of its stamp, so that a folder of thousands of parts is not held in memory) and
// split, or that its header is damaged.
struct Listed {
    bool readable = false;
    std::uint64_t picture = 0;
    int parts = 0;
    std::string fault;  // why it is damaged
};

std::uint64_t PictureChecksum(const PartStamp& stamp) {
    std::string text = std::to_string(stamp.width) + " " + std::to_string(stamp.height) + " " +
                       std::to_string(stamp.supersample) + " " + std::to_string(stamp.pieceRows) +
                       "\n";
    for (const PngText& t : stamp.texts)
        text += std::to_string(t.keyword.size()) + t.keyword + std::to_string(t.text.size()) + " " +
                t.text;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    return static_cast<std::uint64_t>(crc32_z(0, bytes, text.size())) << 32 |
           adler32_z(1, bytes, text.size());
}

std::map<int, Listed> ListParts(const std::filesystem::path& folder, std::string& reason) {
    std::map<int, Listed> listed;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        const auto index = PartIndexOf(it->path());
        if (!index)
            continue;
        PartReader reader;
        Listed& part = listed[*index];
        if (reader.Open(it->path()) != PartReader::Status::kRead) {
            part.fault = reader.Reason();
        } else if (reader.Header().index != *index) {
            part.fault = "it says it is part " + std::to_string(reader.Header().index);
        } else {
            part.readable = true;
            part.picture = PictureChecksum(reader.Header().stamp);
            part.parts = reader.Header().stamp.parts;
        }
    }
    if (error)
        reason = error.message();
    return listed;
}

// What is wrong with the parts of a folder, by kind, each kind's indices in order.
struct Faults {
    std::vector<int> missing;
    std::vector<int> otherPicture;
    std::vector<int> otherSplit;
    std::vector<int> damaged;
    std::string damage;  // why the first damaged one is

    bool Any() const {
        return !missing.empty() || !otherPicture.empty() || !otherSplit.empty() || !damaged.empty();
    }
    void Damaged(int index, const std::string& why) {
        if (damaged.empty())
            damage = why;
        damaged.push_back(index);
    }
    std::string Text() const {
        std::string text;
        const auto add = [&text](const std::vector<int>& indices, const std::string& what) {
            if (!indices.empty())
                text += (text.empty() ? "" : "; ") + what + ": " + IndexList(indices);
        };
        add(missing, "parts missing");
        add(otherPicture, "made for another picture");
        add(otherSplit, "made for another number of parts");
        add(damaged, "damaged");
        if (!damaged.empty())
            text += " (" + damage + ")";
        return text;
    }
};

// The faults of the parts listed, for the picture and split most of them are of (the lowest
// index's on a tie); `chosen` is that picture and split.
Faults Judge(const std::map<int, Listed>& listed, std::pair<std::uint64_t, int>& chosen) {
    std::map<std::pair<std::uint64_t, int>, int> votes;
    for (const auto& [index, part] : listed)
        if (part.readable)
            ++votes[{part.picture, part.parts}];
    int most = 0;
    for (const auto& [index, part] : listed) {
        if (part.readable && votes[{part.picture, part.parts}] > most) {
            chosen = {part.picture, part.parts};
            most = votes[chosen];
        }
    }
    Faults faults;
    for (int i = 0; i < chosen.second; ++i)
        if (!listed.contains(i))
            faults.missing.push_back(i);
    for (const auto& [index, part] : listed) {
        if (!part.readable)
            faults.Damaged(index, part.fault);
        else if (part.picture != chosen.first)
            faults.otherPicture.push_back(index);
        else if (part.parts != chosen.second)
            faults.otherSplit.push_back(index);
    }
    return faults;
}

}  // namespace

AssemblyOutcome AssemblePicture(const std::filesystem::path& folder,
                                const std::filesystem::path& path, AtomicFile::Fifo fifo) {
    AssemblyOutcome outcome;
    outcome.ofParts = true;
    try {
        const std::map<int, Listed> listed = ListParts(folder, outcome.reason);
        if (!outcome.reason.empty())
            return outcome;
        if (listed.empty()) {
            outcome.reason = "it holds no parts";
            return outcome;
        }
        std::pair<std::uint64_t, int> chosen{0, 0};
        Faults faults = Judge(listed, chosen);
        if (faults.Any()) {
            outcome.reason = faults.Text();
            return outcome;
        }
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
                faults.otherPicture.push_back(index);
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
