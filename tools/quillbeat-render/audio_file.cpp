#include "tools/quillbeat-render/audio_file.h"

#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "tools/quillbeat-render/render_error.h"
#include "tools/quillbeat-render/render_time.h"

namespace {

struct FormatByExtension {
    const char* extension;
    int major;       // for integer samples
    int floatFormat;  // major | subtype for float samples; 0: the format has none
    const char* name;
};
constexpr FormatByExtension kFormats[] = {
    {".wav", SF_FORMAT_WAV, SF_FORMAT_WAVEX | SF_FORMAT_FLOAT, "WAV"},
    {".aiff", SF_FORMAT_AIFF, SF_FORMAT_AIFF | SF_FORMAT_FLOAT, "AIFF"},
    {".aif", SF_FORMAT_AIFF, SF_FORMAT_AIFF | SF_FORMAT_FLOAT, "AIFF"},
    {".flac", SF_FORMAT_FLAC, 0, "FLAC"},
    {".ogg", SF_FORMAT_OGG, 0, "Ogg Vorbis"},
};

std::string lowercaseExtension(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string extension = path.substr(dot);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

// The sample rate in a RIFF or RF64 WAV's format chunk; none when the file
// is not such a WAV or has no format chunk near its start.
std::optional<std::uint32_t> wavSampleRate(const std::string& path) {
    unsigned char header[65536];
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    const ssize_t length = pread(fd, header, sizeof header, 0);
    close(fd);
    const auto word = [&](std::size_t at) {
        return static_cast<std::uint32_t>(header[at] | header[at + 1] << 8 | header[at + 2] << 16 |
                                          static_cast<std::uint32_t>(header[at + 3]) << 24);
    };
    if (length < 12 || (std::memcmp(header, "RIFF", 4) != 0 && std::memcmp(header, "RF64", 4) != 0) ||
        std::memcmp(header + 8, "WAVE", 4) != 0) {
        return std::nullopt;
    }
    // Chunks: a four-letter name, a 32-bit size, the data padded to an even size.
    for (std::size_t at = 12; at + 16 <= static_cast<std::size_t>(length);) {
        if (std::memcmp(header + at, "fmt ", 4) == 0) return word(at + 12);
        at += 8 + static_cast<std::size_t>(word(at + 4)) + (word(at + 4) & 1);
    }
    return std::nullopt;
}

// Why libsndfile could not write, from its error `code` and the system's
// error number, which is cleared before each call. A full disk explains
// whatever the encoder said of it; an encoder that fails without a word
// (FLAC) or with a code that has none (Vorbis, whose code is negative, and
// libsndfile prints a complaint about such a code to standard output) is
// described by the system's reason.
std::string writeFailure(int code, int systemError) {
    if (systemError == ENOSPC || systemError == EDQUOT || ((code == SF_ERR_SYSTEM || code <= 0) && systemError != 0))
        return systemErrorText(systemError);
    if (code > 0) return sf_error_number(code);
    return "the encoder stopped without giving a reason";
}

}  // namespace

OutputFormat outputFormatFor(const std::string& path, std::optional<int> bits) {
    const std::string extension = lowercaseExtension(path);
    for (const FormatByExtension& format : kFormats) {
        if (extension != format.extension) continue;
        if (format.major == SF_FORMAT_OGG) {
            if (bits) throw UsageError("--bits does not apply to .ogg output (Vorbis has no bit depth)");
            return {SF_FORMAT_OGG | SF_FORMAT_VORBIS, "Ogg Vorbis", ""};
        }
        const int integerBits = bits ? *bits : (format.floatFormat == 0 ? 24 : 0);
        const int subtype = integerBits == 16 ? SF_FORMAT_PCM_16 : SF_FORMAT_PCM_24;
        OutputFormat chosen{integerBits == 0 ? format.floatFormat : format.major | subtype,
                            std::string(format.name) + " " +
                                (integerBits == 0 ? "32-bit float" : std::to_string(integerBits) + "-bit"),
                            ""};
        if (format.major != SF_FORMAT_FLAC) {
            chosen.pipeRefusal =
                chosen.description + " goes back to fill in its header at the end; a pipe takes .flac or .ogg";
        }
        return chosen;
    }
    throw UsageError("cannot tell the output format from '" + path + "': use .wav, .flac, .aiff or .ogg");
}

std::string inputName(const std::string& path) { return path == "-" ? "standard input" : "input " + path; }

SoundFileReader::SoundFileReader(const std::string& path) : name(inputName(path)) {
    SF_INFO info{};
    if (path == "-") {
        file = sf_open_fd(STDIN_FILENO, SFM_READ, &info, SF_FALSE);
    } else {
        // libsndfile reports a missing file as a generic system error; say
        // plainly what is wrong.
        if (access(path.c_str(), R_OK) != 0) throw RenderError("cannot read " + name + ": " + std::strerror(errno));
        struct stat status {};
        if (stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
            throw RenderError("cannot read " + name + ": it is a folder");
        }
        file = sf_open(path.c_str(), SFM_READ, &info);
    }
    if (file == nullptr) {
        // libsndfile calls a WAV without a sample rate an internal error.
        const std::string reason = path != "-" && wavSampleRate(path) == 0 ? "the file's sample rate is 0"
                                                                             : sf_strerror(nullptr);
        throw RenderError("cannot read " + name + ": " + reason);
    }
    if (info.channels < 1) {
        sf_close(file);
        throw RenderError("cannot read " + name + ": it has no channels");
    }
    channelCount = info.channels;
    rate = info.samplerate;
    // A pipe's header was written before its writer knew the length; and
    // libsndfile gives the largest count for a length it could not find (an
    // Ogg file cut short).
    if (info.seekable != SF_FALSE && info.frames != SF_COUNT_MAX) frameCount = info.frames;
}

SoundFileReader::~SoundFileReader() { sf_close(file); }

int SoundFileReader::read(float* const* channels, int frames) {
    interleaved.resize(static_cast<std::size_t>(frames) * static_cast<std::size_t>(channelCount));
    const sf_count_t got = sf_readf_float(file, interleaved.data(), frames);
    if (got < 0 || sf_error(file) != SF_ERR_NO_ERROR) {
        throw RenderError("cannot read " + name + ": " + sf_strerror(file));
    }
    const int count = static_cast<int>(got);
    // libsndfile reads a file that shrank after it was opened to its new
    // end, and says nothing.
    if (count < frames && frameCount && framesRead + count < *frameCount) {
        throw RenderError(name + " ended early, at " + renderTimeText(framesRead + count, rate) + ", after " +
                          std::to_string(framesRead + count) + " of the " + std::to_string(*frameCount) +
                          " frames its header promised");
    }
    const auto end = interleaved.begin() + static_cast<std::ptrdiff_t>(count) * channelCount;
    const auto bad = std::find_if(interleaved.begin(), end, [](float x) { return !std::isfinite(x); });
    if (bad != end) {
        throw RenderError(name + " has values that are not numbers at " +
                          renderTimeText(framesRead + (bad - interleaved.begin()) / channelCount, rate));
    }
    framesRead += count;
    for (int c = 0; c < channelCount; ++c) {
        const float* from = interleaved.data() + c;
        float* to = channels[c];
        for (int i = 0; i < count; ++i) to[i] = from[static_cast<std::size_t>(i) * channelCount];
    }
    return count;
}

SoundFileWriter::SoundFileWriter(int descriptor, const std::string& name, const OutputFormat& format,
                                 const ContainerChoice& container, int channels, int sampleRate)
    : name(name), description(format.description), channelCount(channels), maxFrames(container.maxFrames) {
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = sampleRate;
    info.format = container.sndfileFormat;
    if (sf_format_check(&info) == SF_FALSE) {
        throw RenderError("cannot write " + name + ": " + format.description + " does not take " +
                          std::to_string(channels) + " channels at " + std::to_string(sampleRate) + " Hz");
    }
    // libsndfile streams only to a pipe; anything else must seek.
    struct stat status {};
    if (fstat(descriptor, &status) == 0 && !S_ISFIFO(status.st_mode) && lseek(descriptor, 0, SEEK_CUR) < 0 &&
        errno == ESPIPE) {
        throw RenderError("cannot write " + name +
                          ": it is a device that cannot seek; sound goes to a file, or to a pipe as .flac or .ogg");
    }
    // libsndfile closes the descriptor it is given when it fails to open,
    // whatever it is told, so it gets a copy of its own.
    const int copy = fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) throw RenderError("cannot write " + name + ": " + std::strerror(errno));
    errno = 0;
    file = sf_open_fd(copy, SFM_WRITE, &info, SF_TRUE);
    if (file == nullptr) throw RenderError("cannot write " + name + ": " + writeFailure(sf_error(nullptr), errno));
    if (container.plan == ContainerPlan::Rf64 &&
        sf_command(file, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE) != SF_TRUE) {
        sf_close(file);
        file = nullptr;
        throw RenderError("cannot write " + name + ": this libsndfile cannot end RF64 as plain WAV");
    }
    // Integer output clips what lies beyond full scale instead of letting it
    // wrap around to the opposite sign.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

SoundFileWriter::~SoundFileWriter() {
    if (file != nullptr) sf_close(file);
}

void SoundFileWriter::write(const float* const* channels, int frames) {
    if (maxFrames && framesWritten + frames > *maxFrames) {
        throw RenderError("cannot write " + name + ": " + sizeLimitText(description, *maxFrames));
    }
    interleaved.resize(static_cast<std::size_t>(frames) * static_cast<std::size_t>(channelCount));
    for (int c = 0; c < channelCount; ++c) {
        const float* from = channels[c];
        float* to = interleaved.data() + c;
        for (int i = 0; i < frames; ++i) to[static_cast<std::size_t>(i) * channelCount] = from[i];
    }
    errno = 0;
    if (sf_writef_float(file, interleaved.data(), frames) != frames) {
        throw RenderError("cannot write " + name + ": " + writeFailure(sf_error(file), errno));
    }
    framesWritten += frames;
}

void SoundFileWriter::close() {
    SNDFILE* closing = file;
    file = nullptr;
    errno = 0;
    if (const int code = sf_close(closing); code != 0) {
        throw RenderError("cannot write " + name + ": " + writeFailure(code, errno));
    }
}

std::string sizeLimitText(const std::string& description, std::int64_t maxFrames) {
    return description + " holds at most " + std::to_string(maxFrames) + " frames of this render (4 GiB)";
}
