#!/usr/bin/env bash
# tools/test-all where apt cannot pair the amd64 and i386 versions wine32:i386
# needs: pinned to the release the install resolves; where even that fails, the
# run goes on as without 32-bit x86. It runs from a copy of tools/, with
# apt-get, dpkg, dpkg-query, id, cmake and ctest stood in for on PATH.
set -u
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/tree/tools" "$work/bin"
cp "$1/test-all" "$1/install-deps" "$1/x86-32-mode" "$work/tree/tools/"
stub() { printf '#!/bin/sh\n%s\n' "$2" >"$work/$1" && chmod +x "$work/$1"; }
stub tree/tools/check-reproducible 'exit 0'
stub bin/id 'echo 0'
stub bin/dpkg-query 'exit 1'
stub bin/dpkg 'echo i386'
stub bin/cmake 'exit 0'
stub bin/ctest 'echo "ctest $* in $IO_X86_32_MODE" >>"$CALLS"'
# The update fails its i386 list; an install with wine32:i386 resolves pinned only, if at all.
stub bin/apt-get 'echo "apt-get $*" >>"$CALLS"
case " $* " in
*" update "*) exit 100 ;;
*" -t bookworm "*" wine32:i386 "*) exit $PINNED_STATUS ;;
*" wine32:i386 "*) exit 100 ;;
esac'

# expect CASE PINNED_STATUS LAST_LINE MODE: test-all passes, ends with LAST_LINE, runs ctest in MODE.
expect() {
    local calls=$work/$1.calls
    PATH=$work/bin:$PATH CALLS=$calls PINNED_STATUS=$2 IO_X86_32_MODE=native \
        "$work/tree/tools/test-all" >"$work/$1.out" 2>/dev/null
    local status=$? last
    last=$(tail -n 1 "$work/$1.out")
    if [ "$status" != 0 ] || [ "$last" != "$3" ] || grep ^ctest "$calls" | grep -qv " in $4\$"; then
        echo "FAIL $1: exit status $status, last line: $last" && cat "$calls" && failed=1
    fi
}
failed=0
expect pinned 0 "32-bit x86: native (installed pinned to bookworm); passed: native win32 asan tsan reproducible" native
expect fallback 100 "32-bit x86: unavailable (native, but wine32:i386 cannot be installed here); passed: native win32-static win64 asan tsan reproducible; skipped: win32 under Wine (wine32:i386 cannot be installed here), win32-emulated (the 32-bit wine loader, Debian's wine32:i386, cannot be installed here)" unavailable
# The fallback installs the packages of the machines without 32-bit x86.
grep -q "^apt-get install .* wine64 qemu-user-static" "$work/fallback.calls" ||
    { echo "FAIL fallback: the unavailable mode's packages were not installed" && failed=1; }
exit $failed
