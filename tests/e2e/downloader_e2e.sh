#!/usr/bin/env bash
# The downloader as a user runs it: the real program in a tmux pane (100 x 30) against
# the router emulator (or tftpd-hpa), each scenario in a private network namespace of
# its own with a hosts file that names the emulated router QX210-NODE at 127.0.0.2.
#
#   downloader_e2e.sh SCENARIO PATH/TO/qx210-downloader PATH/TO/qx210-emulator
#
# One key per send-keys; after each, the script waits for its visible effect by polling
# capture-pane every 30 ms (no fixed sleeps). With QX_CAPTURE_DIR set, every awaited
# screen is saved there as SCENARIO/NN-name.txt. Exit status 77: tmux or unshare is missing.
set -uo pipefail

scenario=$1
downloader=$(realpath "$2")
emulator=$(realpath "$3")
here=$(cd "$(dirname "$0")" && pwd)
netns=$here/../../tools/e2e/in-private-netns

if [[ -z "${QX_E2E_INSIDE:-}" ]]; then
    command -v tmux >/dev/null && command -v unshare >/dev/null || { echo "tmux or unshare is missing"; exit 77; }
    hosts=$(mktemp)
    trap 'rm -f "$hosts"' EXIT
    printf '127.0.0.1 localhost\n127.0.0.2 QX210-NODE\n' >"$hosts"
    QX_E2E_INSIDE=1 "$netns" --hosts "$hosts" "$0" "$@"
    exit $?
fi

unset TMUX
work=$(mktemp -d)
chmod 755 "$work"
# A server directory of our own: inside a user namespace tmux would take the real
# root's /tmp/tmux-0 for ours and refuse it.
export TMUX_TMPDIR=$work
socket="qx-e2e-$scenario-$$"
T=(tmux -L "$socket")
failures=0
children=()
shot=0

cleanup() {
    "${T[@]}" kill-server 2>/dev/null
    for pid in "${children[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# emulator ARGS...: the emulated router on 127.0.0.2, storing what it receives in
# $work/received.bin; returns once its TFTP port is bound.
emulator() {
    "$emulator" --address 127.0.0.2 --output "$work/received.bin" --verbose "$@" >"$work/emulator.log" 2>&1 &
    children+=($!)
    wait_udp_port 0045 || { fail "emulator did not start"; cat "$work/emulator.log"; exit 1; }
}

# wait_udp_port HEXPORT: until 127.0.0.2:PORT is bound in this namespace.
wait_udp_port() {
    for _ in $(seq 1 300); do
        grep -q "0200007F:$1 " /proc/net/udp && return 0
        sleep 0.03
    done
    return 1
}

# start NAME: runs the downloader in window NAME of the pane server, from a wrapper
# that records the tty settings before and after, its pid, stderr and exit status.
start() {
    local name=$1 dir=$work/$1
    mkdir -p "$dir"
    cat >"$dir/run.sh" <<EOF
#!/bin/sh
trap : INT TERM HUP
stty -g >"$dir/before"
sh -c 'echo \$\$ >"$dir/pid"; exec "$downloader"' 2>"$dir/stderr"
status=\$?
stty -g >"$dir/after"
echo \$status >"$dir/status"
EOF
    chmod +x "$dir/run.sh"
    if [[ $name == main ]]; then
        echo "set -g remain-on-exit on" >"$work/tmux.conf"
        "${T[@]}" -f "$work/tmux.conf" new-session -d -s e2e -n main -x 100 -y 30 -e LC_ALL=C.UTF-8 "$dir/run.sh"
    else
        "${T[@]}" new-window -d -t e2e -n "$name" -e LC_ALL=C.UTF-8 "$dir/run.sh"
    fi
}

screen() { "${T[@]}" capture-pane -p -t e2e:main "$@"; }

save() {
    [[ -n "${QX_CAPTURE_DIR:-}" ]] || return 0
    mkdir -p "$QX_CAPTURE_DIR/$scenario"
    shot=$((shot + 1))
    screen >"$QX_CAPTURE_DIR/$scenario/$(printf '%02d' $shot)-$1.txt"
}

# see TEXT [SECONDS] [NAME]: until the pane shows TEXT (10 s unless told).
see() {
    local text=$1 limit=${2:-10}
    local tries=$((limit * 33))
    for _ in $(seq 1 $tries); do
        if screen | grep -qF -- "$text"; then
            save "${3:-screen}"
            return 0
        fi
        sleep 0.03
    done
    fail "never saw \"$text\""
    screen | sed 's/^/    | /'
    return 1
}

# gone TEXT: until the pane no longer shows TEXT.
gone() {
    for _ in $(seq 1 333); do
        screen | grep -qF -- "$1" || return 0
        sleep 0.03
    done
    fail "\"$1\" never went away"
    return 1
}

key() { "${T[@]}" send-keys -t e2e:main "$@"; }
type_text() { "${T[@]}" send-keys -t e2e:main -l "$1"; }

# wait_dead NAME [SECONDS]: until the program in window NAME has ended; prints its status.
wait_dead() {
    local dir=$work/$1 limit=${2:-10}
    for _ in $(seq 1 $((limit * 33))); do
        [[ -s "$dir/status" ]] && { cat "$dir/status"; return 0; }
        sleep 0.03
    done
    fail "$1: the program did not end"
    echo none
}

check_restored() {
    local dir=$work/${1:-main}
    [[ -s "$dir/before" && -s "$dir/after" ]] || { fail "tty settings not recorded"; return; }
    cmp -s "$dir/before" "$dir/after" || fail "tty settings changed: $(cat "$dir/before") -> $(cat "$dir/after")"
}

expect_exit() {
    local status
    status=$(wait_dead main "${2:-10}")
    [[ "$status" == "$1" ]] || fail "exit status $status, expected $1"
    [[ ! -s "$work/main/stderr" ]] || fail "stderr: $(cat "$work/main/stderr")"
    check_restored main
}

expect_image() {
    local dir=${1:-$work}
    local file=${2:-received.bin}
    local expected=${downloader%/*}/qx210-firmware.bin
    [[ -f "$dir/$file" ]] || { fail "the router stored no image"; return; }
    cmp -s "$dir/$file" "$expected" || fail "the stored image differs from $expected"
}

expect_no_image() { [[ ! -e "$work/received.bin" ]] || fail "an image was stored"; }

# The texts that tell the screens apart.
AGREEMENT="使用許諾契約書に同意されますか"
TARGET="ﾊﾟｽﾜｰﾄﾞ(P)："
LOOKUP="QX210-NODEを探しています"
WRITING="のQX210-NODEへﾌｧｰﾑｳｪｱを"
SUCCEEDED="ﾀﾞｳﾝﾛｰﾄﾞは正常に終了しました"
CANCELLED="ﾀﾞｳﾝﾛｰﾄﾞは中止されました"
confirm_of() { echo "\"$1\"のQX210-NODEにファームウェア"; }

# past_splash: Enter closes the splash; the terms of use follow.
past_splash() {
    see "▀" 10 splash || exit 1
    key Enter
    see "$AGREEMENT" 10 agreement || exit 1
}

# target TEXT PASSWORD: at the target dialog, replace the target and give the password.
target() {
    see "$TARGET" 10 target || exit 1
    type_text "$1"
    see "$1" || exit 1
    key Tab
    if [[ -n "$2" ]]; then
        type_text "$2"
        see "${2//?/*}" || exit 1
    fi
    key Enter
}

# download_to NAME: confirm, watch the progress dialog, see success, end the program.
download_to() {
    see "$(confirm_of "$1")" 10 confirm || exit 1
    key Enter
    see "$WRITING" 15 writing
    see "$SUCCEEDED" 30 succeeded || exit 1
    key Enter
    expect_exit 0
}

case $scenario in
full-run)
    # A newcomer's run: the splash closes by itself, then Enter, the password and Enter.
    emulator --password demo
    start main
    see "▀" 10 splash || exit 1
    see "$AGREEMENT" 10 agreement || exit 1
    key Enter
    see "$TARGET" 10 target || exit 1
    key Tab
    type_text demo
    see "****" 10 password || exit 1
    key Enter
    download_to QX210-NODE
    expect_image
    ;;

dotted)
    emulator --password demo
    start main
    past_splash
    key Enter
    target 127.0.0.2 demo
    download_to 127.0.0.2
    expect_image
    ;;

refused-then-accepted)
    emulator --password demo
    start main
    past_splash
    key Enter
    target 127.0.0.2 wrong
    see "$(confirm_of 127.0.0.2)" || exit 1
    key Enter
    see "\"127.0.0.2\"のQX210-NODEからダウンロードを拒否されました" 15 refused || exit 1
    key Enter
    # Back with the last target and the focus in the (empty) password box.
    see "$TARGET" 10 target-again || exit 1
    screen | grep -qF "127.0.0.2" || fail "the last target is not shown"
    type_text demo
    see "****" || exit 1
    key Enter
    download_to 127.0.0.2
    expect_image
    ;;

wrong-model)
    emulator --reply other --reply-text ERR
    start main
    past_splash
    key Enter
    target 127.0.0.2 ""
    see "$(confirm_of 127.0.0.2)" || exit 1
    key Enter
    see "\"127.0.0.2\"の機器はQX210-NODEではありません" 15 wrong-model || exit 1
    key Enter
    see "$TARGET" 10 || exit 1
    key Escape
    see "$CANCELLED" 10 cancelled || exit 1
    key Enter
    expect_exit 0
    expect_no_image
    ;;

version-ok | version-cancel)
    emulator --version 1.02
    start main
    past_splash
    key Enter
    target 127.0.0.2 ""
    see "$(confirm_of 127.0.0.2)" || exit 1
    key Enter
    see "これからﾀﾞｳﾝﾛｰﾄﾞするﾌｧｰﾑｳｪｱは" 15 version-question || exit 1
    screen | grep -qF "現在のﾌｧｰﾑｳｪｱのﾊﾞｰｼﾞｮﾝ：1.02" || fail "the router's version is not shown"
    if [[ $scenario == version-ok ]]; then
        key Enter
        see "$WRITING" 15 || exit 1
        see "$SUCCEEDED" 30 || exit 1
        key Enter
        expect_exit 0
        expect_image
    else
        key Tab  # the focus moves from OK to Cancel
        key Enter
        see "のQX210-NODEはダウンロードモードになって" 10 in-download-mode || exit 1
        key Enter
        expect_exit 0
        expect_no_image
    fi
    ;;

silent-router)
    emulator --reply silent
    start main
    past_splash
    key Enter
    target 127.0.0.2 pw
    see "$(confirm_of 127.0.0.2)" || exit 1
    key Enter
    started=$(date +%s%N)
    see "\"127.0.0.2\"のQX210-NODEへのダウンロード中にタイムアウト" 12 timeout || exit 1
    waited=$((($(date +%s%N) - started) / 1000000))
    echo "timeout message after $waited ms"
    ((waited >= 4900)) || fail "the timeout came after $waited ms, before the 5 s wait ended"
    key Enter
    expect_exit 0
    ;;

unresolved)
    start main
    past_splash
    key Enter
    target no-such-host.invalid pw
    see "\"no-such-host.invalid\"のIPｱﾄﾞﾚｽがわかりません" 15 address-unknown || exit 1
    key Enter
    see "$TARGET" 10 || exit 1
    key Escape
    see "$CANCELLED" 10 || exit 1
    key Enter
    expect_exit 0
    ;;

lookup-stopped)
    # A name server that never answers (a silent command port on 53) keeps the lookup
    # running; the user stops it, goes back and quits while the lookup still runs.
    "$emulator" --address 127.0.0.2 --command-port 53 --tftp-port 6970 --reply silent >"$work/dns.log" 2>&1 &
    children+=($!)
    printf 'nameserver 127.0.0.2\noptions timeout:30 attempts:1\n' >"$work/resolv.conf"
    mount --bind "$work/resolv.conf" /etc/resolv.conf || { fail "cannot replace resolv.conf"; exit 1; }
    wait_udp_port 0035 || { fail "silent name server did not start"; exit 1; }
    start main
    past_splash
    key Enter
    target slow-router pw
    see "$LOOKUP" 10 lookup || exit 1
    key Escape
    see "\"slow-router\"のIPｱﾄﾞﾚｽの検索を中止しました" 10 lookup-cancelled || exit 1
    key Enter
    see "$TARGET" 10 || exit 1
    screen | grep -qF "slow-router" || fail "the last target is not shown"
    key Escape
    see "$CANCELLED" 10 || exit 1
    key Enter
    expect_exit 0
    ;;

no-terminal)
    # Without a terminal: one line on stderr, status 1, and nothing sent to the router.
    emulator
    for redirect in stdin stdout; do
        if [[ $redirect == stdin ]]; then
            "$downloader" </dev/null >"$work/out" 2>"$work/err"
        else
            script -qec "\"$downloader\" >\"$work/out\" 2>\"$work/err\"" /dev/null >/dev/null
        fi
        status=$?
        [[ $status == 1 ]] || fail "$redirect not a tty: exit status $status"
        [[ $(wc -l <"$work/err") == 1 ]] || fail "$redirect not a tty: stderr is \"$(cat "$work/err")\""
        [[ ! -s "$work/out" ]] || fail "$redirect not a tty: something was written to standard output"
    done
    ! grep -q "command from" "$work/emulator.log" || fail "a command was sent without a terminal"
    ;;

second-instance)
    start main
    past_splash
    start second
    status=$(wait_dead second 5)
    [[ "$status" == 0 ]] || fail "the second instance ended with status $status"
    [[ ! -s "$work/second/stderr" ]] || fail "the second instance wrote: $(cat "$work/second/stderr")"
    check_restored second
    # The first one runs on undisturbed.
    screen | grep -qF "$AGREEMENT" || fail "the first instance lost its dialog"
    key M-n
    see "$CANCELLED" 10 || exit 1
    key Enter
    expect_exit 0
    ;;

sigterm-in-transfer)
    # The acknowledgement of block 700 comes 4 s late: the transfer stops half-way.
    emulator --late-ack 700:4000
    start main
    past_splash
    key Enter
    target 127.0.0.2 ""
    see "$(confirm_of 127.0.0.2)" || exit 1
    key Enter
    see "$WRITING" 15 || exit 1
    for _ in $(seq 1 300); do grep -q "DATA 700 " "$work/emulator.log" && break; sleep 0.03; done
    kill -TERM "$(cat "$work/main/pid")"
    status=$(wait_dead main 5)
    [[ "$status" == 143 ]] || fail "exit status $status after SIGTERM, expected 143"
    check_restored main
    expect_no_image
    ;;

declined-with-about)
    start main
    past_splash
    key M-a
    see "ﾊﾞｰｼﾞｮﾝｱｯﾌﾟするための" 10 about || exit 1
    key Enter
    gone "ﾊﾞｰｼﾞｮﾝｱｯﾌﾟするための" || exit 1
    see "$AGREEMENT" || exit 1
    key M-n
    see "$CANCELLED" 10 cancelled || exit 1
    key Enter
    expect_exit 0
    ;;

tftpd-hpa)
    # The command port from the emulator, the transfer from tftpd-hpa on port 69.
    [[ -x /usr/sbin/in.tftpd ]] || { fail "tftpd-hpa is not installed (tools/install-deps)"; exit 1; }
    # tftpd-hpa drops its privileges with setgroups(), which a user namespace made
    # without root refuses: it then never answers. So this runs as root only.
    if [[ $(awk 'NR == 1 { print $3 }' /proc/self/uid_map) != 4294967295 ]]; then
        echo "tftpd-hpa cannot run in a user namespace: run this test as root"
        exit 77
    fi
    mkdir -p "$work/tftp"
    chmod 777 "$work/tftp"
    user=nobody
    "$emulator" --address 127.0.0.2 --tftp-port 6969 --verbose >"$work/emulator.log" 2>&1 &
    children+=($!)
    /usr/sbin/in.tftpd -L -c -s -u "$user" -a 127.0.0.2:69 "$work/tftp" >"$work/tftpd.log" 2>&1 &
    children+=($!)
    wait_udp_port 0045 || { fail "tftpd-hpa did not start"; cat "$work/tftpd.log"; exit 1; }
    wait_udp_port 1B39 || { fail "emulator did not start"; exit 1; }
    start main
    past_splash
    key Enter
    target 127.0.0.2 ""
    download_to 127.0.0.2
    expect_image "$work/tftp" firm
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
