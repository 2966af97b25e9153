// Writes the factory presets as VST 2 preset files at build time.
//
//   write_presets FOLDER
#include <cstdio>
#include <exception>

#include "presets/factory_preset_files.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: write_presets FOLDER\n");
        return 2;
    }
    try {
        writeFactoryPresetFiles(argv[1]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "write_presets: %s\n", error.what());
        return 1;
    }
    return 0;
}
