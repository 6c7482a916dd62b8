#!/usr/bin/env bash
# End to end: two real clients log on to the local gateway and chat with each other, as
# "Try it offline" in the README describes; closing one main window ends that client and
# its connection.
# Usage: twoclients.sh CLIENT GATEWAY OUTDIR
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

e2e_begin twoclients "$@"
e2e_start_x
e2e_start_gateway 127.0.0.41

e2e_log "step: two clients log on"
e2e_start_client alice
e2e_start_client bob
e2e_log_on alice "$E2E_ADDRESS" alice wonderland
e2e_log_on bob "$E2E_ADDRESS" bob builder
e2e_wait_transcript "$bob_WIN" "lists both users in Chat" has \
    $'1007 CHANNEL "Chat"\r\n1001 USER alice 0010 [CHAT]\r\n1001 USER bob 0010 [CHAT]\r\n1018 INFO "Welcome to Brackmoor test gateway!"\r\n'
e2e_wait_transcript "$alice_WIN" "announces bob" ends_with $'1002 JOIN bob 0010 [CHAT]\r\n'

e2e_log "step: they chat"
e2e_say "$alice_WIN" 'hello bob'
e2e_wait_transcript "$bob_WIN" "has alice's line" ends_with $'1005 TALK alice 0010 "hello bob"\r\n'
e2e_say "$bob_WIN" 'hello alice'
# alice's transcript was all selected by the last read, so her echo replaced it.
e2e_wait_transcript "$alice_WIN" "is alice's echo and bob's answer" \
    is $'hello bob\r\n1005 TALK bob 0010 "hello alice"\r\n'
e2e_say "$alice_WIN" '/me waves'
e2e_wait_transcript "$bob_WIN" "has alice's emote" ends_with $'1023 EMOTE alice 0010 "waves"\r\n'

e2e_log "step: bob closes his main window, alice leaves with File, Exit"
e2e_close_box "$bob_WIN"
e2e_wait_exit "$bob_PID" "bob's client after its main window closed"
e2e_wait_transcript "$alice_WIN" "says bob left" ends_with $'1003 LEAVE bob 0010\r\n'
e2e_menu "$alice_WIN" alt+f e
e2e_wait_exit "$alice_PID" "alice's client after File, Exit"
e2e_wait "the gateway to see both go" \
    eval 'grep -q "(alice)" "$E2E_RUN/gateway.log" && grep -q "(bob)" "$E2E_RUN/gateway.log"'

e2e_end
