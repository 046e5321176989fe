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

# The script's sets, as it lists them (on a PATH where apt-get, sudo and dpkg-query
# only fail, so that a script without --list installs nothing).
mkdir -p "$work/listbin"
for tool in env grep cat id; do ln -s "$(command -v "$tool")" "$work/listbin/$tool"; done
for tool in apt-get sudo dpkg-query; do printf '#!/bin/sh\nexit 1\n' >"$work/listbin/$tool"; done
chmod 755 "$work/listbin"/*
set_of() { PATH="$work/listbin" "$(command -v bash)" "$script" --list "$1" 2>/dev/null | paste -sd' '; }
run_set=$(set_of run)
package_set=$(set_of package)
test_set=$(set_of test)
# What the test set adds to the package set, in its order.
test_only=$(comm -13 <(tr ' ' '\n' <<<"$package_set" | sort) <(tr ' ' '\n' <<<"$test_set" | sort) |
    grep -Fxf - <(tr ' ' '\n' <<<"$test_set") | paste -sd' ')
package_only=$(comm -13 <(tr ' ' '\n' <<<"$run_set" | sort) <(tr ' ' '\n' <<<"$package_set" | sort) |
    grep -Fxf - <(tr ' ' '\n' <<<"$package_set") | paste -sd' ')
in_set() { tr ' ' '\n' <<<"$2" | grep -Fxq -- "$1"; }

# What running needs is in the run set; what only the tests or the package need is not.
for package in g++ cmake make qt6-base-dev libqt6sql6-sqlite sqlite3 iproute2; do
    in_set "$package" "$run_set" || fail "the run set lacks $package"
done
for package in libgtest-dev libgmock-dev libbenchmark-dev g++-mingw-w64-x86-64 wine wine64 dnsmasq-base xvfb xdotool lintian desktop-file-utils appstream dpkg-dev; do
    in_set "$package" "$run_set" && fail "the run set has $package, which only tests or packaging need"
    in_set "$package" "$test_set" || fail "the test set lacks $package"
done
[ "$(head -c ${#run_set} <<<"$test_set")" = "$run_set" ] && [ "$(head -c ${#package_set} <<<"$test_set")" = "$package_set" ] &&
    pass "the sets grow: run, then package, then test" || fail "the test set does not hold the run and package sets"

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
machine 1000 "$test_set" nosudo test
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
if [ "$(rc)" = 0 ] && [ "$(install_call)" = "apt-get install -y -qq --no-install-recommends $package_only $test_only" ]; then
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
    grep -qF "missing: $package_only $test_only" <<<"$out" &&
    grep -qxF "  su -c 'apt-get update && apt-get install -y --no-install-recommends $package_only $test_only'" <<<"$out"; then
    pass "user without sudo: told what is missing and the command"
else
    fail "user without sudo: rc $(rc), calls: $(calls), output: $out"
fi

# An unknown set is refused.
machine 0 "" nosudo everything
[ "$(rc)" = 2 ] && [ -z "$(calls)" ] && pass "unknown set refused" || fail "unknown set: rc $(rc)"

[ $failures -eq 0 ]
