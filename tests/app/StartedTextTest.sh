#!/usr/bin/env bash
# A new text takes what is typed at once, in the started program under a window manager: a face of
# a shipped 名刺 sheet (QL-BC10) clicked, then the tool bar's 文字 or 文字(S) > 文字(T) by Alt+S, T,
# and the typed text (kana included) is the new text's, as the saved document holds it; the same on a
# user paper made with the wizard (用紙編集 > 新規用紙登録, 完了). The memo shows that it has the keys.
# Clicks are placed in the main window as the first start lays it out on a 1366 x 900 screen.
#   StartedTextTest.sh <program>
set -u
here=$(cd "$(dirname "$0")" && pwd)

. "$here/StartedAppSupport.sh"
if [ "${1:-}" != --inside ]; then
  require_tools Xvfb xdotool xkbcomp /usr/bin/python3
  /usr/bin/python3 -c "import olefile" 2>/dev/null || require_tools python3-olefile
  on_own_display 1366x900x24 "$0" --inside "$1"
  exit $?
fi
exe=$2
private_home
window_manager

# The kana typed get keys of their own before the program starts: xdotool would map each one on the
# fly, and the program may see the key before it sees the new mapping.
xkbcomp -xkb "$DISPLAY" "$home/keys.xkb" 2>/dev/null
sed -i -e 's/key <I240> {[^}]*}/key <I240> { [ U30C6 ] }/' \
  -e 's/key <I241> {[^}]*}/key <I241> { [ U30B9 ] }/' \
  -e 's/key <I242> {[^}]*}/key <I242> { [ U30C8 ] }/' "$home/keys.xkb"
xkbcomp "$home/keys.xkb" "$DISPLAY" 2>/dev/null

click() { # x y (on the screen)
  xdotool mousemove "$1" "$2" click 1
  sleep 0.5
}

start_program
paper_step

# In the editor, a face clicked and a text made by the tool bar, then another by the menu's keys.
# The memo that takes the keys shows it by its frame in the selection colour, which Tab takes away.
texts() { # what first-text second-text
  click 1150 834 # 編集画面へ
  # The sheet's faces in the editor.
  shows 222 272 C0C0C0 60 || fail "$1: no editor"
  click 306 322
  click 156 153 # 文字
  xdotool type --delay 30 "$2"
  shows 621 400 308CC6 || fail "$1: the memo's frame does not show that it has the keys"
  xdotool key Tab
  leaves 621 400 308CC6 || fail "$1: the memo's frame shows the keys it no longer has"
  click 500 700
  xdotool key alt+s
  sleep 0.5
  xdotool key t
  sleep 0.5
  xdotool type --delay 30 "$3"
}
# Ctrl+S names a new document in the save dialog; the texts it then holds, one a line.
save() { # file
  xdotool key ctrl+s
  local dialog
  dialog=$(window "^名前を付けて保存$" 60)
  [ -n "$dialog" ] || { fail "$1: no save dialog"; return 1; }
  xdotool windowfocus --sync "$dialog" type --delay 10 "$home/$1"
  xdotool key Return
  for _ in $(seq 1 20); do
    [ -s "$home/$1" ] && [ -z "$(xdotool search --onlyvisible --name "^名前を付けて保存$")" ] && break
    sleep 0.5
  done
  [ -s "$home/$1" ] || { fail "$1: not saved"; return 1; }
  /usr/bin/python3 "$here/saved_texts.py" "$home/$1" | LC_ALL=C sort
}

# A shipped 名刺 sheet: 用途 名刺 offers QL-BC10 first.
click 796 255
click 584 299
texts 名刺 "テスト1" "Keys テスト2"
got=$(save meishi.qld)
[ "$got" = "$(printf 'Keys テスト2\nテスト1')" ] || fail "名刺: the saved texts are [$got]"

# A user paper made from it with the wizard, which then shows it selected among the user papers.
xdotool key ctrl+n
# The paper panel in place of the editor's faces.
leaves 222 272 C0C0C0 || fail "no paper panel for a second document"
sleep 0.5
xdotool key alt+e
sleep 0.5
xdotool key n
# Slow to open under the sanitizers.
wizard=$(window "^用紙の編集・登録" 60)
if [ -z "$wizard" ]; then
  fail "no paper wizard"
else
  xdotool windowfocus --sync "$wizard" key alt+f
  for _ in $(seq 1 20); do
    [ -z "$(xdotool search --onlyvisible --name "^用紙の編集・登録")" ] && break
    sleep 0.5
  done
  texts "user paper" "User テスト3" "テスト4"
  got=$(save user.qld)
  [ "$got" = "$(printf 'User テスト3\nテスト4')" ] || fail "user paper: the saved texts are [$got]"
fi
[ -n "${QUORLANE_GRAB:-}" ] && import -window root "$QUORLANE_GRAB"

kill -TERM $pid
question=$(window "^Quorlane$" 3)
[ -n "$question" ] && xdotool windowfocus --sync "$question" key alt+n
wait $pid
status=$?
[ $status -eq 0 ] || fail "the program ended with status $status"
exit $failed
