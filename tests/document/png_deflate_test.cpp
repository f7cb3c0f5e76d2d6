#include "document/png_deflate.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include "document/png_file.h"
#include "support/temp_dir.h"

namespace zolt {
namespace {

using Bytes = ParallelDeflate::Bytes;

// Runs of colour with noise between them, as fractal pictures have.
ImageBuffer Picture(int width, int height) {
    ImageBuffer image{width, height, std::vector<Pixel>(static_cast<std::size_t>(width) * height)};
    std::uint32_t state = 12345;
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        image.pixels[i] = i % 97 < 60 ? MakePixel(static_cast<std::uint8_t>(i / 5000), 10, 200)
                                      : 0xff000000u | (state >> 8);
    }
    return image;
}

// The picture in a PNG file as libpng reads it, nothing if it reads it with a complaint.
std::optional<ImageBuffer> Decoded(const std::filesystem::path& path) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str()))
        return std::nullopt;
    png.format = PNG_FORMAT_RGB;
    std::vector<png_byte> rgb(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, rgb.data(), 0, nullptr) || png.warning_or_error != 0)
        return std::nullopt;
    ImageBuffer image{static_cast<int>(png.width), static_cast<int>(png.height), {}};
    for (std::size_t i = 0; i < rgb.size(); i += 3)
        image.pixels.push_back(MakePixel(rgb[i], rgb[i + 1], rgb[i + 2]));
    return image;
}

// Writes `image` on `threads` threads, handing it in bands of `bandRows`.
std::string Written(const ImageBuffer& image, const std::filesystem::path& path, int threads,
                    int bandRows) {
    PngWriter png(threads);
    EXPECT_TRUE(png.Open(path, image.width, image.height, {}));
    for (int first = 0; first < image.height; first += bandRows) {
        const int rows = std::min(bandRows, image.height - first);
        EXPECT_TRUE(
            png.WriteRows(image.pixels.data() + static_cast<std::size_t>(first) * image.width, rows,
                          image.width));
    }
    EXPECT_TRUE(png.Finish()) << png.Reason();
    return test::ReadBytes(path);
}

TEST(PngDeflateTest, AnyThreadsAndAnyBandsWriteTheSameBytesThatDecodeToThePicture) {
    test::TempDir dir;
    // Rows of 1,501 bytes: several pieces, not a whole number of them.
    const ImageBuffer image = Picture(500, 1201);
    const auto path = dir.Path() / "a.png";
    const std::string expected = Written(image, path, 1, image.height);
    EXPECT_EQ(Decoded(path), image);
    for (const int threads : {1, 2, 3, 8})
        for (const int bandRows : {1, 7, 174, 175, 1201})
            EXPECT_EQ(Written(image, path, threads, bandRows), expected)
                << threads << " threads, bands of " << bandRows;
}

TEST(PngDeflateTest, PicturesOfEveryShapeDecode) {
    test::TempDir dir;
    // One pixel, one row, one column, odd sides, and rows larger than a piece.
    for (const auto& [width, height] : std::initializer_list<std::pair<int, int>>{
             {1, 1}, {3000, 1}, {1, 3000}, {97, 61}, {90000, 3}}) {
        const ImageBuffer image = Picture(width, height);
        const auto path = dir.Path() / "shape.png";
        std::string reason;
        ASSERT_TRUE(WritePng(image, path, {}, &reason, 3)) << reason;
        EXPECT_EQ(Decoded(path), image) << width << " x " << height;
    }
    // Noise alone, which no compressor shrinks: its pieces come out larger than they went in.
    ImageBuffer noise = Picture(700, 400);
    std::uint32_t state = 99;
    for (Pixel& pixel : noise.pixels) {
        state = state * 1664525u + 1013904223u;
        pixel = 0xff000000u | (state >> 8);
    }
    const auto path = dir.Path() / "noise.png";
    std::string reason;
    ASSERT_TRUE(WritePng(noise, path, {}, &reason, 2)) << reason;
    EXPECT_EQ(Decoded(path), noise);
}

TEST(PngDeflateTest, AnIncompleteOrOverfullPictureIsNotWritten) {
    test::TempDir dir;
    const ImageBuffer image = Picture(300, 2000);
    PngWriter empty(2);
    EXPECT_FALSE(empty.Open(dir.Path() / "a.png", 300, 0, {}));
    EXPECT_EQ(empty.Reason(), "a picture needs a width and a height");

    PngWriter partial(2);
    ASSERT_TRUE(partial.Open(dir.Path() / "a.png", 300, 2000, {}));
    ASSERT_TRUE(partial.WriteRows(image.pixels.data(), 1999, 300));
    EXPECT_FALSE(partial.Finish());
    EXPECT_EQ(partial.Reason(), "the picture is not complete");

    PngWriter overfull(2);
    ASSERT_TRUE(overfull.Open(dir.Path() / "a.png", 300, 1000, {}));
    EXPECT_FALSE(overfull.WriteRows(image.pixels.data(), 2000, 300));
    EXPECT_EQ(overfull.Reason(), "more rows than the picture has");
    EXPECT_FALSE(overfull.Finish());
    EXPECT_TRUE(test::Tree(dir.Path()).empty());
}

// The pieces joined are one zlib stream, over several calls and with more pieces than the
// threads hold at once, ended with or without a piece; a sink that refuses stops it at once.
TEST(PngDeflateTest, PiecesJoinIntoOneStreamAndARefusalStopsIt) {
    const auto fill = [](int index, Bytes& bytes) {
        bytes.assign(static_cast<std::size_t>(index) * 1000 + 1, static_cast<unsigned char>(index));
        bytes.back() = 'x';
    };
    ParallelDeflate deflate(4);
    Bytes stream;
    const auto keep = [&stream](std::span<const unsigned char> bytes) {
        stream.insert(stream.end(), bytes.begin(), bytes.end());
        return true;
    };
    ASSERT_TRUE(deflate.Compress(40, fill, false, keep));
    ASSERT_TRUE(deflate.Compress(0, fill, false, keep));
    ASSERT_TRUE(deflate.Compress(3, fill, false, keep));
    ASSERT_TRUE(deflate.Compress(0, fill, true, keep));  // the end, after the last piece
    std::string expected;
    for (int index : {40, 3})
        for (int i = 0; i < index; ++i)
            expected += std::string(static_cast<std::size_t>(i) * 1000, static_cast<char>(i)) + 'x';
    std::string output(expected.size() + 1, '\0');
    uLongf length = output.size();
    ASSERT_EQ(
        uncompress(reinterpret_cast<Bytef*>(output.data()), &length, stream.data(), stream.size()),
        Z_OK);
    output.resize(length);
    EXPECT_EQ(output, expected);

    ParallelDeflate refused(4);
    int calls = 0;
    EXPECT_FALSE(refused.Compress(
        50, fill, true, [&calls](std::span<const unsigned char>) { return ++calls < 5; }));
    EXPECT_EQ(calls, 5);
    EXPECT_EQ(refused.Reason(), "");
}

}  // namespace
}  // namespace zolt
