// Where the running program lives.
#pragma once

#include <string>

// The folder of the running program's executable file, without a trailing "/"; raises EOSError
// when the system cannot tell.
std::string ProgramFolder();
