#!/usr/bin/env bash
# Checks both builds of the program from outside: the 64-bit one is a PE32+ GUI executable, the
# 32-bit one we ship a PE32 GUI executable, and neither needs a DLL of the MinGW runtime beside it.
set -u
x64="$1" x86="$2"
status=0
fail() { echo "FAIL: $*"; status=1; }

check() {
    local exe="$1" format="$2" objdump="$3"
    [[ -f "$exe" ]] || { fail "$exe is missing (build both presets)"; return; }
    local kind
    kind="$(file -b "$exe")"
    [[ "$kind" == "$format executable (GUI)"* ]] || fail "$exe: '$kind', expected a $format GUI executable"
    local dlls
    dlls="$("$objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p')"
    [[ -n "$dlls" ]] || fail "$exe: no import table read"
    if grep -iE 'libstdc|libgcc|libwinpthread|zlib|libz' <<<"$dlls"; then
        fail "$exe imports a runtime DLL that is not part of Windows"
    fi
    echo "$exe: $kind; imports: $(tr '\n' ' ' <<<"$dlls")"
}

check "$x64" "PE32+" x86_64-w64-mingw32-objdump
check "$x86" "PE32" i686-w64-mingw32-objdump
exit $status
