// Replays the fuzzer's seed corpus and every input that once made it fail
// against the built plug-in, in every build (the sanitizer run included), so
// a fault the fuzzer found stays found.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz/hostile_requests.h"
#include "hosting/built_plugin.h"

namespace {

std::vector<std::filesystem::path> requestFiles(const char* directory) {
    std::vector<std::filesystem::path> files;
    if (!std::filesystem::is_directory(directory)) return files;
    for (const auto& entry : std::filesystem::directory_iterator(directory))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::uint8_t> contents(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

void replay(const char* directory, std::size_t atLeast) {
    const RecordEntryPoint entry = quillbeatLibrary().entry("VSTPluginMain");
    ASSERT_NE(entry, nullptr) << quillbeatLibrary().error();
    const auto files = requestFiles(directory);
    EXPECT_GE(files.size(), atLeast) << directory;
    for (const auto& file : files) {
        const auto bytes = contents(file);
        EXPECT_EQ(playHostileRequests(entry, bytes.data(), bytes.size()), "") << file.filename();
    }
}

TEST(FuzzReplay, SeedCorpus) { replay(QUILLBEAT_FUZZ_CORPUS, 10); }

// Inputs that once broke a check, named after what they found.
TEST(FuzzReplay, Regressions) { replay(QUILLBEAT_FUZZ_REGRESSIONS, 0); }

}  // namespace
