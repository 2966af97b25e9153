// The pictures of docs/guide.md: each is rendered again with the built tool,
// and the rendered samples must still hash to what was committed beside the
// picture. A change to the effect or the tool that alters what a picture
// shows fails here until scripts/guide-pictures.sh has drawn it again (and
// someone has read the guide's words about it).
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <ostream>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/guide-audio/guide_audio.h"
#include "tests/render/support/tool_runner.h"

// Test names and messages show a picture by its name.
void PrintTo(const GuidePicture& picture, std::ostream* out) { *out << picture.name; }

namespace {

const std::string kPictures = std::string(GUIDE_DOCS_DIR) + "/pictures";

std::vector<GuidePicture> pictureTable() { return readPictureTable(kPictures + "/pictures.txt"); }

// The table's pictures and the gallery's, drawn from the preset files the
// build writes.
std::vector<GuidePicture> allPictures() {
    std::vector<GuidePicture> pictures = pictureTable();
    for (const GuidePicture& picture : presetPictures(GUIDE_PRESET_FOLDER)) pictures.push_back(picture);
    return pictures;
}

// For listing the tests: a table that cannot be read gives no pictures here
// and fails TablePicturesHashesAndGuideAgree with the reason.
std::vector<GuidePicture> allPicturesOrNone() {
    try {
        return allPictures();
    } catch (const std::exception&) {
        return {};
    }
}

class GuidePictureAudio : public testing::TestWithParam<GuidePicture> {};

TEST_P(GuidePictureAudio, RendersTheAudioItsHashRecords) {
    const GuidePicture& picture = GetParam();
    const auto hashes = readAudioHashes(kPictures + "/audio-hashes.txt");
    ASSERT_EQ(hashes.count(picture.name), 1u) << "no hash for " << picture.name << "; run scripts/guide-pictures.sh";

    ScratchFolder folder;
    writeSound(folder.file("input.wav"), guideInput(picture.seconds, picture.sampleRate));
    std::vector<std::string> arguments{"--quiet"};
    arguments.insert(arguments.end(), picture.options.begin(), picture.options.end());
    arguments.push_back(folder.file("input.wav"));
    arguments.push_back(folder.file("output.wav"));
    const ToolRun run = runTool(arguments);
    ASSERT_EQ(run.exitCode, 0) << run.err;

    const Sound output = readSound(folder.file("output.wav"));
    EXPECT_EQ(sampleHash(output), hashes.at(picture.name))
        << picture.name << ".png no longer shows what the tool renders: run scripts/guide-pictures.sh, "
        << "look at the picture and check what docs/guide.md says about it";
    // The guide promises that a mono track comes out as two equal channels.
    ASSERT_EQ(output.channels, 2);
    EXPECT_EQ(output.channel(0), output.channel(1));
}

INSTANTIATE_TEST_SUITE_P(Guide, GuidePictureAudio, testing::ValuesIn(allPicturesOrNone()),
                         [](const testing::TestParamInfo<GuidePicture>& info) {
                             std::string name = info.param.name;
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             }
                             return name;
                         });

// The table, the pictures, the hashes and the guide name the same pictures,
// and the guide's gallery is the one the presets give.
TEST(GuidePictures, TablePicturesHashesAndGuideAgree) {
    std::set<std::string> inTable;
    for (const GuidePicture& picture : allPictures()) inTable.insert(picture.name);
    ASSERT_FALSE(inTable.empty());
    std::set<std::string> drawn;
    for (const auto& entry : std::filesystem::directory_iterator(kPictures)) {
        if (entry.path().extension() == ".png") drawn.insert(entry.path().stem().string());
    }
    std::set<std::string> hashed;
    for (const auto& [name, hash] : readAudioHashes(kPictures + "/audio-hashes.txt")) hashed.insert(name);
    EXPECT_EQ(drawn, inTable);
    EXPECT_EQ(hashed, inTable);

    const std::string guide = readWholeFile(std::string(GUIDE_DOCS_DIR) + "/guide.md");
    for (const std::string& name : inTable) {
        EXPECT_NE(guide.find("(pictures/" + name + ".png)"), std::string::npos) << "the guide does not show " << name;
    }
    EXPECT_NE(guide.find(presetGallery()), std::string::npos)
        << "the guide's preset gallery is not the presets': run scripts/guide-pictures.sh";
}

}  // namespace
