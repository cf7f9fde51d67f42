#!/bin/sh
# Starts and stops the wineserver and prefix that every Windows test runs in.
#   wine_fixture.sh start 32|64 X86_32_MODE_COMMAND
#   wine_fixture.sh stop
# The 32-bit x86 mode is IO_X86_32_MODE, as tools/test-all decided it; only a
# ctest run without it has X86_32_MODE_COMMAND (tools/x86-32-mode) probe.
# WINEPREFIX comes from the environment. When wine cannot run here, start
# says why and fails, and ctest leaves the tests that need it not run.
set -u
wine64=$(dirname "$0")/../tools/wine64

cannot_run() {
    echo "wine cannot run here: $*"
    exit 1
}

if [ "$1" = stop ]; then
    wineserver -k >/dev/null 2>&1
    exit 0
fi
if [ "$2" = 64 ]; then
    missing=$("$wine64" --version 2>&1 >/dev/null) || cannot_run "$missing"
    boot="$wine64 wineboot"
else
    command -v wine >/dev/null 2>&1 || cannot_run "wine is not installed (Debian packages wine, wine32:i386)"
    mode=${IO_X86_32_MODE:-$("$3" --word)}
    case $mode in
        native) boot="wine wineboot" ;;
        # The 32-bit wineboot crashes under qemu; a prefix booted by the
        # 64-bit loader serves the 32-bit programs as well.
        emulated)
            missing=$("$wine64" --version 2>&1 >/dev/null) ||
                cannot_run "32-bit x86 runs emulated only, and booting needs the 64-bit loader: $missing"
            # A prefix that a native run's 32-bit wineboot made refuses the 64-bit loader.
            [ -d "$WINEPREFIX/drive_c/windows/syswow64" ] || rm -rf "$WINEPREFIX"
            boot="$wine64 wineboot -i"
            ;;
        *) cannot_run "this machine cannot execute 32-bit x86 programs (32-bit x86: $mode)" ;;
    esac
fi

log=$WINEPREFIX.boot.log
mkdir -p "$WINEPREFIX"
wineserver -p >/dev/null 2>&1
$boot >"$log" 2>&1 || { tail -n 20 "$log"; cannot_run "'$boot' failed; its output is in $log"; }
