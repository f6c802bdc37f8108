#include "cli/completion.h"

#include "cli/optiontable.h"
#include "job/video.h"

#include <string_view>

namespace thumbs {

namespace {

// The spellings of the options that `take` holds for, joined by `separator`; "" where none.
template <typename Take>
std::string Spellings(Take take, std::string_view separator = " | ")
{
    std::string pattern;
    for (const OptionRow& option : OptionTable()) {
        if (!take(option))
            continue;
        for (std::string_view spelling : {option.name, option.longName})
            if (!spelling.empty())
                pattern.append(pattern.empty() ? "" : separator).append(spelling);
    }
    return pattern;
}

// A case branch at `indent`: the options' pattern and what follows it, nothing where no option matches.
std::string Branch(const std::string& pattern, std::string_view body, const std::string& indent = "    ")
{
    return pattern.empty() ? std::string() : indent + pattern + ")\n" + indent + "    " + std::string(body) + " ;;\n";
}

// What the program opens by name: video files, disc images and a disc's VIDEO_TS.IFO.
std::string InputPattern()
{
    std::string pattern;
    for (std::string_view ending : job::kVideoExtensions)
        pattern.append("*").append(ending).append(" | ");
    return pattern + "*.iso | *.img | *.ifo";
}

}  // namespace

std::string BashCompletion()
{
    const std::string words = Spellings([](const OptionRow&) { return true; }, " ");
    std::string values;
    for (const OptionRow& option : OptionTable())
        if (option.argument == Argument::Choice) {
            std::string choices;
            for (std::string_view choice : option.choices)
                choices.append(choices.empty() ? "" : " ").append(choice);
            values += Branch(Spellings([&](const OptionRow& s) { return &s == &option; }),
                             "COMPREPLY=($(compgen -W '" + choices + "' -- \"$cur\")); return");
        }
    values += Branch(Spellings([](const OptionRow& s) { return s.argument == Argument::Folder; }),
                     "_stillreel_thumbs_paths \"$cur\" folders; return");
    values += Branch(Spellings([](const OptionRow& s) { return s.argument == Argument::Value; }), "return");
    const std::string second = Spellings([](const OptionRow& s) { return s.wanted.size() > 1; });

    std::string script =
        "# bash completion for stillreel-thumbs, written from its option table when it was built.\n"
        "\n"
        "# Folders, and with \"inputs\" the files the program opens by name; every file where the folder\n"
        "# holds none of those.\n"
        "_stillreel_thumbs_paths()\n"
        "{\n"
        "    local IFS=$'\\n' path opened=0\n"
        "    compopt -o filenames 2>/dev/null\n"
        "    for path in $(compgen -f -- \"$1\"); do\n"
        "        if [[ -d $path ]]; then\n"
        "            COMPREPLY+=(\"$path\")\n"
        "        elif [[ $2 == inputs ]]; then\n"
        "            case ${path,,} in\n"
        "            " +
        InputPattern() +
        ")\n"
        "                COMPREPLY+=(\"$path\")\n"
        "                opened=1 ;;\n"
        "            esac\n"
        "        fi\n"
        "    done\n"
        "    if [[ $2 == inputs && $opened == 0 ]]; then\n"
        "        COMPREPLY=($(compgen -f -- \"$1\"))\n"
        "    fi\n"
        "}\n"
        "\n"
        "_stillreel_thumbs()\n"
        "{\n"
        "    local cur=${COMP_WORDS[COMP_CWORD]} i\n"
        "    COMPREPLY=()\n"
        "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
        "        if [[ ${COMP_WORDS[i]} == -- ]]; then\n"
        "            _stillreel_thumbs_paths \"$cur\" inputs\n"
        "            return\n"
        "        fi\n"
        "    done\n";
    if (!second.empty())
        script += "    # The second argument of an option that takes two.\n"
                  "    if ((COMP_CWORD > 2)); then\n"
                  "        case ${COMP_WORDS[COMP_CWORD - 2]} in\n" +
            Branch(second, "return", "        ") +
            "        esac\n"
            "    fi\n";
    script += "    case ${COMP_WORDS[COMP_CWORD - 1]} in\n" + values +
        "    esac\n"
        "    if [[ $cur == -* ]]; then\n"
        "        COMPREPLY=($(compgen -W '" +
        words +
        "' -- \"$cur\"))\n"
        "        return\n"
        "    fi\n"
        "    _stillreel_thumbs_paths \"$cur\" inputs\n"
        "}\n"
        "complete -F _stillreel_thumbs stillreel-thumbs\n";
    return script;
}

}  // namespace thumbs
