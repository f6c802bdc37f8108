// The program's exception classes: every error travels as an exception that carries its message.
#pragma once

#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::string AMessage);

    const std::string& Message() const noexcept { return FMessage; }
    const char* what() const noexcept override { return FMessage.c_str(); }

private:
    std::string FMessage;
};

// A failed call into the operating system, with its code and the system's text for it.
class EOSError : public Exception {
public:
    EOSError(int Code, const std::string& Text);
};

// Raises the error left in errno by the last failed system call.
[[noreturn]] void RaiseLastOSError();

// Throws std::system_error for an errno value, for code that reports the reason of a failed
// file operation itself, beside the file's name.
[[noreturn]] void ThrowSystemError(int Code);
