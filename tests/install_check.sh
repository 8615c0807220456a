#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks that everything lands where the desktop
# looks for it, and that the desktop entry and the AppStream metadata name what was installed.
# With SOURCE_DIR it installs from a fresh build folder that holds the program and nothing else
# built, as scripts/run.sh leaves one.
# Usage: install_check.sh CMAKE BUILD_DIR [SOURCE_DIR]
set -euo pipefail
cmake=$1
build_dir=$2
source_dir=${3:-}

work=$(mktemp -d /tmp/quillpod-install.XXXXXX)
trap 'rm -rf "$work"' EXIT
prefix=$work/root
if [ -n "$source_dir" ]; then
    build_dir=$work/build
    "$cmake" -S "$source_dir" -B "$build_dir" -DQUILLPOD_BUILD_TESTS=OFF -DQUILLPOD_BUILD_BENCH=OFF \
        >"$work/configure.log" || { cat "$work/configure.log" >&2; exit 1; }
    # What building the program alone leaves: the program and its skin beside it
    cp "$2/quillpod" "$2/quillpod.she" "$build_dir/"
fi
"$cmake" --install "$build_dir" --prefix "$prefix" >/dev/null

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
expect_file() {
    [ -f "$prefix/$1" ] || fail "$1 is not installed"
}

app_id=org.quillpod.Quillpod
desktop=share/applications/$app_id.desktop
metainfo=share/metainfo/$app_id.metainfo.xml
expect_file "$desktop"
expect_file "$metainfo"

# Debian asks for these of every package, compressed
expect_file share/man/man1/quillpod.1.gz
expect_file share/man/zh_CN/man1/quillpod.1.gz
expect_file share/doc/quillpod/changelog.gz

# The program reads its skin from its own folder
[ -x "$prefix/bin/quillpod" ] || fail "bin/quillpod is not installed as an executable"
expect_file bin/quillpod.she

desktop_key() {
    sed -n "s/^$1=//p" "$prefix/$desktop" | head -n 1
}

# The menu starts the program by name, so it must be the installed executable's name
if [ -f "$prefix/$desktop" ]; then
    exec_line=$(desktop_key Exec)
    program=${exec_line%% *}
    [ -x "$prefix/bin/$program" ] || fail "Exec=$exec_line does not start an installed program"

    # Themes pick the icon by name from every size; a wrongly sized picture is skipped
    icon=$(desktop_key Icon)
    for size in 16 32 48 64 128 256; do
        png="share/icons/hicolor/${size}x${size}/apps/$icon.png"
        expect_file "$png"
        [ -f "$prefix/$png" ] || continue
        # Width and height are the big-endian words at bytes 16 and 20 of the header
        read -r width height < <(od -An -tu1 -j16 -N8 "$prefix/$png" \
            | awk '{ print $1*16777216 + $2*65536 + $3*256 + $4, $5*16777216 + $6*65536 + $7*256 + $8 }')
        [ "$width" = "$size" ] && [ "$height" = "$size" ] \
            || fail "$png is ${width}x$height, not ${size}x$size"
    done
    expect_file "share/icons/hicolor/scalable/apps/$icon.svg"
fi

# Software centres join the metadata to the menu entry and the program through these names
if [ -f "$prefix/$metainfo" ]; then
    launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$prefix/$metainfo")
    [ -f "$prefix/share/applications/$launchable" ] \
        || fail "the metadata launches '$launchable', which is not installed"
    binary=$(sed -n 's:.*<binary>\(.*\)</binary>.*:\1:p' "$prefix/$metainfo")
    [ -x "$prefix/bin/$binary" ] || fail "the metadata provides '$binary', which is not installed"
    component=$(sed -n 's:.*<id>\(.*\)</id>.*:\1:p' "$prefix/$metainfo" | head -n 1)
    [ "$component" = "$app_id" ] || fail "the metadata's id is '$component', not $app_id"
fi

if [ "$failures" -ne 0 ]; then
    echo "Installed files:" >&2
    (cd "$prefix" && find . -type f | sort) >&2
    exit 1
fi
echo "Installation into a prefix is complete"
