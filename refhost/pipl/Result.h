#pragma once
// Value-or-message result: the reader reports bad module files to its caller, never throws.

#include <optional>
#include <string>
#include <utility>

namespace duovis::pipl {

template <typename T>
struct Result {
    std::optional<T> value;
    std::string error;

    static Result success(T v) { return {std::move(v), {}}; }
    static Result failure(std::string message) { return {std::nullopt, std::move(message)}; }
    bool ok() const { return value.has_value(); }
};

}  // namespace duovis::pipl
