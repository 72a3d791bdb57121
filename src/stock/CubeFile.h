#pragma once

#include "imagefilter/ColourCube.h"

#include <memory>
#include <string>
#include <string_view>

// Film stocks and colourists' looks as Adobe's Cube files: a 1-D or 3-D
// look-up table in text.
namespace stock {

// A parsed file: the table, or why there is none ("line 12: expected three
// numbers"; every error names its line).
struct CubeText
{
    std::shared_ptr<const imagefilter::ColourCube> cube;
    std::string title;
    std::string error;
};

// The largest 3-D table (entries per axis) and 1-D table a file may hold.
inline constexpr int kMaxCubeSize3D = 65;
inline constexpr int kMaxCubeSize1D = 65536;
// A file larger than this is refused before it is read.
inline constexpr long long kMaxCubeFileBytes = 64ll * 1024 * 1024;

// The table a Cube file's text describes: TITLE, LUT_1D_SIZE or LUT_3D_SIZE,
// DOMAIN_MIN and DOMAIN_MAX (0 0 0 and 1 1 1 when absent; Resolve's
// LUT_1D_INPUT_RANGE and LUT_3D_INPUT_RANGE set one range for all three
// channels), then one line of three numbers per entry. Lines starting with
// # are comments; blank lines are skipped; other keywords before the data
// are ignored.
CubeText parseCube(std::string_view text);

// The file read (a plain file of at most kMaxCubeFileBytes) and parsed; an
// unreadable file gives an error without a line.
CubeText readCubeFile(const std::string& path);

} // namespace stock
