// Files written whole or not at all: the bytes go to a file of their own beside the name, created
// anew for each write, and are renamed onto the name only once all of them are on disk, so no
// reader, and no other writer of the same name, ever sees a part.
#pragma once

#include <cstddef>
#include <string>

// Writes Size bytes at Bytes as the file FileName, replacing any file of that name. The file gets
// the mode a new file of open(..., 0666) gets. On failure nothing is left beside the name and an
// earlier file of that name is untouched; throws std::system_error with the reason.
void WriteWholeFile(const std::string& FileName, const void* Bytes, std::size_t Size);

// Writes all Size bytes at Bytes to the open File, through short writes and interrupted calls.
// Answers 0, or the errno of the write that failed.
int WriteFully(int File, const void* Bytes, std::size_t Size);
