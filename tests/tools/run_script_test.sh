#!/usr/bin/env bash
# What ./run builds before it starts the demo: only Tivka and the chart
# server, not the tests and benchmarks that ./run test builds. Runs a copy of
# the script with stand-ins for the package manager, CMake and the demo.
#   tests/tools/run_script_test.sh SOURCE_DIR
set -uo pipefail
source_dir=$(readlink -f "${1:?usage: run_script_test.sh SOURCE_DIR}")
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/tree/tools" "$root/stand-ins"
cp "$source_dir/run" "$root/tree/run"
log=$root/log
stand_in() {  # stand_in NAME BODY
    printf '#!/usr/bin/env bash\n%s\n' "$2" >"$root/stand-ins/$1"
    chmod +x "$root/stand-ins/$1"
}
stand_in dpkg-query "echo 'install ok installed'"
stand_in locale "echo ru_RU.utf8"
stand_in cmake "echo \"cmake \$*\" >>'$log'"
stand_in ctest "echo \"ctest \$*\" >>'$log'"
printf '#!/usr/bin/env bash\necho "demo $*" >>%q\n' "$log" >"$root/tree/tools/run_demo.sh"
chmod +x "$root/tree/tools/run_demo.sh"

PATH=$root/stand-ins:$PATH "$root/tree/run" >/dev/null 2>&1
expected="cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --parallel $(nproc) --target tivka tivka-chart-server
demo build/bin"
if [ "$(cat "$log")" != "$expected" ]; then
    echo "FAIL: ./run did:"
    cat "$log"
    echo "expected:"
    echo "$expected"
    exit 1
fi
echo "./run builds only what it starts"
