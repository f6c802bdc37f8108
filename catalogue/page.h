// The catalogue's one page: every input with its sheets and the table of its titles, plain HTML that
// needs no script, its links relative so that the folder can be moved or served as it is.
#pragma once

#include "catalogue/entry.h"

#include <string>
#include <vector>

namespace catalogue {

std::string PageHtml(const std::vector<Entry>& entries);

// Text for an HTML element or a quoted attribute.
std::string EscapeHtml(const std::string& text);
// A relative path as a URL: each byte outside the unreserved set percent-encoded, the slashes kept.
std::string EscapeUrl(const std::string& path);

}  // namespace catalogue
