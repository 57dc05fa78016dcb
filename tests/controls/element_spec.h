#pragma once
// Properties written as pairs, turned into the "key=value;key=value" form
// of skin::Element.

#include <initializer_list>
#include <string>
#include <utility>

namespace skin {

inline std::string Spec(std::initializer_list<std::pair<const char*, std::string>> properties) {
    std::string spec;
    for (const auto& [key, value] : properties)
        spec += std::string(key) + "=" + value + ";";
    return spec;
}

} // namespace skin
