#!/usr/bin/env bash
# End to end: one real client chats through the local gateway with a scripted client.
#
# Log on through the log-in window, chat both ways, join "Magic" from the channel window,
# kick with an Options shortcut, ask the IP teller, disconnect, connect and log on again,
# and leave with File, Exit while another window is open.
#
# Usage: chat.sh CLIENT GATEWAY OUTDIR
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

ADDRESS=127.0.0.40

e2e_begin chat "$@"
e2e_start_x
e2e_start_window_manager
e2e_start_gateway $ADDRESS
ADDRESS=$E2E_ADDRESS

e2e_log "step: the main window opens"
e2e_start_client alice
e2e_activate "$alice_WIN"
e2e_screenshot "$alice_WIN" main
# 668 x 412 pixels of controls, with the menu bar above them and the status line below.
e2e_client_geometry "$alice_WIN"
e2e_log "  main window: client area ${GEO_W}x${GEO_H} at ${GEO_X},${GEO_Y}"
e2e_check "main window client area is 668 wide" test "$GEO_W" -eq 668
e2e_check "main window client area is 412 high plus menu bar and status line" \
    test "$GEO_H" -gt $((412 + 30)) -a "$GEO_H" -lt $((412 + 100))
e2e_check "main window is centred on the screen" e2e_centred "$alice_WIN"
e2e_wait_transcript "$alice_WIN" "is the welcome line alone" is "$E2E_WELCOME"

e2e_log "step: File, LogIn, Connect, Log On!"
e2e_log_on alice $ADDRESS alice secret first
e2e_wait_transcript "$alice_WIN" "has the whole log-on answer" ends_with $'2010 NAME alice\r\n1007 CHANNEL "Chat"\r\n1001 USER alice 0010 [CHAT]\r\n1018 INFO "Welcome to Brackmoor test gateway!"\r\n'
e2e_check_transcript "$alice_WIN" "starts with the welcome line and the gateway's greeting" \
    starts_with "$E2E_WELCOME"$'Brackmoor test gateway: '
e2e_check_transcript "$alice_WIN" "shows the password prompt and no password" \
    has $'Username: Password: 2010 NAME alice\r\n'

e2e_log "step: a second user joins and the two chat"
e2e_peer_connect bob $ADDRESS bob hunter2
e2e_wait_peer bob '1001 USER alice 0010 [CHAT]'
e2e_wait_transcript "$alice_WIN" "announces bob" ends_with $'1002 JOIN bob 0010 [CHAT]\r\n'
e2e_say "$alice_WIN" 'hello from alice'
e2e_wait_peer bob '1005 TALK alice 0010 "hello from alice"'
e2e_peer_say bob 'hi alice'
# The transcript was all selected by the last read, so the echo replaced it.
e2e_wait_transcript "$alice_WIN" "is the echo and bob's answer" \
    is $'hello from alice\r\n1005 TALK bob 0010 "hi alice"\r\n'

e2e_log "step: File, Channels, Magic, Join"
e2e_menu "$alice_WIN" alt+f c
e2e_find_window channels "$alice_PID" '^Join Channel\.\.\.$'
e2e_activate "$channels"
e2e_screenshot "$channels" channel
e2e_check_window "$channels" '"Join Channel..."' 169 259
# The focus starts on Cancel; Join and then the list follow. End picks the last entry,
# "Magic"; Shift+Tab goes back to Join.
e2e_keys Tab Tab End shift+Tab space
e2e_wait "closing of the channel window after Join" e2e_window_gone "$channels"
e2e_wait_transcript "$alice_WIN" "has the gateway's answer to /join magic" \
    ends_with $'1007 CHANNEL "magic"\r\n1001 USER alice 0010 [CHAT]\r\n'
e2e_wait_peer bob '1003 LEAVE alice 0010'

e2e_log "step: Options, Kick User"
e2e_menu "$alice_WIN" alt+o k
e2e_wait "\"/kick \" in the input line" e2e_field_is '/kick '
e2e_keys End
e2e_type bob
e2e_wait "\"/kick bob\" in the input line" e2e_field_is '/kick bob'
e2e_keys Return
e2e_wait_transcript "$alice_WIN" "is the kick and the gateway's refusal" \
    is $'/kick bob\r\n1019 ERROR "You are not a channel operator."\r\n'

e2e_log "step: File, IP Teller, Tell Me, Close"
e2e_menu "$alice_WIN" alt+f i
e2e_find_window ip "$alice_PID" '^Your IP$'
e2e_activate "$ip"
e2e_screenshot "$ip" ip
e2e_check_window "$ip" '"Your IP"' 140 60
# The focus starts in the address box; Close and then Tell Me follow.
e2e_read_field "$alice_WIN" "$ip"
e2e_check "the IP box first shows the placeholder (it shows \"$FIELD\")" \
    test "$FIELD" = 255.255.255.255
ip_box_shows_address() {
    e2e_copy_field_to "$E2E_RUN/field.txt"
    FIELD=$(cat "$E2E_RUN/field.txt")
    [[ $FIELD =~ ^[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+$ && $FIELD != 255.255.255.255 ]]
}
e2e_keys Tab Tab space shift+Tab shift+Tab
e2e_poll "$E2E_TIMEOUT" ip_box_shows_address || true
e2e_check "Tell Me shows a dotted IPv4 address (it shows \"$FIELD\")" ip_box_shows_address
e2e_keys Tab space
e2e_wait "closing of the IP window after Close" e2e_window_gone "$ip"

e2e_log "step: File, Disconnect"
e2e_menu "$alice_WIN" alt+f d
e2e_wait_transcript "$alice_WIN" "is the disconnect notice alone" \
    is '[ YOUR CONNECTION HAS BEEN TERMINATED ]'
e2e_wait "the gateway to see alice leave" \
    e2e_file_has "$E2E_RUN/gateway.log" '(alice)'

e2e_log "step: connect and log on again"
e2e_log_on alice $ADDRESS alice secret
e2e_check_transcript "$alice_WIN" "goes on right after the notice" \
    starts_with '[ YOUR CONNECTION HAS BEEN TERMINATED ]Brackmoor test gateway: '

e2e_log "step: File, Exit with the About window open"
e2e_menu "$alice_WIN" alt+h a
e2e_find_window about "$alice_PID" '^About Brackmoor Chat v3\.05$'
e2e_menu "$alice_WIN" alt+f e
e2e_wait_exit "$alice_PID" "the client after File, Exit"

e2e_end
