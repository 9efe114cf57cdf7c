#include "Arguments.h"

#include "CommandTable.h"
#include "NumberText.h"

#include <algorithm>
#include <set>

namespace cli {

namespace {

// Options every command takes; all but the flags take a value.
const std::set<std::string, std::less<>> kCommonOptions = {"root", "digits", "format",
                                                           "energy-unit", "no-header"};
// Options that take no value.
const std::set<std::string, std::less<>> kFlags = {
    "all",       "with-edges",       "energy", "layers",     "bins",
    "no-header", "without-coherent", "check",  "compendium", "fresh"};

bool takesOption(const std::string& command, const std::string& option) {
    if (kCommonOptions.contains(option)) {
        return true;
    }
    const Command* known = FindCommand(command);
    return known != nullptr &&
           std::find(known->options.begin(), known->options.end(), option) != known->options.end();
}

bool knownOption(const std::string& option) {
    if (kCommonOptions.contains(option) || kFlags.contains(option)) {
        return true;
    }
    return std::any_of(Commands().begin(), Commands().end(), [&](const Command& command) {
        return std::find(command.options.begin(), command.options.end(), option) !=
               command.options.end();
    });
}

// A word that begins with '-' is still an argument when it is "-" (standard input) or a number
// such as -1 (an energy the look-up then reports out of range).
bool isArgumentWord(const std::string& word) {
    return word.empty() || word[0] != '-' || word == "-" || IsNumberText(word);
}

bool parseDigits(const std::string& text, int& digits) {
    if (text.empty() || text.size() > 2 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    digits = std::stoi(text);
    return digits >= 1 && digits <= kMostDigits;
}

bool parseFormat(const std::string& text, OutputFormat& format) {
    if (text == "text") {
        format = OutputFormat::Text;
    } else if (text == "csv") {
        format = OutputFormat::Csv;
    } else if (text == "json") {
        format = OutputFormat::Json;
    } else {
        return false;
    }
    return true;
}

} // namespace

const std::vector<std::string>& CommandNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> all;
        for (const Command& command : Commands()) {
            all.emplace_back(command.name);
        }
        all.emplace_back("help");
        return all;
    }();
    return names;
}

ParsedArguments ParseArguments(const std::vector<std::string>& words, const char* home) {
    ParsedArguments parsed;
    Invocation& invocation = parsed.invocation;
    std::map<std::string, std::string> options;
    bool optionsEnded = false;

    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (!optionsEnded && word == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && (word == "--help" || word == "-h")) {
            invocation.help = true;
            continue;
        }
        if (optionsEnded || isArgumentWord(word)) {
            if (invocation.command.empty()) {
                invocation.command = word;
            } else {
                invocation.arguments.push_back(word);
            }
            continue;
        }
        if (word.rfind("--", 0) != 0) {
            parsed.error = "unknown option " + word;
            return parsed;
        }
        std::string name = word.substr(2);
        std::string value;
        const std::size_t equals = name.find('=');
        if (equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        } else if (kFlags.contains(name)) {
            value = "yes";
        } else if (knownOption(name)) {
            if (i + 1 >= words.size()) {
                parsed.error = "option --" + name + " needs a value";
                return parsed;
            }
            value = words[++i];
        }
        if (!knownOption(name)) {
            parsed.error = "unknown option --" + name;
            return parsed;
        }
        options[name] = value;
    }

    // "help COMMAND" asks for the help of that command.
    if (invocation.command == "help") {
        invocation.help = true;
        invocation.command = invocation.arguments.empty() ? std::string() : invocation.arguments[0];
        invocation.arguments.clear();
    }
    const auto& names = CommandNames();
    if (!invocation.command.empty() &&
        std::find(names.begin(), names.end(), invocation.command) == names.end()) {
        parsed.error = "unknown command '" + invocation.command + "'";
        return parsed;
    }

    for (auto& [name, value] : options) {
        if (!invocation.command.empty() && !takesOption(invocation.command, name)) {
            parsed.error = "the command " + invocation.command + " has no option --" + name;
            return parsed;
        }
        if (name == "root") {
            if (value.empty()) {
                parsed.error = "option --root needs a folder";
                return parsed;
            }
            invocation.root = value;
        } else if (name == "digits") {
            if (!parseDigits(value, invocation.digits)) {
                parsed.error =
                    "option --digits takes a whole number from 1 to 17, not '" + value + "'";
                return parsed;
            }
        } else if (name == "format") {
            if (!parseFormat(value, invocation.format)) {
                parsed.error = "option --format takes text, csv or json, not '" + value + "'";
                return parsed;
            }
        } else if (name == "energy-unit") {
            std::string unit = value;
            std::transform(unit.begin(), unit.end(), unit.begin(),
                           [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
            if (unit != "mev" && unit != "kev") {
                parsed.error = "option --energy-unit takes keV or MeV, not '" + value + "'";
                return parsed;
            }
            invocation.energyUnit = unit == "kev" ? EnergyUnit::keV : EnergyUnit::MeV;
        } else if (name == "no-header") {
            invocation.textHeader = false;
        } else {
            invocation.options[name] = value;
        }
    }
    if (invocation.root.empty()) {
        invocation.root = home != nullptr && *home != '\0' ? std::filesystem::path(home)
                                                           : std::filesystem::path(".");
    }
    return parsed;
}

} // namespace cli
