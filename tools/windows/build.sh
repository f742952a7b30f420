#!/usr/bin/env bash
# The Windows build, cross-compiled on Debian with MinGW-w64:
#   tools/windows/build.sh [BUILD_DIR [dependencies]]   (./run windows calls it; default build-windows)
# 1. libpng and SQLite from Debian's own source packages, of the versions the
#    Linux build uses, fetched by apt-get source through a deb-src list of the
#    same archive kept under BUILD_DIR/apt (apt checks the archive's
#    signature; /etc/apt is not touched), built static with the toolchain file;
#    so is cpp-httplib (one header); zlib is Debian's MinGW package; the JSON
#    parser is the Linux package's header; GoogleTest is built from Debian's source in
#    /usr/src/googletest (for the tests under Wine).
# 2. The core, the tools and the core's tests, cross-built without Qt.
# 3. BUILD_DIR/dist: tivka-feed.exe, tivka-read.exe, tivka-template.exe,
#    tivka-history.exe, ready to zip (the runtime is linked in: no DLL).
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")/../.."
source=$PWD
out=$(readlink -f "${1:-build-windows}")
deps=$out/deps
toolchain=$source/cmake/mingw-w64-x86_64.cmake
jobs=${TIVKA_JOBS:-$(nproc)}
export TIVKA_WINDOWS_DEPS=$deps
mkdir -p "$out"

# apt with its own lists, under BUILD_DIR/apt, for Debian's source packages.
apt_dir=$out/apt
apt_options=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
             -o "Dir::State=$apt_dir/state" -o "Dir::Cache=$apt_dir/cache" -o "Dir::Etc::Preferences=/dev/null"
             -o "Dir::Etc::PreferencesParts=$apt_dir/preferences.d" -o "APT::Sandbox::User=root")

# The archive and suites the system installs from, as deb-src entries with the
# archive's own keyring.
write_sources() {
    mkdir -p "$apt_dir"/{sources.list.d,preferences.d,state/lists/partial,cache/archives/partial}
    local keyring=/usr/share/keyrings/debian-archive-keyring.gpg codename
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    {
        echo "deb-src [signed-by=$keyring] http://deb.debian.org/debian $codename main"
        echo "deb-src [signed-by=$keyring] http://deb.debian.org/debian $codename-updates main"
        echo "deb-src [signed-by=$keyring] http://deb.debian.org/debian-security $codename-security main"
    } > "$apt_dir/sources.list.new"
    mv "$apt_dir/sources.list.new" "$apt_dir/sources.list"
}

# Unpacks the source package SOURCE of the version the installed BINARY comes
# from into $deps/src, or, where the archive no longer has that one, the
# newest of the same upstream version that it does have.
fetch_source() {
    local binary=$1 source_package=$2 installed upstream version
    installed=$(dpkg-query -W -f='${source:Version}' "$binary")
    upstream=${installed%-*}
    upstream=${upstream#*:}
    mkdir -p "$deps/src"
    [ -d "$deps/src/$source_package-$upstream" ] && return
    local candidates
    candidates=$(apt-cache "${apt_options[@]}" showsrc "$source_package" 2>/dev/null | sed -n 's/^Version: //p' |
                 grep -F "$upstream-" | sort -u -r -V | grep -v -x -F "$installed" || true)
    for version in "$installed" $candidates; do
        if (cd "$deps/src" && apt-get "${apt_options[@]}" -qq source "$source_package=$version" >/dev/null 2>&1); then
            echo "  $source_package $version (Linux has $installed)"
            return
        fi
        rm -rf "$deps/src/$source_package-$upstream"
    done
    echo "no source package $source_package of version $upstream to be had" >&2
    return 1
}

cross_cmake() {  # cross_cmake SOURCE BUILD [options...]: configure, build, install into $deps
    local from=$1 to=$2; shift 2
    cmake -S "$from" -B "$to" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_INSTALL_PREFIX="$deps" "$@" >/dev/null
    cmake --build "$to" --parallel "$jobs" >/dev/null
    cmake --install "$to" >/dev/null
}

build_dependencies() {
    [ -f "$deps/.built" ] && return
    echo "Windows: Debian's source packages of libpng, SQLite and cpp-httplib"
    write_sources
    apt-get "${apt_options[@]}" -qq update
    fetch_source libpng-dev libpng1.6
    fetch_source libsqlite3-dev sqlite3
    # Debian's cpp-httplib package ships a shared library; its source is the
    # whole library in one header, compiled into each program here.
    fetch_source libcpp-httplib-dev cpp-httplib
    echo "Windows: building libpng, SQLite and GoogleTest"
    local png_source sqlite_source
    png_source=$(ls -d "$deps"/src/libpng1.6-*/)
    sqlite_source=$(ls -d "$deps"/src/sqlite3-*/)
    cross_cmake "$png_source" "$deps/build/libpng" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
        -DPNG_EXECUTABLES=OFF -DSKIP_INSTALL_PROGRAMS=ON -DSKIP_INSTALL_FILES=ON
    # The amalgamation is generated on the build machine by SQLite's own rules.
    mkdir -p "$deps/build/sqlite-amalgamation"
    (cd "$deps/build/sqlite-amalgamation" && "$sqlite_source/configure" --quiet >/dev/null &&
        make -s sqlite3.c >/dev/null 2>&1)
    cross_cmake "$source/tools/windows/sqlite" "$deps/build/sqlite" \
        -DSQLITE_AMALGAMATION="$deps/build/sqlite-amalgamation"
    cross_cmake /usr/src/googletest "$deps/build/googletest" -DBUILD_GMOCK=ON -Dgtest_disable_pthreads=OFF
    mkdir -p "$deps/include"
    cp "$(ls -d "$deps"/src/cpp-httplib-*/)httplib.h" "$deps/include/"
    # The JSON parser the interface's tests read with is header-only.
    cp -r /usr/include/nlohmann "$deps/include/"
    touch "$deps/.built"
}

build_tivka() {
    echo "Windows: building Tivka"
    cmake -S "$source" -B "$out/tivka" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DTIVKA_GUI=OFF -DTIVKA_BENCH=OFF >/dev/null
    cmake --build "$out/tivka" --parallel "$jobs"
    rm -rf "$out/dist"
    mkdir -p "$out/dist"
    local program
    for program in tivka-feed tivka-read tivka-template tivka-history; do
        x86_64-w64-mingw32-strip -o "$out/dist/$program.exe" "$out/tivka/bin/$program.exe"
    done
    # Every DLL a program asks for must be one Windows itself has.
    local dll
    for dll in $(x86_64-w64-mingw32-objdump -p "$out"/dist/*.exe | sed -n 's/^\s*DLL Name: //p' | sort -u); do
        case ${dll,,} in
            kernel32.dll | user32.dll | advapi32.dll | shell32.dll | ole32.dll | ws2_32.dll | winhttp.dll | \
                crypt32.dll | msvcrt.dll | api-ms-win-*) ;;
            *) echo "dist/ would need $dll, which Windows does not have" >&2; return 1 ;;
        esac
    done
    echo "Windows: $out/dist ready ($(du -sh "$out/dist" | cut -f1))"
}

build_dependencies
[ "${2:-}" = dependencies ] || build_tivka
