#!/usr/bin/env bash
# Makes the Debian package from a build folder and has lintian judge it; any
# error or warning fails:
#   debian-package.sh BUILD_FOLDER
set -euo pipefail
build=$(readlink -f "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G DEB -B "$work" >"$work/cpack.log" 2>&1) || {
    cat "$work/cpack.log"
    exit 1
}
package=$(ls "$work"/*.deb)
echo "debian-package: $(basename "$package"), $(du -k "$package" | cut -f1) KiB"
lintian --fail-on error,warning --tag-display-limit 0 \
    "$package"
echo "debian-package: lintian reports no error and no warning"
