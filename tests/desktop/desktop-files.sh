#!/usr/bin/env bash
# Reads the desktop integration files with the desktop's own tools, as a
# desktop will, and fails on any remark they make:
#   desktop-files.sh ENTRY.desktop METAINFO.xml MIME-TYPES.xml
set -uo pipefail
entry=$1 metainfo=$2 mime_types=$3
failed=0
fail() { echo "desktop-files: $*"; failed=1; }

remarks=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate refuses $entry"
[[ -z $remarks ]] || fail "desktop-file-validate: $remarks"

# --no-net: the home page and the screenshot's address are not fetched.
report=$(appstreamcli validate --pedantic --no-net --explain "$metainfo" 2>&1) ||
    fail "appstreamcli refuses $metainfo"
grep -qE '^[EWI]:' <<<"$report" && fail "appstreamcli: $report"

# A private MIME database with the project file type in it.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/mime/packages"
cp "$mime_types" "$work/mime/packages/"
remarks=$(XDG_DATA_DIRS=$work update-mime-database "$work/mime" 2>&1) || fail "update-mime-database refuses $mime_types"
[[ -z $remarks ]] || fail "update-mime-database: $remarks"
type=$(sed -n 's/^MimeType=\([^;]*\);$/\1/p' "$entry")
[[ -n $type ]] || fail "the menu entry names no project file type"
grep -qx "50:$type:\*\.qlp" "$work/mime/globs2" 2>/dev/null ||
    fail "the MIME database does not give *.qlp the type $type"
grep -q '^Exec=qzlayer %f$' "$entry" || fail "the menu entry does not pass the file to open"

((failed == 0)) && echo "desktop-files: the menu entry, AppStream metadata and project file type are clean"
exit "$failed"
