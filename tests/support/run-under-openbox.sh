#!/usr/bin/env bash
# Runs a program under the openbox window manager on the X display it is given (started
# inside xvfb-run), as a user's desktop runs it: openbox frames, places, stacks and focuses
# the windows. Exits with the program's status.
set -euo pipefail

ready=$(mktemp -u)
openbox --sm-disable --startup "touch $ready" &
window_manager=$!
trap 'kill "$window_manager" 2>/dev/null || true; rm -f "$ready"' EXIT
# openbox runs its start-up command once it manages the screen: within 30 seconds, as long as
# a test waits for a program to start (PatienceMs).
for _ in $(seq 300); do
    [ -e "$ready" ] && break
    sleep 0.1
done
if [ ! -e "$ready" ]; then
    echo "openbox did not start" >&2
    exit 1
fi
"$@"
