// The render itself: blocks from the source through the plug-in into the
// output file, with the host's timeline moving on by each block.
#pragma once

#include <cstdint>

#include "tools/quillbeat-render/audio_file.h"
#include "tools/quillbeat-render/audio_source.h"
#include "tools/quillbeat-render/progress_bar.h"
#include "tools/quillbeat-render/render_plugin.h"
#include "tools/quillbeat-render/waveform.h"

// Where the rendered audio goes besides the file; each may be null.
struct RenderObservers {
    ProgressBar* progress = nullptr;
    AmplitudeLane* inputLane = nullptr;
    AmplitudeLane* outputLane = nullptr;
};

// Processes the whole source in blocks of settings.blockSize frames (the
// last one shorter) and writes the plug-in's outputs. The source has at
// most as many channels as the plug-in has inputs: a mono source feeds every
// input, any other feeds the inputs in order and the rest get silence.
// Returns the frames rendered.
std::int64_t renderBlocks(PluginRun& plugin, AudioSource& source, SoundFileWriter& writer, int blockSize,
                          const RenderObservers& observers);
