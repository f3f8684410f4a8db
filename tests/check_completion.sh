#!/usr/bin/env bash
# Completes command lines with the bash completion of korvane-cli and
# korvane-sim, as bash does on Tab, and compares what is offered.
# usage: check_completion.sh CLI SIM CLI_COMPLETION SIM_COMPLETION
set -uo pipefail
PATH="$(dirname "$1"):$(dirname "$2"):$PATH"
source "$3" && source "$4"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
touch "$work/device"
failures=0

# The words offered for LINE (completed at its end), sorted, on one line.
offered() {
    local line=$1 program
    # bash splits at blanks, and at = and : into words of their own.
    read -ra COMP_WORDS <<<"$(sed 's/[=:]/ & /g' <<<"$line")"
    [[ $line == *[[:space:]] ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) COMP_LINE=$line COMP_POINT=${#line}
    # The function that complete registered: the word after -F.
    program=$(complete -p "${COMP_WORDS[0]}") || return
    program=${program##*-F }
    COMPREPLY=()
    "${program%% *}" 2>&1 >/dev/null # what it says on stderr, the terminal would show
    printf '%s\n' "${COMPREPLY[@]}" | sort | xargs
}

# Expected words, where these stand for what the programs say of themselves.
ports=$(korvane-cli list | awk '{print $1}' | sort | xargs)
commands=$(korvane-cli --help | awk '/^Commands:/ {on = 1; next} /^$/ {on = 0} on && /^  [a-z]/ {print $1}' | sort | xargs)
sim_options=$(korvane-sim --help | grep -o -- '--[a-z]*' | sort -u | xargs)

while IFS='|' read -r line expected; do
    expected=${expected//@ports/$ports} expected=${expected//@commands/$commands} expected=${expected//@sim-options/$sim_options}
    expected=$(echo "${expected//@work/$work}" | tr ' ' '\n' | sort | xargs)
    got=$(offered "${line//@work/$work}")
    [ "$got" = "$expected" ] || { echo "FAIL: '$line': offered '$got', expected '$expected'"; failures=$((failures + 1)); }
done <<'EOF'
korvane-cli |@commands
korvane-cli -|-h --help -p --port --version -V
korvane-cli --port=/dev/null w|watch
korvane-cli -p |@ports
korvane-cli --port=|@ports
korvane-cli read -p |@ports
korvane-cli -p @work/dev|@work/device
korvane-cli read --|--bin --help --json --port
korvane-cli -p X watch --format |text csv jsonl
korvane-cli watch --format=j|jsonl
korvane-cli -p X watch --count |
korvane-cli -p X set C.|C.dir= C.out=
korvane-cli -p X set B3=|in out 1 0
korvane-cli -p X set B3=o|out
korvane-cli test |loopback readback
korvane-cli -p X test loopback A:|B C
korvane-cli test readback A |A B C
korvane-sim --|@sim-options
korvane-sim --link @work/d|@work/device
korvane-sim --walk |
korvane-sim --loopback C:|A B
korvane-sim --fault B|B0= B1= B2= B3= B4= B5= B6= B7=
korvane-sim --fault A3=|0 1
korvane-sim --short C1:C|C0 C2 C3 C4 C5 C6 C7
EOF

[ "$failures" -eq 0 ] && echo "all completions as expected"
