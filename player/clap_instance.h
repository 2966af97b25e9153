// A CLAP plug-in behind the PluginInstance interface, on our own declarations
// of the interface (abi/clap_abi.h): the file's entry, its plug-in factory,
// one plug-in created with a host record of ours, and the params, state and
// audio-ports extensions. A block's parameter changes reach the plug-in as
// events at their frames, and so do its jumps, as transport events; the host
// position as a transport in fixed-point seconds and beats
// (player/clap_transport.h). The parameter values the plug-in sends back
// during a block are kept, with their frames (toldChanges()). Every function
// the host calls, and every count it allocates for, is checked when the
// plug-in is created.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "abi/clap_abi.h"
#include "player/clap_window_host.h"
#include "player/plugin_instance.h"
#include "player/plugin_library.h"

// The events of one block (or of one set between blocks), in the order the
// plug-in reads them: parameter values and transports, each from storage
// sized once.
struct ClapEventList {
    clap::clap_input_events list{};
    std::vector<clap::clap_event_param_value> parameters;
    std::vector<clap::clap_event_transport> transports;
    std::vector<const clap::clap_event_header*> order;
    std::uint32_t count = 0;
};

// The parameter values a plug-in sends the host during a block, as changes
// of the host's parameters, into storage sized once; and the edits its window
// tells (gestures, and the live values between them), in process or flush.
struct ClapToldValues {
    clap::clap_output_events list{};
    clap::clap_output_events editsOnly{};
    std::vector<ParameterChange> changes;
    std::vector<EditorEdit> edits;
    // Each parameter's CLAP id and index, sorted by id.
    std::vector<std::pair<clap::clap_id, std::uint32_t>> indexOfId;
};

class ClapInstance final : public PluginInstance {
public:
    // Loads the file and creates its first plug-in; throws std::runtime_error.
    // Created and destroyed on the host's main thread.
    explicit ClapInstance(const std::string& path);
    ~ClapInstance() override;

    // Activating an active plug-in deactivates it first, so it may start
    // again at another rate.
    bool activate(double sampleRate, std::uint32_t maxFrames) override;
    void deactivate() override;
    void setValue(std::size_t index, double value) override;
    double valueInUse(std::size_t index) override;
    std::string valueText(std::size_t index) override;
    bool play(const Block& block) override;
    std::span<const ParameterChange> toldChanges() const override { return told.changes; }
    // The plug-in's window through its gui extension (X11, embedded), the
    // host's timers and descriptors fired from idleEditor(), and a flush the
    // window asked for made there.
    std::optional<EditorSize> openEditor(std::uint64_t parent, double scale) override;
    void idleEditor() override;
    void closeEditor() override;
    std::vector<EditorEdit> takeEditorEdits() override;
    std::optional<std::vector<std::uint8_t>> saveState() override;
    bool loadState(std::span<const std::uint8_t> state) override;

    // ---- CLAP alone -------------------------------------------------------
    // The plug-in's text for any value of a parameter, and the value of a
    // text; none where it gives none. A text the plug-in leaves without its
    // end shows the buffer's filler.
    std::optional<std::string> textOfValue(std::size_t index, double value);
    std::optional<double> valueOfText(std::size_t index, const std::string& text);
    // Clears what the plug-in has played, as a host does on a jump it cannot
    // tell; false if it has no reset.
    bool reset();
    // What the window asked of the host, and which of timer-support and
    // posix-fd-support the host offers (set before openEditor).
    ClapWindowHost& windowHost() { return windows; }

    // Calls as a careless or hostile host makes them, straight through to
    // the plug-in, whatever state it is in.
    bool callInit();
    bool callActivate(double sampleRate, std::uint32_t maxFrames);
    // One block with the host's event lists as they are, null included.
    clap::clap_process_status playWithLists(const Block& block, const clap::clap_input_events* in,
                                            const clap::clap_output_events* out);
    void flushWithLists(const clap::clap_input_events* in, const clap::clap_output_events* out);
    bool saveTo(const clap::clap_ostream* stream);
    bool loadFrom(const clap::clap_istream* stream);

private:
    // The constructor's two steps: the plug-in created and initialised, then
    // its extensions read; each throws std::runtime_error.
    void createPlugin(const std::string& path);
    void describe(const std::string& path);
    void addEvent(const ParameterChange& change);
    void addEvent(const PositionChange& jump);
    void flushPending();
    void flushRequested();
    clap::clap_process_status process(const Block& block, const clap::clap_input_events* in,
                                      const clap::clap_output_events* out);

    PluginLibrary library;
    const clap::clap_plugin_entry* entry = nullptr;
    const clap::clap_plugin_descriptor* descriptor = nullptr;
    const clap::clap_plugin* plugin = nullptr;
    const clap::clap_plugin_params* params = nullptr;
    const clap::clap_plugin_state* state = nullptr;
    clap::clap_host host{};
    double sampleRate = 44100.0;
    bool active = false;
    std::vector<clap::clap_id> ids;
    std::vector<void*> cookies;
    // Channels per audio port, in and out.
    std::vector<std::uint32_t> inputPorts;
    std::vector<std::uint32_t> outputPorts;
    // Sized once: a block calls nothing that allocates.
    std::vector<clap::clap_audio_buffer> inputBuffers;
    std::vector<clap::clap_audio_buffer> outputBuffers;
    std::vector<float*> inputChannels;
    std::vector<float*> outputChannels;
    ClapEventList events;
    ClapToldValues told;
    clap::clap_output_events discard{};
    clap::clap_event_transport transport{};
    std::int64_t steadyTime = 0;
    ClapWindowHost windows;
    const clap::clap_plugin_gui* gui = nullptr;
    bool editorOpen = false;
};
