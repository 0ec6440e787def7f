#!/usr/bin/env bash
# Installs the build in the folder $1 into a staging prefix, checks what is
# there, and builds two applications outside the source tree against it:
# one with find_package(QORVLog), one with pkg-config. Each must write its
# line through the installed library.
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stage=$work/stage
cmake --install "$build" --prefix "$stage" > /dev/null

fail() { echo "check-install: $*" >&2; exit 1; }

# The versioned library with its SONAME, and the public headers only.
objdump -p "$stage/lib/libqorvlog.so" | grep -q 'SONAME *libqorvlog\.so\.0$' || fail "no SONAME libqorvlog.so.0"
version=$(PKG_CONFIG_PATH="$stage/lib/pkgconfig" pkg-config --modversion qorvlog)
[ -f "$stage/lib/libqorvlog.so.$version" ] && [ ! -L "$stage/lib/libqorvlog.so.$version" ] \
    && [ -L "$stage/lib/libqorvlog.so.0" ] && [ -L "$stage/lib/libqorvlog.so" ] \
    || fail "libqorvlog.so is not installed as a versioned library with its links"
for header in "$stage"/include/qorvlog/*; do
    case $(basename "$header") in
        qorvlog_export.h) ;;
        *_p.h | qorvlogengine*) fail "internal header installed: $header" ;;
        qorvlog*.h) grep -q '^class QORVLOG_EXPORT' "$header" || fail "no exported class in $header" ;;
        *) fail "unexpected file installed: $header" ;;
    esac
done

# Every installed header compiles with what pkg-config gives, so none of them
# reaches for a header that stayed behind.
for header in "$stage"/include/qorvlog/qorvlog*.h; do
    echo "#include <$(basename "$header")>"
done > "$work/headers.cpp"
g++ -std=c++17 -fsyntax-only "$work/headers.cpp" \
    $(PKG_CONFIG_PATH="$stage/lib/pkgconfig" pkg-config --cflags qorvlog) || fail "the installed headers do not compile"

# The program and the configuration are the README's own, as a reader copies
# them from the section for application developers.
readme_block() {
    awk -v title="$1" -v fence="\`\`\`$2" \
        '$0 == title { inside = 1 } inside && $0 == fence { copy = 1; next } copy && /^```/ { exit } copy' \
        "$here/../../README.md"
}
readme_block "### Logging" cpp > "$work/consumer.cpp"
mkdir "$work/readme"
readme_block "### A configuration file" properties > "$work/readme/app.properties"
[ -s "$work/consumer.cpp" ] && [ -s "$work/readme/app.properties" ] || fail "the README has no program or configuration"

cp "$here/CMakeLists.txt" "$here/consumer.properties" "$work/"
cmake -S "$work" -B "$work/build" -DCMAKE_PREFIX_PATH="$stage" > /dev/null
cmake --build "$work/build" > /dev/null
g++ "$work/consumer.cpp" -o "$work/pkgconfig-consumer" \
    $(PKG_CONFIG_PATH="$stage/lib/pkgconfig" pkg-config --cflags --libs qorvlog)

export LOGENGINE_CONFIGURATION="$work/consumer.properties"
expect_line() {
    local expected=$1
    shift
    local output
    output=$("$@" | tr -d '\r')
    [ "$output" = "$expected" ] || fail "$* wrote '$output', not '$expected'"
}
expect_line "INFO  app - Hello from find_package" "$work/build/consumer" find_package
expect_line "INFO  app - Hello from pkg-config" env LD_LIBRARY_PATH="$stage/lib" "$work/pkgconfig-consumer" pkg-config

# Run as the README runs it, the line reaches standard error and the file.
(cd "$work/readme" && LOGENGINE_CONFIGURATION=app.properties LD_LIBRARY_PATH="$stage/lib" ../pkgconfig-consumer 2> stderr)
grep -q ' INFO  app - Hello from an application' "$work/readme/stderr" || fail "no line on standard error"
grep -q 'INFO  app .*- Hello from an application' "$work/readme/logs/app.log" || fail "no line in logs/app.log"

# The installed checker has nothing to say about either configuration.
"$stage/bin/qorvlog" check "$work/consumer.properties" "$work/readme/app.properties"
echo "check-install: both applications logged through the library installed in a staging prefix"
