/* A stand-in for the Firebird client: it leaves "<its own path>.loaded" behind when a program loads it, so a test
   sees which copy was taken, also in another process. Built as the 64-bit and the 32-bit one, and as one that
   needs a library that is not shipped. */
#include <windows.h>

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

/* Present, as in every client from Firebird 3.0 on; nothing may call it. */
__declspec(dllexport) void* fb_get_master_interface(void) {
#ifdef STAND_IN_NEEDS_ABSENT_LIBRARY
    return (void*)(INT_PTR)velmoraAbsentLibraryAnswer();
#else
    return NULL;
#endif
}
