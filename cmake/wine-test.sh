#!/bin/sh
# Runs one Windows test program under Wine: wine-test.sh <wine> <program.exe>.
# The program learns this machine's IPv4 addresses from ORVANTIS_HOST_IPV4 (blank
# separated), so that it can compare them with what Windows reports under Wine.
wine=$1
shift
ORVANTIS_HOST_IPV4=$(ip -4 -o addr show 2>/dev/null | awk '{ sub("/.*", "", $4); print $4 }' | tr '\n' ' ')
export ORVANTIS_HOST_IPV4
exec "$wine" "$@"
