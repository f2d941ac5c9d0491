#!/bin/sh
# Usage: check_deb.sh PACKAGE_DIR VERSION MAKE_TEST_SIGNAL
# The .deb as a user gets it: extracted into an empty folder; its plughost
# tells its version and runs the extracted High Pass Filter over a file; the
# package depends on the libraries plughost links; the .tar.gz holds the
# same files.
set -eu
packages=$1 version=$2 make_signal=$3
deb=$(ls "$packages"/*_"$version"_*.deb)
tgz=$(ls "$packages"/*-"$version"-linux-x86_64.tar.gz)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work/root"

dpkg-deb -f "$deb" Depends | grep -q 'libsndfile1' ||
    { echo "$deb: Depends lacks libsndfile1: $(dpkg-deb -f "$deb" Depends)"; exit 1; }
shown=$("$work/root/usr/bin/plughost" --version)
[ "$shown" = "plughost $version" ] || { echo "plughost --version: $shown"; exit 1; }
zcat "$work/root/usr/share/man/man1/plughost.1.gz" | mandoc -T lint -W warning

"$make_signal" "$work/in.wav" 1
"$work/root/usr/bin/plughost" process "$work/root/usr/lib/audio-plugins/Plugin.so" \
    "$work/in.wav" "$work/out.wav" --set CutOffFreq=250 --quiet
test -s "$work/out.wav"

files_deb=$(cd "$work/root/usr" && find . -type f | sort)
mkdir "$work/tgz"
tar -xzf "$tgz" -C "$work/tgz"
files_tgz=$(cd "$work"/tgz/*/ && find . -type f | sort)
[ "$files_deb" = "$files_tgz" ] || { echo "the .deb and the .tar.gz hold different files"; exit 1; }
echo "$deb: plughost $version runs from the extracted package"
