#!/usr/bin/env bash
# Builds Qt for 64-bit Windows once, from Debian's own qt6-base and sqlite3 source packages, with Debian's
# mingw-w64 and the host's Qt tools, into $FERNWATCH_QT_CACHE (default ~/.cache/fernwatch). Only what
# Fernwatch and its tests use: Core, Gui, Widgets, Network, Sql (SQLite), Test; the windows platform, the
# styles, the Schannel TLS backend. Prints the prefix on its last line; does nothing when it is already built.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
version=6.4.2
cache=${FERNWATCH_QT_CACHE:-$HOME/.cache/fernwatch}
prefix=$cache/qt-$version-mingw64
jobs=${JOBS:-$(nproc)}

if [ -f "$prefix/.built" ]; then echo "$prefix"; exit 0; fi

work=$cache/work
mkdir -p "$work"
cd "$work"

# The sources: Debian's packages of the same Qt the host has, with Debian's patches applied.
if ! ls qt6-base_*.dsc >/dev/null 2>&1 || ! ls sqlite3_*.dsc >/dev/null 2>&1; then
    if ! apt-get source --download-only qt6-base sqlite3 >/dev/null 2>&1; then
        "$here/add-deb-src.sh"
        apt-get source --download-only qt6-base sqlite3
    fi
fi
if [ ! -d qtbase ]; then
    rm -rf qtbase.tmp && dpkg-source --no-check -x qt6-base_*.dsc qtbase.tmp >/dev/null && mv qtbase.tmp qtbase
fi
if [ ! -d sqlite ]; then
    rm -rf sqlite.tmp && dpkg-source --no-check -x sqlite3_*.dsc sqlite.tmp >/dev/null && mv sqlite.tmp sqlite
fi

# SQLite for Windows, static, from its amalgamation. Qt's driver reads column metadata.
sqlite_out=$work/sqlite-mingw64
if [ ! -f "$sqlite_out/lib/libsqlite3.a" ]; then
    (cd sqlite && { [ -f Makefile ] || ./configure >/dev/null; } && make -s sqlite3.c sqlite3.h >/dev/null)
    mkdir -p "$sqlite_out/lib" "$sqlite_out/include"
    x86_64-w64-mingw32-gcc-posix -O2 -DSQLITE_ENABLE_COLUMN_METADATA -DSQLITE_THREADSAFE=1 \
        -DSQLITE_ENABLE_FTS5 -c sqlite/sqlite3.c -o "$sqlite_out/sqlite3.o"
    x86_64-w64-mingw32-ar rcs "$sqlite_out/lib/libsqlite3.a" "$sqlite_out/sqlite3.o"
    cp sqlite/sqlite3.h sqlite/sqlite3ext.h "$sqlite_out/include/"
fi

# Qt itself. Debian's source lacks the tablet header and bundled SQLite; without OpenGL the windows
# platform plugin needs dynamicgl off too.
rm -rf qt-build
cmake -S qtbase -B qt-build -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$here/mingw64-toolchain.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_tabletevent=OFF -DFEATURE_opengl=OFF -DFEATURE_dynamicgl=OFF -DFEATURE_dbus=OFF \
    -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_printsupport=OFF -DFEATURE_sql_odbc=OFF \
    -DFEATURE_sql_psql=OFF -DFEATURE_sql_mysql=OFF -DFEATURE_sql_ibase=OFF -DFEATURE_sql_oci=OFF \
    -DFEATURE_sql_sqlite=ON -DFEATURE_system_sqlite=ON \
    -DSQLite3_INCLUDE_DIR="$sqlite_out/include" -DSQLite3_LIBRARY="$sqlite_out/lib/libsqlite3.a" \
    -DFEATURE_openssl=OFF -DFEATURE_schannel=ON -DFEATURE_zstd=OFF -DFEATURE_icu=OFF \
    -DFEATURE_sql=ON -DFEATURE_testlib=ON -DFEATURE_network=ON -DFEATURE_widgets=ON -DFEATURE_gui=ON
cmake --build qt-build -j "$jobs"
cmake --install qt-build >/dev/null
touch "$prefix/.built"
rm -rf qt-build
echo "$prefix"
