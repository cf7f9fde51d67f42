// The four calls of WCH's CH341 vendor library that the panel library uses,
// with the vendor's ABI: WINAPI (stdcall) on Windows, exported undecorated.
// Off Windows the same names bind to the stand-in in sim/ch341dll, with the
// vendor's types spelled out below.
#ifndef CH341DLL_H
#define CH341DLL_H

#include <stdint.h>

#ifdef _WIN32
#include <windows.h>
#else
#define WINAPI
typedef uint32_t ULONG;
typedef uint32_t *PULONG;
typedef int BOOL;
typedef unsigned char UCHAR;
typedef void *PVOID;
typedef void *HANDLE;
#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
#endif

// The stand-in defines CH341DLL_BUILDING to export the calls.
#ifdef CH341DLL_BUILDING
#ifdef _WIN32
#define CH341DLL_API __declspec(dllexport)
#elif defined(__GNUC__)
#define CH341DLL_API __attribute__((visibility("default")))
#else
#define CH341DLL_API
#endif
#else
#ifdef _WIN32
#define CH341DLL_API __declspec(dllimport)
#else
#define CH341DLL_API
#endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Opens bridge iIndex. Returns its handle, INVALID_HANDLE_VALUE when there is none.
CH341DLL_API HANDLE WINAPI CH341OpenDevice(ULONG iIndex);

// Closes bridge iIndex.
CH341DLL_API void WINAPI CH341CloseDevice(ULONG iIndex);

// One EPP address-write cycle putting iAddr on the bus. Returns FALSE on failure.
CH341DLL_API BOOL WINAPI CH341EppSetAddr(ULONG iIndex, UCHAR iAddr);

// One EPP data-read cycle of up to *ioLength bytes into oBuffer; *ioLength
// becomes the count read. Returns FALSE on failure.
CH341DLL_API BOOL WINAPI CH341EppReadData(ULONG iIndex, PVOID oBuffer, PULONG ioLength);

#ifdef __cplusplus
}

// The one bridge of a cabinet: wzio opens it, the stand-in serves it.
constexpr ULONG ch341_bridge_index = 0;
#endif

#endif
