#!/usr/bin/env bash
# scripts/install-deps against a made-up machine: PATH holds only stand-ins for
# dpkg-query (which answers from a list of installed packages), id, apt-get and sudo
# (which record how they were called), and the few real tools the script needs.
# Nothing is installed for real.
# Usage: install-deps-test.sh SOURCE_DIR
set -uo pipefail

script="$1/scripts/install-deps"
work=$(mktemp -d "${TMPDIR:-/tmp}/orvantis-install-deps-XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

# The package lists of the script's sets, as it names them.
run_set="g++ cmake make pkg-config qt6-base-dev libqt6sql6-sqlite sqlite3 libgl-dev iproute2 isc-dhcp-client isc-dhcp-common fonts-liberation2 fonts-dejavu-core"
test_only="libgtest-dev libgmock-dev libbenchmark-dev g++-mingw-w64-x86-64 wine wine64 dnsmasq-base xvfb xdotool desktop-file-utils appstream lintian man-db imagemagick"

# A fake machine: uid, installed packages, with or without sudo. Prints the script's
# output; its exit code goes to $work/rc and the calls of apt-get/sudo to $work/calls.
machine() {
    local uid=$1 installed=$2 with_sudo=$3
    shift 3
    local bin="$work/bin"
    rm -rf "$bin" "$work/calls"
    mkdir -p "$bin"
    for tool in bash env grep cat; do ln -s "$(command -v "$tool")" "$bin/$tool"; done
    printf '%s\n' $installed >"$work/installed"
    cat >"$bin/dpkg-query" <<EOS
#!$(command -v bash)
# dpkg-query -W -f='\${Status}' PACKAGE
package="\${@: -1}"
if grep -qxF -- "\$package" "$work/installed"; then printf 'install ok installed'; else exit 1; fi
EOS
    printf '#!%s\necho %s\n' "$(command -v bash)" "$uid" >"$bin/id"
    printf '#!%s\necho "apt-get $*" >>"%s"\n' "$(command -v bash)" "$work/calls" >"$bin/apt-get"
    if [ "$with_sudo" = sudo ]; then
        printf '#!%s\necho "sudo $1" >>"%s"\nexec "$@"\n' "$(command -v bash)" "$work/calls" >"$bin/sudo"
    fi
    chmod 755 "$bin"/*
    PATH="$bin" "$(command -v bash)" "$script" "$@" >"$work/out" 2>&1
    echo $? >"$work/rc"
}
rc() { cat "$work/rc"; }
calls() { cat "$work/calls" 2>/dev/null; }
install_call() { grep '^apt-get install' "$work/calls" 2>/dev/null; }

# Everything there: nothing is asked of apt.
machine 1000 "$run_set $test_only dpkg-dev file" nosudo test
[ "$(rc)" = 0 ] && [ -z "$(calls)" ] && pass "all installed: nothing to do" || fail "all installed: rc $(rc), calls: $(calls)"

# make run's set on an empty machine, as root: only the build and run packages.
machine 0 "" nosudo run
if [ "$(rc)" = 0 ] && [ "$(install_call)" = "apt-get install -y -qq --no-install-recommends $run_set" ] &&
    grep -qx "apt-get update -qq" "$work/calls"; then
    pass "run set as root: update, then exactly the build and run packages"
else
    fail "run set as root: rc $(rc), calls: $(calls)"
fi

# make test's set asks for the rest as well; only what is missing.
machine 0 "$run_set" nosudo test
if [ "$(rc)" = 0 ] && [ "$(install_call)" = "apt-get install -y -qq --no-install-recommends dpkg-dev file $test_only" ]; then
    pass "test set: the packaging and test packages that are missing"
else
    fail "test set: rc $(rc), calls: $(calls)"
fi

# A user with sudo: apt-get through sudo.
machine 1000 "$(tr ' ' '\n' <<<"$run_set" | grep -vx sqlite3)" sudo run
if [ "$(rc)" = 0 ] && [ "$(calls)" = "sudo apt-get
apt-get update -qq
sudo env
apt-get install -y -qq --no-install-recommends sqlite3" ]; then
    pass "user with sudo: apt-get through sudo"
else
    fail "user with sudo: rc $(rc), calls: $(calls)"
fi

# A user without sudo: the missing packages and the one command, and a failure; apt is
# not called.
machine 1000 "$run_set" nosudo test
out=$(cat "$work/out")
if [ "$(rc)" != 0 ] && [ -z "$(calls)" ] &&
    grep -qF "missing: dpkg-dev file $test_only" <<<"$out" &&
    grep -qxF "  su -c 'apt-get update && apt-get install -y --no-install-recommends dpkg-dev file $test_only'" <<<"$out"; then
    pass "user without sudo: told what is missing and the command"
else
    fail "user without sudo: rc $(rc), calls: $(calls), output: $out"
fi

# An unknown set is refused.
machine 0 "" nosudo everything
[ "$(rc)" = 2 ] && [ -z "$(calls)" ] && pass "unknown set refused" || fail "unknown set: rc $(rc)"

[ $failures -eq 0 ]
