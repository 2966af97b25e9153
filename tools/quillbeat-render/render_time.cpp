#include "tools/quillbeat-render/render_time.h"

#include <cstdio>

std::string renderTimeText(std::int64_t frame, double sampleRate) {
    const auto tenths = static_cast<long long>(static_cast<double>(frame) * 10.0 / sampleRate);
    char text[48];
    std::snprintf(text, sizeof text, "%lld:%02lld.%lld", tenths / 600, tenths / 10 % 60, tenths % 10);
    return text;
}
