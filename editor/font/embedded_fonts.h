// The editor's two fonts, DejaVu Sans and DejaVu Sans Bold cut to the
// characters it shows, compiled in from editor/font/*.ttf: nothing is read
// from a file when the editor runs.
#pragma once

#include <cstddef>
#include <cstdint>

extern const std::uint8_t kDejaVuSansSubset[];
extern const std::size_t kDejaVuSansSubsetSize;
extern const std::uint8_t kDejaVuSansBoldSubset[];
extern const std::size_t kDejaVuSansBoldSubsetSize;
