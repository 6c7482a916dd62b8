# Shared steps: Xvfb with openbox, the gateway on 127.0.0.40-.49 and the real client driven with
# keys. Every wait has a deadline; every process is ended by its PID. Exit 77: a tool is missing.

set -euo pipefail
export LC_ALL=C.UTF-8

E2E_TIMEOUT=${E2E_TIMEOUT:-20} # seconds that any one condition may take
E2E_LOGON_END=$'1018 INFO "Welcome to Brackmoor test gateway!"\r\n1019 ERROR "This gateway creates accounts on first use; they last until it stops."\r\n'
E2E_PIDS=()

e2e_log() { printf '[%3ds] %s\n' "$SECONDS" "$*"; }
e2e_show() { cat -A -- "$1" | sed 's/^/    | /'; }

e2e_fail() {
    e2e_log "FAIL: $*"
    [ ! -s "$E2E_RUN/gateway.log" ] || { echo "  gateway output:" && e2e_show "$E2E_RUN/gateway.log"; }
    exit 1
}

e2e_begin() {
    E2E_NAME=$1 E2E_CLIENT=$2 E2E_GATEWAY=$3 E2E_RUN=$4/runs/$1 E2E_SHOTS=$4/screenshots
    local tool
    for tool in Xvfb openbox xdotool xclip wmctrl xwininfo /usr/bin/import /usr/bin/identify timeout; do
        command -v "$tool" >/dev/null 2>&1 ||
            { echo "SKIP: $tool is missing (Debian: xvfb openbox xdotool xclip wmctrl x11-utils imagemagick)"; exit 77; }
    done
    rm -rf "$E2E_RUN" "$E2E_SHOTS/$E2E_NAME"-*.png
    mkdir -p "$E2E_RUN/config" "$E2E_RUN/cache" "$E2E_SHOTS" && mkdir -m 700 "$E2E_RUN/runtime"
    trap e2e_cleanup EXIT
    trap 'exit 130' INT TERM HUP
    export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$E2E_RUN/runtime XDG_CONFIG_HOME=$E2E_RUN/config \
        XDG_CACHE_HOME=$E2E_RUN/cache
    unset QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS \
        QT_AUTO_SCREEN_SCALE_FACTOR DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY XAUTHORITY
    e2e_log "scenario $E2E_NAME; logs in $E2E_RUN"
    e2e_spawn Xvfb "$E2E_RUN/xvfb.log" Xvfb -displayfd 3 -noreset -nolisten tcp \
        -screen 0 1280x1024x24 3>"$E2E_RUN/display"
    e2e_wait "display number from Xvfb" grep -q '^[0-9][0-9]*$' "$E2E_RUN/display"
    export DISPLAY=:$(head -n 1 "$E2E_RUN/display")
    e2e_spawn openbox "$E2E_RUN/openbox.log" openbox --sm-disable
    e2e_wait "window manager on $DISPLAY" eval 'wmctrl -m >/dev/null 2>&1'
}

e2e_spawn() { "${@:3}" >"$2" 2>&1 & E2E_PID=$! && E2E_PIDS+=("$E2E_PID") && e2e_log "started $1 (pid $E2E_PID)"; } # NAME LOG COMMAND...

e2e_process_ended() { local stat; stat=$(ps -o stat= -p "$1" 2>/dev/null) || return 0; [[ $stat == Z* ]]; }

e2e_cleanup() {
    local status=$? pid i
    trap - EXIT INT TERM HUP
    for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do # the clients before their display
        pid=${E2E_PIDS[i]}
        e2e_process_ended "$pid" || kill -TERM "$pid" 2>/dev/null || true
        e2e_poll 5 e2e_process_ended "$pid" || kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    exit "$status"
}

e2e_poll() { # SECONDS COMMAND...
    local deadline=$((SECONDS + $1))
    until "${@:2}"; do [ "$SECONDS" -lt "$deadline" ] && sleep 0.1 || return 1; done
}
e2e_wait() { e2e_poll "$E2E_TIMEOUT" "${@:2}" || e2e_fail "no $1 after ${E2E_TIMEOUT} s"; }

e2e_file_is() { printf '%s' "$2" | cmp -s - "$1"; }
e2e_file_has() { grep -qF -- "$2" "$1"; }
e2e_file_ends_with() { tail -c "$(printf '%s' "$2" | wc -c)" "$1" | cmp -s - <(printf '%s' "$2"); }
e2e_count() { grep -cF -- "$2" "$1" || true; }

e2e_start_gateway() {
    E2E_ADDRESS=$1 && e2e_spawn "gateway on $1" "$E2E_RUN/gateway.log" "$E2E_GATEWAY" "$1"
    e2e_wait "gateway listening on $1:6112" e2e_file_has "$E2E_RUN/gateway.log" "Listening on $1:6112"
}

e2e_find_window() { # VAR PID PATTERN
    local id && id=$(timeout "$E2E_TIMEOUT" xdotool search --sync --onlyvisible --all --pid "$2" --name "$3" 2>/dev/null | head -n 1) || true
    [ -n "$id" ] && printf -v "$1" '%s' "$id" || e2e_fail "no window \"$3\" of pid $2 after ${E2E_TIMEOUT} s"
}

e2e_window_gone() { ! xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }
e2e_close() { wmctrl -i -c "$1" && e2e_wait "closing of $2" e2e_window_gone "$1"; }
e2e_keys() { xdotool key --delay 30 "$@"; }
e2e_type() { xdotool type --delay 15 -- "$1"; }

# Qt ignores keys sent to a window directly, so every key goes to the active window.
e2e_activate() { timeout "$E2E_TIMEOUT" xdotool windowactivate --sync "$1" >/dev/null 2>&1 || e2e_fail "window $1 could not be activated"; }

e2e_menu() { e2e_activate "$1" && e2e_keys "${@:2}"; }

# Twice the centre of window ID, or of the screen without one.
e2e_centre() { [ -z "$1" ] && echo 1280 1024 || xwininfo -id "$1" | awk '/Absolute upper-left X/ {x = $NF}
    /Absolute upper-left Y/ {y = $NF} /Width:/ {w = $NF} /Height:/ {h = $NF} END {print 2 * x + w, 2 * y + h}'; }

# e2e_centred ID [OWNER]: centred on the screen or OWNER, give or take the frame.
e2e_centred() {
    local ax ay bx by && read -r ax ay < <(e2e_centre "$1") && read -r bx by < <(e2e_centre "${2:-}")
    local dx=$((ax - bx)) dy=$((ay - by)) && [ "${dx#-}" -le 60 ] && [ "${dy#-}" -le 60 ]
}

# An unpainted window is one flat colour, and keys sent to it may be lost. Keeps the shot.
e2e_painted() { /usr/bin/import -window "$1" -frame "$2" 2>/dev/null && [ "$(/usr/bin/identify -format '%k' "$2" 2>/dev/null)" -gt 8 ]; }

# e2e_appears VAR PID PATTERN SHOT [OWNER]: the window (id in VAR) active, painted and centred.
e2e_appears() {
    e2e_find_window "$1" "$2" "$3" && e2e_activate "${!1}"
    e2e_wait "painted window $4" e2e_painted "${!1}" "$E2E_SHOTS/$E2E_NAME-$4.png"
    e2e_wait "${3//[\\^$]/} centred${5:+ on its owner}" e2e_centred "${!1}" "${@:5}"
}

# e2e_open NAME KEY KEY PATTERN SHOT [OWNER]: the menu item of client NAME; the window in OPENED.
e2e_open() { local win=${1}_WIN pid=${1}_PID && e2e_menu "${!win}" "$2" "$3" && e2e_appears OPENED "${!pid}" "${@:4}"; }

e2e_clipboard_to() { timeout 5 xclip -o -selection clipboard >"$1" 2>/dev/null || : >"$1"; }

# Whether the focused box holds TEXT, copied out through the clipboard.
e2e_field_is() { e2e_keys ctrl+a ctrl+c && e2e_clipboard_to "$E2E_RUN/field.txt" && e2e_file_is "$E2E_RUN/field.txt" "$1"; }

# e2e_fill TEXT: replaces the focused box's text, typed again if keys were lost.
e2e_fill() {
    for _ in 1 2 3; do
        e2e_keys ctrl+a
        e2e_type "$1"
        e2e_poll 3 e2e_field_is "$1" && return 0
        e2e_log "  the box does not hold \"$1\" yet; typing it again"
    done
    e2e_fail "could not type \"$1\" into the focused box"
}

# e2e_start_client NAME: sets NAME_PID, NAME_WIN.
e2e_start_client() {
    e2e_spawn "client $1" "$E2E_RUN/client-$1.log" "$E2E_CLIENT" && printf -v "${1}_PID" '%s' "$E2E_PID"
    e2e_appears "${1}_WIN" "$E2E_PID" '^Brackmoor Chat v3\.05$' "main-$1"
}

# e2e_transcript_matches WIN TEST TEXT: Edit, Select All, Copy, then e2e_file_TEST. The
# transcript stays selected: the next echo replaces it.
e2e_transcript_matches() {
    e2e_menu "$1" alt+e s alt+e c && e2e_clipboard_to "$E2E_RUN/transcript-$1.txt"
    "e2e_file_$2" "$E2E_RUN/transcript-$1.txt" "$3"
}

# e2e_expect WHAT FILE COMMAND...: waits for COMMAND; after the deadline shows FILE and fails.
e2e_expect() {
    e2e_poll "$E2E_TIMEOUT" "${@:3}" && { e2e_log "ok: $1"; return 0; }
    echo "  $2 now:" && e2e_show "$2" && e2e_fail "$1"
}
e2e_wait_transcript() { e2e_expect "transcript $2" "$E2E_RUN/transcript-$1.txt" e2e_transcript_matches "$1" "$3" "$4"; }

# e2e_log_on NAME SERVER USER PASSWORD [ANSWER]: File, LogIn, SERVER, Connect, USER, PASSWORD,
# Enter; the transcript then ends with ANSWER and the gateway's last log-on lines.
e2e_log_on() {
    local win=${1}_WIN connections
    e2e_open "$1" alt+f l '^Log In$' login
    # From the user-name box the server box is last in the tab order, Connect before it.
    e2e_keys shift+Tab
    e2e_fill "$2"
    connections=$(e2e_count "$E2E_RUN/gateway.log" Connected)
    e2e_keys shift+Tab space
    # The gateway says nothing before the log-on record.
    e2e_wait "connection to the gateway" eval \
        '[ "$(e2e_count "$E2E_RUN/gateway.log" Connected)" -gt "$connections" ]'
    e2e_activate "$OPENED"
    e2e_keys Tab Tab
    e2e_fill "$3"
    e2e_keys Tab ctrl+a && e2e_type "$4" && e2e_keys Return # presses "Log On!"
    e2e_wait "closing of the log-in window after Log On!" e2e_window_gone "$OPENED"
    e2e_wait_transcript "${!win}" "ends with the log-on answer" ends_with "${5:-}$E2E_LOGON_END"
}

# e2e_peer NAME: a scripted client logged on as NAME on descriptor NAME_FD; what it receives
# lands in NAME.log.
e2e_peer() {
    local fd
    exec {fd}<>"/dev/tcp/$E2E_ADDRESS/6112" || e2e_fail "peer $1 could not connect"
    printf -v "${1}_FD" '%s' "$fd"
    cat <&"$fd" >"$E2E_RUN/$1.log" & E2E_PIDS+=($!)
    printf '\003\004%s\r\npw\r\n' "$1" >&"$fd"
    e2e_wait_peer "$1" "2010 NAME $1"
}
e2e_wait_peer() { e2e_expect "peer $1 received '$2'" "$E2E_RUN/$1.log" e2e_file_has "$E2E_RUN/$1.log" "$2"; }

e2e_wait_exit() {
    e2e_wait "end of $2 (pid $1)" e2e_process_ended "$1"
    local status=0 && wait "$1" || status=$?
    [ "$status" -eq 0 ] && e2e_log "ok: $2 ended with status 0" || e2e_fail "$2 ended with status $status"
}
