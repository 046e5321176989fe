#include "net/commandline.h"

namespace {

// "netsh interface ip set <what> "NAME" " followed by the blank that opens the mode word.
std::string quotedTarget(const char* what, const std::string& connectionName) {
    return std::string("netsh interface ip set ") + what + " \"" + connectionName + "\" ";
}

} // namespace

std::string netshAddressLine(bool dhcp, const std::string& connectionName, const std::string& ipAddress,
                             const std::string& subnetMask, const std::string& gateway) {
    std::string line = quotedTarget("address", connectionName);
    if (dhcp)
        return line + " dhcp ";
    return line + " static " + ipAddress + " " + subnetMask + " " + gateway + " 1";
}

std::string netshDnsLine(bool dhcp, const std::string& connectionName, const std::string& dnsServer) {
    std::string line = quotedTarget("dns", connectionName);
    if (dhcp)
        return line + " dhcp ";
    return line + " static " + dnsServer + " " + "primary";
}
