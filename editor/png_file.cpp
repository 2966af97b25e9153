#include "editor/png_file.h"

#include <fstream>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wcast-align"
#endif
#include <stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

std::vector<std::uint8_t> pngBytes(const Canvas& canvas) {
    std::vector<std::uint8_t> png;
    if (canvas.width <= 0 || canvas.height <= 0) return png;
    std::vector<std::uint8_t> rgb;
    rgb.reserve(canvas.pixels.size() * 3);
    for (std::uint32_t pixel : canvas.pixels) {
        rgb.push_back(static_cast<std::uint8_t>(pixel >> 16));
        rgb.push_back(static_cast<std::uint8_t>(pixel >> 8));
        rgb.push_back(static_cast<std::uint8_t>(pixel));
    }
    const auto append = [](void* context, void* data, int size) {
        auto* bytes = static_cast<std::uint8_t*>(data);
        static_cast<std::vector<std::uint8_t>*>(context)->insert(static_cast<std::vector<std::uint8_t>*>(context)->end(),
                                                                 bytes, bytes + size);
    };
    if (!stbi_write_png_to_func(append, &png, canvas.width, canvas.height, 3, rgb.data(), canvas.width * 3)) png.clear();
    return png;
}

bool writePng(const Canvas& canvas, const std::string& path) {
    const std::vector<std::uint8_t> png = pngBytes(canvas);
    if (png.empty()) return false;
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    return static_cast<bool>(file.flush());
}
