// The source folders form layers that point one way: each folder includes
// only itself and the folders listed for it, and the controller (AppDelegate)
// is known only in src/app and main.cpp.

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kSource = fs::path(OLDREEL_SOURCE_DIR) / "src";

// What each folder may include besides itself.
const std::map<std::string, std::set<std::string>> kAllowed = {
    {"imagefilter", {}},
    {"stock", {"imagefilter"}},
    {"projector", {"imagefilter"}},
    {"effects", {"imagefilter", "projector", "stock"}},
    {"pictures", {"imagefilter", "projector", "effects", "stock"}},
    {"media", {"imagefilter", "projector", "effects", "pictures", "stock"}},
    {"export", {"imagefilter", "projector", "effects", "pictures", "media", "stock"}},
    {"lookfiles", {"imagefilter", "projector", "effects", "stock"}},
    {"render",
     {"imagefilter", "projector", "effects", "pictures", "media", "export", "lookfiles", "stock"}},
    {"platform", {}},
    {"views", {"imagefilter", "projector", "effects", "pictures", "media", "platform", "stock"}},
    {"app",
     {"imagefilter", "projector", "effects", "pictures", "media", "export", "lookfiles", "platform",
      "views", "stock"}},
};

struct Violation
{
    std::string file;
    int line;
    std::string text;
};

// The folder directly under src/ that holds `file` ("" for src/main.cpp).
std::string folderOf(const fs::path& file)
{
    const fs::path relative = fs::relative(file, kSource);
    return std::distance(relative.begin(), relative.end()) > 1 ? relative.begin()->string() : "";
}

// The folder a line's `#include "folder/..."` names, or "" for any other line.
std::string includedFolder(const std::string& line)
{
    const std::string::size_type hash = line.find_first_not_of(" \t");
    if (hash == std::string::npos || line.compare(hash, 8, "#include") != 0)
        return "";
    const std::string::size_type open = line.find('"', hash);
    const std::string::size_type slash = line.find('/', open);
    if (open == std::string::npos || slash == std::string::npos)
        return "";
    return line.substr(open + 1, slash - open - 1);
}

// True when the line names the controller outside a trailing comment.
bool namesController(const std::string& line)
{
    const std::string::size_type at = line.find("AppDelegate");
    return at != std::string::npos && at < line.find("//");
}

std::vector<Violation> layeringViolations()
{
    std::vector<Violation> found;
    for (const auto& entry : fs::recursive_directory_iterator(kSource)) {
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h"))
            continue;
        const std::string folder = folderOf(entry.path());
        if (folder.empty() || folder == "app")
            continue; // main.cpp and the application see every layer
        std::ifstream in(entry.path());
        std::string text;
        for (int number = 1; std::getline(in, text); ++number) {
            const std::string included = includedFolder(text);
            const bool badInclude =
                !included.empty() && included != folder && !kAllowed.at(folder).count(included);
            if (badInclude || namesController(text))
                found.push_back({fs::relative(entry.path(), kSource).string(), number, text});
        }
    }
    return found;
}

TEST(Layering, EveryFolderIncludesOnlyTheLayersBelowIt)
{
    // Every folder found is one the table knows, so a new folder gets a place.
    for (const auto& entry : fs::directory_iterator(kSource)) {
        if (entry.is_directory()) {
            EXPECT_TRUE(kAllowed.count(entry.path().filename().string()))
                << entry.path().filename() << " has no place in the layers";
        }
    }
    for (const Violation& v : layeringViolations())
        ADD_FAILURE() << v.file << ":" << v.line << ": " << v.text;
}

} // namespace
