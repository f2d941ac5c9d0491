#!/bin/sh
# Usage: check_exports.sh DUMPER LIBRARY
# DUMPER is MinGW's objdump for a DLL (export table and DLL imports) or nm for
# an ELF shared library (dynamic symbols defined by the library). A DLL, as
# the build strips it, stays within 256 KB.
set -eu
dumper=$1 library=$2
expected="CloseStream CopySettings CreateSettingsWindow Free InitializeXml Initialize LoadPreset OpenStream PlugInInfo ProcessStream SavePresetXml SavePreset SetStreamCallBack"
expected=$(printf '%s\n' $expected | LC_ALL=C sort | tr '\n' ' ')

case $library in
*.dll)
    dump=$("$dumper" -p "$library")
    exports=$(printf '%s\n' "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
        sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*//p' | LC_ALL=C sort | tr '\n' ' ')
    imports=$(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' |
        tr 'a-z' 'A-Z' | LC_ALL=C sort -u | tr '\n' ' ')
    for dll in $imports; do
        case $dll in
        KERNEL32.DLL | ADVAPI32.DLL | MSVCRT.DLL) ;;
        *) echo "$library imports $dll; only KERNEL32, ADVAPI32 and msvcrt are allowed"; exit 1 ;;
        esac
    done
    size=$(wc -c <"$library")
    if [ "$size" -gt 262144 ]; then
        echo "$library has $size bytes, more than 256 KB"
        exit 1
    fi
    ;;
*)
    exports=$("$dumper" -D --defined-only "$library" | awk '$3 !~ /^(_edata|_end|__bss_start|_init|_fini)$/ {print $3}' |
        LC_ALL=C sort | tr '\n' ' ')
    ;;
esac

if [ "$exports" != "$expected" ]; then
    echo "$library exports: $exports"
    echo "expected:        $expected"
    exit 1
fi
echo "$library: the thirteen entry points and nothing else${imports:+; imports ${imports% }; $size bytes}"
