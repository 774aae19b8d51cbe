#!/usr/bin/env bash
# Runs qx-termcheck in a real terminal (a tmux pane on a private server) and checks
# what it draws, what input it decodes and that the terminal is given back intact.
#
#   tmux_e2e.sh SCENARIO PATH/TO/qx-termcheck
#
# Every key is sent on its own and its visible effect is awaited (capture-pane polled
# every 30 ms, 10 s at most) before the next one. Exit status 77 means tmux is missing.
set -uo pipefail

scenario=$1
binary=$(realpath "$2")
command -v tmux >/dev/null || { echo "tmux is not installed"; exit 77; }
unset TMUX

work=$(mktemp -d)
T=()
sockets=()
failures=0

cleanup() {
    for socket in "${sockets[@]}"; do tmux -S "$socket" kill-server 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# start [VAR=value...]: runs the program in a 100 x 30 pane from a wrapper that saves
# the tty settings before and after it, its pid, and its exit status.
# Each run gets a private server of its own, its socket inside the work directory: a
# server being killed may still hold its socket, and nothing is left behind in /tmp.
start() {
    local env_args=("$@")
    [[ ${#T[@]} -gt 0 ]] && "${T[@]}" kill-server 2>/dev/null
    sockets+=("$work/tmux-${#sockets[@]}")
    T=(tmux -S "${sockets[-1]}")
    rm -f "$work/before" "$work/after" "$work/pid" "$work/stderr" "$work/status"
    cat >"$work/run.sh" <<EOF
#!/bin/sh
trap : INT TERM HUP
stty -g >"$work/before"
sh -c 'echo \$\$ >"$work/pid"; exec env ${env_args[*]:-} "$binary"' 2>"$work/stderr"
status=\$?
stty -g >"$work/after"
echo \$status >"$work/status"
exit \$status
EOF
    chmod +x "$work/run.sh"
    echo "set -g remain-on-exit on" >"$work/tmux.conf"
    "${T[@]}" -f "$work/tmux.conf" new-session -d -x 100 -y 30 -e LC_ALL=C.UTF-8 "$work/run.sh"
}

screen() { "${T[@]}" capture-pane -p "$@"; }

# wait_for TEXT: until a line of the pane contains TEXT.
wait_for() {
    local text=$1
    for _ in $(seq 1 333); do
        screen | grep -qF -- "$text" && return 0
        sleep 0.03
    done
    fail "never saw \"$text\""
    screen | sed 's/^/    | /'
    return 1
}

# wait_dead: until the pane's program has ended; prints its exit status as the wrapper
# recorded it. tmux 3.3 sometimes never fills in #{pane_dead_status} when the pane
# closes before its process is reaped; when it does, it must agree.
wait_dead() {
    local dead
    for _ in $(seq 1 333); do
        dead=$("${T[@]}" display-message -p '#{pane_dead}:#{pane_dead_status}' 2>/dev/null)
        if [[ $dead == 1:* && -s "$work/status" ]]; then
            local recorded
            recorded=$(cat "$work/status")
            [[ $dead == 1: || $dead == "1:$recorded" ]] || fail "pane status ${dead#1:}, wrapper saw $recorded"
            echo "$recorded"
            return 0
        fi
        sleep 0.03
    done
    fail "the program did not end"
    echo none
}

check_restored() {
    [[ -s "$work/before" && -s "$work/after" ]] || { fail "tty settings not recorded"; return; }
    cmp -s "$work/before" "$work/after" ||
        fail "tty settings changed: $(cat "$work/before") -> $(cat "$work/after")"
}

# row N: line N (0-based) of the pane, trailing blanks removed.
row() { screen | sed -n "$(($1 + 1))p" | sed 's/ *$//'; }

expect_row() {
    local got
    got=$(row "$1")
    [[ "$got" == "$2" ]] || fail "row $1 is \"$got\", expected \"$2\""
}

ready() { wait_for "size 100x30"; }

# key DESCRIPTION SEND-KEYS-ARGUMENTS...: sends one key and waits for its echo line.
key() {
    local expected=$1
    shift
    "${T[@]}" send-keys "$@"
    wait_for "  $expected"
}

case $scenario in
keys)
    start
    ready || exit 1
    # One-column katakana, two-column kanji, one-column mark: the fence lands in
    # column 6. A kanji in the last column does not fit and is left blank.
    expect_row 2 "  ｱ漢●|"
    got=$(row 3)
    [[ "$got" == "$(printf '%99s' '#>')" ]] || fail "row 3 is \"$got\": the clipped kanji was drawn"
    # Wide characters overwritten by halves, by wide and by narrow ones, and back.
    for expected in "   漢字かな|1" "  abcdefghi|2" "  漢字かな|0"; do
        "${T[@]}" send-keys s
        wait_for "${expected: -2}"
        expect_row 5 "$expected"
    done
    key "key Tab" Tab
    key "key Char a alt" M-a
    key "key BackTab shift" BTab
    key "key Escape" Escape
    key "key F4" F4
    key "key Enter" Enter
    key "key Home" Home
    key "key PageDown" NPage
    key "key Delete" DC
    key "key Backspace" BSpace
    key "key Char 漢" -l 漢
    # Ctrl+S must not stop the output (XON/XOFF is off while the program runs), and
    # Ctrl+\ must not end it by SIGQUIT, which would leave the terminal broken.
    "${T[@]}" send-keys C-s
    "${T[@]}" send-keys -H 1c
    key "wake" w
    # X10 reports: ESC [ M, button + 32, column + 33, row + 33.
    key "mouse press 10 4" -H 1b 5b 4d 20 2b 25
    key "mouse release 10 4" -H 1b 5b 4d 23 2b 25
    key "mouse press right 0 0" -H 1b 5b 4d 22 21 21
    key "mouse press wheelup 3 2" -H 1b 5b 4d 60 24 23
    "${T[@]}" resize-window -x 90 -y 25
    wait_for "resize 90x25"
    wait_for "size 90x25"
    expect_row 2 "  ｱ漢●|"
    "${T[@]}" send-keys q
    status=$(wait_dead)
    [[ "$status" == 0 ]] || fail "exit status $status after q"
    check_restored
    ;;

sigterm | sighup | sigint)
    start
    ready || exit 1
    key "key Tab" Tab
    case $scenario in
    sigterm) kill -TERM "$(cat "$work/pid")"; expected=$((128 + 15)) ;;
    sighup) kill -HUP "$(cat "$work/pid")"; expected=$((128 + 1)) ;;
    sigint) "${T[@]}" send-keys C-c; expected=$((128 + 2)) ;;  # through the tty: ISIG is kept
    esac
    status=$(wait_dead)
    [[ "$status" == "$expected" ]] || fail "exit status $status, expected $expected"
    check_restored
    ;;

locale)
    # Started in a locale without UTF-8 the program still draws Japanese text.
    start LC_ALL=C LANG=C
    ready || exit 1
    expect_row 2 "  ｱ漢●|"
    key "key Char 漢" -l 漢
    "${T[@]}" send-keys q
    status=$(wait_dead)
    [[ "$status" == 0 ]] || fail "exit status $status after q"
    check_restored
    ;;

hangup)
    # The terminal goes away under the program: it must end, not hang or spin.
    start
    ready || exit 1
    pid=$(cat "$work/pid")
    "${T[@]}" kill-server
    for _ in $(seq 1 333); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.03
    done
    ! kill -0 "$pid" 2>/dev/null || { fail "still running after the terminal closed"; kill -KILL "$pid"; }
    ;;

no-terminal)
    # Not a tty, or a terminal that cannot be used: one line on stderr, status 1.
    "$binary" </dev/null >"$work/out" 2>"$work/err"
    status=$?
    [[ $status == 1 ]] || fail "status $status without a tty"
    [[ $(wc -l <"$work/err") == 1 ]] && grep -q "not a terminal" "$work/err" ||
        fail "stderr without a tty: $(cat "$work/err")"
    for case_ in "TERM=qx-no-such-term:unknown terminal type" "TERM=dumb:cannot position the cursor" "TERM=:TERM is not set"; do
        term=${case_%%:*}
        message=${case_#*:}
        start "$term"
        status=$(wait_dead)
        [[ "$status" == 1 ]] || fail "$term: exit status $status"
        grep -qF "$message" "$work/stderr" || fail "$term: stderr is \"$(cat "$work/stderr")\""
        [[ $(wc -l <"$work/stderr") == 1 ]] || fail "$term: more than one line on stderr"
        check_restored
    done
    ;;

colors)
    # 16 colours (tmux's own TERM), 8 colours and none: the title bar stays marked,
    # and on 8 colours bright text never vanishes into its background.
    for term in "" TERM=screen TERM=vt100; do
        start $term
        ready || continue
        title=$(screen -e | sed -n 1p)
        body=$(screen -e | sed -n 5p)
        case $term in
        "")
            [[ "$title" == *$'\e[44m'* ]] || fail "16 colours: no Navy title bar: $(cat -v <<<"$title")"
            [[ "$body" == *$'\e[90m'Grey* ]] || fail "16 colours: Grey text lost: $(cat -v <<<"$body")"
            ;;
        TERM=screen)
            [[ "$title" == *$'\e[44m'* ]] || fail "8 colours: no Navy title bar: $(cat -v <<<"$title")"
            [[ "$body" == *$'\e[1m'Grey* ]] || fail "8 colours: Grey is not bold black: $(cat -v <<<"$body")"
            [[ "$body" != *$'\e[37m'*White* ]] || fail "8 colours: White on Silver unreadable: $(cat -v <<<"$body")"
            ;;
        TERM=vt100)
            [[ "$title" == $'\e[7m'* ]] || fail "monochrome: title bar not reversed: $(cat -v <<<"$title")"
            [[ "$body" != *$'\e[7m'* ]] || fail "monochrome: body reversed: $(cat -v <<<"$body")"
            ;;
        esac
        "${T[@]}" send-keys q
        [[ $(wait_dead) == 0 ]] || fail "$term: bad exit"
        check_restored
    done
    ;;

idle)
    # A busy loop would burn about 100 ticks a second; an idle wait burns none.
    start
    ready || exit 1
    pid=$(cat "$work/pid")
    ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
    before=$(ticks)
    sleep 2
    after=$(ticks)
    used=$((after - before))
    echo "CPU ticks while idle for 2 s: $used"
    ((used <= 5)) || fail "used $used CPU ticks while idle"
    "${T[@]}" send-keys q
    wait_dead >/dev/null
    ;;

*)
    echo "unknown scenario $scenario"
    exit 2
    ;;
esac

if ((failures > 0)); then
    echo "$scenario: $failures failure(s)"
    exit 1
fi
echo "$scenario: ok"
