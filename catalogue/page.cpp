#include "catalogue/page.h"

#include "dvd/disc.h"

#include <cstdio>

namespace catalogue {

namespace {

constexpr const char* kStyle =
    R"(body { font-family: "Open Sans", sans-serif; margin: 1.5em; background: #f4f4f4; color: #222 }
nav ul { columns: 16em; padding-left: 1.2em }
section { background: #fff; margin: 1.5em 0; padding: 0.5em 1.2em 1.2em; border-radius: 6px }
h2 { margin-bottom: 0.1em }
.path { color: #666; margin-top: 0; word-break: break-all }
.failed { color: #b00020 }
table { border-collapse: collapse; margin: 0.8em 0 }
th, td { border-bottom: 1px solid #ddd; padding: 0.25em 0.8em; text-align: left }
td.n { text-align: right }
.sheets img { max-width: 100%; width: 800px; margin: 0.4em 0.4em 0 0; border: 1px solid #ccc }
)";

// RFC 3986's unreserved characters, and the slash between the path's folders.
bool IsKeptInUrl(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
        c == '_' || c == '~' || c == '/';
}

std::string Join(const std::vector<std::string>& parts, const std::string& separator)
{
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : separator) + part;
    return text;
}

std::string Cell(const std::string& text, bool number = false)
{
    return std::string(number ? "<td class=\"n\">" : "<td>") + EscapeHtml(text) + "</td>";
}

std::string TitleTable(const Entry& entry)
{
    std::string html = "<table>\n<tr><th>Title</th><th>Length</th><th>Chapters</th><th>Angles</th><th>Aspect</th>"
                       "<th>Audio</th><th>Subtitles</th></tr>\n";
    for (const TitleRow& row : entry.titles) {
        const std::string number = row.number == 0 ? "" : std::to_string(row.number) + (row.main ? " (main)" : "");
        html += "<tr>" + Cell(number, true) + Cell(dvd::LengthText(row.lengthMs), true) +
            Cell(row.number == 0 ? "" : std::to_string(row.chapters), true) + Cell(std::to_string(row.angles), true) +
            Cell(row.aspect) + Cell(Join(row.audio, ", ")) + Cell(Join(row.subtitles, ", ")) + "</tr>\n";
    }
    return html + "</table>\n";
}

std::string Sheets(const Entry& entry)
{
    std::string html;
    for (const TitleRow& row : entry.titles) {
        if (row.sheet.empty())
            continue;
        const std::string url = EscapeHtml(EscapeUrl(row.sheet));
        const std::string alt = row.number == 0 ? entry.name : entry.name + ", title " + std::to_string(row.number);
        html += "<a href=\"" + url + "\"><img src=\"" + url + "\" alt=\"" + EscapeHtml(alt) + "\"></a>\n";
    }
    return html.empty() ? html : "<div class=\"sheets\">\n" + html + "</div>\n";
}

std::string Section(const Entry& entry, std::size_t index)
{
    std::string html = "<section id=\"i" + std::to_string(index + 1) + "\">\n<h2>" + EscapeHtml(entry.name) +
        "</h2>\n<p class=\"path\">" + EscapeHtml(entry.path) + "</p>\n";
    if (entry.status == Status::Failed)
        html += "<p class=\"failed\">Failed: " + EscapeHtml(entry.reason) + "</p>\n";
    if (!entry.titles.empty())
        html += TitleTable(entry);
    return html + Sheets(entry) + "</section>\n";
}

}  // namespace

std::string EscapeHtml(const std::string& text)
{
    std::string escaped;
    for (const char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        case '\'':
            escaped += "&#39;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

std::string EscapeUrl(const std::string& path)
{
    std::string escaped;
    for (const char c : path) {
        if (IsKeptInUrl(c)) {
            escaped += c;
        } else {
            char code[4];
            std::snprintf(code, sizeof code, "%%%02X", static_cast<unsigned char>(c));
            escaped += code;
        }
    }
    return escaped;
}

std::string PageHtml(const std::vector<Entry>& entries)
{
    std::string html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<title>Stillreel catalogue</title>\n<style>\n" +
        std::string(kStyle) + "</style>\n</head>\n<body>\n<h1>Stillreel catalogue</h1>\n<nav><ul>\n";
    for (std::size_t i = 0; i < entries.size(); ++i)
        html += "<li><a href=\"#i" + std::to_string(i + 1) + "\">" + EscapeHtml(entries[i].name) + "</a>" +
            (entries[i].status == Status::Failed ? " <span class=\"failed\">(failed)</span>" : "") + "</li>\n";
    html += "</ul></nav>\n";
    for (std::size_t i = 0; i < entries.size(); ++i)
        html += Section(entries[i], i);
    return html + "</body>\n</html>\n";
}

}  // namespace catalogue
