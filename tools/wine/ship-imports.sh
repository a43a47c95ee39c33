#!/usr/bin/env bash
# Checks that the shipping zrdrvtool.exe imports nothing that Windows 98
# lacks: every DLL!function it imports must be on the list below. A new
# import fails the check; add it only after making sure Windows 98 (first
# edition, with its own comctl32 4.72 and msvcrt) exports it. Exported is
# enough for the program to start: many W functions are exported on 9x as
# stubs that fail, and the program calls those only on the NT family (see
# ui/win32/window_text.h); the C and C++ runtime call GetModuleHandleW and
# CreateSemaphoreW themselves and go on when they fail.
#
#   ship-imports.sh EXE
set -euo pipefail

exe=${1:?usage: ship-imports.sh EXE}
objdump=$(command -v i686-w64-mingw32-objdump) || { echo "i686-w64-mingw32-objdump is missing" >&2; exit 1; }

allowed=$(cat <<'LIST'
advapi32.dll AddAccessAllowedAce AdjustTokenPrivileges AllocateAndInitializeSid FreeSid GetLengthSid
advapi32.dll InitializeAcl InitializeSecurityDescriptor IsTextUnicode LookupPrivilegeValueA OpenProcessToken
advapi32.dll RegCloseKey RegCreateKeyExA RegDeleteKeyA RegDeleteValueA RegEnumKeyExA RegEnumValueA RegOpenKeyExA
advapi32.dll RegQueryValueExA RegSetKeySecurity RegSetValueExA SetSecurityDescriptorDacl
comctl32.dll CreatePropertySheetPageA CreatePropertySheetPageW InitCommonControlsEx PropertySheetA PropertySheetW
kernel32.dll CloseHandle CopyFileA CreateFileA CreateMutexA CreateSemaphoreW DeleteCriticalSection DeleteFileA
kernel32.dll EnterCriticalSection FreeLibrary GetACP GetCurrentDirectoryA GetCurrentProcess GetCurrentThreadId
kernel32.dll GetFileAttributesA GetFileSize GetLastError GetModuleHandleA GetModuleHandleW GetProcAddress
kernel32.dll GetProcessHeap GetStartupInfoA GetSystemDirectoryA GetVersion GetVersionExA GetWindowsDirectoryA
kernel32.dll GetCommandLineA GetLocalTime
kernel32.dll HeapAlloc HeapFree InitializeCriticalSection IsDBCSLeadByteEx IsValidCodePage LeaveCriticalSection
kernel32.dll LoadLibraryA LoadLibraryW MultiByteToWideChar ReadFile ReleaseSemaphore SetFileAttributesA
kernel32.dll SetLastError SetUnhandledExceptionFilter Sleep TlsAlloc TlsFree TlsGetValue TlsSetValue
kernel32.dll VirtualProtect VirtualQuery WaitForSingleObject WideCharToMultiByte WriteFile
msvcrt.dll __getmainargs __initenv __mb_cur_max __p__acmdln __p__commode __p__fmode __set_app_type
msvcrt.dll __setusermatherr _amsg_exit _cexit _close _errno _initterm _iob _onexit _read abort atoi calloc
msvcrt.dll _commit _fileno _mkdir fclose ferror fflush fopen fread
msvcrt.dll exit fprintf fputc fputs free fwrite localeconv malloc memchr memcmp memcpy memmove memset
msvcrt.dll realloc setlocale signal strchr strcmp strerror strlen strncmp vfprintf wcslen
user32.dll CallNextHookEx CheckDlgButton DestroyWindow ExitWindowsEx GetDlgItem GetWindow GetWindowLongA
user32.dll GetWindowRect GetWindowTextA GetWindowTextLengthA GetWindowTextLengthW GetWindowTextW IsChild
user32.dll IsDlgButtonChecked KillTimer MessageBoxA MessageBoxW MoveWindow PostMessageA RemovePropA
user32.dll SendMessageA SetDlgItemTextA SetDlgItemTextW SetPropA SetTimer SetWindowLongA SetWindowsHookExA
user32.dll UnhookWindowsHookEx CallWindowProcA DefWindowProcA EnumWindows GetClassNameA IsIconic IsWindowUnicode
user32.dll SetForegroundWindow ShowWindow
LIST
)

imports=$("$objdump" -p "$exe" | awk '
  /DLL Name:/ { dll = tolower($3); next }
  dll != "" && /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/ { print dll " " $3 }
  /^$/ && dll != "" && seen { dll = "" }')
[ -n "$imports" ] || { echo "no imports read from $exe" >&2; exit 1; }

status=0
while read -r dll function; do
  if ! grep -Eq "^$dll( .*)? $function( |\$)" <<<"$allowed"; then
    echo "not known to exist on Windows 98: $dll!$function"
    status=1
  fi
done <<<"$imports"
echo "$(wc -l <<<"$imports") imports from $(cut -d' ' -f1 <<<"$imports" | sort -u | tr '\n' ' ')"
exit "$status"
