#!/bin/sh
# The program looks for its default project and help in its working folder.
here=$(dirname "$(readlink -f "$0")")
cd "$here/../@QZ_INSTALL_DIR@" || exit 1
exec ./qzLayer "$@"
