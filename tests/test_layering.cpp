// The source folders form layers that point one way: each folder includes
// only itself and the folders listed for it, and the controller (AppDelegate)
// is known only in src/app and main.cpp.

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kSource = fs::path(OLDREEL_SOURCE_DIR) / "src";

// What each folder may include besides itself.
const std::map<std::string, std::set<std::string>> kAllowed = {
    {"imagefilter", {}},
    {"effects", {"imagefilter"}},
    {"media", {"imagefilter", "effects"}},
    {"export", {"imagefilter", "effects", "media"}},
    {"render", {"imagefilter", "effects", "media", "export"}},
    {"platform", {}},
    {"views", {"imagefilter", "effects", "media", "platform"}},
    {"app", {"imagefilter", "effects", "media", "export", "platform", "views"}},
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

std::vector<Violation> layeringViolations()
{
    static const std::regex include(R"re(^\s*#\s*include\s*"([a-z]+)/)re");
    static const std::regex controller(R"(\bAppDelegate\b)");
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
            std::smatch m;
            const bool badInclude = std::regex_search(text, m, include) && m[1] != folder &&
                                    !kAllowed.at(folder).count(m[1]);
            const bool comment =
                text.find("//") != std::string::npos && text.find("//") < text.find("AppDelegate");
            if (badInclude || (std::regex_search(text, controller) && !comment))
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
