#include "common/exceptions.h"

#include <cerrno>
#include <system_error>
#include <utility>

namespace {

std::string SystemErrorMessage(int Code, const std::string& Text)
{
    if (Code == 0)
        return "A call to an OS function failed";
    return "System Error.  Code: " + std::to_string(Code) + ".\n" + Text;
}

} // namespace

Exception::Exception(std::string AMessage) : FMessage(std::move(AMessage))
{
}

EOSError::EOSError(int Code, const std::string& Text) : Exception(SystemErrorMessage(Code, Text))
{
}

void RaiseLastOSError()
{
    const int code = errno;
    // generic_category's text is strerror's, without strerror's shared buffer.
    throw EOSError(code, std::generic_category().message(code));
}

void ThrowSystemError(int Code)
{
    throw std::system_error(Code, std::generic_category());
}
