// A picture as a JPEG file of quality 100: encoded in memory by FreeImage, written whole or not at all.
#pragma once

#include <FreeImage.h>

#include <string>
#include <vector>

// Encodes Dib with FreeImage's JPEG writer at quality 100 into Jpeg, which it replaces; Jpeg keeps
// its memory for the next picture. Throws std::system_error (ENOMEM) when it cannot.
void EncodeJpeg(FIBITMAP* Dib, std::vector<BYTE>& Jpeg);
// Writes Jpeg to FileName, beside it first and then renamed over it, so a failed write leaves no
// part of a picture behind. Throws std::system_error with the reason.
void WriteJpeg(const std::string& FileName, const std::vector<BYTE>& Jpeg);
// EncodeJpeg, then WriteJpeg.
void SaveJpeg(FIBITMAP* Dib, const std::string& FileName);
