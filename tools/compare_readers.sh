#!/usr/bin/env bash
# Compares what two builds of tivka-read print for the same charts, byte for
# byte: every pair the chart server publishes, both chart variants, every
# output format and a range of filters and decimal symbols. For checking that
# a change inside the readers leaves their results exactly as they were.
#
#   tools/compare_readers.sh OLD_BIN_DIR NEW_BIN_DIR
#
# Each folder must hold tivka-read; the charts come from NEW_BIN_DIR's
# tivka-chart-server. Exits 0 when every output (standard output, standard
# error and exit status) is identical, 1 otherwise, listing the differences.
set -euo pipefail

old=$(readlink -f "$1")
new=$(readlink -f "$2")
work=$(mktemp -d)
server_pid=
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

cd "$work"
"$new/tivka-chart-server" --write-template ndata.bmp
"$new/tivka-chart-server" --port 0 --fixed-time 12:30 --seed 5 > port.txt &
server_pid=$!
for _ in $(seq 50); do grep -q port port.txt 2>/dev/null && break; sleep 0.1; done
url="http://127.0.0.1:$(awk '{print $2}' port.txt)/products/historical_orderbook_graphs/dat/ordersummary/images"

pairs="GBP/USD EUR/USD AUD/USD USD/JPY USD/CAD USD/CHF EUR/GBP EUR/JPY EUR/CHF GBP/JPY"
for pair in $pairs; do
    name=${pair/\//_}
    for variant in "" noncumulative_; do
        curl -sf "$url/orders_$variant$name.png" -o "o_$variant$name.png"
        curl -sf "$url/posentryprice_$variant$name.png" -o "p_$variant$name.png"
    done
done

compared=0
differing=0
run_both() {  # run_both ARGS...: the same command line with both builds
    local status_old=0 status_new=0
    LC_ALL=C "$old/tivka-read" "$@" > old.out 2> old.err || status_old=$?
    LC_ALL=C "$new/tivka-read" "$@" > new.out 2> new.err || status_new=$?
    compared=$((compared + 1))
    if ! cmp -s old.out new.out || ! cmp -s old.err new.err || [ "$status_old" != "$status_new" ]; then
        differing=$((differing + 1))
        echo "differs: tivka-read $*"
    fi
}

for pair in $pairs; do
    name=${pair/\//_}
    for variant in "" noncumulative_; do
        charts=("o_$variant$name.png" "p_$variant$name.png")
        for format in orders positions both json csv; do
            run_both --pair "$pair" --format "$format" "${charts[@]}"
        done
        for filter in '>=0' '<=0' '>=37' '<=48' '>=50' '>=101' '<=100' '>=x'; do
            run_both --pair "$pair" --orders-filter "$filter" --positions-filter "$filter" "${charts[@]}"
        done
        for symbol in , : auto; do
            run_both --pair "$pair" --symbol "$symbol" "${charts[@]}"
            run_both --pair "$pair" --symbol "$symbol" --format csv "${charts[@]}"
        done
        # A chart given as the other kind, and a pair text the window would not list.
        run_both --pair "${pair,,}" --format both "${charts[1]}" "${charts[0]}"
    done
done
echo "$compared command lines compared, $differing differing"
[ "$differing" -eq 0 ]
