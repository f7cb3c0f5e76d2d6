#include "movie/exr_picture.h"

#include <OpenEXR/ImfChannelList.h>
#include <OpenEXR/ImfFrameBuffer.h>
#include <OpenEXR/ImfHeader.h>
#include <OpenEXR/ImfInputFile.h>
#include <OpenEXR/ImfStringAttribute.h>
#include <gtest/gtest.h>

#include "colour/colour_space.h"
#include "document/exr_file.h"
#include "document/fractal_file.h"
#include "document/png_pixels.h"
#include "engine/render_pass.h"
#include "movie/keyframe_store.h"
#include "movie/movie_maker.h"
#include "support/temp_dir.h"

namespace zolt {
namespace {

struct ExrRead {
    std::map<std::string, std::string> strings;
    std::map<std::string, Imf::PixelType> channels;
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> n;
    std::vector<float> nf, dex, dey, red;
};

// The file as the OpenEXR library reads it.
ExrRead ReadExr(const std::filesystem::path& path) {
    ExrRead read;
    Imf::InputFile file(path.c_str());
    const Imf::Header& header = file.header();
    for (auto it = header.begin(); it != header.end(); ++it)
        if (const auto* text = dynamic_cast<const Imf::StringAttribute*>(&it.attribute()))
            read.strings[it.name()] = text->value();
    for (auto it = header.channels().begin(); it != header.channels().end(); ++it)
        read.channels[it.name()] = it.channel().type;
    const Imath::Box2i window = header.dataWindow();
    read.width = window.max.x - window.min.x + 1;
    read.height = window.max.y - window.min.y + 1;
    const std::size_t size = static_cast<std::size_t>(read.width) * read.height;
    read.n.resize(size);
    read.nf.resize(size);
    read.dex.resize(size);
    read.dey.resize(size);
    read.red.resize(size);
    Imf::FrameBuffer buffer;
    buffer.insert("N", Imf::Slice::Make(Imf::UINT, read.n.data(), window));
    buffer.insert("NF", Imf::Slice::Make(Imf::FLOAT, read.nf.data(), window));
    buffer.insert("DEX", Imf::Slice::Make(Imf::FLOAT, read.dex.data(), window));
    buffer.insert("DEY", Imf::Slice::Make(Imf::FLOAT, read.dey.data(), window));
    buffer.insert("R", Imf::Slice::Make(Imf::FLOAT, read.red.data(), window));
    file.setFrameBuffer(buffer);
    file.readPixels(window.min.y, window.max.y);
    return read;
}

// Each pixel holds its own point's samples (the first of its samples when supersampled), the
// distance in the picture's pixels, and the colours of the PNG picture in linear light.
TEST(ExrPicture, HoldsTheSamplesTheColoursAndTheViewAsWritten) {
    test::TempDir dir;
    FractalDef def;
    SetNumbersOf(def, {-0.7453, -0.7433, 0.1127, 0.0, 700, 200.0});
    def.Qfinish = DeriveQfinish(NumbersOf(def), {40, 30});
    BuildPalette(256, def.Appearance.Palette);
    def.Appearance.Colouring.method = ColourMethod::Relief;
    for (const int samples : {1, 2}) {
        const DefinitionPicture picture{
            .width = 40, .height = 30, .supersample = samples, .threads = 2};
        const auto path = dir.Path() / "leaf.EXR";
        ASSERT_TRUE(IsExrPath(path));
        const PictureOutcome outcome = WriteExrPicture(def, picture, path);
        ASSERT_TRUE(outcome.written) << outcome.reason;
        ASSERT_TRUE(WriteDefinitionPicture(def, picture, dir.Path() / "leaf.png",
                                           AtomicFile::Fifo::kRefuseWithoutReader)
                        .written);
        EXPECT_EQ(test::Tree(dir.Path()), (std::vector<std::string>{"leaf.EXR", "leaf.png"}));

        const ExrRead exr = ReadExr(path);
        EXPECT_EQ(exr.width, 40);
        EXPECT_EQ(exr.height, 30);
        EXPECT_EQ(exr.channels, (std::map<std::string, Imf::PixelType>{{"B", Imf::HALF},
                                                                       {"DEX", Imf::FLOAT},
                                                                       {"DEY", Imf::FLOAT},
                                                                       {"G", Imf::HALF},
                                                                       {"N", Imf::UINT},
                                                                       {"NF", Imf::FLOAT},
                                                                       {"R", Imf::HALF}}));
        EXPECT_EQ(exr.strings.at("Zolt"), FractalFileText(def));
        EXPECT_EQ(exr.strings.at("Pstart"), "-0.7453");
        EXPECT_EQ(exr.strings.at("Pfinish"), "-0.7433");
        EXPECT_EQ(exr.strings.at("Qstart"), "0.1127");
        EXPECT_EQ(exr.strings.at("Qfinish"), "0.1142");

        PlainCounter counter(NumbersOf(def), 40 * samples);
        ImageBuffer png;
        std::string reason;
        ASSERT_TRUE(ReadPngPixels(dir.Path() / "leaf.png", 1 << 20, png, reason)) << reason;
        int interior = 0;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) {
                const PixelPoint point{x * samples, y * samples};
                int count = 0;
                float fraction = 0, dex = 0, dey = 0;
                ASSERT_TRUE(counter.Sample(
                    {&point, 1}, {{&count, 1}, {&fraction, 1}, {&dex, 1}, {&dey, 1}}, {}));
                const std::size_t i = static_cast<std::size_t>(y) * 40 + x;
                if (count >= 700) {
                    ASSERT_EQ(exr.n[i], kInteriorCount);
                    ASSERT_EQ(exr.nf[i], 0.0f);
                    ++interior;
                } else {
                    ASSERT_EQ(exr.n[i], static_cast<std::uint32_t>(count)) << x << ", " << y;
                    ASSERT_EQ(exr.nf[i], 1.0f + fraction) << x << ", " << y;
                }
                ASSERT_EQ(exr.dex[i], dex / static_cast<float>(samples)) << x << ", " << y;
                ASSERT_EQ(exr.dey[i], dey / static_cast<float>(samples)) << x << ", " << y;
                const float red = LinearOfLevel(static_cast<std::uint8_t>(png.At(x, y) >> 16));
                ASSERT_NEAR(exr.red[i], red, red / 1000 + 1e-6);
            }
        EXPECT_GT(interior, 0);
    }
}

TEST(ExrWriter, WritesBandsInPlaceAndLeavesNothingOfAnUnfinishedPicture) {
    test::TempDir dir;
    constexpr int kWidth = 5;
    constexpr int kHeight = 23;
    std::vector<std::uint32_t> n(kWidth * kHeight);
    std::vector<float> value(kWidth * kHeight);
    for (std::size_t i = 0; i < n.size(); ++i) {
        n[i] = static_cast<std::uint32_t>(i * 7919);
        value[i] = static_cast<float>(i) / 64;
    }
    const auto band = [&](int first, int rows) {
        const std::size_t at = static_cast<std::size_t>(first) * kWidth;
        const float* v = value.data() + at;
        return ExrRows{v, v, v, n.data() + at, v, v, v, rows};
    };
    ExrWriter writer;
    ASSERT_TRUE(writer.Open(dir.Path() / "bands.exr", kWidth, kHeight, {})) << writer.Reason();
    for (int first = 0; first < kHeight; first += 7)
        ASSERT_TRUE(writer.WriteRows(band(first, std::min(7, kHeight - first)))) << writer.Reason();
    EXPECT_FALSE(writer.WriteRows(band(0, 1)));  // no room left
    ASSERT_TRUE(writer.Finish()) << writer.Reason();
    const ExrRead exr = ReadExr(dir.Path() / "bands.exr");
    EXPECT_EQ(exr.n, n);
    EXPECT_EQ(exr.nf, value);
    EXPECT_EQ(exr.red, value);  // halves hold these exactly

    // Unfinished, or refused by the system: the target as it was, no temporary file.
    {
        ExrWriter unfinished;
        ASSERT_TRUE(unfinished.Open(dir.Path() / "bands.exr", kWidth, kHeight, {}));
        ASSERT_TRUE(unfinished.WriteRows(band(0, 7)));
        EXPECT_FALSE(unfinished.Finish());
    }
    EXPECT_EQ(ReadExr(dir.Path() / "bands.exr").n, n);
    ExrWriter refused;
    EXPECT_FALSE(refused.Open(dir.Path() / "missing" / "x.exr", kWidth, kHeight, {}));
    EXPECT_FALSE(refused.Reason().empty());
    EXPECT_FALSE(refused.Open(dir.Path() / "y.exr", 0, kHeight, {}));
    EXPECT_EQ(test::Tree(dir.Path()), std::vector<std::string>{"bands.exr"});
}

TEST(ExrPicture, AMovieKeepsItsKeyframesAsOpenExrWhenAsked) {
    test::TempDir dir;
    FractalDef end;
    SetNumbersOf(end, {-0.7453, -0.7433, 0.1127, 0.0, 300, 200.0});
    BuildPalette(64, end.Appearance.Palette);
    const MovieOutput output{MovieOutput::Kind::Frames, dir.Path() / "frames", true};
    const MovieOutcome outcome =
        MakeMovie(end, {.width = 32, .height = 18, .fps = 1, .holdSeconds = 0}, output, {});
    ASSERT_TRUE(outcome.written) << outcome.reason;
    const auto folder = MovieWorkFolder(output.path);
    EXPECT_EQ(test::Tree(folder).size(), 12u);
    const ExrRead key = ReadExr(KeyframeDataPath(folder, 3));
    EXPECT_EQ(key.width, 32);
    const FractalDef view = KeyframeView(end, 3, {32, 18}).value();
    EXPECT_EQ(key.strings.at("Zolt"), FractalFileText(view));
}

}  // namespace
}  // namespace zolt
