// The order in which a DAW talks to an effect around processing: open, sample
// rate, maximum block size, the user's program and parameters, resume, start
// processing; afterwards stop processing and suspend. Closing is the
// module's job.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "tools/quillbeat-render/command_line.h"
#include "tools/quillbeat-render/plugin_module.h"

// Opens the effect and tells it the rate and the largest block to come.
void prepareEffect(PluginModule& plugin, double sampleRate, int blockSize);

// The parameter a --param name stands for: the name as the plug-in reports
// it (surrounding blanks ignored; case ignored when that is unambiguous), or
// an index. Throws UsageError that lists the valid names.
VstInt32 findParameter(PluginModule& plugin, std::string_view name);

// Selects the program first, so that the parameters set afterwards win over
// the program's stored values. Throws UsageError on a program out of range
// or an unknown parameter.
void applySettings(PluginModule& plugin, std::optional<int> program, const std::vector<ParameterSetting>& parameters);

// Resume and start processing for its lifetime; stop processing and suspend
// when it ends, whether the render finished or failed.
class ProcessingScope {
public:
    explicit ProcessingScope(PluginModule& plugin);
    ~ProcessingScope();
    ProcessingScope(const ProcessingScope&) = delete;
    ProcessingScope& operator=(const ProcessingScope&) = delete;

private:
    PluginModule& plugin;
};
