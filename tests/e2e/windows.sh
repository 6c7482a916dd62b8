#!/usr/bin/env bash
# End to end: the help windows open from the Help menu, each once, and close; the program
# keeps running while a help window outlives the main window and ends with it.
# Usage: windows.sh CLIENT GATEWAY OUTDIR
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

e2e_begin windows "$@"
e2e_start_x

e2e_start_client user
e2e_activate "$user_WIN"
e2e_wait_transcript "$user_WIN" "is the welcome line alone" is "$E2E_WELCOME"

# e2e_open_help KEY PATTERN SHOT [OWNER]: Help, KEY; the window's id in HELP.
e2e_open_help() {
    e2e_open user alt+h "$@"
    HELP=$OPENED
}

e2e_log "step: Help, About, twice, then Close"
e2e_open_help a '^About Brackmoor Chat v3\.05$' about
about=$HELP
# A second Help, About brings the open window to the front instead of opening another.
e2e_menu "$user_WIN" alt+h a
e2e_wait "the About window active again" eval '[ "$(xdotool getactivewindow)" = "$about" ]'
e2e_check "Help, About again leaves one About window" \
    test "$(xdotool search --onlyvisible --all --pid "$user_PID" --name '^About Brackmoor')" = "$about"
# The Close button has the focus.
e2e_keys space
e2e_wait "closing of the About window after Close" e2e_window_gone "$about"

e2e_log "step: Help, System Requirements, then Close"
e2e_open_help s '^System Requirements$' system
e2e_keys space
e2e_wait "closing of the System Requirements window after Close" e2e_window_gone "$HELP"

e2e_log "step: Help, How do I..., then its close box"
# This one opens centred on the main window.
e2e_open_help h '^How do I\.\.\.\.$' how "$user_WIN"
e2e_fill 'typed'
e2e_close_box "$HELP"
e2e_wait "closing of the How do I.... window" e2e_window_gone "$HELP"

e2e_log "step: Help, Battle.net Chat Commands, then its close box"
e2e_open_help b '^Battle\.net Chat Commands$' chatcom
e2e_close_box "$HELP"
e2e_wait "closing of the Battle.net Chat Commands window" e2e_window_gone "$HELP"

e2e_log "step: the main window closes while How do I.... stays open"
e2e_menu "$user_WIN" alt+h h
e2e_find_window how "$user_PID" '^How do I\.\.\.\.$'
# A fresh window: the question box shows its first text again, not what was typed.
e2e_activate "$how"
e2e_check "the reopened question box shows \"Select your Question...\" again" \
    e2e_poll 5 e2e_field_is 'Select your Question...'
e2e_close_box "$user_WIN"
e2e_wait "closing of the main window" e2e_window_gone "$user_WIN"
# The program answers in the window that is left: typing into its question box and
# copying it back is a round trip through the running program.
e2e_activate "$how"
e2e_fill 'still running'
e2e_check "the program runs on with the How do I.... window" e2e_window_shown "$how"

e2e_log "step: closing the last window ends the program"
e2e_close_box "$how"
e2e_wait_exit "$user_PID" "the client after its last window closed"

e2e_end
