// The files a render reads must not be the files it writes: an OUTPUT or a
// --waveform picture that is the input or the preset under another name
// (./a.wav, ../x/a.wav, a symbolic or hard link) would replace what is being
// read, and a picture that is the OUTPUT would replace the sound just
// rendered.
#pragma once

#include "tools/quillbeat-render/command_line.h"

// Throws RenderError, as cp refuses to copy a file onto itself, when a file
// the render writes is, after its links, a file it reads: the same device
// and inode. Only regular files are compared; standard input counts as the
// input when it is one. Nothing is opened or written.
void refuseWritingOverSources(const RenderOptions& options);
