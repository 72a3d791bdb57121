#pragma once

// Internal: how the built-in filters enter the registry.

#include "imagefilter/Filter.h"

#include <functional>
#include <memory>

namespace imagefilter::detail {

using FilterFactory = std::unique_ptr<Filter> (*)();
void registerBuiltinFilters(const std::function<void(const char*, FilterFactory)>& add);

} // namespace imagefilter::detail
