#!/bin/sh
# Usage: check_zip.sh PACKAGE_DIR VERSION WINE_RUN TEST_EXE...
# The win32 zip as a user gets it: unpacked into an empty folder, its files
# checked against SHA256SUMS, the DLLs' version resources read, and the
# given Windows test executables run under Wine beside the unpacked DLLs
# (a Windows program loads a DLL from its own folder first).
set -eu
packages=$1 version=$2 wine_run=$3
shift 3
zip=$(ls "$packages"/*-"$version"-win32.zip)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unzip -q "$zip" -d "$work"
cd "$work"/*/
sha256sum --quiet --strict -c SHA256SUMS
for file in Plugin.dll Squeak.dll UserGuide.txt LICENSE.txt presets/*.ini; do
    test -s "$file" || { echo "$zip lacks $file"; exit 1; }
done

for dll in "Plugin.dll:High Pass Filter" "Squeak.dll:Squeak"; do
    name=${dll#*:}
    dll=${dll%%:*}
    # The resource's UTF-16 texts as ASCII: each key runs into its value.
    texts=$(wrestool -x --raw --type=version "$dll" | tr -d '\000' | tr -c '[:print:]' '\n')
    for expected in "FileDescription$name" "FileVersion$version" "ProductVersion$version" \
        "OriginalFilename$dll" "ProductName" "LegalCopyrightCopyright"; do
        printf '%s\n' "$texts" | grep -qF "$expected" ||
            { echo "$dll: version resource lacks \"$expected\""; exit 1; }
    done
done

# The Wine runs end with 77 (skipped) where the machine runs no 32-bit code;
# what was checked above still counts.
ran=0
for exe; do
    cp "$exe" .
    status=0
    "$wine_run" "./${exe##*/}" --gtest_brief=1 || status=$?
    [ $status -eq 77 ] && continue
    [ $status -eq 0 ] || exit $status
    ran=$((ran + 1))
done
echo "$zip: checksums and version resources pass; $ran of $# test programs run under Wine pass"
