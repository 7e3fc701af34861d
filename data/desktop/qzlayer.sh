#!/bin/sh
# The program looks for its default project and help in its working folder.
here=$(dirname "$(readlink -f "$0")")
# Paths given on the command line mean what they meant where the user was.
QZLAYER_CALLER_DIR=$(pwd)
export QZLAYER_CALLER_DIR
cd "$here/../@QZ_INSTALL_DIR@" || exit 1
exec ./qzLayer "$@"
