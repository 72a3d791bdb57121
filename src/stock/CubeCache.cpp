#include "stock/CubeCache.h"

#include "stock/CubeFile.h"

#include <filesystem>
#include <map>
#include <mutex>

namespace stock {

namespace {

struct Entry
{
    std::filesystem::file_time_type modified;
    std::uintmax_t bytes = 0;
    std::shared_ptr<const imagefilter::ColourCube> cube;
    std::string error;
};

// A few files at most are in use at once (the open look's, a renderer's);
// a 65³ table is 3 MB.
constexpr std::size_t kKeptFiles = 8;

} // namespace

LoadedCube loadCube(const std::string& path)
{
    static std::mutex mutex;
    static std::map<std::string, Entry> entries;

    // A file that is gone or cannot be read is kept as such (its failure
    // said once) until it can be.
    std::error_code ec;
    auto modified = std::filesystem::last_write_time(path, ec);
    std::uintmax_t bytes = ec ? 0 : std::filesystem::file_size(path, ec);
    if (ec) {
        modified = std::filesystem::file_time_type::min();
        bytes = std::uintmax_t(-1);
    }
    // One reader at a time: frames rendered on other threads wait for the
    // table rather than reading the same file again.
    const std::lock_guard<std::mutex> lock(mutex);
    if (const auto it = entries.find(path);
        it != entries.end() && it->second.modified == modified && it->second.bytes == bytes)
        return {it->second.cube, it->second.error, false};
    const CubeText text = readCubeFile(path);
    if (entries.size() >= kKeptFiles && !entries.count(path))
        entries.clear();
    entries[path] = {.modified = modified, .bytes = bytes, .cube = text.cube, .error = text.error};
    return {text.cube, text.error, true};
}

} // namespace stock
