// An in-process bridge that does nothing: every call succeeds at once and
// a read delivers 0xFF, so a benchmark sees only the scan's own cost; or,
// told to, every scan call fails at once.
#include "bridge_calls_bench.h"
#include "ch341dll.h"

namespace {

BOOL call_result = TRUE;

}  // namespace

void ch341_noop_fail(bool fail)
{
    call_result = fail ? FALSE : TRUE;
}

extern "C" {

HANDLE WINAPI CH341OpenDevice(ULONG)
{
    return nullptr;
}

void WINAPI CH341CloseDevice(ULONG) {}

BOOL WINAPI CH341EppSetAddr(ULONG, UCHAR)
{
    return call_result;
}

BOOL WINAPI CH341EppReadData(ULONG, PVOID oBuffer, PULONG ioLength)
{
    *static_cast<unsigned char *>(oBuffer) = 0xFF;
    *ioLength = 1;
    return call_result;
}

}  // extern "C"
