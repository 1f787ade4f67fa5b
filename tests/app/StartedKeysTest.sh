#!/usr/bin/env bash
# Keys as a user works by them in the started program: the control with the focus shows it (the start
# menu's three buttons, the printer list of プリンタの設定 as the window opens, the print step's preview
# list), and the save question answers いいえ to the N key alone. Focus shows when a grab of the control
# changes as the focus comes to it and comes back as the focus leaves. Places are those of the main
# window as the first start lays it out on a 1366 x 900 screen.
#   StartedKeysTest.sh <program>
set -u
here=$(cd "$(dirname "$0")" && pwd)

. "$here/StartedAppSupport.sh"
if [ "${1:-}" != --inside ]; then
  require_tools Xvfb xdotool import convert compare
  on_own_display 1366x900x24 "$0" --inside "$1"
  exit $?
fi
exe=$2
private_home
window_manager

# The pixels of a part (WxH+X+Y) of a window, as text to compare.
grab() { # window geometry
  import -window "$1" png:- 2>/dev/null | convert png:- -crop "$2" +repage rgb:- 2>/dev/null | md5sum
}
# Waits until a part of a window stays as it is (drawn in idle time), within 10 s.
settle() { # window geometry
  local last now
  last=$(grab "$1" "$2")
  for _ in $(seq 1 20); do
    sleep 0.5
    now=$(grab "$1" "$2")
    [ "$now" = "$last" ] && return 0
    last=$now
  done
}
# Tab walks to the parts (WxH+X+Y) one after another: the focus shows when a part's pixels change as
# the focus comes to it (within $2 presses for the first, then one each) and come back as it leaves.
tab_chain() { # window presses geometry what [geometry what]...
  local win=$1 presses=$2 i
  shift 2
  local -a parts=() names=() before=()
  while [ $# -gt 0 ]; do
    parts+=("$1")
    names+=("$2")
    before+=("$(grab "$win" "$1")")
    shift 2
  done
  for i in $(seq 1 "$presses"); do
    xdotool key Tab
    sleep 0.3
    [ "$(grab "$win" "${parts[0]}")" != "${before[0]}" ] && break
    if [ "$i" -eq "$presses" ]; then
      fail "${names[0]}: no sign of the focus"
      return 1
    fi
  done
  for i in "${!parts[@]}"; do
    xdotool key Tab
    sleep 0.3
    [ "$(grab "$win" "${parts[$i]}")" = "${before[$i]}" ] || fail "${names[$i]}: the focus left, its sign stayed"
    local next=$((i + 1))
    if [ $next -lt ${#parts[@]} ] && [ "$(grab "$win" "${parts[$next]}")" = "${before[$next]}" ]; then
      fail "${names[$next]}: no sign of the focus"
      return 1
    fi
  done
}

start_program
# The start has settled once 開く shows its dark folder, no longer greyed or covered.
for _ in $(seq 1 60); do
  [ "$(pixel 515 480)" = 283860 ] &&
    break
  sleep 1
done
xdotool windowfocus --sync "$main"

# The start menu: Tab walks through the menus and the mode bar to the three buttons.
tab_chain "$main" 12 206x72+266+434 "新規作成" 206x72+488+434 "開く" 206x72+710+434 "終了"

# プリンタの設定 by keys: its printer list has the focus as it opens and shows it then.
xdotool key alt+f
sleep 0.5
xdotool key r
setting=$(window "^プリンタの設定$")
if [ -z "$setting" ]; then
  fail "no プリンタの設定"
else
  xdotool windowfocus --sync "$setting"
  focused=$(grab "$setting" 232x28+130+37)
  xdotool key Tab
  sleep 0.3
  [ "$(grab "$setting" 232x28+130+37)" != "$focused" ] || fail "the printer list: no sign of the focus"
  xdotool key Escape
fi

# A new document in the editor, then the print step (a click on its step button): Tab reaches the
# preview list, its page shown once drawn.
xdotool windowfocus --sync "$main" key ctrl+n
sleep 2
xdotool key Return
sleep 3
xdotool mousemove --window "$main" 232 55 click 1
settle "$main" 200x200+15+145
tab_chain "$main" 16 200x200+15+145 "the preview list"

# The save question of the closing program: N answers いいえ, and the program ends unsaved.
kill -TERM $pid
question=$(window "^Quorlane$" 10)
if [ -z "$question" ]; then
  fail "no save question"
else
  xdotool windowfocus --sync "$question" key n
fi
for _ in $(seq 1 20); do
  kill -0 $pid 2>/dev/null || break
  sleep 0.5
done
if kill -0 $pid 2>/dev/null; then
  fail "N did not answer the save question"
  kill -KILL $pid
fi
wait $pid
status=$?
[ $status -eq 0 ] || [ $failed -ne 0 ] || fail "the program ended with status $status"
exit $failed
