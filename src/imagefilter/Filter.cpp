#include "imagefilter/Filter.h"

#include "imagefilter/Registry.h"

#include <cassert>
#include <cstdio>
#include <map>

namespace imagefilter {

std::string Value::toString() const
{
    char buf[128];
    switch (kind_) {
    case Kind::Number:
        std::snprintf(buf, sizeof buf, "%.9g", double(number_));
        return buf;
    case Kind::Vector:
        std::snprintf(buf, sizeof buf, "(%.9g,%.9g,%.9g,%.9g)", vector_[0], vector_[1], vector_[2],
                      vector_[3]);
        return buf;
    case Kind::Image: {
        if (image_.isNull())
            return "image(null)";
        const Rect e = image_.extent();
        if (e.isInfinite())
            return "image(infinite)";
        std::snprintf(buf, sizeof buf, "image(%g,%g,%gx%g)", e.x(), e.y(), e.width(), e.height());
        return buf;
    }
    case Kind::None:
        break;
    }
    return "none";
}

namespace {

const std::map<std::string, detail::FilterFactory, std::less<>>& registry()
{
    static const auto table = [] {
        std::map<std::string, detail::FilterFactory, std::less<>> m;
        detail::registerBuiltinFilters(
            [&m](const char* name, detail::FilterFactory f) { m.emplace(name, f); });
        return m;
    }();
    return table;
}

} // namespace

std::unique_ptr<Filter> Filter::named(std::string_view name)
{
    const auto& table = registry();
    const auto it = table.find(name);
    if (it == table.end())
        return nullptr;
    return it->second();
}

std::unique_ptr<Filter> Filter::named(std::string_view name, std::initializer_list<Input> values)
{
    auto filter = named(name);
    if (!filter)
        return nullptr;
    for (const Input& input : values)
        filter->setValue(input.first, input.second);
    filter->madeWithValues_ = true;
    return filter;
}

std::vector<std::string> Filter::names()
{
    std::vector<std::string> out;
    for (const auto& entry : registry())
        out.push_back(entry.first);
    return out;
}

Filter::Filter(std::string name, std::vector<Key> keys)
    : name_(std::move(name)), keys_(std::move(keys))
{
    for (const Key& k : keys_)
        values_.push_back(k.defaultValue);
}

bool Filter::setValue(std::string_view key, const Value& value)
{
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        if (key != keys_[i].name)
            continue;
        if (value.kind() != keys_[i].defaultValue.kind()) {
            std::fprintf(stderr, "imagefilter: %s: wrong kind of value for %.*s\n", name_.c_str(),
                         int(key.size()), key.data());
            assert(!"wrong kind of filter input value");
            return false;
        }
        values_[i] = value;
        given_.emplace_back(std::string(key), value);
        return true;
    }
    std::fprintf(stderr, "imagefilter: %s has no input %.*s\n", name_.c_str(), int(key.size()),
                 key.data());
    assert(!"unknown filter input key");
    return false;
}

const Value* Filter::find(std::string_view key) const
{
    for (std::size_t i = 0; i < keys_.size(); ++i)
        if (key == keys_[i].name)
            return &values_[i];
    return nullptr;
}

Value Filter::value(std::string_view key) const
{
    const Value* v = find(key);
    return v ? *v : Value();
}

std::vector<std::string> Filter::inputKeys() const
{
    std::vector<std::string> out;
    for (const Key& k : keys_)
        out.emplace_back(k.name);
    return out;
}

std::string Filter::describe() const
{
    std::string out = name_ + "(";
    for (std::size_t i = 0; i < given_.size(); ++i) {
        if (i)
            out += ", ";
        out += given_[i].first + "=" + given_[i].second.toString();
    }
    return out + ")";
}

float Filter::number(std::string_view key) const
{
    return find(key)->number();
}
const Vector4& Filter::vector(std::string_view key) const
{
    return find(key)->vector();
}
const Image& Filter::image(std::string_view key) const
{
    return find(key)->image();
}

} // namespace imagefilter
