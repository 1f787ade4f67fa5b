#!/usr/bin/env bash
# A scanner driver that fails, as a user meets it in the started program: a page of SANE's test device
# placed on the page with 画像 → TWAIN取り込み, then 写真 → TWAIN → 取り込み from the tests' misbehaving
# backend (tests/scanner/faulty): its driver crashing says so in a message, and one that never answers
# is left with 閉じる; the placed page stays, the test device scans again, and the program ends normally.
# SANE reads tests/data/sane-faulty and tests/data/sane only.
#   StartedScannerFaultTest.sh <program> <folder of libsane-faulty.so.1>
set -u
here=$(cd "$(dirname "$0")" && pwd)

. "$here/StartedAppSupport.sh"
if [ "${1:-}" != --inside ]; then
  require_tools Xvfb xdotool import convert
  on_own_display 1366x900x24 "$0" --inside "$1" "$2"
  exit $?
fi
exe=$2
private_home
window_manager
export SANE_CONFIG_DIR="$here/../data/sane-faulty:$here/../data/sane" LD_LIBRARY_PATH=$3

grab() {
  [ -n "${QUORLANE_GRAB:-}" ] && import -window root "$QUORLANE_GRAB-$1.png"
}
click() { # window x y
  xdotool mousemove --window "$1" "$2" "$3" click 1
  sleep 0.5
}

start_program
paper_step
xdotool key Return
shows 1060 231 B4B4B4 || { echo "no layout editor"; kill -KILL $pid; exit 3; }

# The device at place $2 of the source list (0: the test device; the list starts at the device chosen
# last), its settings window up.
settings() { # what place
  local list
  list=$(window "^スキャナの選択$")
  [ -n "$list" ] || { fail "$1: no source list"; return 1; }
  xdotool windowfocus --sync "$list" key Home
  for _ in $(seq 1 "$2"); do xdotool key Down; done
  xdotool key Return
  dialog=$(window "^スキャナの設定$" 60)
  [ -n "$dialog" ] || { fail "$1: no settings window"; return 1; }
}

# The test device's page placed on the page.
xdotool windowfocus --sync "$main" key alt+i
sleep 1
xdotool key t
sleep 1
click "$main" 200 300
if settings "画像" 0; then
  click "$dialog" 222 497 # スキャン
  gone "^TWAINからの取込み$" || fail "画像: the acquisition did not end"
fi
shows 300 400 000000 || fail "the test device's page is not placed"

# 写真 → TWAIN → 取り込み from the driver that crashes: a message, and nothing else changes.
click "$main" 648 186
click "$main" 787 231
click "$main" 905 741
if settings "crash" 1; then
  click "$dialog" 222 497
  message=$(window "^Quorlane$" 30)
  if [ -z "$message" ]; then
    fail "crash: no message"
  else
    grab crash
    xdotool windowfocus --sync "$message" key Return
  fi
  gone "^TWAINからの取込み$" 10 || fail "crash: the acquisition did not end"
fi
shows 300 400 000000 5 || fail "crash: the placed page is gone"

# The driver that never answers: 閉じる ends the scan within seconds, without a message.
click "$main" 905 741
if settings "hang" 2; then
  click "$dialog" 222 497
  sleep 1
  grab hang
  click "$dialog" 300 497 # 閉じる
  gone "^TWAINからの取込み$" 15 || fail "hang: 閉じる did not end the acquisition"
  [ -z "$(xdotool search --onlyvisible --name "^Quorlane$" 2>/dev/null)" ] || fail "hang: a message after 閉じる"
fi

# The test device scans again onto the TWAIN page.
click "$main" 905 741
if settings "again" 0; then
  click "$dialog" 222 497
  gone "^TWAINからの取込み$" || fail "again: the acquisition did not end"
fi
shows 905 500 000000 || fail "again: the scanned page is not on the TWAIN page"
shows 300 400 000000 5 || fail "again: the placed page is gone"
grab after

kill -TERM $pid
question=$(window "^Quorlane$" 5)
[ -n "$question" ] && xdotool windowfocus --sync "$question" key alt+n
wait $pid
status=$?
[ $status -eq 0 ] || fail "the program ended with status $status"
exit $failed
