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
for header in "$stage"/include/qorvlog/*; do
    case $(basename "$header") in
        qorvlog_export.h) ;;
        *_p.h | qorvlogengine*) fail "internal header installed: $header" ;;
        qorvlog*.h) ;;
        *) fail "unexpected file installed: $header" ;;
    esac
done

cp "$here/CMakeLists.txt" "$here/consumer.cpp" "$here/consumer.properties" "$work/"
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
expect_line "INFO  consumer - Hello from find_package" "$work/build/consumer" find_package
expect_line "INFO  consumer - Hello from pkg-config" env LD_LIBRARY_PATH="$stage/lib" "$work/pkgconfig-consumer" pkg-config

# The installed checker has nothing to say about their configuration.
"$stage/bin/qorvlog" check "$work/consumer.properties"
echo "check-install: both applications logged through the library installed in a staging prefix"
