// guide-audio: the two steps of scripts/guide-pictures.sh that need the
// guide test's own code.
//   guide-audio input SECONDS RATE FILE.wav   writes the pictures' input
//   guide-audio hash FILE                     prints the hash of a file's samples
#include <cstdio>
#include <exception>
#include <string>

#include "tests/docs/guide_audio.h"

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    try {
        if (command == "input" && argc == 5) {
            writeSound(argv[4], guideInput(std::stod(argv[2]), std::stoi(argv[3])));
            return 0;
        }
        if (command == "hash" && argc == 3) {
            std::printf("%s\n", sampleHash(readSound(argv[2])).c_str());
            return 0;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "guide-audio: %s\n", error.what());
        return 1;
    }
    std::fprintf(stderr, "usage: guide-audio input SECONDS RATE FILE.wav | guide-audio hash FILE\n");
    return 2;
}
