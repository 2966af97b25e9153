// One effect of any of the three plug-in formats this library hosts (VST 2,
// CLAP and LV2), behind one small interface: what it is, its parameters,
// values set between or inside blocks, blocks played at a host position or
// without one, and its state where the format has one.
//
// Values are in the plug-in's own range for each parameter (0 to 1 for
// every VST 2 parameter; the range the plug-in declares for CLAP and LV2).
// Everything but play() may allocate; play() does not, for blocks up to the
// largest announced to activate() with as many changes as maxChanges().
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

enum class PluginFormat { vst2, clap, lv2 };

// "VST 2", "CLAP" or "LV2".
const char* formatName(PluginFormat format);

struct ParameterDescription {
    std::string name;
    std::string id;  // the VST 2 index, the CLAP id or the LV2 symbol, as text
    std::string unit;
    double minimum = 0.0;
    double maximum = 1.0;
    double defaultValue = 0.0;
};

struct InstanceDescription {
    PluginFormat format = PluginFormat::vst2;
    std::string name;
    std::string vendor;
    std::string version;
    std::string id;  // the VST 2 unique ID, the CLAP plug-in ID or the LV2 URI
    int inputs = 0;   // audio channels in
    int outputs = 0;  // audio channels out
    std::vector<ParameterDescription> parameters;
};

// Where the host's song is at a block's first frame. The position is in
// samples; a stopped transport stands, so the next block names the same
// position again.
struct HostPosition {
    double sample = 0.0;
    double beatsPerMinute = 120.0;
    bool playing = true;
};

// A parameter's new value from frame `frame` of a block on.
struct ParameterChange {
    std::uint32_t frame = 0;
    std::uint32_t index = 0;
    double value = 0.0;
};

// The host's transport placed somewhere else from frame `frame` of a block
// on: a loop's end, or the user locating.
struct PositionChange {
    std::uint32_t frame = 0;
    HostPosition position;
};

struct Block {
    const float* const* inputs = nullptr;  // one per audio input
    float* const* outputs = nullptr;       // one per audio output
    std::uint32_t frames = 0;
    const HostPosition* position = nullptr;  // null: the host has no transport
    std::span<const ParameterChange> changes;  // sorted by frame
    std::span<const PositionChange> jumps;      // sorted by frame
};

// Where the block's transport is at `frame`: at the last jump up to that
// frame, or at the block's position, moved on by the frames since while it
// plays; none while the host has no transport.
std::optional<HostPosition> positionAt(const Block& block, std::uint32_t frame);

struct EditorSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

// One thing a plug-in's window told its host.
struct EditorEdit {
    enum class Kind { begin, value, end };
    Kind kind = Kind::value;
    std::uint32_t index = 0;  // the parameter
    double value = 0.0;       // for Kind::value
    bool operator==(const EditorEdit&) const = default;
};

class PluginInstance {
public:
    virtual ~PluginInstance() = default;
    PluginInstance(const PluginInstance&) = delete;
    PluginInstance& operator=(const PluginInstance&) = delete;

    const InstanceDescription& description() const { return described; }
    std::size_t parameterCount() const { return described.parameters.size(); }
    // A parameter by its name (surrounding blanks ignored; case ignored when
    // that is unambiguous), by its id, or by its index; none if no match.
    std::optional<std::size_t> findParameter(std::string_view name) const;

    // Ready for blocks of up to maxFrames at sampleRate (an active plug-in
    // is deactivated first, so it may start again at another rate); false
    // if the plug-in refused. Deactivating an inactive one does nothing.
    virtual bool activate(double sampleRate, std::uint32_t maxFrames) = 0;
    virtual void deactivate() = 0;

    // Set before the next block.
    virtual void setValue(std::size_t index, double value) = 0;
    // The value the effect is using now.
    virtual double valueInUse(std::size_t index) = 0;
    // The value in use as the plug-in shows it, with its unit.
    virtual std::string valueText(std::size_t index) = 0;

    // One block. Parameter changes and jumps apply at their frames: a host
    // of a format that cannot tell them within a block cuts it there. A
    // block of no frames is passed on as one. False when the plug-in
    // reported that it failed the block (a CLAP plug-in can; VST 2 and LV2
    // have no way to say so), and its outputs are not to be used.
    [[nodiscard]] virtual bool play(const Block& block) = 0;
    // The changes, and the jumps, one block may carry.
    static constexpr std::size_t maxChanges() { return 256; }

    // The values the plug-in told the host it set itself during the last
    // block, at the frames it set them, in the order told (a CLAP plug-in's
    // output events; VST 2 and LV2 tell none). At most maxToldChanges() a
    // block are kept.
    virtual std::span<const ParameterChange> toldChanges() const { return {}; }
    static constexpr std::size_t maxToldChanges() { return 1024; }

    // The most audio channels either way, audio ports either way, and
    // parameters that a plug-in may claim: more than any plug-in has, and
    // few enough to allocate for before the first block.
    static constexpr std::int64_t maxChannels() { return 64; }
    static constexpr std::int64_t maxPorts() { return 64; }
    static constexpr std::int64_t maxParameters() { return 65536; }

    // The plug-in's own window, embedded in a window of the host's
    // (`parent`: on Linux an X11 window ID, on Windows an HWND) at `scale`,
    // as a host opens it for the user.
    // Its size in pixels, or none when the plug-in has no window or refused.
    // Only one at a time; opening again closes the one open first.
    virtual std::optional<EditorSize> openEditor(std::uint64_t parent, double scale) {
        (void)parent;
        (void)scale;
        return std::nullopt;
    }
    // The window's share of the host's main loop: what the host's timers,
    // its watch on the window's connection or its idle call would run. Also
    // passes the values the plug-in uses to the window, as a host does.
    virtual void idleEditor() {}
    // Closes the window the way a host does when the user shuts it.
    virtual void closeEditor() {}
    // What the window told the host since the last call, in order: gesture
    // begins and ends and the values between (for LV2 the port writes and
    // touches, for CLAP the events it sent, in process or flush).
    virtual std::vector<EditorEdit> takeEditorEdits() { return {}; }

    // The plug-in's state as its format keeps it (for VST 2 and LV2, the
    // parameter values in use), or none if it gave none.
    virtual std::optional<std::vector<std::uint8_t>> saveState() = 0;
    virtual bool loadState(std::span<const std::uint8_t> state) = 0;

protected:
    PluginInstance() = default;
    InstanceDescription described;
};

// A format with no parameter events inside a block and no state of its own
// (VST 2, LV2): a block is cut at each change, where the editions cut theirs
// (edition/block_parts.h), and at each jump unless the format can tell one
// inside a part; the state is the values in use.
class CutBlockInstance : public PluginInstance {
public:
    bool play(const Block& block) final;
    std::optional<std::vector<std::uint8_t>> saveState() final;
    bool loadState(std::span<const std::uint8_t> state) final;

protected:
    // Frames [from, to) of the block (none for a block of no frames).
    virtual void playPart(const Block& block, std::uint32_t from, std::uint32_t to) = 0;
    // Whether the jumps inside a part reach the plug-in at their frames.
    virtual bool tellsJumpsInside() const { return false; }
};

// The format of the plug-in at `where`: a folder is an LV2 bundle, a name
// with a scheme that is no file an LV2 plug-in's URI, a .clap file a CLAP
// plug-in, anything else a VST 2 library.
PluginFormat formatOf(const std::string& where);

// The plug-in at `where` loaded and its (first) effect created; throws
// std::runtime_error with a message for the user when that fails.
// (player/open_plugin.cpp, in the library that links lilv.)
std::unique_ptr<PluginInstance> openPlugin(const std::string& where);

// Throw std::runtime_error naming the plug-in at `where` when what it
// claims is more than this host takes, before anything is allocated for it.
// The counts are 64-bit, as a plug-in's own may be anything its type holds.
void checkClaimedChannels(const std::string& where, std::int64_t inputs, std::int64_t outputs);
void checkClaimedCount(const std::string& where, std::int64_t count, std::int64_t most, const char* things);

// A name with the blanks around it removed; two names equal but for case.
std::string_view trimmed(std::string_view text);
bool sameIgnoringCase(std::string_view a, std::string_view b);

// Little-endian float bits, the state of a format that keeps only values.
std::vector<std::uint8_t> valuesAsState(const std::vector<float>& values);
std::optional<std::vector<float>> valuesFromState(std::span<const std::uint8_t> state, std::size_t count);
