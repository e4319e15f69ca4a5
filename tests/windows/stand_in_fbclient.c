/* A stand-in for the Firebird client: it leaves "<its own path>.loaded" behind when a program loads it, so a test
   sees which copy was taken, also in another process. It exports every function the monitor looks for, by name
   only: nothing may call them. Built as the 64-bit and the 32-bit one, as one that needs a library that is not
   shipped, and as one that lacks isc_dsql_fetch. */
#include <windows.h>

#include "common/firebird_functions.h"

#ifdef STAND_IN_NEEDS_ABSENT_LIBRARY
__declspec(dllimport) int velmoraAbsentLibraryAnswer(void);
#endif

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t marker[MAX_PATH + 16] = {0};
        const DWORD length = GetModuleFileNameW(instance, marker, MAX_PATH);
        if (length > 0 && length < MAX_PATH) {
            lstrcatW(marker, L".loaded");
            const HANDLE file = CreateFileW(marker, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
            if (file != INVALID_HANDLE_VALUE) {
                CloseHandle(file);
            }
        }
    }
    return TRUE;
}

static int standInAnswer(void) {
#ifdef STAND_IN_NEEDS_ABSENT_LIBRARY
    return velmoraAbsentLibraryAnswer();
#else
    return 0;
#endif
}

#ifdef STAND_IN_WITHOUT_FETCH
#define isc_dsql_fetch standInWithoutFetch /* exported under another name: the client lacks it */
#endif
#define STAND_IN_FUNCTION(name) \
    __declspec(dllexport) int name(void) { return standInAnswer(); }
VELMORA_FIREBIRD_REQUIRED_FUNCTIONS(STAND_IN_FUNCTION)
VELMORA_FIREBIRD_OPTIONAL_FUNCTIONS(STAND_IN_FUNCTION)
