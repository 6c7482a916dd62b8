#!/bin/sh
# validate.sh desktop FILE            the launcher, with desktop-file-validate
# validate.sh metainfo FILE VERSION   the AppStream metainfo, with appstreamcli
# Exits 77 (skipped) when the validator is not installed.
set -eu
need() { command -v "$1" >/dev/null || { echo "SKIP: $1 is not installed (Debian package $2)" && exit 77; }; }
if [ "$1" = desktop ]; then
    need desktop-file-validate desktop-file-utils
    # Hints leave the exit status at 0 but mean the entry may land in the wrong menu, so any
    # output at all is a failure.
    out=$(desktop-file-validate "$2" 2>&1 || echo "FAIL: desktop-file-validate $2")
    [ -z "$out" ] || { echo "$out" && exit 1; }
else
    need appstreamcli appstream
    appstreamcli validate --no-net "$2"
    # Software centres show the first release as the current one.
    grep -m1 '<release ' "$2" | grep -q "version=\"$3\"" ||
        { echo "FAIL: the first release in $2 is not $3" && exit 1; }
fi
echo "ok: $2"
