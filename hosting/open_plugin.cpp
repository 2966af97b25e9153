#include <filesystem>
#include <stdexcept>

#include "hosting/clap_instance.h"
#include "hosting/vst2_instance.h"
#if QUILLBEAT_HOSTS_LV2
#include "hosting/lv2_instance.h"
#endif

namespace {
std::unique_ptr<PluginInstance> openLv2(const std::string& where, double sampleRate) {
#if QUILLBEAT_HOSTS_LV2
    return std::make_unique<Lv2Instance>(where, sampleRate);
#else
    (void)sampleRate;
    throw std::runtime_error("cannot load " + where + ": this build loads no LV2 plug-ins");
#endif
}
}  // namespace

std::unique_ptr<PluginInstance> openPlugin(const std::string& where, double sampleRate) {
    std::error_code error;
    const std::filesystem::path path(where);
    // A folder is an LV2 bundle; a name with a scheme that is no file, an LV2
    // plug-in's URI.
    if (std::filesystem::is_directory(path, error)) return openLv2(where, sampleRate);
    const std::size_t scheme = where.find(':');
    if (scheme != std::string::npos && scheme > 0 && where.find('/') > scheme && !std::filesystem::exists(path, error))
        return openLv2(where, sampleRate);
    if (path.extension() == ".clap") return std::make_unique<ClapInstance>(where, sampleRate);
    return std::make_unique<Vst2Instance>(where, sampleRate);
}
