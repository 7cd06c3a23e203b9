// Failures are exceptions; each carries the class name and the address it was
// raised from, which the last-resort handler reports.
#pragma once
#include <stdexcept>
#include <string>

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message)
        : std::runtime_error(message), address_(__builtin_return_address(0)) {}
    virtual const char* ClassName() const noexcept { return "Exception"; }
    const void* Address() const noexcept { return address_; }

private:
    const void* address_;
};

// Raised by raw file access; Code is the platform's error number.
class EFileError : public Exception {
public:
    EFileError(const std::string& message, unsigned code) : Exception(message), Code(code) {}
    const char* ClassName() const noexcept override { return "EFileError"; }
    unsigned Code;
};

// Platform error with its code, for failed calls that have no better class.
class EOSError : public Exception {
public:
    EOSError(const std::string& message, unsigned code) : Exception(message), Code(code) {}
    const char* ClassName() const noexcept override { return "EOSError"; }
    unsigned Code;
};

// The message with "." appended when it does not end with one.
inline std::string WithFinalPeriod(std::string message) {
    if (message.empty() || message.back() != '.') message += '.';
    return message;
}
