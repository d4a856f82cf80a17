/* A Windows program that reads values of the mail checker's key the way a
 * Windows program does, through both forms of the registry functions:
 *   regread.exe NAME...
 * prints for each name one line "NAME A:<hex bytes> W:<hex UTF-16 units>",
 * or "NAME missing", after a first line "ACP <code page>". */

#include <stdio.h>
#include <windows.h>

static const char key[] = "Software\\VB and VBA Program Settings\\wispane\\setting";

int main(int argc, char** argv)
{
    HKEY handle;
    printf("ACP %u\n", GetACP());
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) {
        printf("no key\n");
        return 1;
    }
    for (int i = 1; i < argc; ++i) {
        BYTE bytes[4096];
        DWORD size = sizeof bytes, type = 0;
        if (RegQueryValueExA(handle, argv[i], NULL, &type, bytes, &size) != ERROR_SUCCESS || type != REG_SZ) {
            printf("%s missing\n", argv[i]);
            continue;
        }
        printf("%s A:", argv[i]);
        for (DWORD k = 0; k + 1 < size; ++k) /* without the terminating NUL */
            printf("%02x", bytes[k]);
        WCHAR name[256];
        MultiByteToWideChar(CP_ACP, 0, argv[i], -1, name, 256);
        WCHAR units[4096];
        size = sizeof units;
        if (RegQueryValueExW(handle, name, NULL, &type, (BYTE*)units, &size) != ERROR_SUCCESS) {
            printf(" W:missing\n");
            continue;
        }
        printf(" W:");
        for (DWORD k = 0; k + 1 < size / sizeof(WCHAR); ++k)
            printf("%04x", units[k]);
        printf("\n");
    }
    RegCloseKey(handle);
    return 0;
}
