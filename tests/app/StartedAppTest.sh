#!/usr/bin/env bash
# The program as a user starts it: under an X server of its own, with a home and XDG folders of its own.
# It must show its main window, end with status 0 on SIGTERM (as its close button ends it), and leave
# the window placement in its settings, the product database of a first run and no instance lock.
#   StartedAppTest.sh <program>
set -u
exe=$1

. "$(dirname "$0")/StartedAppSupport.sh"
require_tools Xvfb xdotool
private_home

on_own_display 1024x768x24 bash -c '
  "$1" &
  pid=$!
  if ! timeout 60 xdotool search --sync --name "^Quorlane - " >/dev/null; then
    echo "no main window within 60 s"
    kill -KILL $pid
    exit 3
  fi
  kill -TERM $pid
  wait $pid' runner "$exe"
status=$?

failed=0
check() {
  if ! eval "$1"; then
    echo "failed: $2"
    failed=1
  fi
}
check '[ $status -eq 0 ]' "the program ended with status $status"
for key in Left Top Width Height; do
  check 'grep -q "frmMain$key=" "$XDG_CONFIG_HOME/Quorlane/registry.ini"' "placement key frmMain$key"
done
check '[ -s "$XDG_DATA_HOME/Quorlane/1.0/quorlane.cdb" ]' "the product database of a first run"
check '! compgen -G "$XDG_RUNTIME_DIR/*.lock" >/dev/null' "the instance lock was released"
exit $failed
