#include "dvd/language.h"

#include <algorithm>
#include <cctype>

namespace dvd {

namespace {

constexpr unsigned kLanguageGiven = 1;

}  // namespace

std::string LanguageOf(unsigned type, std::uint16_t code)
{
    if (type != kLanguageGiven)
        return {};
    std::string text{static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
    if (!std::all_of(text.begin(), text.end(), [](char c) { return std::isalpha(static_cast<unsigned char>(c)); }))
        return {};
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    return text;
}

}  // namespace dvd
