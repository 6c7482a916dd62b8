#!/usr/bin/env bash
# End to end: log on, chat, kick, join, IP teller, reconnect, flood, a cut line, and File, Exit
# with another window open. Usage: chat.sh CLIENT GATEWAY OUTDIR
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

e2e_begin chat "$@"
e2e_start_gateway 127.0.0.40

e2e_start_client alice
e2e_wait_transcript "$alice_WIN" "is the welcome line alone" is "$E2E_WELCOME"

e2e_log "step: File, LogIn, Connect, Log On!"
e2e_log_on alice "$E2E_ADDRESS" alice secret
e2e_wait_transcript "$alice_WIN" "has the whole log-on answer" ends_with \
    $'Username: alice\r\nPassword: \r\n2010 NAME alice\r\n1007 CHANNEL "Chat"\r\n1001 USER alice 0010 [CHAT]\r\n'"$E2E_LOGON_END"
e2e_check "transcript is the welcome line, then the gateway's greeting" e2e_file_starts_with \
    "$E2E_RUN/transcript-$alice_WIN.txt" "$E2E_WELCOME"$'Brackmoor test gateway: '

e2e_log "step: a second user joins and the two chat"
e2e_peer bob bob
e2e_wait_peer bob '1001 USER alice 0010 [CHAT]'
e2e_wait_transcript "$alice_WIN" "announces bob" ends_with $'1002 JOIN bob 0010 [CHAT]\r\n'
e2e_say "$alice_WIN" 'hello from alice'
e2e_wait_peer bob '1005 TALK alice 0010 "hello from alice"'
e2e_peer_say bob 'hi alice'
e2e_wait_transcript "$alice_WIN" "is the echo and bob's answer" \
    is $'hello from alice\r\n1005 TALK bob 0010 "hi alice"\r\n'

e2e_log "step: Options, Kick User"
e2e_menu "$alice_WIN" alt+o k
e2e_wait "\"/kick \" in the input line" e2e_field_is '/kick '
e2e_keys End
e2e_type bob
e2e_wait "\"/kick bob\" in the input line" e2e_field_is '/kick bob'
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

e2e_log "step: File, IP Teller, Tell Me, Close"
e2e_open alice alt+f i '^Your IP$' ip
# From the address box: Close, Tell Me.
ip_box_shows_address() { e2e_copy_field && [[ $FIELD =~ ^[0-9]+(\.[0-9]+){3}$ && $FIELD != 255.255.255.255 ]]; }
e2e_keys Tab Tab space shift+Tab shift+Tab
e2e_check "Tell Me shows a dotted IPv4 address" e2e_poll "$E2E_TIMEOUT" ip_box_shows_address
e2e_keys Tab space
e2e_wait "closing of the IP window after Close" e2e_window_gone "$OPENED"

e2e_log "step: File, Disconnect, and log on again"
e2e_menu "$alice_WIN" alt+f d
e2e_wait_transcript "$alice_WIN" "is the disconnect notice alone" \
    is '[ YOUR CONNECTION HAS BEEN TERMINATED ]'
e2e_wait "the gateway to see alice leave" e2e_file_has "$E2E_RUN/gateway.log" '(alice)'
e2e_log_on alice "$E2E_ADDRESS" alice secret
e2e_check "transcript goes on right after the notice" e2e_file_starts_with \
    "$E2E_RUN/transcript-$alice_WIN.txt" '[ YOUR CONNECTION HAS BEEN TERMINATED ]Brackmoor test gateway: '

e2e_log "step: ten lines at once: four pass, five are refused, the tenth disconnects"
for n in {1..10}; do e2e_type "f$n" && e2e_keys Return; done
e2e_wait "bob to see alice leave again" eval '[ "$(e2e_count "$E2E_RUN/bob.log" "1003 LEAVE alice")" -eq 2 ]'
e2e_check "bob got the first four lines and no more" \
    test "$(e2e_count "$E2E_RUN/bob.log" '1005 TALK alice 0010 "f')" -eq 4 -a \
    "$(e2e_count "$E2E_RUN/bob.log" '"f4"')" -eq 1
quota=$'1019 ERROR "Your message quota has been exceeded!"\r\n'
e2e_wait_transcript "$alice_WIN" "is the ten lines typed and every refusal, whole" lines_are \
    $'f1\r\nf2\r\nf3\r\nf4\r\nf5\r\nf6\r\nf7\r\nf8\r\nf9\r\nf10\r\n'"$quota$quota$quota$quota$quota"
e2e_wait "the gateway to see alice go" eval '[ "$(e2e_count "$E2E_RUN/gateway.log" "(alice)")" -eq 2 ]'

e2e_menu "$alice_WIN" alt+f d
e2e_log_on alice "$E2E_ADDRESS" alice secret

e2e_log "step: the gateway cuts a long line to 255 bytes; the next line runs on after it"
names=""
for n in {1..7}; do
    name=peer${n}_with_a_long_long_long_name names+=" $name"
    e2e_peer "p$n" "$name"
done
e2e_wait_transcript "$alice_WIN" "announces the last peer" ends_with "1002 JOIN $name 0010 [CHAT]"$'\r\n'
e2e_say "$alice_WIN" '/who Chat'
e2e_wait_transcript "$alice_WIN" "holds the cut line" has 'Users in channel'
e2e_peer_say bob 'after'
line=$'1018 INFO "Users in channel Chat: bob alice'"$names"$'"\r\n'
e2e_wait_transcript "$alice_WIN" "is the echo, 255 bytes of the list and bob's line" is \
    $'/who Chat\r\n'"${line:0:255}"$'1005 TALK bob 0010 "after"\r\n'

e2e_log "step: File, Exit with the About window open"
e2e_menu "$alice_WIN" alt+h a
e2e_find_window about "$alice_PID" '^About Brackmoor Chat v3\.05$'
e2e_menu "$alice_WIN" alt+f e
e2e_wait_exit "$alice_PID" "the client after File, Exit"

e2e_end
