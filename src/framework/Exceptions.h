#pragma once
#include <stdexcept>
#include <string>

namespace fw {

// The program's failures: the application's catch point shows the message.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

// Silent abort: unwinds to the catch point and shows nothing.
class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
};

class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

[[noreturn]] void abort();

} // namespace fw

namespace fw {

// Stops the program with an exit code; the program body catches it and finalises on the way out.
struct EHalt {
    int exitCode;
};

} // namespace fw
