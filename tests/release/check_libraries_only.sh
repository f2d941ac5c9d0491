#!/bin/sh
# Usage: check_libraries_only.sh SOURCE_DIR BUILD_DIR
# Configures and builds the plug-in libraries alone, with pkg-config finding
# nothing: such a build needs, and looks for, none of what plughost and the
# LV2 and LADSPA plug-ins build on (libsndfile, Cairo, CLI11, pugixml, LV2's
# headers).
set -eu
source=$1 build=$2
rm -rf "$build"
PKG_CONFIG_LIBDIR=/nonexistent PKG_CONFIG_PATH='' cmake -S "$source" -B "$build" -G Ninja \
    -DCMAKE_BUILD_TYPE=Release -DPLUGINS_BUILD_PLUGHOST=OFF -DPLUGINS_BUILD_ADAPTERS=OFF \
    -DPLUGINS_BUILD_TESTS=OFF >/dev/null
if looked=$(grep -v -e '^//' -e '^PLUGINS_' "$build/CMakeCache.txt" |
    grep -Ei 'cairo|sndfile|cli11|pugixml|lv2|ladspa'); then
    echo "a libraries-only build looked for:"
    echo "$looked"
    exit 1
fi
cmake --build "$build" --target Plugin Squeak >/dev/null
echo "built $(ls "$build"/bin/Plugin.so "$build"/bin/Squeak.so | tr '\n' ' ')without plughost's libraries"
