// What libdvdread 6.1 cannot read safely in an information file, found before its ifoOpen reads it.
#pragma once

struct dvd_file_s;

namespace dvd {

// Whether ifoOpen would free memory twice, follow a null pointer or read outside its own buffers on
// this information file (or its backup): cases its failure paths and table offsets do not guard.
bool ReadsUnsafely(dvd_file_s& file);

}  // namespace dvd
