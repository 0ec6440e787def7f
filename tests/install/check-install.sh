#!/usr/bin/env bash
# Installs the build in the folder $1 (Qt 5 or Qt 6) into a staging prefix,
# checks what is there, and builds the README's application outside the
# source tree against it twice: with the README's CMakeLists.txt
# (find_package), and with pkg-config. Each must write its line through the
# installed library.
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stage=$work/stage
cmake --install "$build" --prefix "$stage" > /dev/null

fail() { echo "check-install: $*" >&2; exit 1; }

# The Qt 6 build installs under names of its own.
if [ -d "$stage/lib/cmake/QORVLogQt6" ]; then
    qt=6 name=qorvlog-qt6 package=QORVLogQt6
else
    qt=5 name=qorvlog package=QORVLog
fi
[ -f "$stage/lib/cmake/$package/${package}Config.cmake" ] || fail "no CMake package $package"
pkgconfig() { PKG_CONFIG_PATH="$stage/lib/pkgconfig" pkg-config "$@" "$name"; }
pkgconfig --print-requires | grep -q "^Qt${qt}Core" || fail "$name.pc does not require Qt $qt"
grep -q '^License: MIT$' "$stage/lib/pkgconfig/$name.pc" || fail "$name.pc names no licence"
cmp -s "$here/../../LICENSE" "$stage/include/$name/LICENSE" || fail "the licence is not installed with the headers"

# The versioned library with its SONAME, and the public headers only.
objdump -p "$stage/lib/lib$name.so" | grep -q "SONAME *lib$name\.so\.0$" || fail "no SONAME lib$name.so.0"
version=$(pkgconfig --modversion)
[ -f "$stage/lib/lib$name.so.$version" ] && [ ! -L "$stage/lib/lib$name.so.$version" ] \
    && [ -L "$stage/lib/lib$name.so.0" ] && [ -L "$stage/lib/lib$name.so" ] \
    || fail "lib$name.so is not installed as a versioned library with its links"
grep -q "^#define QORVLOG_VERSION_STR \"$version\"$" "$stage/include/$name/qorvlog_version.h" \
    || fail "qorvlog_version.h does not say $version"
case $("$stage/bin/$name" --version) in
    "qorvlog $version (Qt $qt."*) ;;
    *) fail "$name --version does not say $version with Qt $qt" ;;
esac
for header in "$stage"/include/$name/*; do
    case $(basename "$header") in
        qorvlog_export.h | qorvlog_version.h | LICENSE) ;;
        *_p.h | qorvlogengine*) fail "internal header installed: $header" ;;
        qorvlog*.h) grep -q '^class QORVLOG_EXPORT' "$header" || fail "no exported class in $header" ;;
        *) fail "unexpected file installed: $header" ;;
    esac
done

# Every installed header compiles with what pkg-config gives, so none of them
# reaches for a header that stayed behind.
for header in "$stage"/include/$name/qorvlog*.h; do
    echo "#include <$(basename "$header")>"
done > "$work/headers.cpp"
g++ -std=c++17 -fsyntax-only "$work/headers.cpp" $(pkgconfig --cflags) || fail "the installed headers do not compile"

# The program, its CMakeLists.txt and the configuration are the README's
# own, as a reader copies them from the quick start; for Qt 6 the README
# says to ask for QORVLogQt6 instead.
readme_block() {
    awk -v title="$1" -v fence="\`\`\`$2" \
        '$0 == title { inside = 1 } inside && $0 == fence { copy = 1; next } copy && /^```/ { exit } copy' \
        "$here/../../README.md"
}
mkdir "$work/app" "$work/readme"
readme_block "### app.cpp" cpp > "$work/app/app.cpp"
readme_block "### CMakeLists.txt" cmake | sed -E "s/find_package\(QORVLog[A-Za-z0-9]* /find_package($package /" \
    > "$work/app/CMakeLists.txt"
readme_block "### app.properties" properties > "$work/readme/app.properties"
[ -s "$work/app/app.cpp" ] && [ -s "$work/app/CMakeLists.txt" ] && [ -s "$work/readme/app.properties" ] \
    || fail "the README has no program, CMakeLists.txt or configuration"
grep -q "find_package($package " "$work/app/CMakeLists.txt" || fail "the README's CMakeLists.txt finds no $package"

cmake -S "$work/app" -B "$work/build" -DCMAKE_PREFIX_PATH="$stage" > /dev/null
cmake --build "$work/build" > /dev/null
g++ "$work/app/app.cpp" -o "$work/pkgconfig-app" $(pkgconfig --cflags --libs)

# Only the Qt the package was built with is loaded.
other=$((qt == 5 ? 6 : 5))
! ldd "$work/build/app" | grep -q "libQt${other}" || fail "the application built with $package loads Qt $other"

export LOGENGINE_CONFIGURATION="$here/consumer.properties"
expect_line() {
    local expected=$1
    shift
    local output
    output=$("$@" | tr -d '\r')
    [ "$output" = "$expected" ] || fail "$* wrote '$output', not '$expected'"
}
expect_line "INFO  app - Hello from find_package" "$work/build/app" find_package
expect_line "INFO  app - Hello from pkg-config" env LD_LIBRARY_PATH="$stage/lib" "$work/pkgconfig-app" pkg-config

# Run as the README runs it, the line reaches standard error and the file.
(cd "$work/readme" && LOGENGINE_CONFIGURATION=app.properties "$work/build/app" 2> stderr)
grep -q ' INFO  app - Hello from an application' "$work/readme/stderr" || fail "no line on standard error"
grep -q 'INFO  app .*- Hello from an application' "$work/readme/logs/app.log" || fail "no line in logs/app.log"

# The installed checker has nothing to say about either configuration.
"$stage/bin/$name" check "$here/consumer.properties" "$work/readme/app.properties"
echo "check-install: both applications logged through $name (Qt $qt) installed in a staging prefix"
