#include "tools/quillbeat-render/container_size.h"

#include <sndfile.h>

namespace {

// The largest count a 32-bit size field holds, less room for every chunk
// libsndfile writes besides the samples (format, fact, peak, ...), which
// together stay far below this.
constexpr std::int64_t kMaxBytes = 0xFFFFFFFFLL;
constexpr std::int64_t kHeaderAllowance = 64 * 1024;

struct SampleSize {
    int subtype;
    int bytes;
};
constexpr SampleSize kSampleSizes[] = {
    {SF_FORMAT_PCM_S8, 1}, {SF_FORMAT_PCM_U8, 1}, {SF_FORMAT_PCM_16, 2}, {SF_FORMAT_PCM_24, 3},
    {SF_FORMAT_PCM_32, 4}, {SF_FORMAT_FLOAT, 4},  {SF_FORMAT_DOUBLE, 8},
};

bool hasByteSizes32(int major) { return major == SF_FORMAT_WAV || major == SF_FORMAT_WAVEX || major == SF_FORMAT_AIFF; }

int bytesPerSample(int subtype) {
    for (const SampleSize& size : kSampleSizes) {
        if (size.subtype == subtype) return size.bytes;
    }
    return 0;
}

}  // namespace

ContainerChoice chooseContainer(int sndfileFormat, int channels, std::optional<std::int64_t> frames) {
    const int major = sndfileFormat & SF_FORMAT_TYPEMASK;
    const int subtype = sndfileFormat & SF_FORMAT_SUBMASK;
    const int bytes = bytesPerSample(subtype);
    if (!hasByteSizes32(major) || bytes == 0 || channels < 1) return {ContainerPlan::AsAsked, sndfileFormat, {}};

    const std::int64_t maxFrames = (kMaxBytes - kHeaderAllowance) / (static_cast<std::int64_t>(channels) * bytes);
    if (frames && *frames <= maxFrames) return {ContainerPlan::AsAsked, sndfileFormat, maxFrames};
    if (major != SF_FORMAT_AIFF) return {ContainerPlan::Rf64, SF_FORMAT_RF64 | subtype, {}};
    // An AIFF of unknown length is started; the writer stops it at the limit.
    return {frames ? ContainerPlan::TooLarge : ContainerPlan::AsAsked, sndfileFormat, maxFrames};
}
