#!/usr/bin/env bash
# Update.exe's window under Wine + Xvfb, driven from the Linux side: the run mode and client type
# read back from the window, its size, place and alpha mode, the install page on screen, hover and
# press on the install button, the close and minimise buttons, and exit codes.
# The progress page after the switch, at 37 % and failed; update mode; the folder dialog.
# Usage: window_test.sh CASE UPDATE_EXE WINDOW_PROBE_EXE ARTEFACT_DIR
#   CASE: modes|install-page|minimise|progress-page|update-mode|folder-dialog|screen-reader
# The screen-reader case reads the window through ui-inspect (UI_INSPECT_EXE, fifth argument).
# Screenshots stay in ARTEFACT_DIR. Uses the display in DISPLAY, or a private Xvfb screen.
set -euo pipefail
CASE=${1:?case}
UPDATE=$(realpath "${2:?Update.exe}")
PROBE=${3:?window_probe.exe}
SHOTS=${4:?artefact folder}
INSPECT=${5:-}
source "$(dirname "${BASH_SOURCE[0]}")/../../cmake/wine-env.sh"
wine_select_for "$UPDATE"
mkdir -p "$SHOTS"
if [ -z "${DISPLAY:-}" ]; then
  wine_bench_start
  bench_started=1
else
  wine_prefix_ensure
fi

trap 'rm -f "$ERRORS"; [ -z "${bench_started:-}" ] || wine_bench_stop' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check_eq() { # what actual expected
  if [ "$2" = "$3" ]; then echo "ok: $1 = $2"; else fail "$1: got '$2', expected '$3'"; fi
}

probe() { "$WINELOADER" "$PROBE" "$@" 2>/dev/null | tr -d '\r'; }
inspect() { "$WINELOADER" "$INSPECT" "$@" 2>/dev/null | tr -d '\r'; }
# has_line WHAT TEXT LINE-PATTERN: checks that TEXT holds a line matching the pattern.
has_line() {
  if grep -qE -- "$3" <<<"$2"; then echo "ok: $1"; else fail "$1: no line like '$3' in:"$'\n'"$2"; fi
}
field() { sed -n "s/.*\b$2=\([^ ]*\).*/\1/p" <<<"$1"; }

ERRORS=$(mktemp)
# launch [ARG...]: starts Update.exe, its standard error kept for a crash report; sets app_pid.
launch() {
  UPDATE_CRASH_LOG_START=$(wine_crash_log_size) UPDATE_PROGRAM_STATUS=
  "$WINELOADER" "$UPDATE" "$@" >/dev/null 2>"$ERRORS" &
  app_pid=$!
}
# awaits COMMAND...: runs a wait for the window's state; it ends at once, saying whether the
# program crashed, when Update.exe ends first.
awaits() { wine_wait_for_state "$app_pid" "$ERRORS" "$@"; }
probe_state_into() { probe "$@" >"$ERRORS.state"; }
inspect_quietly() { inspect "$@" >/dev/null; }
# wait_window: waits for Update.exe's window; sets state.
wait_window() {
  local status=0
  awaits probe_state_into wait || status=$?
  state=$(cat "$ERRORS.state" 2>/dev/null)
  rm -f "$ERRORS.state"
  return $status
}

# start_update [ARG...]: starts Update.exe and waits for its window; sets app_pid and state.
start_update() {
  launch "$@"
  wait_window || {
    kill -0 "$app_pid" 2>/dev/null && running=running || running="not running"
    fail "no window for arguments [$*] (Update.exe $running): $state"
    return 1
  }
  echo "state for [$*]: $state"
}

# wait_exit: waits up to 30 s for Update.exe to end and checks its exit code is 1.
wait_exit() {
  if ! wine_wait_exit "$app_pid" "$ERRORS" 30; then
    fail "Update.exe still runs after 30 s; its threads:"
    wine_backtrace "$(basename "$UPDATE")" | sed 's/^/   /'
    kill "$app_pid" 2>/dev/null || true
    UPDATE_PROGRAM_STATUS=0
    wait "$app_pid" || UPDATE_PROGRAM_STATUS=$?
  fi
  check_eq "exit code ($1)" "$UPDATE_PROGRAM_STATUS" 1
}

# Screen position of client point (x, y) of the window described by $state.
sx() { echo $(($(field "$state" left) + $1)); }
sy() { echo $(($(field "$state" top) + $1)); }

shot() { import -window root "$SHOTS/$1.png"; }
# pixel SHOT X Y: "r g b" of client point (x, y) in a screenshot.
pixel() {
  convert "$SHOTS/$1.png" -format "%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]" \
    -crop "1x1+$(sx "$2")+$(sy "$3")" info:
}
# average SHOT X Y W H: the mean "r g b" of a client rectangle.
average() {
  convert "$SHOTS/$1.png" -crop "$4x$5+$(sx "$2")+$(sy "$3")" +repage -resize 1x1\! \
    -format "%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]" info:
}
region_hash() {
  convert "$SHOTS/$1.png" -crop "$4x$5+$(sx "$2")+$(sy "$3")" +repage -format '%#' info:
}

# first_frame SHOT: the window's picture right after it appeared. Its banner (client 420, 100) is
# drawn, never the screen's black: the window is shown only with its first frame whole.
first_frame() {
  shot "$1"
  read -r r g b <<<"$(pixel "$1" 420 100)"
  [ $((r + g + b)) -gt 60 ] || { fail "$1: the first frame is not drawn ($r $g $b)"; return 1; }
}

# wait_change SHOT X Y W H HASH: takes screenshots until the region differs from HASH (10 s).
wait_change() {
  local deadline=$((SECONDS + 10))
  while :; do
    shot "$1"
    [ "$(region_hash "$1" "$2" "$3" "$4" "$5")" != "$6" ] && return 0
    [ $SECONDS -ge $deadline ] && { fail "$1: no change of the region after 10 s"; return 1; }
  done
}

# Client coordinates from the layout: the install button (200 x 40, centred, 40 below the check
# boxes), the close and minimise buttons (18 x 18 at right - 45 and right - 80, 20 below the top
# of the page, which is inset 1 pixel), the check boxes (14 x 14 at 42, 266 and 166 + 8).
BUTTON_X=320 BUTTON_Y=491 BUTTON_W=200 BUTTON_H=40

case "$CASE" in
  modes)
    # Arguments, then the mode and client type the window holds.
    rows=("|0|0" "7|1|7" "abc|1|0" "12 x y|1|12" "  -5|1|-5")
    for row in "${rows[@]}"; do
      IFS='|' read -r args mode type <<<"$row"
      if [ -z "$args" ]; then
        start_update || continue
      elif [ "$args" = "12 x y" ]; then
        start_update 12 x y || continue
      else
        start_update "$args" || continue
      fi
      check_eq "mode for [$args]" "$(field "$state" mode)" "$mode"
      check_eq "client type for [$args]" "$(field "$state" type)" "$type"
      probe close >/dev/null
      wait_exit "closed, arguments [$args]"
    done
    ;;
  install-page)
    start_update || exit 1
    check_eq width "$(field "$state" width)" 840
    check_eq height "$(field "$state" height)" 580
    check_eq layered "$(field "$state" layered)" 1
    IFS=, read -r wl wt wr wb <<<"$(field "$state" work)"
    check_eq left "$(field "$state" left)" $((wl + (wr - wl) / 2 - 420))
    check_eq top "$(field "$state" top)" $((wt + (wb - wt) / 2 - 290))
    first_frame install-page
    # Opaque areas: the black frame, the banner, the white lower half, the blue install button.
    for row in "0 0 black" "0 300 black" "839 579 black" "839 100 black" \
               "420 100 banner" "100 560 white" "800 460 white" "330 511 button"; do
      read -r x y what <<<"$row"
      read -r r g b <<<"$(pixel install-page "$x" "$y")"
      case "$what" in
        black) ok=$(( r + g + b == 0 )) ;;
        white) ok=$(( r == 255 && g == 255 && b == 255 )) ;;
        banner|button) ok=$(( b > 150 && b > r + 40 )) ;;
      esac
      [ "$ok" = 1 ] && echo "ok: ($x,$y) is $what ($r $g $b)" || fail "($x,$y) is not $what: $r $g $b"
    done
    # radio_zmkj and radio_xieyi ticked (blue box), radio_auto not (light box).
    for row in "42 radio_zmkj 1" "166 radio_auto 0" "266 radio_xieyi 1"; do
      read -r x name ticked <<<"$row"
      read -r r g b <<<"$(average install-page "$x" 436 14 14)"
      blue=$(( b > r + 60 ))
      check_eq "$name ticked ($r $g $b)" "$blue" "$ticked"
    done
    normal=$(region_hash install-page $BUTTON_X $BUTTON_Y $BUTTON_W $BUTTON_H)
    xdotool mousemove "$(sx 420)" "$(sy 511)"
    wait_change install-button-hover $BUTTON_X $BUTTON_Y $BUTTON_W $BUTTON_H "$normal" &&
      echo "ok: hover changes the install button"
    hover=$(region_hash install-button-hover $BUTTON_X $BUTTON_Y $BUTTON_W $BUTTON_H)
    xdotool mousedown 1
    wait_change install-button-pressed $BUTTON_X $BUTTON_Y $BUTTON_W $BUTTON_H "$hover" &&
      echo "ok: pressing changes the install button"
    pressed=$(region_hash install-button-pressed $BUTTON_X $BUTTON_Y $BUTTON_W $BUTTON_H)
    [ "$pressed" != "$normal" ] || fail "the pressed button looks like the normal one"
    xdotool mouseup 1
    # The close button ends the program with exit code 1.
    xdotool mousemove "$(sx 803)" "$(sy 30)" click 1
    wait_exit "close button"
    ;;
  minimise)
    # Started from another folder: the program still finds everything it needs.
    cd / && launch && cd - >/dev/null
    wait_window || { fail "no window when started from /"; exit 1; }
    first_frame started-elsewhere && echo "ok: the install page is drawn when started from /"
    xdotool mousemove "$(sx 768)" "$(sy 30)" click 1
    deadline=$((SECONDS + 10))
    until [ "$(field "$(probe state)" iconic)" = 1 ] || [ $SECONDS -ge $deadline ]; do :; done
    check_eq "minimised after the minimise button" "$(field "$(probe state)" iconic)" 1
    probe close >/dev/null
    wait_exit "closed while minimised"
    ;;
  progress-page)
    start_update || exit 1
    first_frame install-page-before-switch
    xdotool mousemove "$(sx 420)" "$(sy 513)" click 1
    # The first picture in which (60,400), white on the install page, is no longer white must be
    # the whole progress page (its banner reaches down there): the banner opaque and not black,
    # the lower half white, never a black page between.
    deadline=$((SECONDS + 20))
    while :; do
      shot progress-page-first
      read -r r g b <<<"$(pixel progress-page-first 60 400)"
      [ $((r + g + b)) != 765 ] && break
      [ $SECONDS -ge $deadline ] && { fail "no progress page 20 s after the click"; break; }
    done
    for row in "420 100 banner" "60 300 banner" "60 400 banner" "100 560 white" "800 470 white"; do
      read -r x y what <<<"$row"
      read -r r g b <<<"$(pixel progress-page-first "$x" "$y")"
      case "$what" in
        white) ok=$(( r == 255 && g == 255 && b == 255 )) ;;
        banner) ok=$(( r + g + b > 60 )) ;;
      esac
      [ "$ok" = 1 ] && echo "ok: first picture, ($x,$y) is $what ($r $g $b)" ||
        fail "first picture after the switch, ($x,$y) is not $what: $r $g $b"
    done
    # The status line and the bar (below the banner, which turns) before the first progress.
    deadline=$((SECONDS + 10))
    until shot progress-page && read -r r g b <<<"$(pixel progress-page 100 560)" &&
      [ $((r + g + b)) = 765 ] || [ $SECONDS -ge $deadline ]; do :; done
    status_before=$(region_hash progress-page 0 440 840 140)
    probe progress 37 1048576 >/dev/null || fail "no answer to the progress message"
    wait_change progress-37 0 440 840 140 "$status_before" && echo "ok: progress at 37 % drawn"
    status_37=$(region_hash progress-37 0 440 840 140)
    probe failed >/dev/null || fail "no answer to the failure request"
    wait_change download-failed 0 440 840 140 "$status_37" && echo "ok: failure display drawn"
    # The failure page's line for each group of reasons, drawn and read by a screen reader.
    before=$(region_hash download-failed 0 440 840 140)
    for row in "101|network|无法连接到服务器，请检查网络后重试" \
      "503|server|服务器暂时无法提供更新，请稍后重试" "201|refused|下载的文件未通过校验，已停止安装" \
      "701|disk|磁盘空间不足，请释放空间后重试" "902|in-use|文件被其他程序占用，请关闭该程序后重试" \
      "301|folder|无法写入安装目录，请选择其他目录" "1401|other|发生错误（代码 1401），请联系客服"; do
      IFS='|' read -r reason group line <<<"$row"
      probe failed "$reason" >/dev/null || fail "no answer to the failure request $reason"
      wait_change "failure-$group" 0 440 840 140 "$before" && echo "ok: the $group line drawn"
      before=$(region_hash "failure-$group" 0 440 840 140)
      inspect --find "$line" >/dev/null && echo "ok: the $group line is read: $line" ||
        fail "the $group line is not read: $line"
    done
    probe close >/dev/null
    wait_exit "closed on the progress page"
    ;;
  update-mode)
    start_update 3 || exit 1
    first_frame update-mode
    # The whole progress page (the window was prepared before it was first shown): the banner,
    # the white lower half, and no install button.
    for row in "420 100 banner" "60 300 banner" "100 560 white" "800 470 white" "330 511 white"; do
      read -r x y what <<<"$row"
      read -r r g b <<<"$(pixel update-mode "$x" "$y")"
      case "$what" in
        white) ok=$(( r == 255 && g == 255 && b == 255 )) ;;
        banner) ok=$(( r + g + b > 60 )) ;;
      esac
      [ "$ok" = 1 ] && echo "ok: update mode, ($x,$y) is $what ($r $g $b)" ||
        fail "update mode, ($x,$y) is not $what: $r $g $b"
    done
    probe close >/dev/null
    wait_exit "update mode closed"
    ;;
  folder-dialog)
    start_update || exit 1
    first_frame folder-dialog-before
    xdotool mousemove "$(sx 707)" "$(sy 412)" click 1
    dialog=
    deadline=$((SECONDS + 20))
    until dialog=$(xdotool search --onlyvisible --name "Browse for Folder" 2>/dev/null | head -1) &&
      [ -n "$dialog" ] || [ $SECONDS -ge $deadline ]; do :; done
    if [ -n "$dialog" ]; then
      echo "ok: the folder dialog is open"
      # Its title line is drawn a moment after it maps: wait for dark pixels in its top band.
      deadline=$((SECONDS + 10))
      eval "$(xdotool getwindowgeometry --shell "$dialog")"
      until import -window root "$SHOTS/folder-dialog.png" &&
        [ "$(convert "$SHOTS/folder-dialog.png" -crop "$((WIDTH - 40))x30+$((X + 20))+$((Y + 10))" \
          +repage -threshold 50% -format '%[fx:int(1000*(1-mean))]' info:)" -gt 5 ] ||
        [ $SECONDS -ge $deadline ]; do :; done
      # Without a window manager an activation may never be confirmed: do not wait for it.
      timeout 5 xdotool windowactivate --sync "$dialog" 2>/dev/null || true
      xdotool key Escape
    else
      fail "no folder dialog after a click on the browse button"
    fi
    probe close >/dev/null
    wait_exit "closed after the folder dialog"
    ;;
  screen-reader)
    start_update || exit 1
    tree=$(inspect)
    echo "$tree" >"$SHOTS/screen-reader-install-page.txt"
    folder=$(printf '%s' 'C:\Program Files (x86)\ZorvikClient\' | sed 's/[\()]/\\&/g')
    has_line "folder box" "$tree" "text name=\"选择路径\" value=\"$folder\" states=read-only"
    has_line "shortcut option" "$tree" 'check-button name="创建桌面快捷方式" value="" states=checked,focusable'
    has_line "autostart option" "$tree" 'check-button name="开机自动启动" value="" states=focusable'
    has_line "agreement" "$tree" 'check-button name="阅读并同意Zorvik网络加速器" value="" states=checked,focusable'
    has_line "agreement link" "$tree" 'link name="服务协议" value="http://[^"]*/aboutUs.html\?type=%E4%BC%9A%E5%91%98%E6%9D%A1%E6%AC%BE"'
    has_line "install button" "$tree" 'push-button name="立即安装" value="" states=focusable '
    has_line "close button" "$tree" 'push-button name="关闭"'
    has_line "minimise button" "$tree" 'push-button name="最小化"'
    # Unticking the agreement makes the install button unavailable; ticking it again enables it.
    inspect --do "阅读并同意Zorvik网络加速器" >/dev/null
    awaits inspect_quietly --wait "立即安装" --timeout 10
    has_line "install button after unticking" "$(inspect --find 立即安装)" 'states=unavailable'
    [ "$(inspect --do 立即安装 >/dev/null; echo $?)" = 3 ] && echo "ok: a disabled button refuses" ||
      fail "the disabled install button took its action"
    inspect --do "阅读并同意Zorvik网络加速器" >/dev/null
    # Install now: the progress page's status line and bar, and no install page.
    inspect --do 立即安装 >/dev/null || fail "install button refused"
    # No vendor service answers this window: the check fails and says so.
    awaits inspect_quietly --wait "下载失败" --timeout 60 || fail "no status line after install"
    tree=$(inspect)
    echo "$tree" >"$SHOTS/screen-reader-progress-page.txt"
    has_line "status line" "$tree" 'static-text name="下载失败"'
    has_line "progress bar" "$tree" 'progress-bar name="" value="0%"'
    grep -q '立即安装' <<<"$tree" && fail "the install page is still in the tree" ||
      echo "ok: the install page is gone"
    probe progress 37 1000 >/dev/null
    awaits inspect_quietly --wait "正在安装 37%" --timeout 10 && echo "ok: the reader sees 37 %" ||
      fail "the status line did not reach 37 %"
    probe close >/dev/null
    wait_exit "closed after reading"
    ;;
  *)
    echo "unknown case $CASE" >&2
    exit 2
    ;;
esac

echo "screenshots: $SHOTS"
[ "$failures" = 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "all checks passed"
