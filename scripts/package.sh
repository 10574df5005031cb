#!/usr/bin/env bash
# Builds the Debian package: a release build installed under /usr, packed by CPack with its
# dependencies from dpkg-shlibdeps plus the runtime packages the libraries name, then checked
# with lintian. scripts/package.sh [build-dir] (default build/package, a release build); the
# package lands in the build folder. Install it with
#   apt-get install ./build/package/brindle_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
dir=${1:-build/package}
build_type=()
[ -f "$dir/build.ninja" ] || build_type=(-G Ninja -DCMAKE_BUILD_TYPE=Release)
# Packing needs only the programs, not every test and benchmark.
cmake -S . -B "$dir" "${build_type[@]}" -DBRINDLE_DEBIAN_DOCS=ON \
      -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build "$dir" --target brindle brindle-tool brindle_debian_changelog -j2
(cd "$dir" && cpack -G DEB)
deb=$(ls -t "$dir"/brindle_*.deb | head -n1)
lintian --fail-on error "$deb"
echo "$deb"
