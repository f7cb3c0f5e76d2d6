#include "generation/picture.h"

#include <gtest/gtest.h>

#include "colour/colour_methods.h"
#include "colour/gradient.h"
#include "document/fractal_file.h"
#include "document/png_file.h"
#include "document/text_file.h"
#include "support/temp_dir.h"

namespace zolt {
namespace {

class PictureTest : public ::testing::Test {
  protected:
    PictureTest() { BuildPalette(256, palette); }

    PictureRequest Request(int width, int height, int bandRows = 0) {
        counter = std::make_unique<PlainCounter>(view, width);
        colours = BuildLogicalPalette(256, palette);
        return {.counter = counter.get(),
                .colour = {false, 2, view.Iterations, colours},
                .width = width,
                .height = height,
                .texts = {{"Zolt", "a text"}},
                .threads = 3,
                .bandRows = bandRows};
    }
    std::string Written(const PictureRequest& request, const std::string& name) {
        std::string reason;
        const auto path = dir.Path() / name;
        EXPECT_TRUE(WritePicture(request, path, AtomicFile::Fifo::kRefuseWithoutReader, nullptr, {},
                                 reason))
            << reason;
        return test::ReadBytes(path);
    }

    GenerationSnapshot view{-0.7453, -0.7433, 0.1127, 0.0, 2000, 200.0};
    Palette palette;
    std::vector<Pixel> colours;
    std::unique_ptr<PlainCounter> counter;
    test::TempDir dir;
};

TEST_F(PictureTest, BandsOfAnyHeightMakeThePictureOfOnePiece) {
    // The whole picture computed at once, then written.
    const PictureRequest whole = Request(97, 61);
    OffscreenImage image;
    image.buffer = {97, 61, std::vector<Pixel>(97 * 61)};
    image.created = true;
    RenderPool pool(2);
    class : public PassObserver {
        void RowBegun(int) override {}
        void RowFinished(int) override {}
    } nobody;
    ASSERT_EQ(pool.Run({.counter = whole.counter, .colour = whole.colour}, image, nobody).y, 61);
    std::string reason;
    ASSERT_TRUE(WritePng(image.buffer, dir.Path() / "whole.png", whole.texts, &reason)) << reason;
    const std::string expected = test::ReadBytes(dir.Path() / "whole.png");

    for (int bandRows : {1, 7, 60, 61, 1000})
        EXPECT_EQ(Written(Request(97, 61, bandRows), "band.png"), expected) << bandRows;
}

// Rows are told as they are finished, not band by band, so that a picture of one band moves too:
// never 2 % of the rows without a word, to the last row.
TEST_F(PictureTest, ProgressComesRowByRow) {
    for (int bandRows : {0, 70}) {
        std::vector<int> told;
        std::string reason;
        ASSERT_TRUE(WritePicture(
            Request(64, 300, bandRows), dir.Path() / "rows.png",
            AtomicFile::Fifo::kRefuseWithoutReader, nullptr,
            [&told](int rows) { told.push_back(rows); }, reason))
            << reason;
        ASSERT_FALSE(told.empty());
        EXPECT_EQ(told.back(), 300);
        int before = 0;
        for (int rows : told) {
            EXPECT_GT(rows, before);
            EXPECT_LE(rows - before, 300 / 50) << bandRows;
            before = rows;
        }
    }
}

TEST_F(PictureTest, ACancelledOrFailedPictureLeavesNoFile) {
    std::atomic<bool> cancel{true};
    std::string reason;
    EXPECT_FALSE(WritePicture(Request(64, 64), dir.Path() / "a.png",
                              AtomicFile::Fifo::kRefuseWithoutReader, &cancel, {}, reason));
    EXPECT_EQ(reason, "cancelled");
    EXPECT_FALSE(WritePicture(Request(64, 64), dir.Path() / "no" / "a.png",
                              AtomicFile::Fifo::kRefuseWithoutReader, nullptr, {}, reason));
    EXPECT_EQ(reason, "No such file or directory");
    EXPECT_TRUE(test::Tree(dir.Path()).empty());
}

// A compressed text unpacks to far more than its file holds: past what a fractal file can be, it
// is not unpacked at all.
TEST_F(PictureTest, ATextLargerThanAnyFractalFileIsLeftPacked) {
    const ImageBuffer dot{1, 1, {0}};
    for (const std::size_t size : {kMaxTextFileBytes, kMaxTextFileBytes + 1}) {
        const PngText text{kPictureTextKeyword, std::string(size, 'a')};
        ASSERT_TRUE(WritePng(dot, dir.Path() / "dense.png", {&text, 1}));
        const PngTextRead read =
            ReadPngText(dir.Path() / "dense.png", kPictureTextKeyword, kMaxTextFileBytes);
        EXPECT_EQ(read.status == PngTextRead::Status::kFound, size <= kMaxTextFileBytes) << size;
    }
}

// The bands of a picture, as one image.
ImageBuffer Rendered(const PictureRequest& request) {
    ImageBuffer image{request.width, request.height, {}};
    std::string reason;
    EXPECT_TRUE(RenderPictureBands(
        request, nullptr,
        [&](const PictureBand& band) {
            image.pixels.insert(image.pixels.end(), band.pixels.pixels.begin(),
                                band.pixels.pixels.end());
            return true;
        },
        {}, reason))
        << reason;
    return image;
}

// A picture of N x N samples a pixel is the box filter, in linear light, of the same view
// computed N times larger: its samples start where a single sample would lie and fill the
// pixel's square evenly. In bands of any height, with a colour method's shader too.
TEST(Supersampling, IsTheBoxFilterOfTheLargerPicture) {
    const GenerationSnapshot view{-0.7453, -0.7433, 0.1127, 0.0, 2000, 200.0};
    const int width = 37, height = 23;
    Colouring smooth;
    smooth.method = ColourMethod::Smooth;
    smooth.gradient = GradientPresets()[4];
    for (const int factor : {2, 3}) {
        for (const bool shaded : {false, true}) {
            std::vector<Pixel> colours;
            Palette palette;
            BuildPalette(256, palette);
            colours = BuildLogicalPalette(256, palette);
            const PlainCounter counter(view, width * factor);
            PictureRequest large{.counter = &counter,
                                 .colour = {false, 2, view.Iterations, colours},
                                 .shader = shaded ? MakeShader(smooth, {view.Iterations}) : nullptr,
                                 .samples = shaded ? SampleLevel::Fraction : SampleLevel::Counts,
                                 .width = width * factor,
                                 .height = height * factor,
                                 .threads = 2};
            const ImageBuffer big = Rendered(large);
            ImageBuffer expected{width, height, {}};
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    double sum[3] = {};
                    for (int sy = 0; sy < factor; ++sy)
                        for (int sx = 0; sx < factor; ++sx) {
                            const LinearRgb c = LinearOf(big.At(x * factor + sx, y * factor + sy));
                            sum[0] += c.red, sum[1] += c.green, sum[2] += c.blue;
                        }
                    const double n = factor * factor;
                    expected.pixels.push_back(
                        PixelOf({static_cast<float>(sum[0] / n), static_cast<float>(sum[1] / n),
                                 static_cast<float>(sum[2] / n)}));
                }
            }
            PictureRequest small = large;
            small.supersample = factor;
            small.width = width;
            small.height = height;
            for (const int bandRows : {0, 1, 5})
                EXPECT_EQ(Rendered({.counter = small.counter,
                                    .colour = small.colour,
                                    .shader = small.shader,
                                    .samples = small.samples,
                                    .supersample = factor,
                                    .width = width,
                                    .height = height,
                                    .threads = 2,
                                    .bandRows = bandRows}),
                          expected)
                    << factor << " " << shaded << " " << bandRows;
        }
    }
}

// The definition's colouring goes into the picture and its text; supersampling outside 1 to 8
// is refused with nothing written.
TEST_F(PictureTest, ADefinitionsPictureIsColouredAsItSays) {
    FractalDef def;
    SetNumbersOf(def, {-2.5, 1.25, -1.5, 0.0, 100, 200.0});
    def.Appearance.Colours = 256;
    BuildPalette(256, def.Appearance.Palette);
    def.Appearance.Colouring.method = ColourMethod::Relief;
    const auto path = dir.Path() / "relief.png";
    for (const int factor : {0, 9}) {
        const PictureOutcome refused =
            WriteDefinitionPicture(def, {.width = 40, .height = 30, .supersample = factor}, path,
                                   AtomicFile::Fifo::kRefuseWithoutReader);
        EXPECT_FALSE(refused.written);
        EXPECT_EQ(refused.reason, "the supersampling is not from 1 to 8");
    }
    EXPECT_TRUE(test::Tree(dir.Path()).empty());
    const PictureOutcome outcome =
        WriteDefinitionPicture(def, {.width = 40, .height = 30, .supersample = 2}, path,
                               AtomicFile::Fifo::kRefuseWithoutReader);
    ASSERT_TRUE(outcome.written) << outcome.reason;
    const FractalLoad load = LoadFractalFile(path, {40, 30}, 256);
    ASSERT_TRUE(load.content);
    EXPECT_EQ(load.content->appearance.Colouring, def.Appearance.Colouring);
}

}  // namespace
}  // namespace zolt
