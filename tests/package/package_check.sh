#!/bin/sh
# Makes the cabinet package from a win32 build and checks it: exactly the
# files that go on a cabinet, an operator text with Windows line ends, and
# every PE inside importing only what a cabinet has.
#   package_check.sh CPACK CMAKE OBJDUMP BUILD_DIR PE_CHECK
set -eu
cpack=$1
cmake=$2
objdump=$3
build=$4
pe_check=$5

work=$build/package-test
package=cabinet-io-win32
rm -rf "$work"
mkdir -p "$work/unpacked"
if ! "$cpack" --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    echo "FAIL: cpack could not make the package"
    exit 1
fi
[ -f "$work/$package.zip" ] || { echo "FAIL: no $package.zip in $work"; ls "$work"; exit 1; }

status=0
# Folder entries aside, the archive holds these four files and nothing else.
listing=$(cd "$work" && "$cmake" -E tar tf "$package.zip" | grep -v '/$' | sort)
expected=$(printf '%s\n' "$package/README.txt" "$package/paneltest.exe" \
    "$package/readertest.exe" "$package/wzio.dll" | sort)
if [ "$listing" != "$expected" ]; then
    echo "FAIL: $package.zip holds:"; printf '  %s\n' $listing
    echo "expected exactly:"; printf '  %s\n' $expected
    status=1
fi

(cd "$work/unpacked" && "$cmake" -E tar xf "../$package.zip")
wzio_exports=wz_io_init,wz_io_fini,wz_io_read_inputs,wz_io_get_panel_inputs,wz_io_get_sys_inputs
wzio_exports=$wzio_exports,wz_io_set_panel_mode,wz_io_set_coin_blocker,wz_io_write_lights
wzio_exports=$wzio_exports,wz_io_set_rgb_led,wz_io_set_loggers
for file in "$work/unpacked/$package"/*; do
    name=$(basename "$file")
    # A PE is told by its MZ header, not its name, so nothing slips past as a data file.
    if [ "$(head -c 2 "$file")" != MZ ]; then
        continue
    fi
    case $name in
    readertest.exe) sh "$pe_check" "$objdump" "$file" "KERNEL32.dll,msvcrt.dll,USER32.dll,kavio.dll" || status=1 ;;
    paneltest.exe) sh "$pe_check" "$objdump" "$file" "KERNEL32.dll,msvcrt.dll,USER32.dll,wzio.dll" || status=1 ;;
    wzio.dll) sh "$pe_check" "$objdump" "$file" "KERNEL32.dll,msvcrt.dll,CH341DLL.DLL" "$wzio_exports" || status=1 ;;
    *) echo "FAIL: $name is a PE file that has no business on a cabinet"; status=1 ;;
    esac
done

readme=$work/unpacked/$package/README.txt
if [ -f "$readme" ] && awk '!/\r$/ {bad = 1} END {exit !bad}' "$readme"; then
    echo "FAIL: README.txt has lines without a Windows line end"
    status=1
fi

[ "$status" = 0 ] && echo "ok: $package.zip"
exit "$status"
