#!/bin/sh
# header_check.sh COMPILER HEADER...: each header compiles alone as C99 and as
# C++17, warnings as errors; and preprocessed as a compiler without GCC's
# extensions sees it (no compiler-specific macro, __GNUC__ among them), on
# both platforms' branches, for a host and for the library that exports the
# calls, none of our lines holds an __attribute__. The system headers are
# stubbed out there, since real ones refuse a compiler they do not know.
set -u
compiler=$1
shift
stubs=$(dirname "$0")/no_system_headers
status=0
fail() { echo "FAIL: $*"; status=1; }
for header in "$@"; do
    name=$(basename "$header")
    for language in "c -std=c99" "c++ -std=c++17"; do
        # shellcheck disable=SC2086
        "$compiler" -x $language -Wall -Wextra -Wpedantic -Werror -fsyntax-only "$header" ||
            fail "$name does not compile alone as ${language%% *}"
        for platform in "" -D_WIN32 "-DWZIO_BUILDING -DKAVIO_BUILDING -DCH341DLL_BUILDING" \
            "-D_WIN32 -DWZIO_BUILDING -DKAVIO_BUILDING -DCH341DLL_BUILDING"; do
            # shellcheck disable=SC2086
            text=$("$compiler" -x $language -E -P -nostdinc -isystem "$stubs" -undef \
                $platform "$header") || { fail "$name: preprocessing failed"; continue; }
            if [ -z "$(printf '%s' "$text" | tr -d '[:space:]')" ]; then
                fail "$name preprocesses to nothing"
            elif printf '%s\n' "$text" | grep -q __attribute__; then
                fail "$name keeps __attribute__ without __GNUC__ (${language%% *} ${platform:-posix host}):"
                printf '%s\n' "$text" | grep __attribute__
            fi
        done
    done
done
# A host's wrong argument to a logger it was handed is a compile error.
include=$(dirname "$1")
if printf '#include "io_callbacks.h"\nvoid f(logger_fn log) { log("m", "%%s", 5); }\n' |
    "$compiler" -x c++ -std=c++17 -Werror=format -fsyntax-only -I "$include" - 2>/dev/null; then
    fail "a call through logger_fn is not checked as printf"
fi
[ "$status" = 0 ] && echo "ok: $# headers"
exit $status
