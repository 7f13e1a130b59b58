#pragma once
// Programming errors (an empty library set, a second logger) fail an assertion:
// an exception that names the unit it came from, never a result code.

#include <stdexcept>
#include <string>

namespace v2m {

class AssertionFailure : public std::logic_error {
public:
    AssertionFailure(const std::string& message, std::string source)
        : std::logic_error(message), source_(std::move(source)) {}
    const std::string& Source() const { return source_; }

private:
    std::string source_;
};

inline void Assert(bool condition, const char* message, const char* source) {
    if (!condition) {
        throw AssertionFailure(message, source);
    }
}

}  // namespace v2m
