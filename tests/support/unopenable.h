// Paths that do not open as a video, one of each kind a user meets, with the reason the decoder
// library gives: what the messages of both fronts are checked against.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct UnopenableFile {
    std::string path;
    std::string reason;  // as in "Unable to open video file: <path> (<reason>)"
};

// Made in `folder` or taken from the fixtures: missing, unreadable (mode 000, which root reads all
// the same unless it gives up its right to), empty, text, a folder without VIDEO_TS, and the head of
// a video cut before its first whole picture. The files' names end in ".vob", as the window asks.
std::vector<UnopenableFile> MakeUnopenableFiles(const std::filesystem::path& folder);

// A DVD folder whose VIDEO_TS.IFO is no information file, made in `folder`.
std::filesystem::path MakeUnreadableDisc(const std::filesystem::path& folder);
