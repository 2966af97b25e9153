// A canvas as a PNG: opaque 8-bit RGB, for the tests and the guide's
// pictures. Not for the plug-ins, which show their canvas and write nothing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "editor/canvas.h"

// The PNG file's bytes; empty for an empty canvas.
std::vector<std::uint8_t> pngBytes(const Canvas& canvas);
// False when the file cannot be written.
bool writePng(const Canvas& canvas, const std::string& path);
