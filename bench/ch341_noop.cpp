// An in-process bridge that does nothing: every call succeeds at once and
// a read delivers 0xFF, so a benchmark sees only the scan's own cost.
#include "ch341dll.h"

extern "C" {

HANDLE WINAPI CH341OpenDevice(ULONG)
{
    return nullptr;
}

void WINAPI CH341CloseDevice(ULONG) {}

BOOL WINAPI CH341EppSetAddr(ULONG, UCHAR)
{
    return TRUE;
}

BOOL WINAPI CH341EppReadData(ULONG, PVOID oBuffer, PULONG ioLength)
{
    *static_cast<unsigned char *>(oBuffer) = 0xFF;
    *ioLength = 1;
    return TRUE;
}

}  // extern "C"
