// The command-line splitter: any line splits without fault, and a line built by quoting
// arguments by the same rules gives exactly those arguments back.

#include "fuzzinput.h"
#include "net/argsplit.h"

namespace {

// One argument written so that the splitter reads it back as it stands: in quotation
// marks when it is empty or holds a blank, tab or mark; a mark is written \" and the
// backslashes in front of a mark (or of the closing one) are doubled.
std::string quoted(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) {
        return arg;
    }
    std::string text = "\"";
    std::size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        text.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        text += c;
    }
    text.append(2 * backslashes, '\\');
    return text + "\"";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    const auto split = splitCommandLine(line);
    fuzz::check(!split.empty(), "a line gives at least the program name", line);

    // The program name takes no escapes; the other arguments are any texts without NUL.
    std::vector<std::string> args{"netsh"};
    const auto given = fuzz::fields(data, size);
    args.insert(args.end(), given.begin(), given.end());
    std::string built;
    for (const auto& arg : args) {
        built += (built.empty() ? "" : " ") + quoted(arg);
    }
    fuzz::check(splitCommandLine(built) == args, "split(quote(args)) == args", built);
    return 0;
}
