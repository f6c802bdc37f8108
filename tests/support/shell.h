// What the tests that run a program through the shell share: its words quoted, its output read back.
#pragma once

#include <filesystem>
#include <string>

// `text` as one word for the shell, whatever it holds.
std::string Quote(const std::string& text);

// The whole file as text; empty where it cannot be read.
std::string ReadAll(const std::filesystem::path& path);
