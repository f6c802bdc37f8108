#include "catalogue/entry.h"

#include <nlohmann/json.hpp>

namespace catalogue {

using Json = nlohmann::json;

namespace {

// Names that are not UTF-8 are written with stand-ins rather than refused.
std::string Dump(const Json& json)
{
    return json.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

// "done", "skipped", "failed"
std::string StatusText(Status status)
{
    switch (status) {
    case Status::Done:
        return "done";
    case Status::Skipped:
        return "skipped";
    case Status::Failed:
        return "failed";
    }
    return {};
}

Json RowJson(const TitleRow& row)
{
    return {{"number", row.number},     {"main", row.main},           {"length_ms", row.lengthMs},
            {"chapters", row.chapters}, {"angles", row.angles},       {"aspect", row.aspect},
            {"audio", row.audio},       {"subtitles", row.subtitles}, {"sheet", row.sheet}};
}

TitleRow RowFrom(const Json& json)
{
    TitleRow row;
    json.at("number").get_to(row.number);
    json.at("main").get_to(row.main);
    json.at("length_ms").get_to(row.lengthMs);
    json.at("chapters").get_to(row.chapters);
    json.at("angles").get_to(row.angles);
    json.at("aspect").get_to(row.aspect);
    json.at("audio").get_to(row.audio);
    json.at("subtitles").get_to(row.subtitles);
    json.at("sheet").get_to(row.sheet);
    return row;
}

Json ToJson(const Entry& entry)
{
    Json titles = Json::array();
    for (const TitleRow& row : entry.titles)
        titles.push_back(RowJson(row));
    return {{"path", entry.path},
            {"kind", entry.kind == Kind::Disc ? "disc" : "file"},
            {"name", entry.name},
            {"folder", entry.folder},
            {"status", StatusText(entry.status)},
            {"reason", entry.reason},
            {"titles", titles},
            {"recipe", entry.recipe}};
}

}  // namespace

std::optional<Entry> EntryFromJson(const std::string& text)
{
    try {
        const Json json = Json::parse(text);
        Entry entry;
        json.at("path").get_to(entry.path);
        entry.kind = json.at("kind").get<std::string>() == "disc" ? Kind::Disc : Kind::File;
        json.at("name").get_to(entry.name);
        json.at("folder").get_to(entry.folder);
        const std::string status = json.at("status").get<std::string>();
        entry.status = status == "failed" ? Status::Failed : Status::Done;
        json.at("reason").get_to(entry.reason);
        for (const Json& row : json.at("titles"))
            entry.titles.push_back(RowFrom(row));
        json.at("recipe").get_to(entry.recipe);
        return entry;
    } catch (const Json::exception&) {
        return std::nullopt;
    }
}

std::string CatalogueJson(const std::vector<Entry>& entries)
{
    Json list = Json::array();
    for (const Entry& entry : entries)
        list.push_back(ToJson(entry));
    return Dump({{"entries", list}});
}

std::string EntryJson(const Entry& entry)
{
    return Dump(ToJson(entry));
}

}  // namespace catalogue
