#include "app/png_writer.h"

#include <png.h>

#include <string_view>
#include <vector>

#include "settings/safe_file.h"

namespace zolt {

bool WritePng(const ImageBuffer& image, const std::filesystem::path& path) {
    if (image.width <= 0 || image.height <= 0)
        return false;
    std::vector<unsigned char> rgb;
    rgb.reserve(image.pixels.size() * 3);
    for (const Pixel p : image.pixels) {
        rgb.push_back(static_cast<unsigned char>(p >> 16));
        rgb.push_back(static_cast<unsigned char>(p >> 8));
        rgb.push_back(static_cast<unsigned char>(p));
    }
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGB;
    const png_int_32 stride = image.width * 3;  // in samples
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&png, nullptr, &size, 0, rgb.data(), stride, nullptr))
        return false;
    std::vector<unsigned char> bytes(size);
    if (!png_image_write_to_memory(&png, bytes.data(), &size, 0, rgb.data(), stride, nullptr))
        return false;
    return WriteFileAtomically(path,
                               std::string_view(reinterpret_cast<const char*>(bytes.data()), size));
}

}  // namespace zolt
