// Writes the editor, or the thumbnail a host's mixer strip shows, as a PNG:
//   quillbeat-editor-picture [options] OUT.png
// Options:
//   --values V0,...,V11   the host's twelve values (default: the initial ones)
//   --mode manual|random|auto
//   --in-use V0,...,V9    the envelope values the effect picked (default: the host's)
//   --rate HZ             the running sample rate (44100)
//   --scale S             1 is 720 x 420 (1)
//   --step N              the step being played; without it, passing through
//   --frame F             the playhead's frame in the step (0)
//   --beats 1|2           beats a step, as the Tempo helper chose (2)
//   --song-tempo TEXT     the song's tempo typed into its field: the Tempo
//                         helper sets Tempo and the beats a step, as the
//                         window does, and shows the drift a bar
//   --focus NAME          the control with the focus, by code name (vA, Tempo)
//   --typed TEXT          text being typed into it
//   --notice TEXT         a notice; "longest-step" gives the step's limit
//   --thumbnail WxH       the mixer strip's picture at that size instead
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/canvas.h"
#include "editor/draw_editor.h"
#include "editor/editor_layout.h"
#include "editor/editor_texts.h"
#include "editor/png_file.h"
#include "editor/step_timing.h"
#include "editor/tempo_helper.h"

namespace {

std::optional<double> number(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

// Comma-separated numbers, exactly `count` of them.
bool readValues(std::string_view text, float* values, std::size_t count) {
    std::size_t read = 0;
    while (read < count) {
        const std::size_t comma = text.find(',');
        const std::optional<double> value = number(text.substr(0, comma));
        if (!value) return false;
        values[read++] = static_cast<float>(*value);
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return read == count && text.find(',') == std::string_view::npos;
}

bool sameWord(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "quillbeat-editor-picture: %s\n", message.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    EditorPicture picture;
    for (int i = 0; i < kParameterCount; ++i) picture.hostValues[static_cast<std::size_t>(i)] = kParameterTable[static_cast<std::size_t>(i)].initialValue;
    std::optional<std::string> inUse;
    std::optional<std::string> outPath;
    std::optional<std::string> focusName;
    double scale = 1;
    int thumbnailWidth = 0, thumbnailHeight = 0;
    std::int32_t frame = 0;
    std::optional<std::int32_t> step;
    std::optional<float> mode;  // over --values, whichever comes first

    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        if (option.substr(0, 2) != "--") {
            if (outPath) return fail("one picture at a time: " + std::string(option) + " is a second file name");
            outPath = option;
            continue;
        }
        if (i + 1 >= argc) return fail(std::string(option) + " needs a value after it");
        const std::string_view value = argv[++i];
        const std::optional<double> n = number(value);
        const auto needNumber = [&]() { return fail(std::string(option) + " takes a number, not " + std::string(value)); };
        if (option == "--values") {
            if (!readValues(value, picture.hostValues.data(), kParameterCount))
                return fail("--values takes twelve numbers separated by commas");
        } else if (option == "--in-use") {
            inUse = value;
        } else if (option == "--mode") {
            std::size_t found = 0;
            while (found < std::size(kSwitchModes) && !sameWord(value, kSwitchModes[found].label)) ++found;
            if (found == std::size(kSwitchModes)) return fail("--mode is manual, random or auto, not " + std::string(value));
            mode = kSwitchModes[found].value;
        } else if (option == "--rate") {
            if (!n || *n <= 0) return needNumber();
            picture.sampleRate = *n;
        } else if (option == "--scale") {
            if (!n || *n <= 0 || *n > 4) return fail("--scale takes a number above 0, up to 4");
            scale = *n;
        } else if (option == "--step") {
            if (!n) return needNumber();
            step = static_cast<std::int32_t>(*n);
        } else if (option == "--frame") {
            if (!n || *n < 0) return needNumber();
            frame = static_cast<std::int32_t>(*n);
        } else if (option == "--beats") {
            if (!n || (*n != 1 && *n != 2)) return fail("--beats is 1 or 2");
            picture.beatsPerStep = static_cast<int>(*n);
        } else if (option == "--song-tempo") {
            if (!songTempoOfText(value)) return fail("--song-tempo takes a tempo in beats a minute, not " + std::string(value));
            picture.songTempoText = value;
        } else if (option == "--focus") {
            focusName = value;
        } else if (option == "--typed") {
            picture.typedValue = std::string(value);
        } else if (option == "--notice") {
            picture.notice = value == "longest-step" ? longestStepNotice(picture.sampleRate) : std::string(value);
        } else if (option == "--thumbnail") {
            const std::size_t x = value.find('x');
            const std::optional<double> w = number(value.substr(0, x)), h = x == std::string_view::npos ? std::nullopt : number(value.substr(x + 1));
            if (!w || !h || *w < 1 || *h < 1 || *w > 4096 || *h > 4096) return fail("--thumbnail takes a size such as 200x60");
            thumbnailWidth = static_cast<int>(*w);
            thumbnailHeight = static_cast<int>(*h);
        } else {
            return fail("no option " + std::string(option));
        }
    }
    if (!outPath) return fail("name the PNG file to write");

    if (mode) picture.hostValues[kRndSw] = *mode;
    if (!picture.songTempoText.empty()) {
        // As the window does when the song's tempo is typed.
        const double song = *songTempoOfText(picture.songTempoText);
        const TempoChoice choice = chooseTempo(song, picture.sampleRate);
        picture.hostValues[kTempo] = choice.tempoValue;
        picture.beatsPerStep = choice.beatsPerStep;
        picture.songTempoDriftFrames = choice.driftFrames;
        if (picture.notice.empty()) picture.notice = tempoLimitNotice(song, picture.sampleRate);
    }
    picture.valuesInUse = picture.hostValues;
    if (inUse && !readValues(*inUse, picture.valuesInUse.data(), kEnvelopeParameterCount))
        return fail("--in-use takes ten numbers separated by commas");
    if (focusName) {
        if (*focusName == "song-tempo") {
            picture.songTempoFocused = true;
        } else {
            for (int p = 0; p < kParameterCount; ++p) {
                if (codeName(p) == *focusName) picture.focused = p;
            }
            if (!picture.focused) return fail("--focus takes a code name such as vA or Tempo, or song-tempo");
        }
    }
    if (step) {
        const std::int32_t framesPerStep = framesPerStepAt(picture.hostValues[kTempo]);
        if (frame >= framesPerStep) return fail("--frame is beyond the step's " + std::to_string(framesPerStep) + " frames");
        picture.step = StepView{framesPerStep, *step, frame, 0, 0, false};
    }

    Canvas canvas = thumbnailWidth > 0
                        ? Canvas(thumbnailWidth, thumbnailHeight)
                        : Canvas(static_cast<int>(std::lround(kEditorWidth * scale)), static_cast<int>(std::lround(kEditorHeight * scale)));
    if (thumbnailWidth > 0) {
        drawStepThumbnail(canvas, picture);
    } else {
        drawEditor(canvas, picture, scale);
    }
    if (!writePng(canvas, *outPath)) return fail("cannot write " + *outPath);
    return 0;
}
