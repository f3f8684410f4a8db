#!/usr/bin/env bash
# Runs every console session of the README against korvane-sim, started as the
# last `korvane-sim ...` in the text before the session says, and compares its
# output with what the README shows, so that the README cannot go stale. Each
# session has a state folder of its own; /tmp/ stands for a private folder, and
# a `cat FILE` of a missing file makes it from what the session shows. Not
# compared: times, poll counts, the ports list finds on this machine and which
# pins a walking device changes (its inputs move on by the clock).
# usage: check_readme_sessions.sh README CLI SIM
set -uo pipefail
readme=$1
export PATH="$(cd "$(dirname "$2")" && pwd):$(cd "$(dirname "$3")" && pwd):$PATH"

work=$(mktemp -d)
sim_pid=
trap 'stop_sim; rm -rf "$work"' EXIT
failures=0

private() { printf '%s\n' "${1//\/tmp\//$work/}"; }

start_sim() {
    local args
    read -ra args <<<"$(private "${1#korvane-sim}")"
    korvane-sim "${args[@]}" >"$work/sim.log" 2>&1 &
    sim_pid=$!
    timeout 10 bash -c "until grep -q 'device on' '$work/sim.log'; do kill -0 $sim_pid || exit 1; sleep 0.05; done" 2>/dev/null ||
        { { echo "$1 did not start:"; cat "$work/sim.log"; } >"$work/diff"; return 1; }
}

stop_sim() {
    [ -n "$sim_pid" ] || return 0
    kill -TERM "$sim_pid" 2>/dev/null
    timeout 5 tail --pid="$sim_pid" -f /dev/null || kill -KILL "$sim_pid" 2>/dev/null
    wait "$sim_pid" 2>/dev/null
    sim_pid=
}

# Masks what differs from run to run; $1 is "walk" for a walking device.
mask() {
    local walk=()
    [ "$1" = walk ] && walk=(-e 's/[ABC][0-7] [01] -> [01]/<pin> <level> -> <level>/'
        -e 's/change,[ABC],[0-7],[01],[01]/change,<port>,<n>,<level>,<level>/'
        -e 's/"(new|old)":[01]/"\1":<level>/g' -e 's/"pin":[0-7]/"pin":<n>/' -e 's/"port":"[ABC]"/"port":"<port>"/')
    sed -E "${walk[@]}" -e 's/[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9:.]+(Z|[+-][0-9]{2}:?[0-9]{2})?/<time>/g' \
        -e 's/("elapsed":)[-+.0-9eE]+/\1<seconds>/g' \
        -e 's/[0-9]+\.[0-9]+/<seconds>/g' \
        -e 's/[0-9]+ polls,/<n> polls,/g'
}

# Runs README lines $1 to $2 (exclusive) against the korvane-sim command line $3
# (none when empty); what differs goes to $work/diff.
run_session() {
    local first=$1 end=$2 sim=$3 n status=0 command walk= shown=$work/shown actual=$work/actual
    [[ $sim == *--walk* ]] && walk=walk
    : >"$shown" >"$actual"
    export XDG_STATE_HOME=$work/state$first
    rm -rf "$XDG_STATE_HOME"
    [ -z "$sim" ] || start_sim "$sim" || return 1
    for ((n = first; n < end; n++)); do
        [[ ${lines[n]} == '$ '* ]] || continue
        command=${lines[n]#'$ '}
        local output=()
        while ((n + 1 < end)) && [[ ${lines[n + 1]} != '$ '* ]]; do
            output+=("${lines[++n]}")
        done
        [[ $command =~ ^cat\ ([^ ]+)$ && ! -e $work/${BASH_REMATCH[1]} ]] && printf '%s\n' "${output[@]}" >"$work/${BASH_REMATCH[1]}"
        printf '$ %s\n' "$command" | tee -a "$actual" >>"$shown"
        (cd "$work" && timeout -k 5 60 bash -c "(exit $status); $(private "$command")" 2>&1) \
            | sed "s|$work/|/tmp/|g" >"$work/output"
        status=${PIPESTATUS[0]}
        [[ $command == 'korvane-cli list'* && $status -eq 0 ]] && output=("(the ports of this machine)") && echo "${output[0]}" >"$work/output"
        ((${#output[@]})) && printf '%s\n' "${output[@]}" >>"$shown"
        cat "$work/output" >>"$actual"
    done
    stop_sim
    diff -u --label "README.md line $((first + 1)): as shown" --label "as run against ${sim:-no device}" \
        <(mask "$walk" <"$shown") <(mask "$walk" <"$actual") >"$work/diff"
}

mapfile -t lines <"$readme"
prose= sessions=0
for ((i = 0; i < ${#lines[@]}; i++)); do
    [[ ${lines[i]} == '```'* ]] || { prose+=" ${lines[i]}"; continue; }
    for ((end = i + 1; end < ${#lines[@]}; end++)); do
        [[ ${lines[end]} == '```' ]] && break
    done
    if [[ ${lines[i]} == '```console' ]]; then
        sim=$(grep -o '`korvane-sim[^`]*`' <<<"$prose" | tail -n 1 | tr -d '`')
        # On a loaded machine the device may answer late: a session that
        # differs runs once more before it counts as stale.
        if ! run_session $((i + 1)) "$end" "$sim" && ! run_session $((i + 1)) "$end" "$sim"; then
            head -n 100 "$work/diff"
            failures=$((failures + 1))
        fi
        sessions=$((sessions + 1)) prose=
    fi
    i=$end
done

echo "$sessions sessions, $failures stale"
[ "$sessions" -gt 0 ] && [ "$failures" -eq 0 ]
