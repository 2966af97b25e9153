// One run of the tool, from checked options to the finished files: what
// --info prints, or a render with its optional picture.
#pragma once

#include <ostream>
#include <string>

#include "tools/quillbeat-render/command_line.h"

// quillbeat.so in the folder of the running executable, whatever the
// working directory, or else in ../lib/vst/ from there, where an installed
// tool's plug-in is.
std::string defaultPluginPath();

// Throws RenderError; on any failure no output file has been created or
// changed.
void runRenderJob(const RenderOptions& options, std::ostream& out);
