#!/usr/bin/env bash
# End to end: log on, chat, kick, join, the IP teller, reconnect, and File, Exit with another
# window open. Usage: chat.sh CLIENT GATEWAY OUTDIR
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

e2e_begin chat "$@"
e2e_start_gateway 127.0.0.40

e2e_start_client alice

e2e_log "step: File, LogIn, Connect, Log On!"
e2e_log_on alice "$E2E_ADDRESS" alice secret \
    $'Username: alice\r\nPassword: \r\n2010 NAME alice\r\n1007 CHANNEL "Chat"\r\n1001 USER alice 0010 [CHAT]\r\n'

e2e_log "step: a second user joins and the two chat"
e2e_peer bob
e2e_wait_peer bob '1001 USER alice 0010 [CHAT]'
e2e_wait_transcript "$alice_WIN" "announces bob" ends_with $'1002 JOIN bob 0010 [CHAT]\r\n'
e2e_activate "$alice_WIN" && e2e_fill 'hello from alice' && e2e_keys Return
e2e_wait_peer bob '1005 TALK alice 0010 "hello from alice"'
printf 'hi alice\r\n' >&"$bob_FD"
e2e_wait_transcript "$alice_WIN" "is the echo and bob's answer" \
    is $'hello from alice\r\n1005 TALK bob 0010 "hi alice"\r\n'

e2e_log "step: Options, Kick User"
e2e_menu "$alice_WIN" alt+o k
e2e_wait "\"/kick \" in the input line" e2e_field_is '/kick '
e2e_keys End
e2e_type bob
e2e_keys Return
e2e_wait_transcript "$alice_WIN" "is the kick and the gateway's refusal" \
    is $'/kick bob\r\n1019 ERROR "You are not a channel operator."\r\n'

e2e_log "step: File, Channels, Magic, Join"
e2e_open alice alt+f c '^Join Channel\.\.\.$' channel
# From Cancel: Join, the list (End: "Magic"), back to Join.
e2e_keys Tab Tab End shift+Tab space
e2e_wait "closing of the channel window after Join" e2e_window_gone "$OPENED"
e2e_wait_transcript "$alice_WIN" "has the gateway's answer to /join magic" ends_with \
    $'1007 CHANNEL "magic"\r\n1018 INFO "you are now tempOP for this channel"\r\n1001 USER alice 0010 [CHAT]\r\n1009 USER alice 0012\r\n'
e2e_wait_peer bob '1003 LEAVE alice 0010'

e2e_log "step: File, IP Teller, closed with its close box"
e2e_open alice alt+f i '^Your IP$' ip
e2e_close "$OPENED" "the IP window"

e2e_log "step: File, Disconnect, and log on again"
e2e_menu "$alice_WIN" alt+f d
e2e_wait_transcript "$alice_WIN" "is the disconnect notice alone" \
    is '[ YOUR CONNECTION HAS BEEN TERMINATED ]'
e2e_wait "the gateway to see alice leave" e2e_file_has "$E2E_RUN/gateway.log" '(alice)'
e2e_log_on alice "$E2E_ADDRESS" alice secret

e2e_log "step: File, Exit with the About window open"
e2e_menu "$alice_WIN" alt+h a
e2e_find_window about "$alice_PID" '^About Brackmoor Chat v3\.05$'
e2e_menu "$alice_WIN" alt+f e
e2e_wait_exit "$alice_PID" "the client after File, Exit"

