#!/usr/bin/env bash
# The Windows programs under Wine against the Linux build, byte for byte:
#   tools/windows/end_to_end.sh WINDOWS_BIN LINUX_BIN
# 1. tivka-read.exe and tivka-read over every chart the Linux chart server
#    draws (ten pairs, both kinds, both variants) in every output format:
#    standard output, standard error and exit status identical.
# 2. tivka-feed.exe --once and tivka-feed --once against the chart server,
#    each serving flags in a terminal folder with a Cyrillic name, from a
#    settings file in a Cyrillic folder: the data files identical.
#    The same charts kept by tivka-history in a history at a Cyrillic path
#    and exported again: identical.
# 3. A read-only settings file: read, served from, left as it was.
# Needs WINEPREFIX set to a prefix that has been started; prints
# "N passed, M failed".
set -uo pipefail
windows=$(readlink -f "$1")
linux=$(readlink -f "$2")
wine=${WINE:-/usr/lib/wine/wine64}
export WINEDEBUG=-all
# Wine turns the command line into UTF-16 by the locale's character set.
export LC_ALL=C.UTF-8
work=$(mktemp -d)
server_pid=
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
passed=0
failed=0
check() {  # check WHAT CONDITION...: counts and tells
    local what=$1; shift
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $what"; fi
}
windows_path() { "$wine" winepath -w "$1" 2>/dev/null | tr -d '\r'; }

cd "$work" || exit 2
"$linux/tivka-chart-server" --write-template ndata.bmp
"$linux/tivka-chart-server" --port 0 --fixed-time 12:30 --seed 5 > port.txt &
server_pid=$!
for _ in $(seq 50); do grep -q port port.txt 2>/dev/null && break; sleep 0.1; done
port=$(awk '{print $2}' port.txt)
url="http://127.0.0.1:$port/products/historical_orderbook_graphs/dat/ordersummary/images"

# 1. The readers.
pairs="GBP/USD EUR/USD AUD/USD USD/JPY USD/CAD USD/CHF EUR/GBP EUR/JPY EUR/CHF GBP/JPY"
compared=0
for pair in $pairs; do
    name=${pair/\//_}
    for variant in "" noncumulative_; do
        charts=("orders_$variant$name.png" "posentryprice_$variant$name.png")
        curl -sf "$url/${charts[0]}" -o "${charts[0]}" && curl -sf "$url/${charts[1]}" -o "${charts[1]}" ||
            echo "no chart for $pair"
        for format in orders positions both json csv; do
            args=(--pair "$pair" --format "$format" "${charts[@]}")
            linux_status=0 windows_status=0
            "$linux/tivka-read" "${args[@]}" > linux.out 2> linux.err || linux_status=$?
            "$wine" "$windows/tivka-read.exe" "${args[@]}" > windows.out 2> windows.err || windows_status=$?
            compared=$((compared + 1))
            check "tivka-read ${args[*]}" cmp -s linux.out windows.out
            check "tivka-read ${args[*]} (errors, status)" \
                [ "$(cat linux.err)$linux_status" = "$(cat windows.err)$windows_status" ]
        done
    done
done
echo "tivka-read: $compared command lines compared on both systems"

# 2. The feed, once, in a terminal folder and a settings folder with Cyrillic
#    names: flags for every pair, each program its own copy.
codes="GBPUSD EURUSD AUDUSD USDJPY USDCAD USDCHF EURGBP EURJPY EURCHF GBPJPY"
for system in linux windows; do
    terminal="$work/$system/Терминал MT4"
    mkdir -p "$terminal/MQL4/Files/Tivka" "$work/$system/Настройки" "$work/$system/data"
    for code in $codes; do printf 0 > "$terminal/MQL4/Files/Tivka/ir$code.dat"; done
    cp ndata.bmp "$work/$system/"
done
settings() {  # settings TERMINAL: the settings file's text, with CR LF
    printf '[Setting]\r\nTIVKA_URL=%s/\r\nMt4_Path=%s\\\r\n' "$url" "$1"
}
settings "$work/linux/Терминал MT4" > "$work/linux/Настройки/tivka.INI"
settings "$(windows_path "$work/windows/Терминал MT4")" > "$work/windows/Настройки/tivka.INI"
(cd "$work/linux" && XDG_DATA_HOME="$work/linux/data" \
    "$linux/tivka-feed" --once --settings "$work/linux/Настройки/tivka.INI" 2> feed.err)
check "tivka-feed --once (Linux) served every pair" [ $? -eq 0 ]
local_data=$("$wine" winepath -u "$("$wine" cmd /c echo %LOCALAPPDATA% | tr -d '\r')" | tr -d '\r')
rm -f "$local_data/Tivka/history.sqlite3"
(cd "$work/windows" &&
    "$wine" "$windows/tivka-feed.exe" --once --settings "$(windows_path "$work/windows/Настройки/tivka.INI")" \
    2> feed.err)
check "tivka-feed.exe --once served every pair: $(cat "$work/windows/feed.err")" [ $? -eq 0 ]
files=0
for code in $codes; do
    for file in "$code.csv" "ir$code.dat"; do
        files=$((files + 1))
        check "$file identical" cmp -s "$work/linux/Терминал MT4/MQL4/Files/Tivka/$file" \
            "$work/windows/Терминал MT4/MQL4/Files/Tivka/$file"
    done
    check "$code.csv written" [ -s "$work/windows/Терминал MT4/MQL4/Files/Tivka/$code.csv" ]
done
check "the history under %LOCALAPPDATA%\\Tivka" [ -s "$local_data/Tivka/history.sqlite3" ]
echo "tivka-feed: $files data and flag files compared on both systems"

# The same charts kept in a history at a Cyrillic path and exported again.
mkdir -p "$work/История"
"$linux/tivka-history" --database "$work/История/linux.sqlite3" import --fetched 2026-12-07T12:30Z *.png \
    > /dev/null 2>&1
"$wine" "$windows/tivka-history.exe" --database "$(windows_path "$work/История")\windows.sqlite3" import \
    --fetched 2026-12-07T12:30Z *.png > /dev/null 2>&1
for pair in $pairs; do
    "$linux/tivka-history" --database "$work/История/linux.sqlite3" export --pair "$pair" > linux.out 2>&1
    "$wine" "$windows/tivka-history.exe" --database "$(windows_path "$work/История")\windows.sqlite3" \
        export --pair "$pair" > windows.out 2>&1
    check "tivka-history export --pair $pair identical" cmp -s linux.out windows.out
    check "tivka-history export --pair $pair not empty" [ "$(wc -l < windows.out)" -gt 2 ]
done

# 3. A settings file made read-only: the feed only reads it, and it stays
#    exactly as it was (the refusal to replace one is the core tests' part).
readonly="$work/windows/Настройки/tivka.INI"
cp "$readonly" before.INI
"$wine" cmd /c attrib +r "$(windows_path "$readonly")" >/dev/null 2>&1
check "the settings file is read-only now" [ "$(stat -c %A "$readonly" | tr -cd w)" = "" ]
(cd "$work/windows" && "$wine" "$windows/tivka-feed.exe" --once --settings "$(windows_path "$readonly")" \
    2> readonly.err)
check "tivka-feed.exe --once with a read-only settings file: $(cat "$work/windows/readonly.err")" [ $? -eq 0 ]
check "a read-only settings file left as it was" cmp -s before.INI "$readonly"

echo "Windows end to end: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
