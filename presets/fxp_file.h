// VST 2 preset files (.fxp) of the common kind that most hosts load: the
// plug-in's parameter values as numbers, with a name. Every field is
// big-endian:
//
//   offset  size  field
//        0     4  'CcnK'
//        4     4  bytes that follow this field (48 + 4 x parameter count)
//        8     4  'FxCk': a preset of parameter values
//       12     4  format version, 1
//       16     4  the plug-in's unique ID
//       20     4  the plug-in's version
//       24     4  parameter count
//       28    28  the preset's name, zero-padded
//       56   4 n  the values, 32-bit floats
//
// The same header with 'FxBk' or 'FBCh' starts a bank (.fxb), and with
// 'FPCh' a preset that holds a plug-in's own data instead of values; this
// reader refuses them with a message that says so. It refuses too a file
// whose size field and parameter count disagree.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct FxpPreset {
    std::uint32_t pluginId = 0;  // four characters, the first in the top byte
    std::int32_t pluginVersion = 0;
    std::string name;  // at most 27 characters are kept
    std::vector<float> values;
};

// The file is not a preset this reader can use. The message says why, for a
// musician, and names no file: the caller adds that.
struct FxpError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A four-character code as a number, the first character in the top byte.
std::uint32_t fourCharacterCode(std::string_view code);

std::string encodeFxp(const FxpPreset& preset);
// Throws FxpError.
FxpPreset decodeFxp(std::string_view bytes);

// Throw FxpError when the file cannot be read or written, with the system's
// reason. Only a regular file is read: a pipe, a device or a folder is
// refused before it is opened.
void writeFxpFile(const std::string& path, const FxpPreset& preset);
FxpPreset readFxpFile(const std::string& path);
