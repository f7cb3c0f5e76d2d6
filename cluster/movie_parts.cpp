#include "cluster/movie_parts.h"

#include <zlib.h>

#include <new>
#include <numeric>
#include <system_error>

#include "cluster/part_check.h"
#include "document/fractal_file.h"
#include "document/text_file.h"
#include "settings/number_text.h"
#include "settings/safe_file.h"

namespace zolt {

namespace {

// A movie's part file: text lines, the part and the movie, then a checksum of every byte before
// it, so that a part file cut short or damaged is not taken for one of another movie.
//
//   ZoltMoviePart:1
//   part 1 of 3
//   frame 1280 720 2 256          width, height, samples, display colours
//   speed 30 1 3.75 2             fps, seconds a doubling, start width, hold
//   exr 0
//   definition 1234               the end's fractal file, in that many bytes, then a line end
//   ...
//   check 4023233417
constexpr std::string_view kMagic = "ZoltMoviePart:1\n";
constexpr std::size_t kMostPartFile = kMaxTextFileBytes + 4096;

std::string Crc(std::string_view bytes) {
    return std::to_string(
        crc32_z(0, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()));
}

// All a movie's parts share; none when the end cannot be written as a fractal file.
std::optional<std::string> Describe(const MovieJob& job) {
    const std::string definition = FractalFileText(job.end);
    if (definition.empty())
        return std::nullopt;
    const MovieSettings& s = job.settings;
    return "frame " + std::to_string(s.width) + " " + std::to_string(s.height) + " " +
           std::to_string(s.supersample) + " " + std::to_string(s.displayColours) + "\nspeed " +
           std::to_string(s.fps) + " " + WriteShortestText(s.secondsPerDoubling) + " " +
           WriteShortestText(s.startWidth) + " " + WriteShortestText(s.holdSeconds) + "\nexr " +
           (job.keyframeData ? "1" : "0") + "\ndefinition " + std::to_string(definition.size()) +
           "\n" + definition + "\n";
}

std::string PartFileText(const std::string& description, int index, int parts) {
    std::string text = std::string(kMagic) + "part " + std::to_string(index) + " of " +
                       std::to_string(parts) + "\n" + description;
    return text + "check " + Crc(text) + "\n";
}

// Takes the next line (without its end) off `text`.
bool Line(std::string_view& text, std::string_view& line) {
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos)
        return false;
    line = text.substr(0, end);
    text.remove_prefix(end + 1);
    return true;
}

// The words after `name` on the next line: `count` of them, or nothing.
std::optional<std::vector<std::string>> Field(std::string_view& text, std::string_view name,
                                              std::size_t count) {
    std::string_view line;
    if (!Line(text, line) || !line.starts_with(name) || line.size() <= name.size() ||
        line[name.size()] != ' ')
        return std::nullopt;
    std::vector<std::string> words;
    for (std::size_t at = name.size() + 1; at <= line.size();) {
        const std::size_t end = std::min(line.find(' ', at), line.size());
        words.emplace_back(line.substr(at, end - at));
        at = end + 1;
    }
    return words.size() == count ? std::optional(std::move(words)) : std::nullopt;
}

bool Whole(const std::string& word, int low, int high, int& out) {
    return !word.empty() && word.find_first_not_of("0123456789") == std::string::npos &&
           StoreNumber(ParseInteger(word, low, high, {.sign = false}), out);
}

// The job a description describes, checked as zolt-render checks its options.
std::optional<MovieJob> ReadDescription(std::string_view text) {
    MovieJob job;
    MovieSettings& s = job.settings;
    const auto frame = Field(text, "frame", 4);
    const auto speed = Field(text, "speed", 4);
    const auto exr = Field(text, "exr", 1);
    const auto definition = Field(text, "definition", 1);
    int bytes = 0;
    if (!frame || !speed || !exr || !definition || !Whole((*frame)[0], 1, 65536, s.width) ||
        !Whole((*frame)[1], 1, 65536, s.height) || !Whole((*frame)[2], 1, 64, s.supersample) ||
        !Whole((*frame)[3], 0, 65536, s.displayColours) || !Whole((*speed)[0], 1, 1000, s.fps) ||
        !StoreNumber(ParseReal((*speed)[1]), s.secondsPerDoubling) ||
        !StoreNumber(ParseReal((*speed)[2]), s.startWidth) ||
        !StoreNumber(ParseReal((*speed)[3]), s.holdSeconds) ||
        ((*exr)[0] != "0" && (*exr)[0] != "1") ||
        !Whole((*definition)[0], 1, static_cast<int>(kMaxTextFileBytes), bytes) ||
        text.size() != static_cast<std::size_t>(bytes) + 1 || text.back() != '\n')
        return std::nullopt;
    job.keyframeData = (*exr)[0] == "1";
    std::string reason;
    if (!CheckMovieSettings(s, reason))
        return std::nullopt;
    const FractalRead read =
        ReadFractalLines(SplitTextLines(text.substr(0, text.size() - 1)), {s.width, s.height}, 256);
    if (!read.content)
        return std::nullopt;
    SetNumbersOf(job.end, read.content->numbers);
    if (!CopyAppearance(read.content->appearance, job.end.Appearance))
        throw std::bad_alloc();
    return job;
}

struct MoviePartFile {
    int index = 0;
    int parts = 0;
    std::string description;
};

// A movie's part file, its checksum right; `reason` says why it could not be read.
std::optional<MoviePartFile> ReadPartFile(const std::filesystem::path& path, std::string& reason) {
    std::string bytes;
    if (ReadRegularFile(path, kMostPartFile, bytes, &reason) != FileRead::kOk)
        return std::nullopt;
    if (!bytes.starts_with(kMagic)) {
        reason = "it is not a part of a movie";
        return std::nullopt;
    }
    const std::size_t check = bytes.rfind("\ncheck ", bytes.size() < 2 ? 0 : bytes.size() - 2);
    if (check == std::string::npos || bytes.back() != '\n') {
        reason = "it ends early";
        return std::nullopt;
    }
    const std::string_view head(bytes.data(), check + 1);
    if (bytes.substr(check + 1) != "check " + Crc(head) + "\n") {
        reason = "its checksum does not match";
        return std::nullopt;
    }
    std::string_view text = head.substr(kMagic.size());
    const auto part = Field(text, "part", 3);
    MoviePartFile file;
    if (!part || (*part)[1] != "of" || !Whole((*part)[2], 1, 65536, file.parts) ||
        !Whole((*part)[0], 0, file.parts - 1, file.index)) {
        reason = "its header is damaged";
        return std::nullopt;
    }
    file.description = std::string(text);
    return file;
}

ListedPart ListMoviePart(const std::filesystem::path& path, int index) {
    ListedPart part;
    const auto file = ReadPartFile(path, part.fault);
    if (!file)
        return part;
    if (file->index != index) {
        part.fault = "it says it is part " + std::to_string(file->index);
        return part;
    }
    part.readable = true;
    part.job = JobChecksum(file->description);
    part.parts = file->parts;
    return part;
}

// The movie's output for its keyframes alone: they are kept in the folder of parts.
MovieOutput KeyframesIn(const std::filesystem::path& folder, const MovieJob& job) {
    return {MovieOutput::Kind::Frames, folder, job.keyframeData, folder};
}

}  // namespace

std::vector<int> MoviePartKeyframes(int keyframes, int index, int parts) {
    std::vector<int> own;
    for (int k = index; k < keyframes && parts > 0; k += parts)
        own.push_back(k);
    return own;
}

MoviePartOutcome ComputeMoviePart(const MovieJob& given, int index, int parts,
                                  const std::filesystem::path& folder, const MovieWork& work) {
    MoviePartOutcome outcome;
    try {
        // The part computes the movie its part file describes, read back as the joining reads
        // it, so that both see the same definition to the last digit.
        const auto description = Describe(given);
        const auto job = description ? ReadDescription(*description) : std::nullopt;
        if (!job) {
            outcome.reason = "the view cannot be written as a fractal file";
            return outcome;
        }
        const auto plan = PlanMovie(job->end, job->settings, outcome.reason);
        if (!plan)
            return outcome;
        if (parts > plan->Keyframes()) {
            outcome.result = PartOutcome::Result::kTooManyParts;
            outcome.reason = "a movie of " + std::to_string(plan->Keyframes()) +
                             " keyframes is split into at most " +
                             std::to_string(plan->Keyframes()) + " parts";
            return outcome;
        }
        outcome.keyframes = MoviePartKeyframes(plan->Keyframes(), index, parts);
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (error) {
            outcome.reason = error.message();
            return outcome;
        }
        // The parts of one movie are saved into their folder from many machines at once.
        KeepLeftovers(folder);
        const MovieOutput output = KeyframesIn(folder, *job);
        const auto missing =
            MissingKeyframes(job->end, job->settings, output, outcome.keyframes, outcome.reason);
        if (!missing)
            return outcome;
        const std::filesystem::path path = PartPath(folder, index);
        const std::string text = PartFileText(*description, index, parts);
        std::string there;
        if (missing->empty() && ReadRegularFile(path, kMostPartFile, there) == FileRead::kOk &&
            there == text) {
            outcome.result = PartOutcome::Result::kDone;
            return outcome;
        }
        if (!ComputeKeyframes(job->end, job->settings, output, *missing, work, outcome.reason) ||
            !WriteFileAtomically(path, text, &outcome.reason))
            return outcome;
        outcome.computed = static_cast<int>(missing->size());
        outcome.result = PartOutcome::Result::kComputed;
    } catch (const std::bad_alloc&) {
        outcome.reason = "out of memory";
    }
    return outcome;
}

AssemblyOutcome AssembleMovieParts(const std::filesystem::path& folder, const MovieOutput& output,
                                   const MovieWork& work) {
    AssemblyOutcome outcome;
    outcome.ofParts = true;
    try {
        std::pair<std::uint64_t, int> chosen{0, 0};
        PartFaults faults;
        if (!CheckParts(folder, ListMoviePart, "movie", chosen, faults, outcome.reason))
            return outcome;
        const auto first = ReadPartFile(PartPath(folder, 0), outcome.reason);
        if (!first || JobChecksum(first->description) != chosen.first) {
            outcome.reason = "made for another movie: 0";  // replaced since it was listed
            return outcome;
        }
        const auto job = ReadDescription(first->description);
        if (!job) {
            outcome.reason = "damaged: 0 (its movie cannot be read)";
            return outcome;
        }
        const MovieOutput keyframes = KeyframesIn(folder, *job);
        const auto plan = PlanMovie(job->end, job->settings, outcome.reason);
        if (!plan)
            return outcome;
        std::vector<int> all(static_cast<std::size_t>(plan->Keyframes()));
        std::iota(all.begin(), all.end(), 0);
        const auto missing =
            MissingKeyframes(job->end, job->settings, keyframes, all, outcome.reason);
        if (!missing)
            return outcome;
        for (const int k : *missing)
            faults.incomplete.push_back(k % chosen.second);
        if (faults.Any()) {
            outcome.reason = faults.Text();
            return outcome;
        }
        outcome.ofParts = false;
        const MovieSettings& s = job->settings;
        if (const std::string why = OutputSizeRefusal(output.kind, s.width, s.height);
            !why.empty()) {
            outcome.reason = why + ", and the movie is " + std::to_string(s.width) + " by " +
                             std::to_string(s.height);
            return outcome;
        }
        MovieOutput movie = output;
        movie.keyframeData = job->keyframeData;
        movie.workFolder = folder;
        const MovieOutcome made = AssembleMovie(job->end, s, movie, work);
        outcome.written = made.written;
        outcome.reason = made.reason;
    } catch (const std::bad_alloc&) {
        outcome.ofParts = false;
        outcome.reason = "out of memory";
    }
    return outcome;
}

}  // namespace zolt
