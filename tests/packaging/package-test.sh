#!/usr/bin/env bash
# The Debian package from end to end: builds it with CPack from the build folder,
# checks its file list and its control fields, runs the validators that are
# installed (desktop-file-validate, appstreamcli, lintian), unpacks it into a fresh
# folder and starts the installed programs from there:
#   - the menu launcher creates a database in a temporary XDG data folder, starts
#     orvantis there, and leaves an existing database untouched;
#   - under Xvfb (driven with xdotool), the installed orvantis opens the help file of
#     its own tree and runs the netsh of its own private folder.
# Usage: package-test.sh BUILD_DIR SOURCE_DIR
# Exits 77 (skipped) when the package cannot be built here (no dpkg-deb or cpack).
set -uo pipefail

build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
app_id=test.orvantis.Orvantis

for tool in cpack dpkg-deb readelf sqlite3; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed (scripts/install-deps test installs it)"
        exit 77
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/orvantis-package-XXXXXX")
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
pass() { echo "ok: $*"; }

# ---------------------------------------------------------------- the package

# The build folder's programs must be current: ctest runs after the build.
if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    fail "cpack could not build the package"
    exit 1
fi
shopt -s nullglob
debs=("$work"/out/orvantis_0.2-1_*.deb)
shopt -u nullglob
if [ ${#debs[@]} -ne 1 ]; then
    ls -l "$work/out"
    fail "expected one orvantis_0.2-1_<arch>.deb"
    exit 1
fi
deb=${debs[0]}
pass "built $(basename "$deb")"

# ---------------------------------------------------------------- its files

expected_files="./usr/bin/orvantis
./usr/bin/orvantis-createdb
./usr/libexec/orvantis/netsh
./usr/libexec/orvantis/orvantis-launcher
./usr/share/applications/$app_id.desktop
./usr/share/doc/orvantis/changelog.Debian.gz
./usr/share/doc/orvantis/copyright
./usr/share/icons/hicolor/16x16/apps/orvantis.png
./usr/share/icons/hicolor/24x24/apps/orvantis.png
./usr/share/icons/hicolor/256x256/apps/orvantis.png
./usr/share/icons/hicolor/32x32/apps/orvantis.png
./usr/share/icons/hicolor/48x48/apps/orvantis.png
./usr/share/icons/hicolor/scalable/apps/orvantis.svg
./usr/share/man/man1/orvantis-createdb.1.gz
./usr/share/man/man1/orvantis.1.gz
./usr/share/metainfo/$app_id.metainfo.xml
./usr/share/orvantis/ruvidadovevi.hlp"
dpkg-deb -c "$deb" >"$work/contents"
actual_files=$(awk '$1 !~ /^d/ {print $6}' "$work/contents" | LC_ALL=C sort)
if [ "$actual_files" = "$(LC_ALL=C sort <<<"$expected_files")" ]; then
    pass "file list"
else
    fail "file list differs (< expected, > packaged):"
    diff <(LC_ALL=C sort <<<"$expected_files") <(echo "$actual_files")
fi
# Every entry belongs to root; programs are 0755, other files 0644.
awk '$2 != "root/root" {print "  owner " $2 ": " $6}' "$work/contents" >"$work/owners"
[ -s "$work/owners" ] && fail "entries not owned by root: $(cat "$work/owners")"
while read -r mode _ _ _ _ path; do
    case "$path" in
        */) continue ;;
        ./usr/bin/* | ./usr/libexec/orvantis/*) want=-rwxr-xr-x ;;
        *) want=-rw-r--r-- ;;
    esac
    [ "$mode" = "$want" ] || fail "$path has mode $mode, not $want"
done <"$work/contents"

# ---------------------------------------------------------------- its control fields

field() { dpkg-deb -f "$deb" "$1"; }
expect_field() {
    local name=$1 want=$2 got
    got=$(field "$name")
    if [ "$got" = "$want" ]; then pass "$name: $got"; else fail "$name is '$got', not '$want'"; fi
}
expect_field Package orvantis
expect_field Version 0.2-1
expect_field Section net
expect_field Priority optional
expect_field Recommends "network-manager | isc-dhcp-client"
expect_field Architecture "$(dpkg --print-architecture)"
depends=$(field Depends)
# The library scan's findings (Qt, the C++ runtime) and what it cannot see.
for package in libqt6sql6-sqlite iproute2 libqt6widgets6 libqt6sql6 libstdc++6 libc6; do
    if sed 's/ *([^)]*)//g; s/, */\n/g' <<<"$depends" | grep -Fxq "$package"; then
        pass "Depends names $package"
    else
        fail "Depends lacks $package: $depends"
    fi
done
grep -q 'libqt6widgets6 (>=' <<<"$depends" || fail "the library dependencies carry no version: $depends"
description=$(field Description)
[ "$(head -n1 <<<"$description")" = "switch a network connection between named IPv4 settings" ] ||
    fail "Description's first line: $(head -n1 <<<"$description")"
[ "$(wc -l <<<"$description")" -ge 2 ] || fail "Description has no long text"
grep -q "dev@orvantis.test" <<<"$(field Maintainer)" || fail "Maintainer: $(field Maintainer)"

# ---------------------------------------------------------------- unpacked

root="$work/root"
dpkg-deb -x "$deb" "$root"
cmp -s "$root/usr/share/orvantis/ruvidadovevi.hlp" "$source/resources/help/ruvidadovevi.hlp" ||
    fail "the packaged help file is not resources/help/ruvidadovevi.hlp"
grep -q "MIT" "$root/usr/share/doc/orvantis/copyright" || fail "the copyright file names no MIT licence"
for program in usr/bin/orvantis usr/bin/orvantis-createdb usr/libexec/orvantis/netsh; do
    if readelf -d "$root/$program" | grep -Eq '\((RUNPATH|RPATH)\)'; then
        fail "$program has a RUNPATH or RPATH"
    else
        pass "$program has no RUNPATH"
    fi
done
for page in orvantis orvantis-createdb; do
    if command -v man >/dev/null; then
        warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
        [ -z "$warnings" ] && pass "man page $page" || fail "man page $page: $warnings"
    fi
done

# ---------------------------------------------------------------- validators

validator_missing() { echo "note: $1 is not installed, its check is left out (scripts/install-deps test installs it)"; }
if command -v desktop-file-validate >/dev/null; then
    if out=$(desktop-file-validate "$root/usr/share/applications/$app_id.desktop" 2>&1) && [ -z "$out" ]; then
        pass "desktop-file-validate"
    else
        fail "desktop-file-validate: $out"
    fi
    grep -qx "Exec=/usr/libexec/orvantis/orvantis-launcher" "$root/usr/share/applications/$app_id.desktop" ||
        fail "the menu entry does not start the installed launcher"
else
    validator_missing desktop-file-validate
fi
if command -v appstreamcli >/dev/null; then
    if out=$(appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml" 2>&1); then
        pass "appstreamcli validate"
    else
        fail "appstreamcli validate: $out"
    fi
else
    validator_missing appstreamcli
fi
if command -v lintian >/dev/null; then
    # Errors and warnings fail; the tags below are explained in packaging/lintian-notes.
    suppressed=$(grep -v '^#' "$source/packaging/lintian-notes" | awk 'NF {print $1}' | paste -sd, -)
    out=$(lintian --allow-root --tag-display-limit 0 ${suppressed:+--suppress-tags "$suppressed"} "$deb" 2>&1)
    echo "$out" | sed 's/^/  lintian: /'
    if grep -Eq '^(E|W):' <<<"$out"; then fail "lintian reports errors or warnings"; else pass "lintian"; fi
else
    validator_missing lintian
fi

# ---------------------------------------------------------------- the launcher

launcher="$root/usr/libexec/orvantis/orvantis-launcher"
# Starts the launcher offscreen and waits until it has become orvantis; prints its pid.
start_launcher() {
    env -u DISPLAY QT_QPA_PLATFORM=offscreen "$@" "$launcher" >>"$work/launcher.log" 2>&1 &
    local pid=$! tries
    pids+=("$pid")
    for tries in $(seq 100); do
        [ "$(readlink "/proc/$pid/exe" 2>/dev/null)" = "$root/usr/bin/orvantis" ] && break
        sleep 0.1
    done
    echo "$pid"
}
stop() { kill "$1" 2>/dev/null; wait "$1" 2>/dev/null; }
tables() { sqlite3 "$1" "SELECT name FROM sqlite_master WHERE type = 'table' AND name IN ('IPSets', 'Connections') ORDER BY name" | paste -sd' '; }

data="$work/xdg-data"
pid=$(start_launcher XDG_DATA_HOME="$data" HOME="$work/home")
if [ "$(readlink "/proc/$pid/exe")" = "$root/usr/bin/orvantis" ]; then
    pass "the launcher starts the installed orvantis"
    [ "$(readlink "/proc/$pid/cwd")" = "$data/orvantis" ] ||
        fail "orvantis runs in $(readlink "/proc/$pid/cwd"), not in $data/orvantis"
else
    fail "the launcher did not start the installed orvantis: $(cat "$work/launcher.log")"
fi
stop "$pid"
if [ -f "$data/orvantis/ipdb.ipdb" ] && [ "$(tables "$data/orvantis/ipdb.ipdb")" = "Connections IPSets" ]; then
    pass "the launcher created an empty database in \$XDG_DATA_HOME/orvantis"
else
    fail "no new database in $data/orvantis"
fi

# An existing database: the same bytes and the same time stamp afterwards.
sqlite3 "$data/orvantis/ipdb.ipdb" "INSERT INTO Connections (ConnectionName, Description) VALUES ('kept', 'row')"
touch -d '2001-02-03 04:05:06' "$data/orvantis/ipdb.ipdb"
before=$(sha256sum <"$data/orvantis/ipdb.ipdb")$(stat -c %Y "$data/orvantis/ipdb.ipdb")
pid=$(start_launcher XDG_DATA_HOME="$data" HOME="$work/home")
sleep 1
stop "$pid"
after=$(sha256sum <"$data/orvantis/ipdb.ipdb")$(stat -c %Y "$data/orvantis/ipdb.ipdb")
[ "$before" = "$after" ] && pass "an existing database is left untouched" || fail "the launcher changed an existing database"

# No XDG_DATA_HOME (or a relative one): ~/.local/share/orvantis.
pid=$(start_launcher XDG_DATA_HOME=relative/path HOME="$work/home")
stop "$pid"
[ -f "$work/home/.local/share/orvantis/ipdb.ipdb" ] && pass "without an absolute XDG_DATA_HOME: ~/.local/share/orvantis" ||
    fail "no database in ~/.local/share/orvantis"

# ---------------------------------------------------------------- the installed program's own files

if ! command -v Xvfb >/dev/null || ! command -v xdotool >/dev/null; then
    echo "note: Xvfb or xdotool is not installed: the help file and netsh checks of the installed program are left out"
    [ $failures -eq 0 ] || exit 1
    exit 0
fi

# The installed tree's help file and netsh are replaced by markers: a help file whose
# title names this run, and a netsh that records how it was started. Stand-ins of
# netsh in the current folder and on PATH record that they were wrongly chosen.
marker="Orvantis help of the unpacked tree $$"
printf '<html><head><title>%s</title></head><body><p>Contents</p></body></html>\n' "$marker" \
    >"$root/usr/share/orvantis/ruvidadovevi.hlp"
record_netsh() {
    printf '#!/bin/sh\nprintf "%%s\\n" "%s $*" >>"%s"\n' "$1" "$work/netsh.log" >"$2"
    chmod 755 "$2"
}
mkdir -p "$work/current" "$work/onpath"
record_netsh private "$root/usr/libexec/orvantis/netsh"
record_netsh current-folder "$work/current/netsh"
record_netsh path "$work/onpath/netsh"
"$root/usr/bin/orvantis-createdb" "$work/current/ipdb.ipdb" >/dev/null
sqlite3 "$work/current/ipdb.ipdb" "
    INSERT INTO Connections (ConnectionName, Description) VALUES ('orvantis-test0', 'not a real interface');
    INSERT INTO IPSets (IPSet_Name, IPAddress, SubnetMask, Gateway, DNS, DHCP, Connection)
        VALUES ('Bench', '10.9.8.7', '255.255.255.0', '10.9.8.1', '10.9.8.2', 0, 1);"

# Xvfb picks a free display itself and writes its number (two runs of this test at once
# would race for one that a loop here found free).
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
pids+=("$!")
display=""
for tries in $(seq 100); do
    number=$(head -n1 "$work/display" 2>/dev/null)
    [ -n "$number" ] && DISPLAY=":$number" xdotool getmouselocation >/dev/null 2>&1 && { display=":$number"; break; }
    sleep 0.1
done
if [ -z "$display" ]; then
    fail "Xvfb did not start"
    exit 1
fi
(cd "$work/current" && exec env DISPLAY="$display" QT_QPA_PLATFORM=xcb PATH="$work/onpath:/usr/bin:/bin" \
    "$root/usr/bin/orvantis" >"$work/orvantis.log" 2>&1) &
orvantis_pid=$!
pids+=("$orvantis_pid")
x() { DISPLAY=$display xdotool "$@"; }
main=$(DISPLAY=$display timeout 20 xdotool search --sync --name '^Orvantis Ver 0\.2$' | head -n1)
if [ -z "$main" ]; then
    fail "the installed orvantis showed no main window: $(cat "$work/orvantis.log")"
    exit 1
fi
x windowfocus --sync "$main"

# Activate (Ctrl+A) applies the last set of the tree; the two netsh runs it made, as
# the stand-ins recorded them. Without administrator rights a question comes first: Yes.
# A busy machine may drop a key sent before the window is ready: up to three tries.
activate() {
    rm -f "$work/netsh.log"
    for attempt in 1 2 3; do
        x windowfocus --sync "$main"
        x key --clearmodifiers ctrl+a
        for tries in $(seq 50); do
            [ -s "$work/netsh.log" ] && [ "$(wc -l <"$work/netsh.log")" -ge 2 ] && break 2
            if [ "$(id -u)" -ne 0 ] && [ "$tries" -eq 10 ]; then x key y; fi
            sleep 0.1
        done
        [ -e "$work/netsh.log" ] && break # started, but not both lines: no second try
    done
    sleep 0.3
    sed 's/ .*//' "$work/netsh.log" 2>/dev/null | paste -sd' '
}
runs=$(activate)
if [ "$runs" = "private private" ] && grep -qx "private interface ip set address orvantis-test0 static 10.9.8.7 255.255.255.0 10.9.8.1 1" "$work/netsh.log"; then
    pass "the installed orvantis runs the netsh of its private folder"
else
    fail "netsh runs recorded: $(cat "$work/netsh.log" 2>/dev/null)"
fi
# Without it, PATH comes next; the current folder never.
rm "$root/usr/libexec/orvantis/netsh"
runs=$(activate)
[ "$runs" = "path path" ] && pass "then the one on PATH, never the current folder's" || fail "without the private netsh: $runs"

# Help > Help File: the menu bar's first menu, Left to the last one (Help), Return.
help_shown=false
for attempt in 1 2 3; do
    x windowfocus --sync "$main"
    x mousemove --window "$main" 20 8 click 1
    sleep 0.5
    x key Left
    sleep 0.5
    x key Return
    if DISPLAY=$display timeout 5 xdotool search --sync --name "^$marker\$" >/dev/null; then
        help_shown=true
        break
    fi
    x key Escape Escape
done
if $help_shown; then
    pass "the installed orvantis shows the help file of its own tree"
else
    fail "no help window titled '$marker': $(x search --name 'Orvantis' getwindowname %@ 2>/dev/null | paste -sd'|')"
fi
if [ -n "${ORVANTIS_PACKAGE_SCREENSHOT:-}" ] && command -v import >/dev/null; then
    DISPLAY=$display import -window root "$ORVANTIS_PACKAGE_SCREENSHOT"
fi

[ $failures -eq 0 ] || exit 1
