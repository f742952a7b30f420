#!/usr/bin/env bash
# Keeps the shape of the source tree from eroding; run by ctest.
#   tests/check_structure.sh SOURCE_DIR
#
# 1. Layers: a file under src/ includes project headers only from its own
#    layer or a layer below it:
#      platform -> chart -> acquisition, reading -> export, scheduling
#        -> history -> shell -> interface
#    (acquisition and reading are side by side and do not include each other;
#    so are export and scheduling). main.cpp may include anything.
# 2. Qt only in gui/ folders and main.cpp, and nothing outside a gui/ folder
#    includes a header from one.
# 3. Only platform/ knows the operating system: no POSIX or Windows headers
#    elsewhere (the WinHTTP download, the seam's Windows side, excepted).
# 4. Names say what things are: no form-designer names (Button1, Memo2, N7,
#    TForm1, ...) in src/, tools/ or tests/.
# 5. Failures travel as values: no code in src/ or tools/ takes a message's
#    text apart again (what(), a message, failure, error or reason searched
#    or cut up).
# 6. One file per system, never a system test in the code: no #if/#ifdef on
#    _WIN32, __linux__ and the like in src/, tools/ or tests/ (a system's
#    code goes to platform/<thing>_posix.cpp or _windows.cpp, chosen by CMake).
set -uo pipefail
root=${1:?usage: check_structure.sh SOURCE_DIR}
cd "$root" || exit 2
failures=0

fail() {
    echo "$1"
    failures=$((failures + 1))
}

rank() {
    case $1 in
        platform) echo 0 ;;
        chart) echo 1 ;;
        acquisition | reading) echo 2 ;;
        export | scheduling) echo 3 ;;
        history) echo 4 ;;
        shell) echo 5 ;;
        interface) echo 6 ;;
        *) echo 99 ;;
    esac
}

while IFS= read -r file; do
    relative=${file#src/}
    layer=${relative%%/*}
    [ "$relative" = main.cpp ] && layer=main
    own=$(rank "$layer")
    gui=no
    case $relative in */gui/* | main.cpp) gui=yes ;; esac
    while IFS=: read -r number line; do
        if [[ $line =~ \#include[[:space:]]*\"([a-z_]+)/([^\"]*)\" ]]; then
            target=${BASH_REMATCH[1]}
            rest=${BASH_REMATCH[2]}
            [ -d "src/$target" ] || continue
            target_rank=$(rank "$target")
            if [ "$layer" != main ] && [ "$target" != "$layer" ] && [ "$target_rank" -ge "$own" ]; then
                fail "$file:$number: $layer includes $target/$rest, a layer that is not below it"
            fi
            if [ $gui = no ] && [[ $rest == gui/* || $rest == */gui/* ]]; then
                fail "$file:$number: code outside a gui/ folder includes $target/$rest"
            fi
        elif [[ $line =~ \#include[[:space:]]*\<Q ]] && [ $gui = no ]; then
            fail "$file:$number: Qt outside a gui/ folder: $line"
        elif [[ $line =~ \#include[[:space:]]*\<(unistd|fcntl|pwd|langinfo|locale|dirent|pthread|signal|sys/[a-z_]+|windows|winsock2|ws2tcpip|winhttp|shlobj|shellapi|io)\.h\> ]] &&
             [ "$layer" != platform ] && [ "$relative" != acquisition/download_winhttp.cpp ]; then
            fail "$file:$number: only platform/ may use the system's own interface: $line"
        fi
    done < <(grep -n '^[[:space:]]*#[[:space:]]*include' "$file")
done < <(find src -name '*.h' -o -name '*.cpp' | sort)

designer='\b(Button|Edit|Memo|RadioButton|Panel|Bevel|Image|Label|GroupBox|CheckBox|ComboBox|Timer|Form|BitBtn|PopupMenu|MainMenu|Exel|URL)[0-9]+\b'
designer+='|\bN[0-9]+(Click)?\b|\bTForm|\bRB_[A-Za-z]|\bEproc|CoolTrayIcon|CalcMT4|\bSaveData\b|READINI|SAVEINI|\bRnp\b'
designer+='|\b(LoadImage|ReCalc|FormCreate|FormDestroy|MT4LoadImage|ExcelExport|ExcelRow|ImagesLoaded|MinuteFired|WindowShown)\b'
while IFS= read -r hit; do
    fail "form-designer name: $hit"
done < <(grep -rnE "$designer" src tools tests --include='*.h' --include='*.cpp' --include='*.sh' --exclude=check_structure.sh)

parsed='(what\(\)\)?|[A-Za-z_]*([Mm]essage|[Ff]ailure|[Ee]rror|[Rr]eason)[A-Za-z_]*(\(\))?)\.(find|rfind|substr|find_first_of|find_last_of|starts_with|ends_with|compare)\('
while IFS= read -r hit; do
    fail "a message taken apart: $hit"
done < <(grep -rnE "$parsed" src tools --include='*.h' --include='*.cpp')

system='^[[:space:]]*#[[:space:]]*(if|ifdef|ifndef|elif)\b.*\b(_WIN32|_WIN64|WIN32|__WIN32__|__MINGW32__|__MINGW64__|_MSC_VER|__linux__|__linux|__unix__|__unix|__APPLE__|__CYGWIN__)\b'
while IFS= read -r hit; do
    fail "a system tested in the code (one file per system instead): $hit"
done < <(grep -rnE "$system" src tools tests --include='*.h' --include='*.cpp' --include='*.c')

if [ "$failures" -gt 0 ]; then
    echo "$failures structure problem(s)"
    exit 1
fi
echo "structure is sound"
