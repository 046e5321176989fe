#include "net/argsplit.h"

#include <cstddef>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// Reads the program name from the start of line; answers the position after it.
std::size_t readProgramName(std::string_view line, std::string& name) {
    bool quoted = false;
    std::size_t pos = 0;
    for (; pos < line.size(); ++pos) {
        const char c = line[pos];
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && isBlank(c))
            break;
        else
            name += c;
    }
    return pos;
}

std::size_t skipBlanks(std::string_view line, std::size_t pos) {
    while (pos < line.size() && isBlank(line[pos]))
        ++pos;
    return pos;
}

// Reads one argument starting at pos (not a blank); answers the position after it.
std::size_t readArgument(std::string_view line, std::size_t pos, std::string& argument) {
    bool quoted = false;
    while (pos < line.size()) {
        std::size_t backslashes = 0;
        while (pos < line.size() && line[pos] == '\\') {
            ++backslashes;
            ++pos;
        }
        const bool atQuote = pos < line.size() && line[pos] == '"';
        if (!atQuote) {
            argument.append(backslashes, '\\');
            if (pos == line.size() || (!quoted && isBlank(line[pos])))
                break;
            argument += line[pos++];
            continue;
        }
        argument.append(backslashes / 2, '\\');
        if (backslashes % 2 == 1) {
            argument += '"';
        } else if (quoted && pos + 1 < line.size() && line[pos + 1] == '"') {
            argument += '"';
            ++pos;
        } else {
            quoted = !quoted;
        }
        ++pos;
    }
    return pos;
}

} // namespace

std::vector<std::string> splitCommandLine(std::string_view line) {
    std::vector<std::string> arguments(1);
    std::size_t pos = readProgramName(line, arguments.front());
    for (pos = skipBlanks(line, pos); pos < line.size(); pos = skipBlanks(line, pos))
        pos = readArgument(line, pos, arguments.emplace_back());
    return arguments;
}
