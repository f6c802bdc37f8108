// A stream's language as the title set's attributes give it, for audio and subpicture streams alike.
#pragma once

#include <cstdint>
#include <string>

namespace dvd {

// Two lowercase letters where `type` says a language is given and `code` holds two letters;
// nothing where the disc gives none or fills the field with anything else.
std::string LanguageOf(unsigned type, std::uint16_t code);

}  // namespace dvd
