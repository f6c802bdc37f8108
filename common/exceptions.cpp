#include "common/exceptions.h"

#include <cerrno>
#include <system_error>
#include <utility>

namespace {

std::string SystemErrorMessage(int code, const std::string& text)
{
    if (code == 0)
        return "A call to an OS function failed";
    return "System Error.  Code: " + std::to_string(code) + ".\n" + text;
}

} // namespace

Exception::Exception(std::string message) : FMessage(std::move(message)) {}

EOSError::EOSError(int code, const std::string& text) : Exception(SystemErrorMessage(code, text)) {}

void RaiseLastOSError()
{
    const int code = errno;
    // generic_category's text is strerror's, without strerror's shared buffer.
    throw EOSError(code, std::generic_category().message(code));
}

void ThrowSystemError(int code)
{
    throw std::system_error(code, std::generic_category());
}
