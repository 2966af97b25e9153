// guide-audio: the steps of scripts/guide-pictures.sh whose code the guide's
// test shares (guide_audio.h).
//   guide-audio input SECONDS RATE FILE.wav   writes the pictures' input
//   guide-audio hash FILE                     prints the hash of a file's samples
//   guide-audio presets FOLDER                prints the gallery's pictures as lines
//                                             of pictures.txt, from the .fxp files
//                                             in FOLDER
//   guide-audio gallery GUIDE.md              writes the gallery into the guide
#include <cstdio>
#include <exception>
#include <string>

#include "tools/guide-audio/guide_audio.h"

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
        if (command == "presets" && argc == 3) {
            for (const GuidePicture& picture : presetPictures(argv[2])) {
                std::printf("%s %g %d", picture.name.c_str(), picture.seconds, picture.sampleRate);
                for (const std::string& option : picture.options) std::printf(" %s", option.c_str());
                std::printf("\n");
            }
            return 0;
        }
        if (command == "gallery" && argc == 3) {
            writePresetGallery(argv[2]);
            return 0;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "guide-audio: %s\n", error.what());
        return 1;
    }
    std::fprintf(stderr,
                 "usage: guide-audio input SECONDS RATE FILE.wav | guide-audio hash FILE | guide-audio presets FOLDER |"
                 " guide-audio gallery GUIDE.md\n");
    return 2;
}
