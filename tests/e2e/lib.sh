# Shared steps of the end-to-end tests, sourced by each scenario script.
#
# A scenario gets a private X server (Xvfb) with the openbox window manager, the local
# gateway on a loopback address of its own, and the real client binary, and drives the
# client with the keyboard as a user would: menus through their access keys, Tab through
# the controls, typing into the focused window. It reads the transcript the way a user
# copies it out: Edit, Select All, Edit, Copy, then the X clipboard through xclip.
#
# Every wait is for an observable condition with a deadline (xdotool's --sync searches under
# `timeout`, or a polling loop); nothing sleeps in the hope that something has happened.
# Every process a scenario starts is ended by its PID when the script exits, however it exits.
#
#   e2e_begin NAME CLIENT GATEWAY OUTDIR   first call of every scenario
#   e2e_end                                last call: prints the summary, sets the exit code

set -euo pipefail
export LC_ALL=C.UTF-8

E2E_TIMEOUT=${E2E_TIMEOUT:-20} # seconds that any one condition may take
E2E_SCREEN_WIDTH=1280
E2E_SCREEN_HEIGHT=1024
E2E_SKIP=77 # CTest's SKIP_RETURN_CODE for these tests

# The caption of the main window, as an anchored pattern for xdotool search.
E2E_MAIN_TITLE='^Brackmoor Chat v3\.05$'
# The transcript's first line: TAB, 17 blanks, TAB, the greeting, CR LF.
E2E_WELCOME=$'\t                 \tWELCOME TO BRACKMOOR CHAT v3.05\r\n'

E2E_PIDS=()     # every process started, in start order
E2E_FAILED=()   # checks that failed without stopping the scenario
E2E_CHECKS=0    # checks made

# --- reporting -------------------------------------------------------------------------

e2e_now_us() {
    printf '%s' "${EPOCHREALTIME//[.,]/}"
}

e2e_log() {
    local elapsed=$((($(e2e_now_us) - E2E_STARTED) / 1000))
    printf '[%3d.%03ds] %s\n' $((elapsed / 1000)) $((elapsed % 1000)) "$*"
}

# Shows a text file with its control characters visible (^M for CR, ^I for TAB).
e2e_show() {
    cat -A -- "$1" | sed 's/^/    | /'
    echo
}

# Stops the scenario: a step that cannot be done makes the rest meaningless.
e2e_fail() {
    e2e_log "FAIL: $*"
    if [ -s "$E2E_RUN/gateway.log" ]; then
        echo "  gateway output:"
        sed 's/^/    | /' "$E2E_RUN/gateway.log"
    fi
    exit 1
}

# A check whose failure is recorded while the scenario goes on, so that one wrong detail
# (a size, an initial text) does not hide what the later steps would find.
e2e_check() {
    local what=$1
    shift
    E2E_CHECKS=$((E2E_CHECKS + 1))
    if "$@"; then
        e2e_log "ok: $what"
    else
        E2E_FAILED+=("$what")
        e2e_log "FAIL (going on): $what"
    fi
}

# --- start and end ---------------------------------------------------------------------

e2e_require_tools() {
    local tool missing=()
    for tool in Xvfb openbox xdotool xclip wmctrl xwininfo /usr/bin/import /usr/bin/identify \
        timeout; do
        command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "SKIP: missing ${missing[*]}" \
            "(Debian packages xvfb openbox xdotool xclip wmctrl x11-utils imagemagick)"
        exit $E2E_SKIP
    fi
}

e2e_begin() {
    E2E_NAME=$1
    E2E_CLIENT=$2
    E2E_GATEWAY=$3
    E2E_OUT=$4
    E2E_STARTED=$(e2e_now_us)
    [ -x "$E2E_CLIENT" ] || { echo "no client binary at $E2E_CLIENT"; exit 1; }
    [ -x "$E2E_GATEWAY" ] || { echo "no gateway binary at $E2E_GATEWAY"; exit 1; }
    e2e_require_tools

    # Logs of this run stay in the build tree for a look after a failure.
    E2E_RUN=$E2E_OUT/runs/$E2E_NAME
    E2E_SHOTS=$E2E_OUT/screenshots
    rm -rf "$E2E_RUN"
    mkdir -p "$E2E_RUN/runtime" "$E2E_RUN/config" "$E2E_RUN/cache" "$E2E_SHOTS"
    chmod 700 "$E2E_RUN/runtime"
    rm -f "$E2E_SHOTS/$E2E_NAME"-*.png

    trap e2e_cleanup EXIT
    trap 'exit 130' INT TERM HUP

    # The client talks to our X server only, with Qt's own look, and finds no desktop
    # session around it; openbox keeps its files in the run directory.
    export QT_QPA_PLATFORM=xcb
    export XDG_RUNTIME_DIR=$E2E_RUN/runtime
    export XDG_CONFIG_HOME=$E2E_RUN/config
    export XDG_CACHE_HOME=$E2E_RUN/cache
    unset QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS \
        QT_AUTO_SCREEN_SCALE_FACTOR DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY XAUTHORITY
    e2e_log "scenario $E2E_NAME; logs in $E2E_RUN"
}

e2e_track() {
    E2E_PIDS+=("$1")
    e2e_log "started $2 (pid $1)"
}

# True once the process has ended (a child that has ended but is not yet reaped counts).
e2e_process_ended() {
    local stat
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 0
    stat=${stat##*) }
    [ "${stat%% *}" = Z ]
}

e2e_cleanup() {
    local status=$? pid i deadline
    trap - EXIT INT TERM HUP
    # Newest first: the clients before the gateway, the window manager before its X server.
    for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do
        pid=${E2E_PIDS[i]}
        e2e_process_ended "$pid" || kill -TERM "$pid" 2>/dev/null || true
    done
    deadline=$(($(e2e_now_us) + 5000000))
    for pid in "${E2E_PIDS[@]}"; do
        until e2e_process_ended "$pid" || [ "$(e2e_now_us)" -gt "$deadline" ]; do
            sleep 0.05
        done
        e2e_process_ended "$pid" || kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    exit "$status"
}

e2e_end() {
    local passed=$((E2E_CHECKS - ${#E2E_FAILED[@]}))
    e2e_log "scenario $E2E_NAME done"
    echo "$passed passed, ${#E2E_FAILED[@]} failed"
    if [ ${#E2E_FAILED[@]} -gt 0 ]; then
        printf '  failed: %s\n' "${E2E_FAILED[@]}"
        exit 1
    fi
    exit 0
}

# --- waiting ---------------------------------------------------------------------------

# e2e_wait WHAT COMMAND...: runs COMMAND every 0.1 s until it succeeds, or fails the
# scenario after E2E_TIMEOUT seconds. The pause is the polling interval, nothing more.
e2e_wait() {
    local what=$1
    shift
    local deadline=$(($(e2e_now_us) + E2E_TIMEOUT * 1000000))
    until "$@"; do
        [ "$(e2e_now_us)" -lt "$deadline" ] ||
            e2e_fail "no $what after ${E2E_TIMEOUT} s"
        sleep 0.1
    done
}

# e2e_poll SECONDS COMMAND...: like e2e_wait, but only says whether COMMAND succeeded.
e2e_poll() {
    local deadline=$(($(e2e_now_us) + $1 * 1000000))
    shift
    until "$@"; do
        [ "$(e2e_now_us)" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

e2e_file_has_line() {
    [ -s "$1" ] && [ "$(tail -c 1 "$1" | od -An -c | tr -d ' ')" = '\n' ]
}

# --- the X server, the window manager, the gateway -------------------------------------

e2e_start_x() {
    local displayfile=$E2E_RUN/display
    # -displayfd: the server takes the first free display and writes its number to fd 3.
    # -noreset: the server stays as it is when a short-lived client (xdotool, xclip) leaves.
    Xvfb -displayfd 3 -noreset -nolisten tcp \
        -screen 0 "${E2E_SCREEN_WIDTH}x${E2E_SCREEN_HEIGHT}x24" \
        3>"$displayfile" >"$E2E_RUN/xvfb.log" 2>&1 &
    e2e_track $! Xvfb
    e2e_wait "display number from Xvfb" e2e_file_has_line "$displayfile"
    DISPLAY=:$(head -n 1 "$displayfile")
    export DISPLAY
    e2e_log "X server on $DISPLAY"
}

e2e_start_window_manager() {
    openbox --sm-disable >"$E2E_RUN/openbox.log" 2>&1 &
    e2e_track $! openbox
    e2e_wait "window manager on $DISPLAY" e2e_window_manager_running
}

e2e_window_manager_running() {
    wmctrl -m >/dev/null 2>&1
}

# Waits until the gateway listens (status 0) or has ended (status 1).
e2e_gateway_started() {
    local deadline=$(($(e2e_now_us) + E2E_TIMEOUT * 1000000))
    until grep -q "^Listening on $1:6112" "$E2E_RUN/gateway.log"; do
        e2e_process_ended "$E2E_GATEWAY_PID" && return 1
        [ "$(e2e_now_us)" -lt "$deadline" ] || e2e_fail "gateway not listening after ${E2E_TIMEOUT} s"
        sleep 0.1
    done
}

# e2e_start_gateway ADDRESS: the local gateway on ADDRESS:6112, or on the next free address
# of the tests' range 127.0.0.40 to 127.0.0.49 when another run of the same scenario (from
# another build tree) holds it. Sets E2E_ADDRESS to the address used.
e2e_start_gateway() {
    local first=${1##*.} n address
    for ((n = 0; n < 10; n++)); do
        address=127.0.0.$((40 + (first - 40 + n) % 10))
        "$E2E_GATEWAY" "$address" >"$E2E_RUN/gateway.log" 2>&1 &
        E2E_GATEWAY_PID=$!
        e2e_track $E2E_GATEWAY_PID "gateway on $address:6112"
        if e2e_gateway_started "$address"; then
            E2E_ADDRESS=$address
            return 0
        fi
        grep -q 'cannot listen' "$E2E_RUN/gateway.log" ||
            e2e_fail "the gateway ended before listening on $address:6112"
        e2e_log "  $address:6112 is taken; trying the next address"
    done
    e2e_fail "no free address for the gateway in 127.0.0.40 to 127.0.0.49"
}

# --- windows ---------------------------------------------------------------------------

# e2e_find_window VAR PID PATTERN: waits for a visible window of PID whose caption matches
# PATTERN and sets VAR to its id.
e2e_find_window() {
    local id
    id=$(timeout "$E2E_TIMEOUT" xdotool search --sync --onlyvisible --all --pid "$2" \
        --name "$3" 2>/dev/null | head -n 1) || true
    [ -n "$id" ] || e2e_fail "no window \"$3\" of pid $2 after ${E2E_TIMEOUT} s"
    printf -v "$1" '%s' "$id"
}

# Prints the ids of all visible windows of PID whose caption matches PATTERN, at once.
e2e_windows_now() {
    xdotool search --onlyvisible --all --pid "$1" --name "$2" 2>/dev/null || true
}

e2e_window_gone() {
    ! xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'
}

e2e_window_shown() {
    xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'
}

# Makes the window the active one, so that the keys typed next go to it: Qt ignores key
# events sent to a window directly (XSendEvent), so every key goes to the focused window.
e2e_activate() {
    timeout "$E2E_TIMEOUT" xdotool windowactivate --sync "$1" >/dev/null 2>&1 ||
        e2e_fail "window $1 could not be activated"
}

e2e_keys() {
    xdotool key --delay 30 "$@"
}

e2e_type() {
    xdotool type --delay 15 -- "$1"
}

# Closes a window with its title-bar close box, through the window manager. (xdotool's
# windowkill would end the whole client.)
e2e_close_box() {
    wmctrl -i -c "$1"
}

# e2e_client_geometry ID: sets GEO_X GEO_Y GEO_W GEO_H to the client area's place and size
# on the screen (xwininfo is right under openbox, where xdotool counts the title bar).
e2e_client_geometry() {
    local info
    info=$(xwininfo -id "$1")
    GEO_X=$(sed -n 's/^ *Absolute upper-left X: *//p' <<<"$info")
    GEO_Y=$(sed -n 's/^ *Absolute upper-left Y: *//p' <<<"$info")
    GEO_W=$(sed -n 's/^ *Width: *//p' <<<"$info")
    GEO_H=$(sed -n 's/^ *Height: *//p' <<<"$info")
}

e2e_size_is() {
    e2e_client_geometry "$1"
    [ "$GEO_W" -eq "$2" ] && [ "$GEO_H" -eq "$3" ]
}

# e2e_centred ID [OWNER]: the window's client area is centred on the screen, or on the
# client area of the window OWNER, give or take the window manager's title bar and border,
# which the program does not know when it places the window.
e2e_centred() {
    local cx=$E2E_SCREEN_WIDTH cy=$E2E_SCREEN_HEIGHT # twice the centre
    if [ $# -gt 1 ]; then
        e2e_client_geometry "$2"
        cx=$((2 * GEO_X + GEO_W))
        cy=$((2 * GEO_Y + GEO_H))
    fi
    e2e_client_geometry "$1"
    local dx=$((2 * GEO_X + GEO_W - cx)) dy=$((2 * GEO_Y + GEO_H - cy))
    [ "${dx#-}" -le 60 ] && [ "${dy#-}" -le 60 ]
}

# e2e_check_window ID NAME WIDTH HEIGHT [OWNER]: the client area is WIDTH x HEIGHT pixels
# and the window is centred on the screen (or on the window OWNER).
e2e_check_window() {
    local where="the screen"
    [ $# -gt 4 ] && where="its owner"
    e2e_check "$2 client area is $3 x $4" e2e_size_is "$1" "$3" "$4"
    e2e_log "  $2: client area ${GEO_W}x${GEO_H} at ${GEO_X},${GEO_Y}"
    e2e_check "$2 is centred on $where" e2e_centred "$1" "${@:5}"
}

e2e_painted() {
    /usr/bin/import -window "$1" -frame "$2" 2>/dev/null || return 1
    # An unpainted window is one flat colour; a painted one has text and frames.
    [ "$(/usr/bin/identify -format '%k' "$2" 2>/dev/null)" -gt 8 ]
}

# e2e_wait_painted ID: waits until the window has been painted, which is also when it
# takes keys (keys sent the moment it maps may be lost).
e2e_wait_painted() {
    e2e_wait "painted window $1" e2e_painted "$1" "$E2E_RUN/painted.png"
}

# e2e_screenshot ID NAME: saves the window, title bar included, once it has been painted,
# as screenshots/SCENARIO-NAME.png in the build tree.
e2e_screenshot() {
    local file=$E2E_SHOTS/$E2E_NAME-$2.png
    e2e_wait "painted window for the screenshot $2" e2e_painted "$1" "$file"
    e2e_log "  screenshot $file"
}

# --- the clipboard ---------------------------------------------------------------------

e2e_clipboard_to() {
    timeout 5 xclip -o -selection clipboard >"$1" 2>/dev/null || : >"$1"
}

e2e_file_is() {
    printf '%s' "$2" | cmp -s - "$1"
}

e2e_file_has() {
    grep -qF -- "$2" "$1"
}

e2e_bytes() {
    printf '%s' "$1" | wc -c
}

e2e_file_ends_with() {
    tail -c "$(e2e_bytes "$2")" "$1" | cmp -s - <(printf '%s' "$2")
}

e2e_file_starts_with() {
    head -c "$(e2e_bytes "$2")" "$1" | cmp -s - <(printf '%s' "$2")
}

# Copies the focused text box's whole text (the platform's Ctrl+A, Ctrl+C) to FILE.
e2e_copy_field_to() {
    e2e_keys ctrl+a ctrl+c
    e2e_clipboard_to "$1"
}

e2e_field_is() {
    e2e_copy_field_to "$E2E_RUN/field.txt"
    e2e_file_is "$E2E_RUN/field.txt" "$1"
}

e2e_field_copied() {
    e2e_copy_field_to "$E2E_RUN/field.txt"
    [ -s "$E2E_RUN/field.txt" ]
}

e2e_clipboard_empty() {
    e2e_clipboard_to "$E2E_RUN/clipboard.txt"
    [ ! -s "$E2E_RUN/clipboard.txt" ]
}

# e2e_read_field MAIN WIN: the text of the focused text box of WIN, copied once the window
# answers the keys; FIELD holds it afterwards. The clipboard is emptied first with the
# main window's Edit, Clear Clipboard, so that what is read cannot be an older copy.
e2e_read_field() {
    e2e_menu "$1" alt+e r
    e2e_wait "empty clipboard after Clear Clipboard" e2e_clipboard_empty
    e2e_activate "$2"
    e2e_wait "text copied from the focused box" e2e_field_copied
    FIELD=$(cat "$E2E_RUN/field.txt")
}

# e2e_fill TEXT: replaces the text of the focused text box with TEXT and checks that the
# box holds it, typing again when the window has not yet taken every key.
e2e_fill() {
    local _
    for _ in 1 2 3; do
        e2e_keys ctrl+a
        e2e_type "$1"
        e2e_poll 3 e2e_field_is "$1" && return 0
        e2e_log "  the box does not hold \"$1\" yet; typing it again"
    done
    e2e_fail "could not type \"$1\" into the focused box"
}

# --- the main window -------------------------------------------------------------------

# e2e_start_client NAME: starts a client and waits for its main window; sets
# NAME_PID and NAME_WIN.
e2e_start_client() {
    "$E2E_CLIENT" >"$E2E_RUN/client-$1.log" 2>&1 &
    local pid=$!
    e2e_track "$pid" "client $1"
    printf -v "${1}_PID" '%s' "$pid"
    e2e_find_window "${1}_WIN" "$pid" "$E2E_MAIN_TITLE"
    local win=${1}_WIN
    e2e_wait_painted "${!win}"
}

# Copies the whole transcript of the main window WIN to FILE through its Edit menu. This
# leaves the whole transcript selected, as it would for a user, so the echo of the next
# line sent replaces it.
e2e_transcript_to() {
    e2e_activate "$1"
    e2e_keys alt+e s alt+e c
    e2e_clipboard_to "$2"
}

# e2e_transcript_matches WIN TEST TEXT: reads the transcript and applies e2e_file_TEST.
e2e_transcript_matches() {
    e2e_transcript_to "$1" "$E2E_RUN/transcript-$1.txt"
    "e2e_file_$2" "$E2E_RUN/transcript-$1.txt" "$3"
}

# e2e_wait_transcript WIN WHAT TEST TEXT: waits until the transcript passes the test
# (is, has, starts_with, ends_with), failing the scenario with the transcript shown.
e2e_wait_transcript() {
    local win=$1 what=$2 test=$3 text=$4
    if e2e_poll "$E2E_TIMEOUT" e2e_transcript_matches "$win" "$test" "$text"; then
        e2e_log "ok: transcript $what"
        return 0
    fi
    echo "  transcript now:"
    e2e_show "$E2E_RUN/transcript-$win.txt"
    e2e_fail "transcript $what"
}

# Checks the transcript (as last read) against TEST and TEXT without stopping the scenario.
e2e_check_transcript() {
    e2e_check "transcript $2" "e2e_file_$3" "$E2E_RUN/transcript-$1.txt" "$4"
}

# e2e_menu WIN KEY...: activates the main window and chooses a menu item by its access keys.
e2e_menu() {
    e2e_activate "$1"
    shift
    e2e_keys "$@"
}

# e2e_say WIN TEXT: types TEXT into the input line of the main window and presses Enter.
# The input line has the focus whenever the main window is active.
e2e_say() {
    e2e_activate "$1"
    e2e_fill "$2"
    e2e_keys Return
}

# --- the log-in window -----------------------------------------------------------------

# e2e_log_on NAME SERVER USER PASSWORD [FIRST]: File, LogIn on the client NAME; types SERVER
# into the server box, Connect, waits for the gateway's "Username: " prompt in the
# transcript, types USER and PASSWORD and presses Enter ("Log On!"), then waits for the
# window to close and for the gateway's answer. FIRST=first also takes the window's
# screenshot and checks its size, place and first contents.
e2e_log_on() {
    local pidvar=${1}_PID winvar=${1}_WIN
    local pid=${!pidvar} main=${!winvar} server=$2 user=$3 password=$4 first=${5:-}
    local login

    e2e_menu "$main" alt+f l
    e2e_find_window login "$pid" '^Log In$'
    e2e_activate "$login"
    if [ "$first" = first ]; then
        e2e_screenshot "$login" login
        e2e_check_window "$login" '"Log In"' 242 114
    else
        e2e_wait_painted "$login"
    fi

    # The focus starts in the user-name box; the server box is last in the tab order.
    e2e_keys shift+Tab
    e2e_read_field "$main" "$login"
    e2e_check "the server box first shows \"Select your Server...\" (it shows \"$FIELD\")" \
        test "$FIELD" = 'Select your Server...'
    e2e_fill "$server"
    # Connect is just before the server box.
    e2e_keys shift+Tab space
    e2e_wait_transcript "$main" "ends with the gateway's \"Username: \" prompt" \
        ends_with $'\r\nUsername: '

    # Back in the log-in window the focus is still on Connect: the server box and then the
    # user-name box come next.
    e2e_activate "$login"
    e2e_keys Tab Tab
    e2e_fill "$user"
    e2e_keys Tab ctrl+a
    e2e_type "$password"
    # Enter in the password box presses "Log On!", which closes the window.
    e2e_keys Return
    e2e_wait "closing of the log-in window after Log On!" e2e_window_gone "$login"
    e2e_wait_transcript "$main" "has the log-on answer \"2010 NAME $user\"" \
        has "2010 NAME $user"
}

# --- a scripted chat client ------------------------------------------------------------

# e2e_peer_connect NAME ADDRESS USER PASSWORD: a plain socket client (bash's /dev/tcp) that
# logs on like the program does (0x03 0x04, name, password) and records what it receives
# in the file NAME.log. Sets NAME_FD.
e2e_peer_connect() {
    local fd
    exec {fd}<>"/dev/tcp/$2/6112" || e2e_fail "peer $1 could not connect to $2:6112"
    printf -v "${1}_FD" '%s' "$fd"
    cat <&"$fd" >"$E2E_RUN/$1.log" &
    e2e_track $! "peer $1 reader"
    printf '\003\004%s\r\n%s\r\n' "$3" "$4" >&"$fd"
    e2e_wait "log-on answer for peer $1" e2e_file_has "$E2E_RUN/$1.log" "2010 NAME $3"
}

e2e_peer_say() {
    local fdvar=${1}_FD
    printf '%s\r\n' "$2" >&"${!fdvar}"
}

e2e_wait_peer() {
    if e2e_poll "$E2E_TIMEOUT" e2e_file_has "$E2E_RUN/$1.log" "$2"; then
        e2e_log "ok: peer $1 received '$2'"
        return 0
    fi
    e2e_show "$E2E_RUN/$1.log"
    e2e_fail "peer $1 did not receive '$2'"
}

# e2e_wait_exit PID WHAT: waits for the process to end and checks its exit status is 0.
e2e_wait_exit() {
    e2e_wait "end of $2 (pid $1)" e2e_process_ended "$1"
    local status=0
    wait "$1" || status=$?
    e2e_check "$2 ended with status 0 (status $status)" test "$status" -eq 0
}
