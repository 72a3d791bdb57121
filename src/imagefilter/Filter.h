#pragma once

#include "imagefilter/Image.h"

#include <array>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace imagefilter {

using Vector4 = std::array<double, 4>;

// An input value: a 32-bit float number, a vector of four doubles, or an image.
class Value final
{
public:
    enum class Kind { None, Number, Vector, Image };

    Value() = default;
    Value(float number) : kind_(Kind::Number), number_(number) {}
    Value(double number) : kind_(Kind::Number), number_(float(number)) {}
    Value(int number) : kind_(Kind::Number), number_(float(number)) {}
    Value(const Vector4& vector) : kind_(Kind::Vector), vector_(vector) {}
    Value(imagefilter::Image image) : kind_(Kind::Image), image_(std::move(image)) {}

    Kind kind() const { return kind_; }
    float number() const { return number_; }
    const Vector4& vector() const { return vector_; }
    const imagefilter::Image& image() const { return image_; }
    std::string toString() const;

private:
    Kind kind_ = Kind::None;
    float number_ = 0.0f;
    Vector4 vector_{};
    imagefilter::Image image_;
};

// A named filter: a set of inputs addressed by key, each with a default, and
// the output image they give. Filters are made by name from the registry.
class Filter
{
public:
    struct Key
    {
        const char* name;
        Value defaultValue;
    };
    using Input = std::pair<std::string, Value>;

    virtual ~Filter() = default;

    // A new filter of that name with default inputs; null for an unknown name.
    static std::unique_ptr<Filter> named(std::string_view name);
    // The same, with the given inputs set in order (all at once).
    static std::unique_ptr<Filter> named(std::string_view name,
                                         std::initializer_list<Input> values);
    // Every registered filter name, sorted.
    static std::vector<std::string> names();

    const std::string& name() const { return name_; }
    // Sets one input. An unknown key or a value of the wrong kind is a
    // programming error: it asserts, logs, and leaves the filter unchanged.
    bool setValue(std::string_view key, const Value& value);
    Value value(std::string_view key) const;
    std::vector<std::string> inputKeys() const;
    // The inputs given so far, in the order they were given.
    const std::vector<Input>& givenInputs() const { return given_; }
    // Whether the inputs came all at once (the named-with-values factory).
    bool madeWithValues() const { return madeWithValues_; }
    // "Name(key=value, ...)" over the given inputs.
    std::string describe() const;

    // The filtered image; null when a required input image is missing.
    virtual Image outputImage() const = 0;

protected:
    Filter(std::string name, std::vector<Key> keys);
    float number(std::string_view key) const;
    const Vector4& vector(std::string_view key) const;
    const Image& image(std::string_view key) const;

private:
    const Value* find(std::string_view key) const;
    std::string name_;
    std::vector<Key> keys_;
    std::vector<Value> values_;
    std::vector<Input> given_;
    bool madeWithValues_ = false;
};

} // namespace imagefilter
