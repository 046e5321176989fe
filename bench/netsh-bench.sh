#!/usr/bin/env bash
# netsh-bench.sh PATH/TO/netsh [ROUNDS]
#
# What netsh costs over the bare `ip` commands it issues, in one run: inside the
# network namespace of tests/tools/netns-sandbox.sh (nothing reaches this machine's
# network) it switches the interface orv0 between two static sets, ROUNDS times each
# way, first through netsh, then by running exactly the `ip` commands that netsh issued
# for each switch (read with strace) one after the other. Prints both times per set and
# their ratio. Needs root and strace; says why and exits 77 otherwise.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
if [ "${ORV_SANDBOX_INNER:-}" != 1 ]; then
    command -v strace >/dev/null || { echo "SKIP: strace is not installed (it lists the ip commands netsh issues)"; exit 77; }
    exec "$here/../tests/tools/netns-sandbox.sh" "$0" "$@"
fi

netsh=$(realpath "$1")
rounds=${2:-100}
set_a=(interface ip set address orv0 static 10.97.0.5 255.255.255.0 10.97.0.1 1)
set_b=(interface ip set address orv0 static 10.97.1.6 255.255.0.0 10.97.0.1 2)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The ip commands one switch issues, one per line, as strace saw them start.
ip_commands() {
    strace -f -qq -s 256 -e trace=execve -e signal=none -o "$work/trace" "$netsh" "$@" || return 1
    grep -E '^[0-9]+ +execve\("[^"]*/ip", .* = 0$' "$work/trace" |
        sed -E 's/^[0-9]+ +execve\("([^"]*)", \[(.*)\], 0x[0-9a-f]+ .*$/\1 \2/; s/"ip", //; s/"//g; s/, / /g'
}

# Microseconds, without starting a process (bash 5).
now() { local t=${EPOCHREALTIME/[.,]/}; echo "${t#0}"; }

"$netsh" "${set_a[@]}" || { echo "netsh could not apply the first set"; exit 1; }
to_b=$(ip_commands "${set_b[@]}") || { echo "netsh could not apply the second set"; exit 1; }
to_a=$(ip_commands "${set_a[@]}") || { echo "netsh could not apply the first set again"; exit 1; }
count=$(printf '%s\n' "$to_b" | wc -l)

# Bare: the same commands, word-split as they were passed (no argument holds a blank).
replay() {
    local line
    while IFS= read -r line; do
        # shellcheck disable=SC2086
        $line >/dev/null || return 1
    done <<<"$1"
}

# The two kinds of round take turns, so that what else the machine does weighs on both alike.
netsh_us=0
bare_us=0
for _ in $(seq "$rounds"); do
    start=$(now)
    "$netsh" "${set_b[@]}" && "$netsh" "${set_a[@]}" || { echo "netsh failed during the run"; exit 1; }
    middle=$(now)
    replay "$to_b" && replay "$to_a" || { echo "the bare ip commands failed during the run"; exit 1; }
    end=$(now)
    netsh_us=$((netsh_us + middle - start))
    bare_us=$((bare_us + end - middle))
done

sets=$((2 * rounds))
awk -v n="$netsh_us" -v b="$bare_us" -v sets="$sets" -v count="$count" 'BEGIN {
    printf "netsh: %.2f ms per set; the %d ip commands it issues, bare: %.2f ms per set\n", n / sets / 1e3, count, b / sets / 1e3
    printf "ratio netsh / bare ip: %.2f (goal: at most 1.2), over %d sets\n", n / b, sets
}'
