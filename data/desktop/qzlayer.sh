#!/bin/sh
# The program looks for its default project and help in its working folder.
cd "@QZ_PROGRAM_DIR@" || exit 1
exec ./qzLayer "$@"
