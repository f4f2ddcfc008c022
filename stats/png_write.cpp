// The PNG encoder: Debian's header-only stb_image_write, compiled here once.
#include "stats/chart.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wunused-function"
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>
#pragma GCC diagnostic pop

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kvdstat {

namespace {

struct Sink {
    std::FILE* file;
    bool failed;
};

void WriteChunk(void* context, void* data, int size) {
    Sink& sink = *static_cast<Sink*>(context);
    if (!sink.failed &&
        std::fwrite(data, 1, static_cast<std::size_t>(size), sink.file) != static_cast<std::size_t>(size))
        sink.failed = true;
}

}  // namespace

bool WriteChartPng(const Chart& chart, const std::string& path, std::string& error) {
    const std::vector<uint8_t> rgb = RenderChart(chart);
    Sink sink{std::fopen(path.c_str(), "wb"), false};
    if (sink.file == nullptr) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    const int ok =
        stbi_write_png_to_func(WriteChunk, &sink, chart.width, chart.height, 3, rgb.data(), chart.width * 3);
    const bool closed = std::fclose(sink.file) == 0;
    if (!ok || sink.failed || !closed) {
        error = path + ": the picture could not be written";
        return false;
    }
    return true;
}

}  // namespace kvdstat
