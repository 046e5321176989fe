// netsh's request parser fed through the program's own command lines: the values of an
// IP set go into the address and DNS lines, the lines are split as the runner splits
// them, and netsh parses the arguments. It refuses or accepts, never faults; a name
// without quotation marks or backslashes always arrives as it stands.

#include "fuzzinput.h"
#include "net/argsplit.h"
#include "net/commandline.h"
#include "request.h"

namespace {

void parseLine(const std::string& line, const std::string& name) {
    auto args = splitCommandLine(line);
    args.erase(args.begin());
    try {
        const auto request = netsh::parseRequest(args);
        if (!name.empty() && name.find_first_of("\"\\") == std::string::npos) {
            fuzz::check(request.name == name, "the quoted name arrives as it stands", line);
        }
    } catch (const netsh::UsageError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto f = fuzz::fields(data, size);
    f.resize(6);
    const bool dhcp = !f[0].empty() && (f[0][0] & 1);
    const auto& name = f[1];
    parseLine(netshAddressLine(dhcp, name, f[2], f[3], f[4]), name);
    parseLine(netshDnsLine(dhcp, name, f[5]), name);
    return 0;
}
