// The bash completion of stillreel-thumbs, written from its option table at build time.
#pragma once

#include <string>

namespace thumbs {

// A script for share/bash-completion/completions/stillreel-thumbs: option names, their fixed values,
// folders where an option takes one, and inputs, videos and discs before other files.
std::string BashCompletion();

}  // namespace thumbs
