#include <stdexcept>

#include "player/clap_instance.h"
#include "player/vst2_instance.h"
#if QUILLBEAT_HOSTS_LV2
#include "player/lv2_instance.h"
#endif

std::unique_ptr<PluginInstance> openPlugin(const std::string& where) {
    switch (formatOf(where)) {
        case PluginFormat::clap: return std::make_unique<ClapInstance>(where);
        case PluginFormat::lv2:
#if QUILLBEAT_HOSTS_LV2
            return std::make_unique<Lv2Instance>(where);
#else
            throw std::runtime_error("cannot load " + where + ": this build loads no LV2 plug-ins");
#endif
        case PluginFormat::vst2: break;
    }
    return std::make_unique<Vst2Instance>(where);
}
