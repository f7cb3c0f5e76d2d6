#include "document/png_pixels.h"

#include <png.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "settings/safe_file.h"

namespace zolt {

bool ReadPngPixels(const std::filesystem::path& path, long long maxPixels, ImageBuffer& image,
                   std::string& reason) {
    // As every file the program reads: never blocking, and only a regular one.
    const int fd = OpenRegularFile(path, &reason);
    if (fd < 0)
        return false;
    std::FILE* file = ::fdopen(fd, "rb");
    if (file == nullptr) {
        reason = std::strerror(errno);
        ::close(fd);
        return false;
    }
    // libpng's simplified reader keeps its error handling to itself.
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    bool read = false;
    if (png_image_begin_read_from_stdio(&png, file) == 0) {
        reason = png.message;
    } else if (static_cast<long long>(png.width) * png.height > maxPixels) {
        reason = "a picture larger than " + std::to_string(maxPixels) + " pixels";
        png_image_free(&png);
    } else {
        try {
            png.format = PNG_FORMAT_RGB;
            std::vector<png_byte> bytes(PNG_IMAGE_SIZE(png));
            if (png_image_finish_read(&png, nullptr, bytes.data(), 0, nullptr) == 0) {
                reason = png.message;
            } else {
                image.width = static_cast<int>(png.width);
                image.height = static_cast<int>(png.height);
                image.pixels.resize(bytes.size() / 3);
                for (std::size_t i = 0; i < image.pixels.size(); ++i)
                    image.pixels[i] = MakePixel(bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]);
                read = true;
            }
        } catch (const std::bad_alloc&) {
            reason = "out of memory";
            png_image_free(&png);
        }
    }
    std::fclose(file);
    return read;
}

}  // namespace zolt
