// Replays the fuzzers' seed corpora and every input that once made one fail
// against the built plug-in and the LV2 and CLAP editions, in every build
// (the sanitizer run included), so a fault a fuzzer found stays found.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/hostile_requests.h"
#include "player/built_plugin.h"

#if defined(QUILLBEAT_LV2_LIBRARY) || defined(QUILLBEAT_CLAP_LIBRARY)
#include <dlfcn.h>
#endif
#ifdef QUILLBEAT_LV2_LIBRARY
#include "fuzz/lv2_messages.h"
#endif
#ifdef QUILLBEAT_CLAP_LIBRARY
#include "fuzz/clap_calls.h"
#endif

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

// Plays one input; the first broken check, or empty.
using Player = std::string (*)(const std::vector<std::uint8_t>&);

// Replays every file in `directory`; how many there were.
std::size_t replay(const char* directory, Player play) {
    const auto files = requestFiles(directory);
    for (const auto& file : files) EXPECT_EQ(play(contents(file)), "") << directory << ": " << file.filename();
    return files.size();
}

std::string playRecordRequests(const std::vector<std::uint8_t>& bytes) {
    const PluginEntry entry = quillbeatLibrary().entry("VSTPluginMain");
    if (entry == nullptr) return quillbeatLibrary().error();
    return playHostileRequests(entry, bytes.data(), bytes.size());
}

#ifdef QUILLBEAT_LV2_LIBRARY
std::string playLv2Session(const std::vector<std::uint8_t>& bytes) {
    void* library = dlopen(QUILLBEAT_LV2_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return dlerror();
    using DescriptorFunction = const LV2_Descriptor* (*)(std::uint32_t);
    const auto descriptor = reinterpret_cast<DescriptorFunction>(dlsym(library, "lv2_descriptor"));
    std::string failure = descriptor != nullptr ? playLv2Messages(*descriptor(0), bytes.data(), bytes.size())
                                                : "no lv2_descriptor";
    dlclose(library);
    return failure;
}
#endif

#ifdef QUILLBEAT_CLAP_LIBRARY
std::string playClapSession(const std::vector<std::uint8_t>& bytes) {
    void* library = dlopen(QUILLBEAT_CLAP_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return dlerror();
    const auto* entry = static_cast<const clap::clap_plugin_entry*>(dlsym(library, "clap_entry"));
    std::string failure = entry != nullptr ? playClapCalls(*entry, bytes.data(), bytes.size()) : "no clap_entry";
    dlclose(library);
    return failure;
}
#endif

TEST(FuzzReplay, SeedCorpus) {
    EXPECT_GE(replay(QUILLBEAT_FUZZ_CORPUS "/record_fuzzer", playRecordRequests), 10u);
#ifdef QUILLBEAT_LV2_LIBRARY
    EXPECT_GE(replay(QUILLBEAT_FUZZ_CORPUS "/lv2_message_fuzzer", playLv2Session), 5u);
#endif
#ifdef QUILLBEAT_CLAP_LIBRARY
    EXPECT_GE(replay(QUILLBEAT_FUZZ_CORPUS "/clap_fuzzer", playClapSession), 4u);
#endif
}

// Inputs that once broke a check, or crashed, named after what they found.
TEST(FuzzReplay, Regressions) {
    replay(QUILLBEAT_FUZZ_REGRESSIONS "/record_fuzzer", playRecordRequests);
#ifdef QUILLBEAT_LV2_LIBRARY
    EXPECT_GE(replay(QUILLBEAT_FUZZ_REGRESSIONS "/lv2_message_fuzzer", playLv2Session), 3u);
#endif
#ifdef QUILLBEAT_CLAP_LIBRARY
    replay(QUILLBEAT_FUZZ_REGRESSIONS "/clap_fuzzer", playClapSession);
#endif
}

}  // namespace
