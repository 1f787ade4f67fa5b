# Sourced by the tests of the started program.

# Ends the test when a tool it needs is missing: a failure under CI, which installs them, else a skip.
require_tools() {
  local tool
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null; then
      if [ -n "${QUORLANE_CI:-}" ]; then
        echo "$tool is missing, and CI installs it"
        exit 1
      fi
      echo "$tool is not installed: skipped"
      exit 77
    fi
  done
}

# Runs a command on an X server of its own. The server takes the first free display itself
# (-displayfd), so tests started side by side never race for one number as xvfb-run -a can.
#   on_own_display <W>x<H>x<depth> <command> [args...]
on_own_display() {
  local screen=$1
  shift
  require_tools Xvfb
  local dir
  dir=$(mktemp -d)
  Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3>"$dir/display" >"$dir/log" 2>&1 &
  local xpid=$!
  # The number is written, with its newline, once the server takes clients.
  local _
  for _ in $(seq 1 300); do
    [ "$(wc -l <"$dir/display")" -ge 1 ] && break
    kill -0 $xpid 2>/dev/null || break
    sleep 0.1
  done
  if [ "$(wc -l <"$dir/display")" -lt 1 ]; then
    echo "Xvfb did not start"
    cat "$dir/log"
    kill $xpid 2>/dev/null
    rm -rf "$dir"
    return 3
  fi
  local status
  DISPLAY=":$(head -n1 "$dir/display")" "$@"
  status=$?
  kill $xpid 2>/dev/null
  wait $xpid 2>/dev/null
  rm -rf "$dir"
  return $status
}

# A home and XDG folders of the test's own ($home, removed at exit), under the X11 platform; leaks of
# the system libraries that platform loads are not the program's.
private_home() {
  home=$(mktemp -d)
  trap 'rm -rf "$home"' EXIT
  local var
  for var in XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME XDG_RUNTIME_DIR; do
    mkdir -m 700 -p "$home/$var"
    export "$var=$home/$var"
  done
  export HOME="$home"
  unset QT_QPA_PLATFORM
  export LSAN_OPTIONS="suppressions=$(dirname "${BASH_SOURCE[0]}")/started-app.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
}

# Starts a window manager on the test's X server (openbox, with a configuration of its own so the
# user's is never read), as a user's desktop has one: it decides focus and placement, which tests of
# keys and typing must meet. Stopped at exit with the home.
window_manager() {
  require_tools openbox xprop
  mkdir -p "$home/XDG_CONFIG_HOME/openbox"
  local attempt
  # An X server just started under load now and then refuses its first client: try again before
  # calling the test broken.
  for attempt in 1 2 3; do
    openbox --sm-disable >"$home/openbox.log" 2>&1 &
    wm_pid=$!
    trap 'kill $wm_pid 2>/dev/null; rm -rf "$home"' EXIT
    # openbox sets the root window's _NET_SUPPORTING_WM_CHECK once it manages the screen.
    for _ in $(seq 1 100); do
      xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && return 0
      kill -0 $wm_pid 2>/dev/null || break
      sleep 0.1
    done
    kill $wm_pid 2>/dev/null
    sleep 1
  done
  echo "openbox did not start on $DISPLAY"
  cat "$home/openbox.log"
  exit 3
}

# What the tests of the started program share: failures are counted, not fatal, so one run tells all.
failed=0
fail() {
  echo "failed: $*"
  failed=1
}

# The first visible window whose name matches, within $2 seconds (20 when not given). Asked again and
# again rather than with --sync: a search that meets a window going away (a closing menu) gives up.
window() {
  local end=$((SECONDS + ${2:-20})) found
  while [ $SECONDS -lt $end ]; do
    found=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1)
    [ -n "$found" ] && echo "$found" && return 0
    sleep 0.5
  done
  return 1
}
# True once no visible window's name matches, within $2 seconds (60 when not given).
gone() {
  local _
  for _ in $(seq 1 "${2:-60}"); do
    [ -z "$(xdotool search --onlyvisible --name "$1" 2>/dev/null)" ] && return 0
    sleep 1
  done
  return 1
}

# The main window's pixel at x y (window coordinates) as hex.
pixel() {
  import -window "$main" png:- 2>/dev/null | convert png:- -format "%[hex:p{$1,$2}]" info: 2>/dev/null
}
shows() { # x y colour [seconds]: true once the main window shows it, within the seconds (30)
  local _
  for _ in $(seq 1 $((${4:-30} * 2))); do
    [ "$(pixel "$1" "$2")" = "$3" ] && return 0
    sleep 0.5
  done
  return 1
}
leaves() { # x y colour [seconds]: true once the main window shows another colour there, within 20 s
  local _
  for _ in $(seq 1 $((${4:-20} * 2))); do
    [ "$(pixel "$1" "$2")" != "$3" ] && return 0
    sleep 0.5
  done
  return 1
}

# Starts $exe (with the given arguments) and waits for its main window: sets pid and main.
start_program() {
  "$exe" "$@" &
  pid=$!
  main=$(window "^Quorlane - " 60)
  if [ -z "$main" ]; then
    echo "no main window within 60 s"
    kill -KILL $pid
    exit 3
  fi
}

# Ctrl+N until the paper step shows (its 用紙ジャンル row): the main window takes keys once its start
# has settled. False when it never shows.
paper_step() {
  local _
  for _ in $(seq 1 30); do
    xdotool windowfocus --sync "$main" key ctrl+n
    shows 117 270 55A1CF 1 && return 0
  done
  return 1
}
