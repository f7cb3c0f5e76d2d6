#include "cluster/movie_parts.h"

#include <gtest/gtest.h>

#include <functional>

#include "movie/keyframe_store.h"
#include "support/temp_dir.h"

namespace zolt {
namespace {

// A movie of 6 keyframes; in 3 parts, part 0 has keyframes 0 and 3, 1 has 1 and 4, 2 has 2 and 5.
class MoviePartsTest : public ::testing::Test {
  protected:
    MoviePartsTest() {
        SetNumbersOf(job.end, {-0.7453, -0.7433, 0.1127, 0.0, 300, 200.0});
        BuildPalette(256, job.end.Appearance.Palette);
    }

    void ComputeParts(const MovieJob& movie, int parts, const std::string& folder) {
        for (int i = 0; i < parts; ++i) {
            const MoviePartOutcome part =
                ComputeMoviePart(movie, i, parts, dir.Path() / folder, {.threads = 1 + i % 2});
            EXPECT_EQ(part.result, PartOutcome::Result::kComputed) << i << ": " << part.reason;
        }
    }

    MovieJob job{.end = {}, .settings = {.width = 32, .height = 18, .fps = 2, .startWidth = 0.064}};
    test::TempDir dir;
};

// Whatever is wrong with the parts or their keyframes, nothing is written, and the parts are
// named by index.
TEST_F(MoviePartsTest, PartsMissingForeignOrDamagedAreNamedAndNothingIsWritten) {
    ComputeParts(job, 3, "good");
    MovieJob other = job;
    other.settings.holdSeconds = 1;  // the same keyframes, another movie
    ASSERT_EQ(ComputeMoviePart(other, 2, 3, dir.Path() / "other", {}).result,
              PartOutcome::Result::kComputed);
    ASSERT_EQ(ComputeMoviePart(job, 1, 4, dir.Path() / "split", {}).result,
              PartOutcome::Result::kComputed);
    MovieJob deeper = job;
    deeper.end.Iterations = 301;
    ASSERT_EQ(ComputeMoviePart(deeper, 2, 3, dir.Path() / "deeper", {}).result,
              PartOutcome::Result::kComputed);
    const auto bad = dir.Path() / "bad";
    const auto copy = [&](const std::filesystem::path& from, const std::filesystem::path& to) {
        std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
    };
    const auto flip = [&](int index, std::size_t at) {
        std::string bytes = test::ReadBytes(PartPath(bad, index));
        bytes[at] ^= 1;
        test::WriteBytes(PartPath(bad, index), bytes);
    };
    const struct {
        const char* what;
        std::function<void()> spoil;
        const char* reason;
    } cases[] = {
        {"missing", [&] { std::filesystem::remove(PartPath(bad, 1)); }, "parts missing: 1"},
        {"another movie", [&] { copy(PartPath(dir.Path() / "other", 2), PartPath(bad, 2)); },
         "made for another movie: 2"},
        {"another split", [&] { copy(PartPath(dir.Path() / "split", 1), PartPath(bad, 1)); },
         "made for another number of parts: 1"},
        {"a keyframe missing", [&] { std::filesystem::remove(KeyframePath(bad, 4)); },
         "keyframes missing or changed: 1"},
        {"a keyframe of another view",
         [&] { copy(KeyframePath(dir.Path() / "deeper", 5), KeyframePath(bad, 5)); },
         "keyframes missing or changed: 2"},
        {"a byte of the definition", [&] { flip(0, 120); },
         "damaged: 0 (its checksum does not match)"},
        {"cut short",
         [&] {
             const auto path = PartPath(bad, 1);
             std::filesystem::resize_file(path, std::filesystem::file_size(path) - 3);
         },
         "damaged: 1 (it ends early)"},
        {"a picture's part", [&] { test::WriteBytes(PartPath(bad, 2), "ZoltPart:1\n"); },
         "damaged: 2 (it is not a part of a movie)"},
    };
    const MovieOutput output{MovieOutput::Kind::Frames, dir.Path() / "out"};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(bad);
        std::filesystem::copy(dir.Path() / "good", bad);
        c.spoil();
        const AssemblyOutcome outcome = AssembleMovieParts(bad, output, {});
        EXPECT_FALSE(outcome.written);
        EXPECT_TRUE(outcome.ofParts);
        EXPECT_EQ(outcome.reason, c.reason);
        EXPECT_FALSE(std::filesystem::exists(output.path));
    }
    // The keyframes stay in the folder of parts once the movie is joined.
    const AssemblyOutcome joined = AssembleMovieParts(dir.Path() / "good", output, {.threads = 2});
    ASSERT_TRUE(joined.written) << joined.reason;
    EXPECT_TRUE(std::filesystem::exists(KeyframePath(dir.Path() / "good", 5)));
}

}  // namespace
}  // namespace zolt
