#!/usr/bin/env bash
# Starts Tivka against the bundled synthetic chart server.
#   tools/run_demo.sh BIN_DIR     (BIN_DIR holds tivka and tivka-chart-server)
# Tivka runs in a working folder of its own (ndata.bmp and the temporary chart
# files live there) and keeps its reading history there too (data/tivka/), so
# that the demo's synthetic charts never mix with a real history; the chart
# server stops when Tivka exits. The server's charts drift, its clock running
# 30 times as fast as the real one, and a settings file the demo writes
# refreshes every minute, so the history window fills while you watch.
set -euo pipefail

bin=$(readlink -f "${1:?usage: tools/run_demo.sh BIN_DIR}")
server_program=$bin/tivka-chart-server
tivka_program=$bin/tivka
settings=$bin/tivka.INI
work=${TIVKA_DEMO_DIR:-${XDG_DATA_HOME:-$HOME/.local/share}/tivka-demo}
folder_path=/products/historical_orderbook_graphs/dat/ordersummary/images/

# The demo normally uses one fixed port, so that the address stored in the
# settings file stays right from one run to the next. Only when that port is
# taken does the server pick a free one; the settings file is then brought up
# to date, but only if it still points at a demo server (loopback with the
# chart folder path): an address the user chose is never touched, nor is a
# file its owner made read-only, and the file keeps its permissions.
demo_port=8642

for program in "$server_program" "$tivka_program"; do
    [ -x "$program" ] || { echo "run_demo: $program is missing; build first" >&2; exit 1; }
done
mkdir -p "$work"

# Tivka in the working folder, on a virtual display when there is none.
run_tivka() {
    cd "$work"
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
        echo "run_demo: no display found; running Tivka on a virtual one (xvfb-run)" >&2
        XDG_DATA_HOME=$work/data xvfb-run -a "$tivka_program"
    else
        XDG_DATA_HOME=$work/data "$tivka_program"
    fi
}

# A Tivka already running in the working folder holds its lock. Another start
# only brings that one's window to the front, so nothing of the running
# demo's is touched: not its server's address in the settings, not its
# template, and no server of its own is started.
if ! flock -n "$work/tivka.lock" true 2>/dev/null; then
    echo "run_demo: Tivka already runs in $work; its settings and chart server are left as they are" >&2
    run_tivka
    exit
fi

server_pid=
stop_server() {
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
        server_pid=
    fi
}
trap stop_server EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Starts the server on port $1; sets server_pid and port, or fails.
start_server() {
    local log=$work/chart-server.log line=
    "$server_program" --port "$1" --drift --drift-speed 30 >"$log" 2>&1 &
    server_pid=$!
    for _ in $(seq 100); do
        line=$(head -n 1 "$log" 2>/dev/null || true)
        case $line in
            "port "*) port=${line#port }; return 0 ;;
        esac
        kill -0 "$server_pid" 2>/dev/null || break
        sleep 0.05
    done
    stop_server
    return 1
}

port=
start_server "$demo_port" || start_server 0 || {
    echo "run_demo: the chart server did not start:" >&2
    cat "$work/chart-server.log" >&2
    exit 1
}
url=http://127.0.0.1:$port$folder_path

"$server_program" --write-template "$work/ndata.bmp"

# Whether the owner may write the file: the superuser may write any file,
# but a file its owner made read-only is theirs to change, not the demo's.
owner_may_write() {
    [ -w "$1" ] && [ $((8#$(stat -L -c %a "$1") & 8#200)) -ne 0 ]
}

demo_address="^TIVKA_URL=http://127\.0\.0\.1:[0-9]+${folder_path}\s*\$"
if [ ! -e "$settings" ]; then
    printf '[Setting]\nTIVKA_URL=%s\nTime1=1\nTimerEn1=1\n' "$url" >"$settings"
elif grep -Eq "$demo_address" "$settings" && ! grep -Fq "TIVKA_URL=$url" "$settings"; then
    if ! owner_may_write "$settings"; then
        echo "run_demo: $settings is read-only; its TIVKA_URL is left as it is (the demo's server is $url)" >&2
    else
        # Replaced as a whole (through a link, its target), so that it is
        # never left half written, with the old file's permissions.
        target=$(readlink -f "$settings")
        updated=$(mktemp "$target.XXXXXX")
        sed -E "s#^TIVKA_URL=http://127\.0\.0\.1:[0-9]+${folder_path}(\s*)\$#TIVKA_URL=${url}\1#" \
            "$target" >"$updated"
        chmod --reference="$target" "$updated"
        mv "$updated" "$target"
    fi
fi
echo "Chart server: $url (settings: $settings, working folder: $work)"

status=0
run_tivka || status=$?
exit "$status"
