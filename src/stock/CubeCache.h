#pragma once

#include "imagefilter/ColourCube.h"

#include <memory>
#include <string>

namespace stock {

// A Cube file's table as the process last read it.
struct LoadedCube
{
    std::shared_ptr<const imagefilter::ColourCube> cube; // null when the file is unusable
    std::string error;                                   // why it is, as readCubeFile says
    bool read = false; // this call read the file (it was new or had changed)
};

// The table of the file at `path`, read once and kept while the file keeps
// its modification time and size, so the chain does not read it per frame.
// Safe to call from any thread; a failure is kept too, until the file changes.
LoadedCube loadCube(const std::string& path);

} // namespace stock
