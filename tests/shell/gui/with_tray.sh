#!/usr/bin/env bash
# Runs the real-tray window tests on a private X server with a notification
# area: Xvfb (through xvfb-run) and the trayer panel.
#   with_tray.sh GUI_TESTS_PROGRAM
set -euo pipefail
program=$(readlink -f "$1")
exec xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    trayer --edge top --align right --widthtype pixel --width 120 --heighttype pixel --height 24 >/dev/null 2>&1 &
    tray=$!
    trap "kill $tray 2>/dev/null || true" EXIT
    QT_QPA_PLATFORM=xcb TIVKA_REQUIRE_TRAY=1 "$0" --gtest_filter="RealTrayTest.*"
' "$program"
