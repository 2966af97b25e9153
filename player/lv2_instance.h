// An LV2 plug-in behind the PluginInstance interface, through lilv: found by
// its bundle folder or its URI, with a URID map, the options of its block
// length and sample rate, and every port connected. The parameters are its
// control inputs; a control output named after one with "_in_use" holds its
// value in use. A block is cut where a parameter changes, since a control
// port holds one value per run; the host position goes to every atom input
// that takes time:Position, as a message when the transport does anything
// other than move on by the frames played, and each jump at its frame.
//
// Its window is the bundle's X11 UI, opened as LV2 hosts open one; the
// inline display that Ardour's mixer strip shows is drawn on request.
#pragma once

#include <lilv/lilv.h>
#include <span>
#include <lv2/atom/forge.h>
#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include "editor/canvas.h"
#include "lv2/inline_display_abi.h"

#include "player/plugin_instance.h"
#include "player/plugin_library.h"

class Lv2Instance final : public CutBlockInstance {
public:
    // A bundle folder (the first plug-in in it) or a plug-in URI; throws
    // std::runtime_error. Without a URID map (offerUridMap false), a
    // plug-in that needs none cannot read the transport.
    explicit Lv2Instance(const std::string& where, bool offerUridMap = true);
    ~Lv2Instance() override;

    bool activate(double sampleRate, std::uint32_t maxFrames) override;
    void deactivate() override;
    void setValue(std::size_t index, double value) override;
    double valueInUse(std::size_t index) override;
    std::string valueText(std::size_t index) override;

    // Events for the next block's atom inputs that take time:Position, as a
    // host forwards its own transport's messages, in the order queued: a
    // time:Position at `frame` with the fields it names, or any atom given
    // word by word, header included, as it is, whatever its header says.
    // While any is queued, the block's position and jumps are not sent; at
    // most maxChanges() a block, each in the part of the block that holds
    // its frame.
    struct TimeMessage {
        std::uint32_t frame = 0;
        std::optional<std::int64_t> sample;
        std::optional<float> speed;
    };
    void queueTimeMessage(const TimeMessage& message);
    void queueRawEvent(std::uint32_t frame, std::span<const std::uint32_t> atom);
    // Connects the control ports to new memory before the next block, as a
    // host may between runs; the outputs' new memory holds NaN until the
    // plug-in writes it.
    void moveControlPorts();
    // Connects a parameter's port to null, as a careless host may, until the
    // control ports move.
    void disconnectControl(std::size_t index);

    std::optional<EditorSize> openEditor(std::uint64_t parent, double scale) override;
    void idleEditor() override;
    void closeEditor() override;
    std::vector<EditorEdit> takeEditorEdits() override;

    // A parameter's value as the host holds it: what it set, or what the
    // plug-in's window wrote.
    float controlValue(std::size_t index) const { return controls[parameterPorts[index]]; }
    // A control output's value by its port symbol, once the plug-in has run;
    // none before, or when it has no such output.
    std::optional<float> outputValue(std::string_view symbol) const;

    // The plug-in's inline display at most `width` x `maxHeight`, as its
    // render() drew it; none when it has none or drew nothing.
    std::optional<Canvas> inlineDisplay(std::uint32_t width, std::uint32_t maxHeight);
    // How often the plug-in asked for its inline display to be drawn again
    // (its queue_draw calls, from run()).
    std::uint32_t inlineDisplayRequests() const { return drawRequests; }

    // The URID of `uri` in this host's map, for the atoms above.
    LV2_URID map(const char* uri) { return mapUri(this, uri); }

    // The presets the bundle lists, by label, with the values they set by
    // port symbol.
    std::vector<std::pair<std::string, std::vector<std::pair<std::string, float>>>> presets();

private:
    enum class PortKind { audioIn, audioOut, controlIn, controlOut, atomIn, atomOut, other };
    struct Port {
        PortKind kind;
        std::string symbol;
        bool takesPosition = false;
    };

    static LV2_URID mapUri(LV2_URID_Map_Handle handle, const char* uri);
    static const char* unmapUri(LV2_URID_Unmap_Handle handle, LV2_URID urid);
    void playPart(const Block& block, std::uint32_t from, std::uint32_t to) override;
    bool tellsJumpsInside() const override { return true; }
    void writePosition(const TimeMessage& message, std::optional<float> beatsPerMinute);
    // The UI's calls to its host.
    static void uiWrite(LV2UI_Controller controller, std::uint32_t port, std::uint32_t size, std::uint32_t protocol,
                        const void* buffer);
    static void uiTouch(LV2UI_Feature_Handle handle, std::uint32_t port, bool grabbed);
    static int uiResize(LV2UI_Feature_Handle handle, int width, int height);
    static void queueDraw(void* handle);
    // The parameter a port holds, if it is a control input.
    std::optional<std::uint32_t> parameterOfPort(std::uint32_t port) const;
    void sendPortValues();

    LilvWorld* world;
    // The plug-in's library, checked and held loaded while lilv loads it too.
    std::unique_ptr<PluginLibrary> library;
    const LilvPlugin* plugin = nullptr;
    LilvInstance* instance = nullptr;
    double sampleRate = 0.0;
    bool offerMap;
    bool active = false;
    bool ran = false;  // the outputs hold values
    std::vector<Port> ports;
    std::vector<std::uint32_t> parameterPorts;  // port index per parameter
    std::vector<std::int64_t> inUsePorts;       // port index of each value in use, or -1
    std::vector<std::uint32_t> audioInputs, audioOutputs, atomInputs, atomOutputs;
    std::vector<float> controls;  // one per port, controls in and out
    std::vector<std::string> uris;
    LV2_URID_Map uridMap{this, &Lv2Instance::mapUri};
    LV2_URID_Unmap uridUnmap{this, &Lv2Instance::unmapUri};
    std::int32_t maxBlock = 0;
    std::int32_t minBlock = 1;
    float rateOption = 0.0f;
    std::vector<LV2_Options_Option> options;
    // The atom buffers: one sequence per atom input (the transport messages
    // of a part), one per atom output, and scratch for every other port.
    std::vector<std::vector<std::uint64_t>> atomBuffers;
    std::vector<float> scratch;
    LV2_Atom_Forge forge{};
    // The transport as the plug-in has heard it: where it would be at the
    // next part if nothing happened.
    std::optional<HostPosition> heard;
    // A queued event: a message, or `rawCount` words of rawWords from
    // `rawFirst`.
    struct Queued {
        TimeMessage message;
        bool raw = false;
        std::size_t rawFirst = 0;
        std::size_t rawCount = 0;
    };
    std::vector<Queued> queued;
    std::vector<std::uint32_t> rawWords;

    // The open window: its library, descriptor and instance, what it was
    // last sent on each port (NaN: nothing yet), and what it told.
    struct Editor {
        std::unique_ptr<PluginLibrary> library;
        const LV2UI_Descriptor* descriptor = nullptr;
        LV2UI_Handle handle = nullptr;
        const LV2UI_Idle_Interface* idle = nullptr;
        std::vector<float> sent;
        EditorSize size;
        float scale = 1.0f;
        std::vector<LV2_Options_Option> options;
    };
    std::optional<Editor> editor;
    std::optional<EditorSize> resized;  // what the window last asked for
    std::vector<EditorEdit> edits;
    LV2UI_Touch touchFeature{this, &Lv2Instance::uiTouch};
    LV2UI_Resize resizeFeature{this, &Lv2Instance::uiResize};
    LV2_Inline_Display queueDrawFeature{this, &Lv2Instance::queueDraw};
    std::uint32_t drawRequests = 0;
};
