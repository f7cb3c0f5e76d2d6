#include "cluster/picture_parts.h"

#include <gtest/gtest.h>

#include "document/png_deflate.h"
#include "support/temp_dir.h"

namespace zolt {
namespace {

class PicturePartsTest : public ::testing::Test {
  protected:
    PicturePartsTest() {
        SetNumbersOf(def, {-0.7453, -0.7433, 0.1127, 0.1143, 150, 200.0});
        BuildPalette(256, def.Appearance.Palette);
    }

    DefinitionPicture Picture(int width, int height, int supersample = 1) const {
        return {.width = width, .height = height, .supersample = supersample, .threads = 2};
    }
    std::string OneProcess(const DefinitionPicture& picture) {
        const auto path = dir.Path() / "one.png";
        EXPECT_TRUE(
            WriteDefinitionPicture(def, picture, path, AtomicFile::Fifo::kRefuseWithoutReader)
                .written);
        return test::ReadBytes(path);
    }
    // Every part of the split, each on a different number of threads.
    void ComputeParts(const DefinitionPicture& picture, int parts, const std::string& folder) {
        for (int i = 0; i < parts; ++i) {
            DefinitionPicture own = picture;
            own.threads = 1 + i % 3;
            const PartOutcome part = ComputePicturePart(def, own, i, parts, dir.Path() / folder);
            EXPECT_EQ(part.result, PartOutcome::Result::kComputed) << i << ": " << part.reason;
        }
    }
    AssemblyOutcome Assemble(const std::string& folder, const std::string& output = "out.png") {
        return AssemblePicture(dir.Path() / folder, dir.Path() / output,
                               AtomicFile::Fifo::kRefuseWithoutReader);
    }

    FractalDef def;
    test::TempDir dir;
};

// The joined parts are the one process's picture byte for byte, however the rows are shared out:
// one part, pieces of several rows shared unevenly, as many parts as pieces, one-row pieces, and
// supersampled in a smooth colouring.
TEST_F(PicturePartsTest, PartsJoinIntoThePictureOneProcessWrites) {
    const struct {
        int width;
        int height;
        std::vector<int> splits;
        int supersample = 1;
    } cases[] = {{97, 61, {1}}, {1000, 300, {3, 4}}, {65536, 3, {3}}, {400, 500, {2}, 2}};
    for (const auto& c : cases) {
        def.Appearance.Colouring.method =
            c.supersample > 1 ? ColourMethod::Smooth : ColourMethod::Bands;
        const DefinitionPicture picture = Picture(c.width, c.height, c.supersample);
        const std::string expected = OneProcess(picture);
        for (const int parts : c.splits) {
            SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " in " +
                         std::to_string(parts));
            const std::string folder =
                "parts-" + std::to_string(c.width) + "-" + std::to_string(parts);
            ComputeParts(picture, parts, folder);
            const AssemblyOutcome joined = Assemble(folder);
            ASSERT_TRUE(joined.written) << joined.reason;
            EXPECT_TRUE(test::ReadBytes(dir.Path() / "out.png") == expected);
        }
    }
}

// A part already in the folder is not computed again; one of another definition is replaced.
TEST_F(PicturePartsTest, APartDoneIsKeptAndOneOfAnotherDefinitionReplaced) {
    const DefinitionPicture picture = Picture(300, 1000);
    ComputeParts(picture, 2, "p");
    const auto path = PartPath(dir.Path() / "p", 1);
    const auto written = std::filesystem::last_write_time(path);
    EXPECT_EQ(ComputePicturePart(def, picture, 1, 2, dir.Path() / "p").result,
              PartOutcome::Result::kDone);
    EXPECT_EQ(std::filesystem::last_write_time(path), written);
    def.Iterations = 151;
    EXPECT_EQ(ComputePicturePart(def, picture, 1, 2, dir.Path() / "p").result,
              PartOutcome::Result::kComputed);
    EXPECT_EQ(Assemble("p").reason, "made for another picture: 1");  // a tie: part 0 decides
    // As many parts as the picture has pieces of rows, and no more.
    const int pieces = MostParts(1000, PngPieceRows(300));
    EXPECT_EQ(ComputePicturePart(def, picture, 0, pieces + 1, dir.Path() / "q").result,
              PartOutcome::Result::kTooManyParts);
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "q"));
}

// Whatever is wrong with the parts, nothing is written, and the parts are named by index.
TEST_F(PicturePartsTest, PartsMissingForeignOrDamagedAreNamedAndNothingIsWritten) {
    const DefinitionPicture picture = Picture(1000, 400);
    ComputeParts(picture, 4, "good");
    FractalDef other = def;
    other.Iterations = 149;
    ASSERT_EQ(ComputePicturePart(other, picture, 2, 4, dir.Path() / "other").result,
              PartOutcome::Result::kComputed);
    ASSERT_EQ(ComputePicturePart(def, picture, 1, 5, dir.Path() / "split").result,
              PartOutcome::Result::kComputed);
    const auto part = [&](int index) { return PartPath(dir.Path() / "bad", index); };
    // Flips a bit of a byte, counted from the end when negative.
    const auto flip = [&](int index, std::ptrdiff_t at) {
        std::string bytes = test::ReadBytes(part(index));
        bytes[at >= 0 ? at : static_cast<std::ptrdiff_t>(bytes.size()) + at] ^= 1;
        test::WriteBytes(part(index), bytes);
    };
    const struct {
        const char* what;
        std::function<void()> spoil;
        const char* reason;
    } cases[] = {
        {"missing", [&] { std::filesystem::remove(part(1)); }, "parts missing: 1"},
        {"several missing",
         [&] {
             for (int i : {0, 1, 3})
                 std::filesystem::remove(part(i));
         },
         "parts missing: 0-1,3"},
        {"another definition",
         [&] {
             std::filesystem::copy_file(PartPath(dir.Path() / "other", 2), part(2),
                                        std::filesystem::copy_options::overwrite_existing);
         },
         "made for another picture: 2"},
        {"another split",
         [&] {
             std::filesystem::copy_file(PartPath(dir.Path() / "split", 1), part(1),
                                        std::filesystem::copy_options::overwrite_existing);
         },
         "made for another number of parts: 1"},
        {"a byte of the image data", [&] { flip(3, -100); },
         "damaged: 3 (its checksum does not match)"},
        {"a byte of the definition", [&] { flip(1, 300); }, "damaged: 1 (its header is damaged)"},
        {"a byte of the checksum", [&] { flip(0, -1); },
         "damaged: 0 (its checksum does not match)"},
        {"cut short",
         [&] { std::filesystem::resize_file(part(2), std::filesystem::file_size(part(2)) - 9); },
         "damaged: 2 (it ends early)"},
        {"no part file", [&] { test::WriteBytes(part(2), "ZoltPart:2\n"); },
         "damaged: 2 (it is not a part file)"},
        {"named as another",
         [&] { std::filesystem::rename(part(3), PartPath(dir.Path() / "bad", 7)); },
         "parts missing: 3; damaged: 7 (it says it is part 3)"},
        {"empty folder",
         [&] {
             for (int i = 0; i < 4; ++i)
                 std::filesystem::remove(part(i));
         },
         "it holds no parts"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(dir.Path() / "bad");
        std::filesystem::copy(dir.Path() / "good", dir.Path() / "bad");
        c.spoil();
        const AssemblyOutcome outcome = Assemble("bad");
        EXPECT_FALSE(outcome.written);
        EXPECT_TRUE(outcome.ofParts);
        EXPECT_EQ(outcome.reason, c.reason);
        EXPECT_FALSE(std::filesystem::exists(dir.Path() / "out.png"));
    }
    // Anything else in the folder (a batch job's logs, a temporary file) is no part.
    test::WriteBytes(dir.Path() / "good" / "slurm-12_3.out", "log");
    test::WriteBytes(dir.Path() / "good" / ".zolt-save-12-abcdef", "");
    EXPECT_TRUE(Assemble("good").written);
}

}  // namespace
}  // namespace zolt
