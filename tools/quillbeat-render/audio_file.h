// Audio files through libsndfile: any format it reads on the way in; on the
// way out the format follows the file's extension.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/quillbeat-render/audio_source.h"
#include "tools/quillbeat-render/container_size.h"

struct sf_private_tag;

struct OutputFormat {
    int sndfileFormat = 0;  // libsndfile's major format | subtype
    std::string description;
    // Why the format cannot go down a pipe; empty when it can.
    std::string pipeRefusal;
};

// The format for an output path: .wav and .aiff are 32-bit float unless
// `bits` asks for 16- or 24-bit integers; .flac is 24-bit unless 16 is asked
// for; .ogg is Vorbis and takes no bit depth. Float WAV has the extensible
// header, which readers expect of samples other than integers. Case is
// ignored. FLAC and Vorbis can be written to a pipe; WAV and AIFF cannot.
// Throws UsageError for any other extension.
OutputFormat outputFormatFor(const std::string& path, std::optional<int> bits);

// "input PATH", or "standard input" for "-": how messages name an input.
std::string inputName(const std::string& path);

class SoundFileReader final : public AudioSource {
public:
    // Reads `path`, or standard input when it is "-". Throws RenderError when
    // the file is missing, is a folder, or libsndfile cannot read it.
    explicit SoundFileReader(const std::string& path);
    ~SoundFileReader() override;
    SoundFileReader(const SoundFileReader&) = delete;
    SoundFileReader& operator=(const SoundFileReader&) = delete;

    int channels() const override { return channelCount; }
    double sampleRate() const override { return rate; }
    // None for a pipe, whose header cannot know the length, and for a file
    // whose length libsndfile could not find.
    std::optional<std::int64_t> frames() const override { return frameCount; }
    // Throws RenderError when libsndfile fails, when the file ends before
    // the frames its header promised (it was cut short, perhaps while it was
    // read), and at a sample that is NaN or infinite.
    int read(float* const* channels, int frames) override;

private:
    std::string name;  // as inputName() gives it
    sf_private_tag* file = nullptr;
    int channelCount = 0;
    double rate = 0.0;
    std::optional<std::int64_t> frameCount;
    std::int64_t framesRead = 0;
    std::vector<float> interleaved;
};

class SoundFileWriter {
public:
    // Writes to an open descriptor (the pending output file), which it
    // copies and leaves open, in the container chosen for the render's
    // length; `name` is the path shown in errors. Throws RenderError when the
    // format cannot hold this many channels at this rate, or the descriptor
    // is a device that cannot seek.
    SoundFileWriter(int descriptor, const std::string& name, const OutputFormat& format,
                    const ContainerChoice& container, int channels, int sampleRate);
    ~SoundFileWriter();
    SoundFileWriter(const SoundFileWriter&) = delete;
    SoundFileWriter& operator=(const SoundFileWriter&) = delete;

    // Appends `frames` frames from channels[c]. Throws RenderError, also
    // when the file would grow past what its container holds.
    void write(const float* const* channels, int frames);
    // Finishes the file (headers, last compressed frames). Throws RenderError.
    void close();

private:
    std::string name;
    std::string description;
    sf_private_tag* file = nullptr;
    int channelCount = 0;
    std::optional<std::int64_t> maxFrames;
    std::int64_t framesWritten = 0;
    std::vector<float> interleaved;
};

// "AIFF 32-bit float holds at most ... frames of this render (4 GiB)".
std::string sizeLimitText(const std::string& description, std::int64_t maxFrames);
