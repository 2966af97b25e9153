// The audio behind the pictures of docs/guide.md: the input every picture is
// drawn from, the table of the pictures' settings, and a hash of rendered
// samples. scripts/guide-pictures.sh (through guide-audio) and the guide's
// test (tests/docs/) use these same functions, so the two cannot disagree.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tests/render/support/sound_files.h"

// A mono sawtooth of 100 frames a period (441 Hz at 44.1 kHz), peaking at
// 0.5: steady, so the output's outline is the effect's envelope, and bright,
// so the low-pass filter shows. Made of exact arithmetic only, so its samples
// are the same on every machine.
Sound guideInput(double seconds, int sampleRate);

// A hash of the sample data alone (channels, rate, frames and every sample's
// bits), whatever the file's header looks like: 16 hexadecimal digits.
std::string sampleHash(const Sound& sound);

// One line of docs/pictures/pictures.txt: NAME SECONDS RATE OPTIONS...
struct GuidePicture {
    std::string name;
    double seconds = 0.0;  // of the input
    int sampleRate = 0;    // of the input
    std::vector<std::string> options;  // quillbeat-render options, in order
};

// Reads the table; '#' starts a comment line. Throws std::runtime_error.
std::vector<GuidePicture> readPictureTable(const std::string& path);

// Reads docs/pictures/audio-hashes.txt: HASH NAME, one a line.
std::map<std::string, std::string> readAudioHashes(const std::string& path);

// The pictures of the guide's preset gallery, "preset-<slug>", one per
// factory preset, loaded from its file in `presetFolder`. Each starts at
// sample 5 292 000 (two minutes at 44.1 kHz), where a step begins at every
// tempo whose step is a whole number of samples, as every preset's is.
std::vector<GuidePicture> presetPictures(const std::string& presetFolder);

// The gallery in the guide, between its two marker lines: for each preset
// its picture and one line, with the switch mode and tempo as the plug-in
// shows them.
std::string presetGallery();

// Writes presetGallery() between the marker lines of the guide at `path`.
// Throws std::runtime_error.
void writePresetGallery(const std::string& path);
