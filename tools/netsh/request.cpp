#include "request.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <map>

namespace netsh {

namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return text;
}

bool isWord(const std::string& arg, std::initializer_list<const char*> words) {
    const std::string l = lower(arg);
    return std::any_of(words.begin(), words.end(), [&](const char* w) { return l == w; });
}

std::string joined(const std::vector<std::string>& args) {
    std::string text;
    for (const auto& a : args) {
        text += (text.empty() ? "" : " ") + a;
    }
    return text;
}

// The command words in front of the parameters: interface ip set address|dns.
Setting parseCommand(const std::vector<std::string>& args) {
    if (args.empty()) {
        throw UsageError("netsh: no command given (interface ip set address|dns NAME ...)");
    }
    const bool known = args.size() >= 4 && isWord(args[0], {"interface"}) &&
                       isWord(args[1], {"ip", "ipv4"}) && isWord(args[2], {"set"}) &&
                       isWord(args[3], {"address", "dns"});
    if (!known) {
        const std::vector<std::string> words(args.begin(),
                                             args.begin() + std::min<std::size_t>(args.size(), 4));
        throw UsageError("The following command was not found: " + joined(words) + ".");
    }
    return isWord(args[3], {"address"}) ? Setting::Address : Setting::Dns;
}

// The tags of each command in their positional order.
const std::vector<std::string>& tagsOf(Setting setting) {
    static const std::vector<std::string> address{"name", "source", "address", "mask", "gateway", "gwmetric"};
    static const std::vector<std::string> dns{"name", "source", "address", "register", "validate"};
    return setting == Setting::Address ? address : dns;
}

// Assigns every parameter to its tag. The first one is the name as it stands, whatever
// it looks like: Orvantis always puts the quoted connection name there, and a name such
// as "name=lan1" or "source=dhcp" is a name. From the second on, tagged ones go to their
// tag and the others to the next tag not yet given, in order.
std::map<std::string, std::string> assignTags(Setting setting, const std::vector<std::string>& params) {
    const auto& tags = tagsOf(setting);
    std::map<std::string, std::string> values;
    if (params.empty()) {
        return values;
    }
    values.emplace("name", params.front());
    for (const auto& param : std::vector<std::string>(params.begin() + 1, params.end())) {
        const auto eq = param.find('=');
        if (eq != std::string::npos) {
            const std::string tag = lower(param.substr(0, eq));
            if (tag == "name") {
                throw UsageError("netsh: unexpected \"" + param +
                                 "\": the connection name is the first argument, as it stands");
            }
            if (std::find(tags.begin(), tags.end(), tag) == tags.end()) {
                throw UsageError("netsh: unknown keyword \"" + param.substr(0, eq) + "\"");
            }
            if (!values.emplace(tag, param.substr(eq + 1)).second) {
                throw UsageError("netsh: \"" + tag + "\" is given twice");
            }
            continue;
        }
        const auto next =
            std::find_if(tags.begin(), tags.end(), [&](const auto& t) { return !values.count(t); });
        if (next == tags.end()) {
            throw UsageError("netsh: unexpected argument \"" + param + "\"");
        }
        values.emplace(*next, param);
    }
    return values;
}

Source parseSource(const std::map<std::string, std::string>& values) {
    const auto it = values.find("source");
    if (it == values.end()) {
        throw UsageError("netsh: static or dhcp is missing");
    }
    if (isWord(it->second, {"static"})) {
        return Source::Static;
    }
    if (isWord(it->second, {"dhcp"})) {
        return Source::Dhcp;
    }
    throw UsageError("netsh: unknown keyword \"" + it->second + "\" (expected static or dhcp)");
}

void rejectWithDhcp(const std::map<std::string, std::string>& values,
                    std::initializer_list<const char*> tags) {
    for (const char* tag : tags) {
        if (const auto it = values.find(tag); it != values.end()) {
            throw UsageError("netsh: unexpected argument \"" + it->second + "\" after dhcp");
        }
    }
}

Ipv4 hostAddress(const std::map<std::string, std::string>& values, const std::string& what) {
    const auto it = values.find("address");
    if (it == values.end() || it->second.empty()) {
        throw UsageError("netsh: the " + what + " is missing");
    }
    const auto address = parseDottedDecimal(it->second);
    if (!address || !isHostAddress(*address)) {
        throw UsageError("netsh: \"" + it->second + "\" is not a valid " + what);
    }
    return *address;
}

bool isNumber(const std::string& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int maskPrefix(const std::map<std::string, std::string>& values) {
    const auto it = values.find("mask");
    if (it == values.end()) {
        throw UsageError("netsh: the subnet mask is missing");
    }
    const auto mask = parseDottedDecimal(it->second);
    if (!mask || mask->value == 0) {
        throw UsageError("netsh: \"" + it->second + "\" is not a valid subnet mask");
    }
    const auto prefix = prefixLength(*mask);
    if (!prefix) {
        throw UsageError("netsh: subnet mask " + it->second + " is not contiguous");
    }
    return *prefix;
}

std::optional<Ipv4> gateway(const std::map<std::string, std::string>& values) {
    const auto it = values.find("gateway");
    // Orvantis writes an empty gateway as nothing between two blanks, so its metric
    // moves into the gateway's place: a bare number there with no metric after it.
    if (it == values.end() || it->second.empty() || (isNumber(it->second) && !values.count("gwmetric"))) {
        throw UsageError("netsh: the default gateway is missing");
    }
    if (isWord(it->second, {"none"})) {
        return std::nullopt;
    }
    const auto address = parseDottedDecimal(it->second);
    if (!address || !isHostAddress(*address)) {
        throw UsageError("netsh: \"" + it->second + "\" is not a valid default gateway");
    }
    return address;
}

// The address must be one a host of its subnet may hold, and not the gateway's. In
// subnets of two addresses (/31) both are hosts, and a /32 is the host alone.
void checkInSubnet(const Request& r) {
    const std::uint32_t hostBits = r.prefix >= 32 ? 0 : (0xffffffffu >> r.prefix);
    const std::uint32_t network = r.address.value & ~hostBits;
    const std::string subnet = Ipv4{network}.text() + "/" + std::to_string(r.prefix);
    const auto role = [&](Ipv4 a) -> const char* {
        if (r.prefix > 30) {
            return nullptr;
        }
        if ((a.value & ~hostBits) != network) {
            return nullptr;
        }
        if ((a.value & hostBits) == 0) {
            return "network address";
        }
        return (a.value & hostBits) == hostBits ? "broadcast address" : nullptr;
    };
    if (const char* what = role(r.address)) {
        throw UsageError("netsh: " + r.address.text() + " is the " + what + " of the subnet " + subnet +
                         ", not a host address");
    }
    if (!r.gateway) {
        return;
    }
    if (*r.gateway == r.address) {
        throw UsageError("netsh: " + r.address.text() + " is the gateway's own address, not a host address");
    }
    if (const char* what = role(*r.gateway)) {
        throw UsageError("netsh: the default gateway " + r.gateway->text() + " is the " + what +
                         " of the subnet " + subnet);
    }
}

std::optional<unsigned> metric(const std::map<std::string, std::string>& values, bool hasGateway) {
    const auto it = values.find("gwmetric");
    if (it == values.end()) {
        return std::nullopt;
    }
    if (!hasGateway) {
        throw UsageError("netsh: a gateway metric needs a gateway");
    }
    unsigned number = 0;
    const auto& text = it->second;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() || number > 9999) {
        throw UsageError("netsh: \"" + text + "\" is not a valid gateway metric (0 to 9999)");
    }
    return number;
}

void checkDnsExtras(const std::map<std::string, std::string>& values) {
    if (const auto it = values.find("register");
        it != values.end() && !isWord(it->second, {"none", "primary", "both"})) {
        throw UsageError("netsh: unknown keyword \"" + it->second + "\" (expected none, primary or both)");
    }
    if (const auto it = values.find("validate"); it != values.end() && !isWord(it->second, {"yes", "no"})) {
        throw UsageError("netsh: unknown keyword \"" + it->second + "\" (expected yes or no)");
    }
}

} // namespace

Request parseRequest(const std::vector<std::string>& args) {
    Request request;
    request.setting = parseCommand(args);
    const auto values = assignTags(request.setting, {args.begin() + 4, args.end()});

    const auto name = values.find("name");
    if (name == values.end() || name->second.empty()) {
        throw UsageError("netsh: the connection name is missing");
    }
    request.name = name->second;
    request.source = parseSource(values);

    if (request.setting == Setting::Address) {
        if (request.source == Source::Dhcp) {
            rejectWithDhcp(values, {"address", "mask", "gateway", "gwmetric"});
            return request;
        }
        request.address = hostAddress(values, "IP address");
        request.prefix = maskPrefix(values);
        request.gateway = gateway(values);
        request.metric = metric(values, request.gateway.has_value());
        checkInSubnet(request);
        return request;
    }

    checkDnsExtras(values);
    if (request.source == Source::Dhcp) {
        rejectWithDhcp(values, {"address"});
        return request;
    }
    // An empty DNS server: Orvantis's "primary" moves into the address's place.
    if (const auto it = values.find("address");
        it != values.end() && isWord(it->second, {"none", "primary", "both"}) && !values.count("register")) {
        throw UsageError("netsh: the DNS server address is missing");
    }
    request.dnsServer = hostAddress(values, "DNS server address");
    return request;
}

} // namespace netsh
