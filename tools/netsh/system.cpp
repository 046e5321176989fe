#include "system.h"

#include "executor.h"
#include "net/networkmanager.h"
#include "process.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <net/if.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace netsh {

namespace {

bool installed(const std::string& program) {
    return !systemProgram(program).empty();
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string trimmed(std::string text) {
    const auto end = text.find_last_not_of(" \t\r\n");
    text.erase(end == std::string::npos ? 0 : end + 1);
    return text;
}

bool resolvedRuns() {
    struct stat st {};
    return installed("resolvectl") && ::stat("/run/systemd/resolve/io.systemd.Resolve", &st) == 0 &&
           S_ISSOCK(st.st_mode);
}

DhcpClient installedDhcpClient() {
    if (installed("dhclient")) {
        return DhcpClient::Dhclient;
    }
    if (installed("dhcpcd")) {
        return DhcpClient::Dhcpcd;
    }
    if (installed("udhcpc")) {
        return DhcpClient::Udhcpc;
    }
    return DhcpClient::None;
}

// The pid in a DHCP client's pid file, when that process is still that client for dev.
std::optional<int> runningPid(const std::string& pidFile, DhcpClient client, const std::string& dev) {
    const auto text = trimmed(readFile(pidFile));
    char* end = nullptr;
    const long pid = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || pid <= 0 || pid > INT_MAX) {
        return std::nullopt;
    }
    if (!isDhcpClientFor(readFile("/proc/" + std::to_string(pid) + "/cmdline"), client, dev)) {
        return std::nullopt;
    }
    return static_cast<int>(pid);
}

InterfaceState readInterface(const std::string& dev) {
    InterfaceState state;
    state.addresses = parseIpAddresses(runProgram({"ip", "-4", "-o", "addr", "show", "dev", dev}).out);
    state.defaultRoutes =
        parseDefaultRoutes(runProgram({"ip", "-4", "route", "show", "default", "dev", dev}).out);
    state.routes = parseKeptRoutes(runProgram({"ip", "-4", "route", "show", "table", "all", "dev", dev}).out);
    return state;
}

std::vector<std::string> leaseDns(DhcpClient client, const std::string& dev) {
    switch (client) {
    case DhcpClient::Dhclient:
        return parseDhclientLeaseDns(readFile(dhclientLeaseFile(dev)));
    case DhcpClient::Dhcpcd:
        return parseDhcpcdLeaseDns(runProgram({"dhcpcd", "-4", "-U", dev}).out);
    case DhcpClient::Udhcpc:
    case DhcpClient::None:
        break;
    }
    return {};
}

const char* const nmSettingFields =
    "ipv4.method,ipv4.addresses,ipv4.gateway,ipv4.route-metric,ipv4.dns,ipv4.ignore-auto-dns";

std::string resolvConfPath() {
    char resolved[PATH_MAX];
    return ::realpath("/etc/resolv.conf", resolved) ? std::string(resolved) : std::string("/etc/resolv.conf");
}

bool isLoopback(const std::string& dev) {
    const auto flags = trimmed(readFile("/sys/class/net/" + dev + "/flags"));
    return !flags.empty() && (std::strtoul(flags.c_str(), nullptr, 16) & IFF_LOOPBACK) != 0;
}

// The profiles bound to an interface (connection.interface-name), asked one by one:
// only needed when NAME is neither a profile nor a device with an active one.
std::vector<NmConnection> profilesBoundTo(const std::vector<NmConnection>& all, const std::string& dev) {
    std::vector<NmConnection> bound;
    for (const auto& connection : all) {
        const auto result = runProgram(
            {"nmcli", "-g", "connection.interface-name", "connection", "show", "uuid", connection.uuid});
        if (result.ok() && trimmed(result.out) == dev) {
            bound.push_back(connection);
        }
    }
    return bound;
}

void probeNetworkManager(const Request& request, Facts& facts) {
    if (!installed("nmcli")) {
        throw PlanError("netsh: NetworkManager runs but nmcli is not installed");
    }
    const auto list = runProgram({"nmcli", "-t", "-f", "NAME,UUID,TYPE,DEVICE", "connection", "show"});
    if (!list.ok()) {
        throw PlanError("netsh: " +
                        describeFailure({{"nmcli", "connection", "show"}}, {list.status, list.err}));
    }
    const auto all = parseNmConnections(list.out);
    const auto connection = chooseNmConnection(request.name, all, [&] {
        if (isLoopback(request.name)) {
            throw UsageError(loopbackRefusal(request.name));
        }
        return profilesBoundTo(all, request.name);
    });
    if (!connection.device.empty() && isLoopback(connection.device)) {
        throw UsageError(loopbackRefusal(request.name));
    }
    facts.nmName = connection.name;
    facts.nmUuid = connection.uuid;
    const auto settings =
        runProgram({"nmcli", "-g", nmSettingFields, "connection", "show", "uuid", connection.uuid});
    if (!settings.ok()) {
        throw UsageError("netsh: there is no NetworkManager connection named \"" + request.name + "\"");
    }
    facts.nm = parseNmSettings(settings.out);
}

void probeInterface(const Request& request, Facts& facts) {
    const auto& dev = request.name;
    if (dev.front() == '-' || ::if_nametoindex(dev.c_str()) == 0) {
        throw UsageError("netsh: there is no network interface named \"" + dev + "\"");
    }
    if (isLoopback(dev)) {
        throw UsageError(loopbackRefusal(dev));
    }
    facts.iface = readInterface(dev);
    facts.dhcpClient = installedDhcpClient();
    if (facts.dhcpClient == DhcpClient::Dhclient) {
        facts.dhcpPid = runningPid(dhclientPidFile(dev), DhcpClient::Dhclient, dev);
    } else if (facts.dhcpClient == DhcpClient::Udhcpc) {
        facts.dhcpPid = runningPid(udhcpcPidFile(dev), DhcpClient::Udhcpc, dev);
    }
    if (request.setting == Setting::Address && request.source == Source::Dhcp &&
        facts.dhcpClient == DhcpClient::None) {
        throw PlanError("netsh: no DHCP client (dhclient, dhcpcd or udhcpc) is installed");
    }
    if (request.setting != Setting::Dns) {
        return;
    }
    facts.resolver = resolvedRuns() ? Resolver::Resolved : Resolver::ResolvConf;
    if (facts.resolver == Resolver::Resolved) {
        facts.resolvedDns = parseResolvectlDns(runProgram({"resolvectl", "dns", dev}).out);
    } else {
        facts.resolvConfPath = resolvConfPath();
        facts.resolvConf = readFile(facts.resolvConfPath);
    }
    if (request.source == Source::Dhcp) {
        facts.leaseDns = leaseDns(facts.dhcpClient, dev);
    }
}

bool writeAll(int fd, const std::string& content) {
    std::size_t written = 0;
    while (written < content.size()) {
        const ssize_t n = ::write(fd, content.data() + written, content.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    return true;
}

std::string rewriteInPlace(const std::string& path, const std::string& content) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) {
        return path + ": " + std::strerror(errno);
    }
    const bool ok = writeAll(fd, content) && ::fsync(fd) == 0;
    const int savedErrno = errno;
    ::close(fd);
    return ok ? std::string{} : path + ": " + std::strerror(savedErrno);
}

} // namespace

Facts probeFacts(const Request& request) {
    Facts facts;
    facts.manager = NetworkManagerRuns() ? Manager::NetworkManager : Manager::Iproute2;
    if (facts.manager == Manager::NetworkManager) {
        probeNetworkManager(request, facts);
    } else {
        probeInterface(request, facts);
    }
    return facts;
}

Observed observe(const Request& request, const Facts& facts) {
    Observed observed;
    if (facts.manager == Manager::NetworkManager) {
        observed.nm = parseNmSettings(
            runProgram({"nmcli", "-g", nmSettingFields, "connection", "show", "id", facts.nmName}).out);
        observed.nmActive = parseNmActive(runProgram({"nmcli", "-g", "IP4.ADDRESS,IP4.GATEWAY,IP4.DNS",
                                                      "connection", "show", "id", facts.nmName})
                                              .out);
    } else if (request.setting == Setting::Address) {
        observed.iface = readInterface(request.name);
    } else if (facts.resolver == Resolver::Resolved) {
        observed.resolvedDns = parseResolvectlDns(runProgram({"resolvectl", "dns", request.name}).out);
    } else {
        observed.resolvConf = readFile(facts.resolvConfPath);
    }
    return observed;
}

std::string performAction(const Action& action) {
    if (const auto* write = std::get_if<WriteFile>(&action)) {
        return writeFileAtomically(write->path, write->content);
    }
    const auto& command = std::get<Command>(action);
    const auto result = runProgram(command.argv, command.daemon);
    return result.ok() ? std::string{} : describeFailure(command, {result.status, result.err});
}

std::string writeFileAtomically(const std::string& path, const std::string& content) {
    const auto slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    std::string temp = dir + "/.netsh-XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        return dir + ": " + std::strerror(errno);
    }
    struct stat old {};
    const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    const bool written = ::fchmod(fd, mode) == 0 && writeAll(fd, content) && ::fsync(fd) == 0;
    const int writeErrno = errno;
    ::close(fd);
    if (!written) {
        ::unlink(temp.c_str());
        return temp + ": " + std::strerror(writeErrno);
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int renameErrno = errno;
        ::unlink(temp.c_str());
        if (renameErrno == EBUSY || renameErrno == EXDEV) {
            return rewriteInPlace(path, content);
        }
        return path + ": " + std::strerror(renameErrno);
    }
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return {};
}

} // namespace netsh
