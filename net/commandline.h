#pragma once

#include <string>

// The two netsh command lines of an activation: the address line and the DNS line,
// each in a static and a DHCP form. Values go in exactly as stored: not trimmed, not
// checked and not escaped, so a double quotation mark in a connection name ends the
// quoted name early.

// Static: netsh interface ip set address "NAME"  static IP MASK GATEWAY 1
// DHCP:   netsh interface ip set address "NAME"  dhcp (one trailing blank)
std::string netshAddressLine(bool dhcp, const std::string& connectionName, const std::string& ipAddress,
                             const std::string& subnetMask, const std::string& gateway);

// Static: netsh interface ip set dns "NAME"  static DNS primary
// DHCP:   netsh interface ip set dns "NAME"  dhcp (one trailing blank)
std::string netshDnsLine(bool dhcp, const std::string& connectionName, const std::string& dnsServer);
