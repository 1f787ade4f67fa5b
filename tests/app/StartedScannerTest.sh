#!/usr/bin/env bash
# The scanner as a user reaches it in the started program: 写真 → TWAIN → 取り込み, イラスト → TWAIN →
# 取り込み and 画像 → TWAIN取り込み each list SANE's test device in "スキャナの選択", scan it in
# "スキャナの設定" and bring its page (solid black) onto the panel or the page; with no backend
# configured, 取り込み says so in a message. SANE reads tests/data/sane or an empty configuration of the
# test's own, never the system's. Clicks are placed in the main window as the first start lays it out
# on a 1366 x 900 screen.
#   StartedScannerTest.sh <program>
set -u
here=$(cd "$(dirname "$0")" && pwd)

. "$here/StartedAppSupport.sh"
if [ "${1:-}" != --inside ]; then
  require_tools Xvfb xdotool import convert
  on_own_display 1366x900x24 "$0" --inside "$1"
  exit $?
fi
exe=$2
private_home

click() { # window x y
  xdotool mousemove --window "$1" "$2" "$3" click 1
  sleep 0.5
}
start() { # SANE configuration folder
  SANE_CONFIG_DIR=$1 start_program
  # A new document on the paper offered first (its row highlighted), in the layout editor (the photo
  # panel's tabs).
  paper_step
  xdotool key Return
  shows 1060 231 B4B4B4 || { echo "no layout editor"; kill -KILL $pid; exit 3; }
}
stop() {
  kill -TERM $pid
  # A placed page is a change: its save question is answered いいえ.
  local question
  question=$(window "^Quorlane$" 5)
  [ -n "$question" ] && xdotool windowfocus --sync "$question" key alt+n
  wait $pid
  local status=$?
  [ $status -eq 0 ] || fail "the program ended with status $status"
}

# From the source list to the page: the test device chosen, one scan.
acquire() { # what
  local list settings
  list=$(window "^スキャナの選択$")
  if [ -z "$list" ]; then
    fail "$1: no source list"
    return 1
  fi
  xdotool windowfocus --sync "$list" key Return
  settings=$(window "^スキャナの設定$" 60)
  if [ -z "$settings" ] || [ -z "$(window "^TWAINからの取込み$" 5)" ]; then
    fail "$1: no acquisition window with the device's settings"
    return 1
  fi
  click "$settings" 222 497 # スキャン
  gone "^TWAINからの取込み$" || fail "$1: the acquisition did not end"
}

start "$here/../data/sane"
# 画像 → TWAIN取り込み, then a click on the page places what is scanned there (first: a page on the
# illustration panel's TWAIN page would be placed instead of a scan).
xdotool windowfocus --sync "$main" key alt+i
sleep 1
xdotool key t
sleep 1
click "$main" 200 300
acquire "画像" && { shows 300 400 000000 || fail "画像: the scanned page is not placed on the page"; }
# 写真 → TWAIN → 取り込み: the page shows on the TWAIN page.
click "$main" 648 186
click "$main" 787 231
shows 905 500 C0C0C0 5 || fail "写真: no empty TWAIN page"
click "$main" 905 741
acquire "写真" && { shows 905 500 000000 || fail "写真: the scanned page is not on the TWAIN page"; }
# イラスト → TWAIN → 取り込み.
click "$main" 779 186
click "$main" 978 231
shows 905 500 C0C0C0 5 || fail "イラスト: no empty TWAIN page"
click "$main" 905 770
acquire "イラスト" && { shows 905 500 000000 || fail "イラスト: the scanned page is not on the TWAIN page"; }
# A click beside on the page, then 画像 → TWAIN取り込み scans anew, not a copy of the TWAIN page's scan.
click "$main" 115 795
xdotool windowfocus --sync "$main" key alt+i
sleep 1
xdotool key t
acquire "画像 after イラスト"
stop

# No backend: 取り込み tells what to check instead of ending silently.
mkdir -p "$home/sane-none"
echo "# No backend." >"$home/sane-none/dll.conf"
start "$home/sane-none"
click "$main" 787 231
click "$main" 905 741
message=$(window "^Quorlane$" 20)
if [ -z "$message" ]; then
  fail "no device: no message"
else
  [ -n "${QUORLANE_GRAB:-}" ] && import -window root "$QUORLANE_GRAB"
  xdotool windowfocus --sync "$message" key Return
fi
[ -z "$(xdotool search --onlyvisible --name "^スキャナの選択$")" ] || fail "no device: a source list without sources"
stop
exit $failed
