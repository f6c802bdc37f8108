// Where tests find their input videos.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Path of a fixture made by the fixture step (tests/fixtures/make_fixtures.sh): the fixture folder
// joined with `name` (for instance "pal.vob" or "title/VIDEO_TS/VTS_01_1.VOB"). The folder is
// $STILLREEL_FIXTURES when set, otherwise the build's own (<build>/fixtures, compiled in).
std::string FixturePath(std::string_view name);

// Folder of the real DVD samples: $STILLREEL_REALDVD when set, otherwise the build's default
// (shared/samples/realdvd beside the source tree, compiled in); empty when that folder does not exist
// (tests then skip).
std::string RealDvdFolder();

// Full paths of the *.VOB files (any case of the extension) in the real-sample folder, sorted by
// name; empty when there is no such folder.
std::vector<std::string> RealDvdVobFiles();
