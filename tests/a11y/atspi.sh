#!/bin/sh
# The client on the accessibility bus in a private X server and session bus. Usage: atspi.sh
# CLIENT OUTDIR X11HINTS (1: built with X11 hints). Exit 77: a tool is missing.
set -u
out=$2 py=/usr/bin/python3
for tool in Xvfb openbox xdotool xprop dbus-run-session /usr/bin/import $py /usr/libexec/at-spi-bus-launcher; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
done
$py -c 'import pyatspi' 2>/dev/null || { echo "skipped: python3-pyatspi is not installed"; exit 77; }
# The private session bus starts the accessibility bus, its sockets in a runtime dir of its own.
if [ -z "${BRACKMOOR_ATSPI_INSIDE:-}" ]; then
    rm -rf "$out" && mkdir -p -m 700 "$out/runtime"
    BRACKMOOR_ATSPI_INSIDE=1 XDG_RUNTIME_DIR=$out/runtime exec timeout 150 dbus-run-session -- sh "$0" "$@"
fi
pids=
trap 'for p in $pids; do kill "$p" 2>/dev/null; done' EXIT INT TERM
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$out/display" >"$out/xvfb.log" 2>&1 &
pids=$!
timeout 20 sh -c "until [ -s '$out/display' ]; do sleep 0.1; done" || { echo "Xvfb did not start"; exit 1; }
export DISPLAY=":$(cat "$out/display")"
openbox >"$out/openbox.log" 2>&1 &
pids="$pids $!"
$py "$(dirname "$0")/atspi.py" "$@"
