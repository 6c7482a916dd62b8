#!/bin/sh
# Runs the real client in a private X server with the desktop's accessibility bus and reads
# every window through it (atspi.py). Usage: atspi.sh CLIENT OUTDIR X11HINTS, X11HINTS 1 when the
# client was built with its X11 window-manager hints. Exit 77: a tool is missing.
set -u
client=$1 out=$2 x11_hints=${3:-1}
here=$(dirname "$0")
py=/usr/bin/python3
for tool in Xvfb openbox xdotool xprop dbus-run-session /usr/bin/import /usr/bin/convert $py; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
done
$py -c 'import pyatspi' 2>/dev/null || { echo "skipped: python3-pyatspi is not installed"; exit 77; }
launcher=/usr/libexec/at-spi-bus-launcher
[ -x "$launcher" ] || { echo "skipped: at-spi2-core is not installed"; exit 77; }

if [ -z "${BRACKMOOR_ATSPI_INSIDE:-}" ]; then
    export BRACKMOOR_ATSPI_INSIDE=1
    exec timeout 150 dbus-run-session -- sh "$0" "$@"
fi

mkdir -p "$out" && rm -f "$out/bus.txt" "$out"/*.png
pids=
trap 'for p in $pids; do kill "$p" 2>/dev/null; done' EXIT INT TERM
exec 3>"$out/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$out/xvfb.log" 2>&1 &
pids="$!"
deadline=$(( $(date +%s) + 20 ))
until [ -s "$out/display" ]; do
    [ "$(date +%s)" -lt "$deadline" ] || { echo "Xvfb did not start"; exit 1; }
    sleep 0.1
done
export DISPLAY=":$(cat "$out/display")"
openbox >"$out/openbox.log" 2>&1 &
pids="$pids $!"
"$launcher" --launch-immediately >"$out/atspi.log" 2>&1 &
pids="$pids $!"
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb "$client" >"$out/client.log" 2>&1 &
client_pid=$!
pids="$client_pid $pids"
$py "$here/atspi.py" "$out" "$client_pid" "$x11_hints"
