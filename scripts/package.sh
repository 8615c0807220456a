#!/usr/bin/env bash
# Builds the program alone in Release into build-package/ (or $BUILD_DIR), makes the Debian
# package quillpod_<version>_<arch>.deb in the repository's folder, checks it with lintian and
# prints what it depends on and its size. Install it with: sudo apt install ./quillpod_*.deb
# Extra arguments go to cmake's configure step, e.g. -DSERVICE_BASE=http://catalogue.example
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build-package}

scripts/install-deps.sh
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DQUILLPOD_BUILD_TESTS=OFF \
    -DQUILLPOD_BUILD_BENCH=OFF "$@" >/dev/null
cmake --build "$build_dir" -j"$(nproc)" --target quillpod
(cd "$build_dir" && cpack -G DEB -B "$PWD/package" >/dev/null)

debs=("$build_dir"/package/quillpod_*.deb)
cp "${debs[0]}" .
deb=${debs[0]##*/}
echo
dpkg-deb -f "$deb" Package Version Depends Recommends Suggests
echo "Size: $(stat -c %s "$deb") bytes, installed $(dpkg-deb -f "$deb" Installed-Size) KiB"
echo "lintian:"
lintian --fail-on error,warning "$deb" 2>&1 | sed '/running with root privileges/d'
echo "Written: $PWD/$deb"
