#!/usr/bin/env bash
# Checks both builds of the program from outside: the 64-bit one is a PE32+ GUI executable, the
# 32-bit one we ship a PE32 GUI executable, neither needs a DLL of the MinGW runtime beside it, and
# neither imports a DLL that Windows would look for in the program's folder first.
#
#   check-executables.sh X64.exe X86.exe     the whole check of the two builds
#   check-executables.sh --imports FILE...   only the import rule, for any PE files
set -u
status=0
fail() { echo "FAIL: $*"; status=1; }

# DLLs that Windows loads from the system folder whatever the search order: the KnownDLLs common to
# Vista, 7 and 8, and comctl32, which the manifest binds to the side-by-side common controls 6. The
# menu starts at every logon; any other DLL (powrprof, wtsapi32, uxtheme, version, ...) imported
# directly could be planted beside it, so those are loaded at run time from the system folder.
readonly protected_dlls=(advapi32 comctl32 comdlg32 gdi32 imagehlp imm32 kernel32 msvcrt normaliz nsi ole32
                         oleaut32 psapi rpcrt4 setupapi shell32 shlwapi user32 wldap32 ws2_32)

objdump_for() {
    case "$(file -b "$1")" in
        PE32+*) echo x86_64-w64-mingw32-objdump ;;
        PE32*) echo i686-w64-mingw32-objdump ;;
        *) echo "" ;;
    esac
}

imported_dlls() {
    "$1" -p "$2" | sed -n 's/^\s*DLL Name: //p'
}

# Fails for every DLL the file imports that is not a protected system DLL.
check_protected_imports() {
    local exe="$1" dlls="$2" dll base
    while read -r dll; do
        [[ -n "$dll" ]] || continue
        base="${dll,,}"
        base="${base%.dll}"
        [[ " ${protected_dlls[*]} " == *" $base "* ]] ||
            fail "$exe imports $dll directly: load it at run time from the system folder (LoadSystemLibrary)"
    done <<<"$dlls"
}

check() {
    local exe="$1" format="$2" objdump="$3"
    [[ -f "$exe" ]] || { fail "$exe is missing (build both presets)"; return; }
    local kind
    kind="$(file -b "$exe")"
    [[ "$kind" == "$format executable (GUI)"* ]] || fail "$exe: '$kind', expected a $format GUI executable"
    local dlls
    dlls="$(imported_dlls "$objdump" "$exe")"
    [[ -n "$dlls" ]] || fail "$exe: no import table read"
    if grep -iE 'libstdc|libgcc|libwinpthread|zlib|libz' <<<"$dlls"; then
        fail "$exe imports a runtime DLL that is not part of Windows"
    fi
    check_protected_imports "$exe" "$dlls"
    echo "$exe: $kind; imports: $(tr '\n' ' ' <<<"$dlls")"
}

if [[ "${1:-}" == --imports ]]; then
    shift
    for file in "$@"; do
        objdump="$(objdump_for "$file")"
        [[ -n "$objdump" ]] || { fail "$file is not a PE file"; continue; }
        dlls="$(imported_dlls "$objdump" "$file")"
        [[ -n "$dlls" ]] || fail "$file: no import table read"
        check_protected_imports "$file" "$dlls"
    done
    exit $status
fi

x64="$1" x86="$2"
check "$x64" "PE32+" x86_64-w64-mingw32-objdump
check "$x86" "PE32" i686-w64-mingw32-objdump
exit $status
