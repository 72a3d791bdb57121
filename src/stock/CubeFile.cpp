#include "stock/CubeFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <vector>

namespace stock {

namespace {

// The words of a line, split at spaces and tabs.
std::vector<std::string_view> wordsOf(std::string_view line)
{
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (true) {
        at = line.find_first_not_of(" \t", at);
        if (at == std::string_view::npos)
            return words;
        const std::size_t end = std::min(line.find_first_of(" \t", at), line.size());
        words.push_back(line.substr(at, end - at));
        at = end;
    }
}

enum class Number { Good, Malformed, NotFinite };

Number readNumber(std::string_view word, float& value)
{
    const char* end = word.data() + word.size();
    // from_chars takes no leading '+', which some writers put before numbers.
    const char* begin = word.data() + (word.size() > 1 && word[0] == '+' ? 1 : 0);
    const auto [ptr, ec] = std::from_chars(begin, end, value);
    if (ptr != end || (ec != std::errc() && ec != std::errc::result_out_of_range))
        return Number::Malformed;
    return ec == std::errc() && std::isfinite(value) ? Number::Good : Number::NotFinite;
}

std::string quoted(std::string_view word)
{
    std::string text(1, '"');
    text.append(word);
    text.push_back('"');
    return text;
}

// A keyword is a word of capitals, digits and underscores starting with a capital.
bool isKeyword(std::string_view word)
{
    if (word.empty() || word[0] < 'A' || word[0] > 'Z')
        return false;
    for (char ch : word)
        if (!((ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') || ch == '_'))
            return false;
    return true;
}

class Parser
{
public:
    CubeText run(std::string_view text)
    {
        cube_ = std::make_shared<imagefilter::ColourCube>();
        std::size_t at = 0;
        while (error_.empty()) {
            const std::size_t end = std::min(text.find('\n', at), text.size());
            std::string_view line = text.substr(at, end - at);
            ++lineNumber_;
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            takeLine(line);
            // The newline that ends the last line starts no line of its own.
            if (end + 1 >= text.size())
                break;
            at = end + 1;
        }
        if (error_.empty())
            finish();
        CubeText result;
        result.title = title_;
        if (error_.empty())
            result.cube = std::move(cube_);
        else
            result.error = error_;
        return result;
    }

private:
    void fail(int line, const std::string& what)
    {
        if (error_.empty())
            error_ = "line " + std::to_string(line) + ": " + what;
    }

    void takeLine(std::string_view line)
    {
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos || line[first] == '#')
            return;
        const std::vector<std::string_view> words = wordsOf(line);
        if (isKeyword(words[0])) {
            if (entries_ > 0)
                return fail(lineNumber_, "keyword " + std::string(words[0]) + " after the data");
            return takeKeyword(line.substr(first), words);
        }
        takeData(words);
    }

    void takeKeyword(std::string_view line, const std::vector<std::string_view>& words)
    {
        const std::string_view key = words[0];
        if (key == "TITLE") {
            std::string_view rest = line.substr(5);
            rest.remove_prefix(std::min(rest.find_first_not_of(" \t"), rest.size()));
            if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"')
                rest = rest.substr(1, rest.size() - 2);
            title_ = std::string(rest);
        } else if (key == "LUT_3D_SIZE" || key == "LUT_1D_SIZE") {
            const bool threeD = key == "LUT_3D_SIZE";
            const int maximum = threeD ? kMaxCubeSize3D : kMaxCubeSize1D;
            if (sizeLine_ > 0)
                return fail(lineNumber_, sizeKey_ == key
                                             ? std::string(key) + " given twice"
                                             : "both LUT_1D_SIZE and LUT_3D_SIZE given");
            int size = 0;
            const auto [ptr, ec] =
                words.size() == 2
                    ? std::from_chars(words[1].data(), words[1].data() + words[1].size(), size)
                    : std::from_chars_result{nullptr, std::errc::invalid_argument};
            if (ec != std::errc() || ptr != words[1].data() + words[1].size() || size < 2 ||
                size > maximum)
                return fail(lineNumber_, std::string(key) + " must be a whole number from 2 to " +
                                             std::to_string(maximum));
            sizeLine_ = lineNumber_;
            sizeKey_ = std::string(key);
            cube_->threeD = threeD;
            cube_->size = size;
        } else if (key == "DOMAIN_MIN" || key == "DOMAIN_MAX") {
            float values[3];
            if (!threeNumbers(words, 1, values))
                return;
            for (int c = 0; c < 3; ++c)
                (key == "DOMAIN_MIN" ? cube_->domainMin : cube_->domainMax)[c] = values[c];
            domainLine_ = lineNumber_;
        } else if (key == "LUT_1D_INPUT_RANGE" || key == "LUT_3D_INPUT_RANGE") {
            float range[2];
            if (!numbers(words, 1, 2, range))
                return;
            for (int c = 0; c < 3; ++c) {
                cube_->domainMin[c] = range[0];
                cube_->domainMax[c] = range[1];
            }
            domainLine_ = lineNumber_;
        }
        // Any other keyword (other writers' additions) says nothing we use.
    }

    // `count` numbers from words[from] on, and no more.
    bool numbers(const std::vector<std::string_view>& words, std::size_t from, std::size_t count,
                 float* out)
    {
        const std::string expected =
            count == 3 ? "three numbers" : std::to_string(count) + " numbers";
        const std::string subject = from > 0 ? std::string(words[0]) + " takes " : "expected ";
        if (words.size() != from + count) {
            fail(lineNumber_, subject + expected);
            return false;
        }
        for (std::size_t i = 0; i < count; ++i) {
            switch (readNumber(words[from + i], out[i])) {
            case Number::Good:
                break;
            case Number::NotFinite:
                fail(lineNumber_, quoted(words[from + i]) + " is not a finite number");
                return false;
            case Number::Malformed:
                fail(lineNumber_, subject + expected);
                return false;
            }
        }
        return true;
    }

    bool threeNumbers(const std::vector<std::string_view>& words, std::size_t from, float* out)
    {
        return numbers(words, from, 3, out);
    }

    void takeData(const std::vector<std::string_view>& words)
    {
        if (sizeLine_ == 0)
            return fail(lineNumber_, "data before LUT_1D_SIZE or LUT_3D_SIZE");
        if (entries_ == 0) {
            if (!domainFits())
                return;
            cube_->values.reserve(3 * expectedEntries());
        }
        if (entries_ == expectedEntries())
            return fail(lineNumber_, "more than the " + std::to_string(expectedEntries()) +
                                         " data lines " + sizeKey_ + " " +
                                         std::to_string(cube_->size) + " takes");
        float rgb[3];
        if (!threeNumbers(words, 0, rgb))
            return;
        cube_->values.insert(cube_->values.end(), rgb, rgb + 3);
        ++entries_;
    }

    void finish()
    {
        if (sizeLine_ == 0)
            return fail(lineNumber_, "no LUT_1D_SIZE or LUT_3D_SIZE");
        if (entries_ == 0 && !domainFits())
            return;
        if (entries_ != expectedEntries())
            fail(lineNumber_, "the file ends after " + std::to_string(entries_) + " data lines; " +
                                  sizeKey_ + " " + std::to_string(cube_->size) + " takes " +
                                  std::to_string(expectedEntries()));
    }

    // The domain is read whole once the data begins (or the file ends).
    bool domainFits()
    {
        for (int c = 0; c < 3; ++c)
            if (!cube_->domainUsable(c)) {
                fail(domainLine_, "DOMAIN_MIN must be below DOMAIN_MAX in every channel");
                return false;
            }
        return true;
    }

    std::size_t expectedEntries() const
    {
        const std::size_t n = std::size_t(cube_->size);
        return cube_->threeD ? n * n * n : n;
    }

    std::shared_ptr<imagefilter::ColourCube> cube_;
    std::string title_;
    std::string error_;
    std::string sizeKey_;
    int lineNumber_ = 0;
    int sizeLine_ = 0;
    int domainLine_ = 0;
    std::size_t entries_ = 0;
};

} // namespace

CubeText parseCube(std::string_view text)
{
    return Parser().run(text);
}

CubeText readCubeFile(const std::string& path)
{
    namespace fs = std::filesystem;
    CubeText failed;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (ec || !fs::exists(status)) {
        failed.error = "the file does not exist";
        return failed;
    }
    if (!fs::is_regular_file(status)) {
        failed.error = "it is not a plain file";
        return failed;
    }
    const auto bytes = fs::file_size(path, ec);
    if (ec || bytes > std::uintmax_t(kMaxCubeFileBytes)) {
        failed.error = ec ? "the file cannot be read" : "the file is larger than 64 MB";
        return failed;
    }
    std::ifstream in(path, std::ios::binary);
    std::string text(std::size_t(bytes), '\0');
    if (!in || !in.read(text.data(), std::streamsize(text.size()))) {
        failed.error = "the file cannot be read";
        return failed;
    }
    return parseCube(text);
}

} // namespace stock
