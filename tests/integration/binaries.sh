#!/usr/bin/env bash
# The shipped programs: 64-bit, right subsystem, only known DLLs, hardened,
# manifest and version resource.
source "$(dirname "$0")/lib.sh"
objdump=x86_64-w64-mingw32-objdump
# Windows' known DLLs (and API sets), which it maps from the system folder only:
# any other import would be looked for in the program's own folder first.
known_dlls='^(KERNEL32|USER32|GDI32|ADVAPI32|sechost|rpcrt4|combase|ole32|OLEAUT32|SHELL32|SHLWAPI|SHCORE|SETUPAPI|msvcrt|COMDLG32|IMM32|MSCTF|PSAPI|IMAGEHLP|WS2_32|NSI|WLDAP32|clbcatq|coml2|difxapi|gdiplus|NORMALIZ|api-ms-win-[a-z0-9-]+)\.dll$'

for pair in "$DRIVER_SETUP:Windows CUI" "$UPDATER:Windows GUI"; do
  exe=${pair%%:*} subsystem=${pair#*:} name=$(basename "$exe")
  headers=$($objdump -p "$exe")
  check "$name: 64-bit" 1 "$(grep -c 'file format pei-x86-64' <<<"$($objdump -f "$exe")")"
  check "$name: subsystem" 1 "$(grep -c "($subsystem)" <<<"$headers")"
  foreign=$(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | grep -v -i -E "$known_dlls")
  check "$name: imports only known DLLs" "" "$foreign"
  # The entry's hardening: only it calls these two.
  for call in SetDefaultDllDirectories SetProcessMitigationPolicy; do
    check "$name: imports $call" 1 "$(grep -c -w "$call" <<<"$headers")"
  done
  for flag in HIGH_ENTROPY_VA DYNAMIC_BASE NX_COMPAT TERMINAL_SERVICE_AWARE; do
    check "$name: $flag" 1 "$(sed -n '/^DllCharacteristics/,/^SizeOf/p' <<<"$headers" | grep -c -w "$flag")"
  done
  check "$name: relocations for ASLR" 1 "$($objdump -h "$exe" | grep -c ' \.reloc ')"
  check "$name: runs as invoker" 1 "$(grep -a -c 'requestedExecutionLevel level="asInvoker"' "$exe")"
  check "$name: long-path aware" 1 "$(grep -a -c '<longPathAware xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">true</longPathAware>' "$exe")"
  check "$name: declares Windows 10/11" 1 "$(grep -a -c 'supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"' "$exe")"
  check "$name: version resource" 1 "$(strings -el "$exe" | grep -c -x "$name")"
done
check "updater: common controls 6" 1 "$(grep -a -c 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' "$UPDATER")"
check "updater: per-monitor DPI aware" 1 "$(grep -a -c 'PerMonitorV2' "$UPDATER")"
finish
