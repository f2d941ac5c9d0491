#!/bin/sh
# Usage: check_windows_floor.sh OBJDUMP CC DLL
# Fails unless DLL loads on Windows XP SP3 (NT 5.1), the oldest Windows the
# host editor runs on:
# - its PE header asks for no later Windows;
# - it carries no implicit thread-local data, which XP does not set up for a
#   DLL loaded with LoadLibrary (the runtime's two marker words are all the
#   .tls section may hold);
# - every function it imports is declared by MinGW's own headers for XP:
#   a C file that names each of them is compiled for _WIN32_WINNT 0x0501 and
#   XP's msvcrt.dll (version 7.0), so that a later function is undeclared.
set -eu
objdump=$1 cc=$2 dll=$3
dump=$("$objdump" -p "$dll")
fail() {
    echo "$dll needs more than Windows XP SP3: $*"
    exit 1
}

for field in OSystem Subsystem; do
    major=$(printf '%s\n' "$dump" | sed -n "s/^Major${field}Version[[:space:]]*//p")
    minor=$(printf '%s\n' "$dump" | sed -n "s/^Minor${field}Version[[:space:]]*//p")
    [ $((major * 100 + minor)) -le 501 ] || fail "its PE header asks for ${field} version $major.$minor"
done

tls=$("$objdump" -h "$dll" | awk '$2 == ".tls" { print $3 }')
[ -z "$tls" ] || [ $((0x$tls)) -le 8 ] || fail "0x$tls bytes of implicit thread-local data"

# The imported names: the lines after each "DLL Name:" of the import tables.
names=$(printf '%s\n' "$dump" | awk '
    /^[[:space:]]*DLL Name:/ { inside = 1; next }
    inside && NF == 0 { inside = 0 }
    inside && $1 ~ /^[0-9a-f]+$/ && NF == 3 { print $3 }')
[ -n "$names" ] || fail "no imports found (objdump's format?)"

# msvcrt.dll's entry points for MinGW's own start-up code, which only its
# internal headers declare; every msvcrt.dll since Windows NT 4 has them.
runtime="_amsg_exit _initterm _lock _unlock"
source=$(mktemp)
trap 'rm -f "$source"' EXIT
{
    printf '#include <%s>\n' windows.h errno.h io.h math.h process.h setjmp.h stdio.h stdlib.h \
        string.h
    echo 'void Uses(void) {'
    for name in $names; do
        case " $runtime " in *" $name "*) continue ;; esac
        echo "    (void)($name);"
    done
    echo '}'
} >"$source"
if ! errors=$("$cc" -x c -fsyntax-only -D_WIN32_WINNT=0x0501 -DWINVER=0x0501 \
    -D__MSVCRT_VERSION__=0x0700 "$source" 2>&1); then
    fail "$(printf '%s\n' "$errors" | sed -n "s/.*error: .\([A-Za-z0-9_]*\). undeclared.*/\1/p" |
        tr '\n' ' ')
$errors"
fi
echo "$dll: loads on Windows XP SP3 and later ($(echo $names | wc -w) imports)"
