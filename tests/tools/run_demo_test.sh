#!/usr/bin/env bash
# What the demo script does to the settings file, with stand-ins for Tivka
# and the chart server: it points a demo settings file at its own server
# keeping the file's permissions, leaves a file its owner made read-only
# alone, and leaves everything of a demo that is running alone.
#   tests/tools/run_demo_test.sh SOURCE_DIR
set -uo pipefail
source_dir=$(readlink -f "${1:?usage: run_demo_test.sh SOURCE_DIR}")
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
failures=0
check() {  # check WHAT EXPECTED ACTUAL
    if [ "$2" != "$3" ]; then
        echo "FAIL: $1: expected '$2', got '$3'"
        failures=$((failures + 1))
    fi
}

bin=$root/bin work=$root/work
mkdir -p "$bin"
# The server answers on the demo's port and writes a template when asked;
# Tivka notes that it ran.
cat >"$bin/tivka-chart-server" <<'EOF'
#!/usr/bin/env bash
if [ "$1" = --write-template ]; then echo template >"$2"; exit 0; fi
echo started >>"$TIVKA_DEMO_DIR/server-started"
echo "port 8642"
exec sleep 30
EOF
cat >"$bin/tivka" <<'EOF'
#!/usr/bin/env bash
echo ran >>"$TIVKA_DEMO_DIR/tivka-ran"
EOF
chmod +x "$bin/tivka-chart-server" "$bin/tivka"

settings=$bin/tivka.INI
ours="TIVKA_URL=http://127.0.0.1:8642/products/historical_orderbook_graphs/dat/ordersummary/images/"
stale="TIVKA_URL=http://127.0.0.1:9999/products/historical_orderbook_graphs/dat/ordersummary/images/"
demo() {  # runs the demo script, quietly
    TIVKA_DEMO_DIR=$work DISPLAY=:stand-in "$source_dir/tools/run_demo.sh" "$bin" >/dev/null 2>&1
}
state() {  # the settings file's mode and TIVKA_URL line
    echo "$(stat -c %a "$1") $(grep '^TIVKA_URL=' "$1")"
}
fresh() {  # fresh working folder and settings with the stale address, mode $1
    rm -rf "$work" "$settings" "$root/elsewhere.INI"
    mkdir -p "$work"
    printf '[Setting]\n%s\nTime1=1\n' "$stale" >"$settings"
    chmod "$1" "$settings"
}

# No settings yet: written, pointing at the demo's server.
rm -f "$settings"
mkdir -p "$work"
demo
check "a new settings file" "$ours" "$(grep '^TIVKA_URL=' "$settings")"

# A stale demo address is brought up to date; the file keeps its mode.
for mode in 644 640; do
    fresh $mode
    demo
    check "a $mode file brought up to date" "$mode $ours" "$(state "$settings")"
done

# Through a link: the file it points at is brought up to date, the link stays.
fresh 644
mv "$settings" "$root/elsewhere.INI"
ln -s "$root/elsewhere.INI" "$settings"
demo
check "a linked file" "link 644 $ours" "$([ -L "$settings" ] && echo link) $(state "$root/elsewhere.INI")"
rm -f "$settings"

# A file its owner made read-only is not replaced, even by the superuser.
fresh 444
demo
check "a read-only file" "444 $stale" "$(state "$settings")"
check "Tivka started all the same" "ran" "$(cat "$work/tivka-ran")"

# A Tivka running in the working folder (it holds the lock): its settings,
# template and server are left alone, and Tivka is started to bring it to the front.
fresh 644
echo "its template" >"$work/ndata.bmp"
exec 9>"$work/tivka.lock"
flock -n 9
demo
exec 9>&-
check "a running demo's settings" "644 $stale" "$(state "$settings")"
check "a running demo's template" "its template" "$(cat "$work/ndata.bmp")"
check "a running demo's server" "none" "$(cat "$work/server-started" 2>/dev/null || echo none)"
check "Tivka started to bring the running one forward" "ran" "$(cat "$work/tivka-ran")"

[ "$failures" -eq 0 ] && echo "the demo script is sound"
exit $((failures > 0))
