#!/usr/bin/env bash
# End to end: each help window opens once and closes; a help window outliving the main window
# keeps the program running until it closes. Usage: windows.sh CLIENT GATEWAY OUTDIR
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

e2e_begin windows "$@"
e2e_start_gateway 127.0.0.41
e2e_start_client user

e2e_log "step: Help, About, twice, then Close"
e2e_open user alt+h a '^About Brackmoor Chat v3\.05$' about
about=$OPENED
e2e_menu "$user_WIN" alt+h a
# A second About window would be the active one.
e2e_wait "the About window active again" eval '[ "$(xdotool getactivewindow)" = "$about" ]'
e2e_keys space # the Close button has the focus
e2e_wait "closing of the About window after Close" e2e_window_gone "$about"

e2e_log "step: Help, System Requirements, then Close"
e2e_open user alt+h s '^System Requirements$' system
e2e_keys space
e2e_wait "closing of the System Requirements window after Close" e2e_window_gone "$OPENED"

e2e_log "step: the look-ups, each closed with its close box"
e2e_open user alt+h h '^How do I\.\.\.\.$' how "$user_WIN" # centred on the main window
e2e_close "$OPENED" "the How do I.... window"
e2e_open user alt+h b '^Battle\.net Chat Commands$' chatcom
e2e_close "$OPENED" "the Battle.net Chat Commands window"

e2e_log "step: logged on and watched by a peer, the main window closes while How do I.... stays open"
e2e_log_on user "$E2E_ADDRESS" user secret
e2e_peer bob
e2e_menu "$user_WIN" alt+h h
e2e_find_window how "$user_PID" '^How do I\.\.\.\.$'
e2e_close "$user_WIN" "the main window"
e2e_wait_peer bob '1003 LEAVE user 0010'
# Typed and copied back: a round trip through the running program.
e2e_activate "$how"
e2e_fill 'still running'

e2e_log "step: closing the last window ends the program"
wmctrl -i -c "$how"
e2e_wait_exit "$user_PID" "the client after its last window closed"
