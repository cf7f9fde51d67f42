#!/bin/sh
# Checks what a PE file we ship needs from the machine it lands on:
#   pe_check.sh OBJDUMP FILE ALLOWED_DLLS [EXPORTS [IMPORTS_FROM]]
# ALLOWED_DLLS: comma-separated DLL names; the file must import exactly these.
# EXPORTS: comma-separated names; when given, the file must export exactly these.
# IMPORTS_FROM: DLL=name,name,...; when given, the file must import exactly
#   these names from that DLL (a decorated stdcall name fails here).
# Any import of a function that XP-era systems lack fails too.
set -eu
objdump=$1
file=$2
allowed=$3
exports=${4-}
imports_from=${5-}

[ -f "$file" ] || { echo "FAIL: $file does not exist"; exit 1; }
dump=$("$objdump" -p "$file")
status=0

# DLL names compare case-insensitively, as Windows does.
lower() { tr '[:upper:]' '[:lower:]'; }
imported=$(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p' | lower | sort -u)
wanted=$(printf '%s\n' "$allowed" | tr ',' '\n' | lower | sort -u)
if [ "$imported" != "$wanted" ]; then
    echo "FAIL: $file imports:"; printf '  %s\n' $imported
    echo "expected exactly:"; printf '  %s\n' $wanted
    status=1
fi

# Functions that appeared after XP; runtimes pull some of them in behind our back.
post_xp='GetTickCount64 InitializeCriticalSectionEx InitOnceExecuteOnce InitOnceBeginInitialize
InitOnceComplete InitializeSRWLock AcquireSRWLockExclusive AcquireSRWLockShared
ReleaseSRWLockExclusive ReleaseSRWLockShared TryAcquireSRWLockExclusive TryAcquireSRWLockShared
InitializeConditionVariable SleepConditionVariableCS SleepConditionVariableSRW
WakeConditionVariable WakeAllConditionVariable FlsAlloc FlsFree FlsGetValue FlsSetValue
GetSystemTimePreciseAsFileTime GetCurrentProcessorNumber GetFileInformationByHandleEx
SetFileInformationByHandle CreateSymbolicLinkA CreateSymbolicLinkW GetFinalPathNameByHandleA
GetFinalPathNameByHandleW CompareStringEx LCMapStringEx GetLocaleInfoEx GetUserDefaultLocaleName
SetThreadStackGuarantee GetThreadId GetProcessId CancelIoEx CreateEventExA CreateEventExW
CreateMutexExA CreateMutexExW CreateSemaphoreExA CreateSemaphoreExW WaitOnAddress
WakeByAddressSingle WakeByAddressAll QueryFullProcessImageNameA QueryFullProcessImageNameW
GetErrorMode SetThreadErrorMode GetThreadErrorMode GetNumaNodeProcessorMaskEx
GetLogicalProcessorInformationEx GetActiveProcessorCount'
functions=$(printf '%s\n' "$dump" | awk '/DLL Name:/ {in_dll = 1; next} in_dll && NF >= 3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ {print $3}')
for name in $post_xp; do
    if printf '%s\n' "$functions" | grep -qx "$name"; then
        echo "FAIL: $file imports $name, which XP-era systems lack"
        status=1
    fi
done

# Subsystem 4.0 keeps the file loadable on every Windows since NT 4.
major=$(printf '%s\n' "$dump" | awk '/^MajorSubsystemVersion/ {print $2}')
if [ "$major" != 4 ]; then
    echo "FAIL: $file has MajorSubsystemVersion $major, expected 4"
    status=1
fi

if [ -n "$exports" ]; then
    got=$(printf '%s\n' "$dump" | awk '/\[Ordinal\/Name Pointer\] Table/ {t = 1; next} t && /^[[:space:]]*\[/ {print $NF; next} t {t = 0}' | sort)
    want=$(printf '%s\n' "$exports" | tr ',' '\n' | sort)
    if [ "$got" != "$want" ]; then
        echo "FAIL: $file exports:"; printf '  %s\n' $got
        echo "expected exactly:"; printf '  %s\n' $want
        status=1
    fi
fi

if [ -n "$imports_from" ]; then
    dll=$(printf '%s\n' "${imports_from%%=*}" | lower)
    got=$(printf '%s\n' "$dump" | awk -v dll="$dll" '
        /DLL Name:/ {current = tolower($3); next}
        /^[[:space:]]*$/ {current = ""}
        current == dll && NF == 3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ {print $3}' | sort)
    want=$(printf '%s\n' "${imports_from#*=}" | tr ',' '\n' | sort)
    if [ "$got" != "$want" ]; then
        echo "FAIL: $file imports from $dll:"; printf '  %s\n' $got
        echo "expected exactly:"; printf '  %s\n' $want
        status=1
    fi
fi

[ "$status" = 0 ] && echo "ok: $file"
exit "$status"
