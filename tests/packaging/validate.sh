#!/bin/sh
# validate.sh desktop FILE            the launcher, with desktop-file-validate
# validate.sh metainfo FILE VERSION   the AppStream metainfo, with appstreamcli
# Exits 77 (skipped) when the validator is not installed.
set -eu

need() {
    if ! command -v "$1" >/dev/null 2>&1; then
        echo "SKIP: $1 is not installed (Debian package $2)"
        exit 77
    fi
}

case $1 in
desktop)
    need desktop-file-validate desktop-file-utils
    # Hints leave the exit status at 0 but mean the entry may land in the wrong menu, so any
    # output at all is a failure.
    if ! out=$(desktop-file-validate "$2" 2>&1) || [ -n "$out" ]; then
        echo "$out"
        echo "FAIL: desktop-file-validate $2"
        exit 1
    fi
    ;;
metainfo)
    need appstreamcli appstream
    appstreamcli validate --no-net "$2"
    # Software centres show the first release as the current one.
    if ! grep -m1 '<release ' "$2" | grep -q "version=\"$3\""; then
        echo "FAIL: the first release in $2 is not $3"
        exit 1
    fi
    ;;
*)
    echo "usage: $0 desktop FILE | metainfo FILE VERSION"
    exit 2
    ;;
esac
echo "ok: $2"
