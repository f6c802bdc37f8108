// Every option of stillreel-thumbs, declared once: the parser, --help and the bash completion all
// read this table, and a test holds the man page to it.
#pragma once

#include "cli/thumbsoptions.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace thumbs {

// The three jobs a command line makes. Everything else is the pictures job: pieces, sheets, --info.
enum JobKind : unsigned { kPicturesJob = 1, kThumbnailJob = 2, kCatalogueJob = 4, kAnyJob = 7 };

// What an option's arguments are, as far as completion can offer them.
enum class Argument {
    None,
    Value,  // typed by the user: a number, a time, a size
    OptionalGrid,  // COLSxROWS, taken only where the next word is one
    Folder,
    Choice,  // one of the row's choices, or a value typed
};

// The parser's state while it walks the command line; rows act on it.
struct ParseState {
    Options options;
    bool modeGiven = false;
    std::int32_t sheetRows = 0;  // set by --sheet (and a catalogue): the grid's rows
    std::int32_t forcedStream = 0;  // --subtitles-stream
    bool keepBlank = false;
};

// An option's arguments, handed out one by one; a missing one is a usage error naming what it lacks.
class Values {
public:
    Values(const std::vector<std::string>& args, std::size_t& at, std::string_view given,
           std::span<const std::string_view> wanted);
    const std::string& Next();
    // The next word if it is a COLSxROWS grid, else nothing taken.
    const std::string* NextGrid();
    const std::string& Given() const { return given_; }

private:
    const std::vector<std::string>& args_;
    std::size_t& at_;
    std::string given_;
    std::span<const std::string_view> wanted_;
    std::size_t taken_ = 0;
};

struct OptionRow {
    std::string_view name{};  // as --help lists it first: "-o" for "-o, --save-folder"
    std::string_view longName{};  // the second spelling, or empty
    std::string_view section{};  // the --help heading it is listed under, rows of one heading together
    std::string_view metavar{};  // its arguments as --help shows them
    Argument argument = Argument::None;
    // What each argument is, for "--range needs an end"; as many as it takes.
    std::span<const std::string_view> wanted{};
    std::span<const std::string_view> choices{};  // fixed values completion offers
    unsigned jobs = kPicturesJob;  // the jobs that take it
    unsigned opens = 0;  // the job it makes the command line's
    // Options with the same text here exclude one another, and it is the error.
    std::string_view exclusive{};
    // What it goes with beyond its jobs, as the error says it, and whether the command line has it.
    std::string_view needs{};
    bool (*met)(const ParseState&) = nullptr;
    void (*apply)(ParseState&, Values&) = nullptr;
    std::string_view help{};  // lines separated by '\n'
};

std::span<const OptionRow> OptionTable();

// The row of one spelling, or null.
const OptionRow* FindOption(std::string_view spelling);

}  // namespace thumbs
