// A CLAP plug-in of our own for the host tests, built in several variants
// from this one file (see CMakeLists.txt), on our own declarations of the
// interface. The working variant is stereo and passes its input through;
// each other variant breaks the interface in one way a host must survive:
// a count it must not allocate for, a pointer it must not follow, a block it
// must not keep.
#include <cstdint>
#include <cstring>
#include <limits>

#include "abi/clap_abi.h"

#ifndef FAKE_CLAP_VARIANT
#error "FAKE_CLAP_VARIANT selects the variant"
#endif
#define FAKE_WORKING 0
#define FAKE_HUGE_CHANNELS 1     // one input port of 0x7fffffff channels
#define FAKE_TWO_HUGE_PORTS 2    // two of them, whose sum leaves an int
#define FAKE_ALL_CHANNELS 3      // one input port of UINT32_MAX channels
#define FAKE_HUGE_PORT_COUNT 4   // UINT32_MAX output ports
#define FAKE_HUGE_PARAM_COUNT 5  // UINT32_MAX parameters
#define FAKE_NULL_ID 6           // a description without an ID
#define FAKE_NULL_FACTORY 7      // the entry gives no factory
#define FAKE_NULL_DESCRIPTOR 8   // the factory gives no description
#define FAKE_NULL_GET_FACTORY 9  // the entry lacks get_factory
#define FAKE_NULL_CREATE 10      // the factory lacks create_plugin
#define FAKE_NULL_PROCESS 11     // the plug-in lacks process
#define FAKE_NULL_PORTS_GET 12   // the audio-ports extension lacks get
#define FAKE_PROCESS_ERROR 13    // its third block reports an error
#define FAKE_OUTPUTS_NAN 14      // every sample it writes is NaN

namespace {

using namespace clap;

constexpr bool isVariant(int variant) { return FAKE_CLAP_VARIANT == variant; }

const char* const kFeatures[] = {CLAP_FEATURE_AUDIO_EFFECT, CLAP_FEATURE_STEREO, nullptr};
const clap_plugin_descriptor kDescriptor{
    CLAP_VERSION, isVariant(FAKE_NULL_ID) ? nullptr : "org.quillbeat-tests.fake-clap", "Fake CLAP", "Quillbeat Tests",
    "", "", "", "1", "", kFeatures};

struct FakeClap {
    clap_plugin plugin{};
    int blocks = 0;
};

// ---- audio ports -----------------------------------------------------------

std::uint32_t CLAP_CALLBACK portCount(const clap_plugin*, bool input) {
    if (isVariant(FAKE_HUGE_PORT_COUNT) && !input) return std::numeric_limits<std::uint32_t>::max();
    return input && isVariant(FAKE_TWO_HUGE_PORTS) ? 2 : 1;
}

bool CLAP_CALLBACK portInfo(const clap_plugin*, std::uint32_t index, bool input, clap_audio_port_info* info) {
    std::memset(info, 0, sizeof *info);
    info->id = index;
    info->channel_count = 2;
    if (input && (isVariant(FAKE_HUGE_CHANNELS) || isVariant(FAKE_TWO_HUGE_PORTS))) info->channel_count = 0x7fffffff;
    if (input && isVariant(FAKE_ALL_CHANNELS)) info->channel_count = std::numeric_limits<std::uint32_t>::max();
    info->in_place_pair = CLAP_INVALID_ID;
    return true;
}

const clap_plugin_audio_ports kPorts{portCount, isVariant(FAKE_NULL_PORTS_GET) ? nullptr : portInfo};

// ---- params: none, or more than any host takes --------------------------------

std::uint32_t CLAP_CALLBACK paramCount(const clap_plugin*) {
    return isVariant(FAKE_HUGE_PARAM_COUNT) ? std::numeric_limits<std::uint32_t>::max() : 0;
}
bool CLAP_CALLBACK paramInfo(const clap_plugin*, std::uint32_t, clap_param_info*) { return false; }
bool CLAP_CALLBACK paramValue(const clap_plugin*, clap_id, double*) { return false; }
bool CLAP_CALLBACK paramText(const clap_plugin*, clap_id, double, char*, std::uint32_t) { return false; }
bool CLAP_CALLBACK paramFromText(const clap_plugin*, clap_id, const char*, double*) { return false; }
void CLAP_CALLBACK paramFlush(const clap_plugin*, const clap_input_events*, const clap_output_events*) {}

const clap_plugin_params kParams{paramCount, paramInfo, paramValue, paramText, paramFromText, paramFlush};

// ---- the plug-in -----------------------------------------------------------

bool CLAP_CALLBACK init(const clap_plugin*) { return true; }
void CLAP_CALLBACK destroy(const clap_plugin* plugin) { delete static_cast<FakeClap*>(plugin->plugin_data); }
bool CLAP_CALLBACK activate(const clap_plugin*, double, std::uint32_t, std::uint32_t) { return true; }
void CLAP_CALLBACK deactivate(const clap_plugin*) {}
bool CLAP_CALLBACK startProcessing(const clap_plugin*) { return true; }
void CLAP_CALLBACK stopProcessing(const clap_plugin*) {}
void CLAP_CALLBACK reset(const clap_plugin*) {}
void CLAP_CALLBACK onMainThread(const clap_plugin*) {}

clap_process_status CLAP_CALLBACK process(const clap_plugin* plugin, const clap_process* process) {
    auto* fake = static_cast<FakeClap*>(plugin->plugin_data);
    if (isVariant(FAKE_PROCESS_ERROR) && ++fake->blocks == 3) return CLAP_PROCESS_ERROR;
    for (std::uint32_t c = 0; c < 2; ++c) {
        const float* in = process->audio_inputs[0].data32[c];
        float* out = process->audio_outputs[0].data32[c];
        for (std::uint32_t i = 0; i < process->frames_count; ++i)
            out[i] = isVariant(FAKE_OUTPUTS_NAN) ? std::numeric_limits<float>::quiet_NaN() : in[i];
    }
    return CLAP_PROCESS_CONTINUE;
}

const void* CLAP_CALLBACK extension(const clap_plugin*, const char* id) {
    if (std::strcmp(id, CLAP_EXT_AUDIO_PORTS) == 0) return &kPorts;
    if (std::strcmp(id, CLAP_EXT_PARAMS) == 0) return &kParams;
    return nullptr;
}

// ---- factory and entry -----------------------------------------------------

std::uint32_t CLAP_CALLBACK pluginCount(const clap_plugin_factory*) { return 1; }

const clap_plugin_descriptor* CLAP_CALLBACK describe(const clap_plugin_factory*, std::uint32_t index) {
    return index == 0 && !isVariant(FAKE_NULL_DESCRIPTOR) ? &kDescriptor : nullptr;
}

const clap_plugin* CLAP_CALLBACK create(const clap_plugin_factory*, const clap_host*, const char*) {
    auto* fake = new FakeClap;
    fake->plugin = {&kDescriptor, fake, init, destroy, activate, deactivate, startProcessing, stopProcessing,
                    reset, isVariant(FAKE_NULL_PROCESS) ? nullptr : process, extension, onMainThread};
    return &fake->plugin;
}

const clap_plugin_factory kFactory{pluginCount, describe, isVariant(FAKE_NULL_CREATE) ? nullptr : create};

bool CLAP_CALLBACK entryInit(const char*) { return true; }
void CLAP_CALLBACK entryDeinit() {}
const void* CLAP_CALLBACK factory(const char* id) {
    return std::strcmp(id, CLAP_PLUGIN_FACTORY_ID) == 0 && !isVariant(FAKE_NULL_FACTORY) ? &kFactory : nullptr;
}

}  // namespace

CLAP_ENTRY_EXPORT const clap::clap_plugin_entry clap_entry{
    clap::CLAP_VERSION, entryInit, entryDeinit, isVariant(FAKE_NULL_GET_FACTORY) ? nullptr : factory};
