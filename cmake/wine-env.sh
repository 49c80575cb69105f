# Wine bench: sourced by ./dev and by the wine-run launcher. Every Windows test and the demo
# runs in a private 64-bit prefix inside the build tree, never in ~/.wine: the product's 32-bit
# build under WoW64 where this machine executes 32-bit code, else the 64-bit test build.
UPDATE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d"

# True when this machine can execute 32-bit x86 code at all (some kernels run with IA-32
# emulation off: every 32-bit program, wine32 included, fails with "Exec format error"). Decided
# without Wine, so set-up knows before installing anything: a static i386 ELF program of 96
# bytes, whose 12 bytes of code only call exit(42), either runs or it does not.
machine_runs_32bit() {
  if [ -z "${UPDATE_MACHINE_RUNS_32BIT:-}" ]; then
    local probe rc=0
    probe=$(mktemp "${TMPDIR:-/tmp}/i386-probe.XXXXXX")
    printf '%b' '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' \
      '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' \
      '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' \
      '\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08' \
      '\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00' \
      '\x00\x10\x00\x00' \
      '\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$probe"
    chmod +x "$probe"
    "$probe" >/dev/null 2>&1 || rc=$?
    rm -f "$probe"
    if [ "$rc" = 42 ]; then UPDATE_MACHINE_RUNS_32BIT=yes; else UPDATE_MACHINE_RUNS_32BIT=no; fi
    export UPDATE_MACHINE_RUNS_32BIT
  fi
  [ "$UPDATE_MACHINE_RUNS_32BIT" = yes ]
}

# True when the 32-bit Windows build can run here: 32-bit code executes and wine32 is installed.
wine_can_run_32bit() {
  machine_runs_32bit && [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

# wine_select win32|win64: points WINEPREFIX, the loader and the server at the bench of that
# build. Both run in one 64-bit prefix, as on the 64-bit Windows that almost every user has: a
# 32-bit program under WoW64 ("C:\Program Files (x86)", the 32-bit registry view, System32
# redirected to SysWOW64), through the 32-bit loader that wine32 installs beside wine64.
wine_select() {
  export UPDATE_WINE_BITS=$1
  export WINEPREFIX="$UPDATE_ROOT/build/wine-prefix-win64"
  if [ "$1" = win64 ]; then
    export WINELOADER=/usr/lib/wine/wine64
  else
    export WINELOADER=/usr/lib/wine/wine
  fi
  # The prefix's architecture is given once, when it is made; a 32-bit loader refuses to start
  # with WINEARCH=win64.
  unset WINEARCH
  UPDATE_WINESERVER=/usr/lib/wine/wineserver64
  export WINESERVER=$UPDATE_WINESERVER
}

# wine_select_for PROGRAM: the bench that runs PROGRAM, chosen by its PE header.
wine_select_for() {
  if file -b "$1" | grep -q '^PE32+'; then wine_select win64; else wine_select win32; fi
}

wine() { "$WINELOADER" "$@"; }
# The prefix itself is made and set up by the 64-bit loader, whichever build runs in it, so that
# its machine-wide settings land in the 64-bit registry view.
wine_prefix_tool() { WINEARCH=win64 /usr/lib/wine/wine64 "$@"; }
wineserver() { "$UPDATE_WINESERVER" "$@"; }

# Where winedbg's report of every crash in the prefix is appended: the exception, the registers,
# the stack and the backtrace.
UPDATE_CRASH_LOG_WINDOWS='C:\windows\temp\update-crashes.log'
wine_crash_log() { echo "$WINEPREFIX/drive_c/windows/temp/update-crashes.log"; }
# wine_crash_log_size: the crash log's size now, to show later only what a program added.
wine_crash_log_size() { stat -c %s "$(wine_crash_log)" 2>/dev/null || echo 0; }
# wine_crash_report ERRORS SINCE: when the program whose standard error is ERRORS crashed, prints
# Wine's line about it and winedbg's report added to the crash log since size SINCE; false when
# it did not crash.
wine_crash_report() {
  grep -q '^wine: Unhandled' "$1" 2>/dev/null || return 1
  grep '^wine: Unhandled' "$1" | tr -d '\r'
  tail -c +"$(($2 + 1))" "$(wine_crash_log)" 2>/dev/null | tr -d '\r' | sed -n 1,80p || true
}

# The bench's settings of a prefix; a prefix made with an older list gets the new one applied.
UPDATE_PREFIX_SETTINGS=6

# Settings that make the prefix behave like a desktop a person uses: CJK font replacements, font
# links that let the system's own dialogs (drawn in Tahoma or DejaVu Sans) show Chinese, and no
# window-manager handshake (the bench's X server has no window manager, and Wine would wait two
# seconds for one on every hide or destroy of a window it thinks is managed). And no crash
# dialog: a program that crashes has winedbg write its backtrace to the program's standard error
# and ends, instead of staying on screen until someone closes the dialog, so a crash fails its
# test in seconds, as a crash.
wine_prefix_settings() {
  wine_prefix_tool reg.exe add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 \
    /f >/dev/null 2>&1
  # A program without a console would give winedbg a console of its own, which nobody reads: its
  # report goes to the crash log instead. Both views: a 32-bit program reads the 32-bit one.
  local view
  for view in 64 32; do
    wine_prefix_tool reg.exe add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
      /v Debugger /t REG_SZ /d "cmd.exe /c C:\\windows\\system32\\winedbg.exe --auto %ld %ld >>$UPDATE_CRASH_LOG_WINDOWS" \
      /f /reg:$view >/dev/null 2>&1
    wine_prefix_tool reg.exe add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
      /v Auto /t REG_SZ /d 1 /f /reg:$view >/dev/null 2>&1
  done
  for face in "微软雅黑" "宋体" "Microsoft YaHei" "SimSun"; do
    wine_prefix_tool reg.exe add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ \
      /d "WenQuanYi Micro Hei" /f >/dev/null 2>&1
  done
  for face in "Tahoma" "DejaVu Sans"; do
    wine_prefix_tool reg.exe add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
      /v "$face" /t REG_MULTI_SZ /d "wqy-microhei.ttc,WenQuanYi Micro Hei" /f >/dev/null 2>&1
  done
  # Windows has both views of the keys the 32-bit program writes into; a new Wine prefix lacks
  # the 32-bit view's Uninstall key, which the program opens and never creates.
  for key in Uninstall Run; do
    wine_prefix_tool reg.exe add "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\$key" /reg:32 /f \
      >/dev/null 2>&1
  done
  wine_prefix_tool reg.exe add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
}

# Creates the selected prefix once (under a lock: ctest runs tests in parallel): no Mono or Gecko
# prompt, the bench's settings, and a Desktop that is a real folder inside the prefix.
wine_prefix_ensure() {
  [ "$(cat "$WINEPREFIX/.update-ready" 2>/dev/null)" = "$UPDATE_PREFIX_SETTINGS" ] && return 0
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    [ "$(cat "$WINEPREFIX/.update-ready" 2>/dev/null)" = "$UPDATE_PREFIX_SETTINGS" ] && exit 0
    if [ ! -f "$WINEPREFIX/.update-ready" ]; then
      rm -rf "$WINEPREFIX"
      WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d" wine_prefix_tool wineboot.exe -i \
        >/dev/null 2>&1
      wineserver -w
    fi
    wine_prefix_settings
    for desktop in "$WINEPREFIX"/drive_c/users/*/Desktop; do
      if [ -L "$desktop" ]; then rm -f "$desktop"; mkdir -p "$desktop"; fi
    done
    wineserver -w
    [ -d "$WINEPREFIX/drive_c/windows" ] || { echo "wine prefix $WINEPREFIX not created" >&2; exit 1; }
    echo "$UPDATE_PREFIX_SETTINGS" >"$WINEPREFIX/.update-ready"
  ) 9>"$WINEPREFIX.lock"
}

# xvfb_start: one Xvfb screen for a whole run; exports DISPLAY and UPDATE_XVFB_PID.
xvfb_start() {
  local fifo display
  fifo=$(mktemp -u) && mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  export UPDATE_XVFB_PID=$!
  read -r display <"$fifo"
  rm -f "$fifo"
  export DISPLAY=":$display"
}

xvfb_stop() {
  [ -n "${UPDATE_XVFB_PID:-}" ] && kill "$UPDATE_XVFB_PID" 2>/dev/null || true
  unset UPDATE_XVFB_PID
}

# A persistent wineserver for the length of a run makes each start about 0.05 s. Wine's own
# background processes (services, explorer) are started here, with their output on /dev/null:
# started by a test, they would inherit ctest's output pipe and keep it open after the test.
wine_bench_start() {
  [ -n "${DISPLAY:-}" ] || xvfb_start
  wine_prefix_ensure
  wineserver -p >/dev/null 2>&1 || true
  wine_prefix_tool wineboot.exe </dev/null >/dev/null 2>&1 || true
}

wine_bench_stop() {
  wineserver -k >/dev/null 2>&1 || true
  xvfb_stop
}

# Starts the keeper (a Windows process that only waits) so that Wine keeps services running.
# Prints its Linux pid; end it with kill. $1: the Windows build folder (build/win32 or win64).
wine_keeper_start() {
  wine "$1/bin/keeper.exe" >/dev/null 2>&1 &
  echo $!
}

# process_ended PID: true once the process has ended (a zombie has: it only waits to be reaped).
process_ended() {
  local state
  state=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f1)
  [ -z "$state" ] || [ "$state" = Z ]
}

# wine_wait_for_state PID ERRORS COMMAND...: runs COMMAND, a wait for some state of the Windows
# program PID (a child of this shell) whose standard error goes to ERRORS, and returns its
# status. When the program ends first, the wait stops at once: it prints "the program crashed"
# with Wine's report and winedbg's backtrace, or the status it ended with, and returns 1. A
# program can be waited for only once, so its status is then kept in UPDATE_PROGRAM_STATUS. Clear
# that, and set UPDATE_CRASH_LOG_START to wine_crash_log_size, at each start.
wine_wait_for_state() {
  local pid=$1 errors=$2 waiter ended= status=0
  shift 2
  if [ -z "${UPDATE_PROGRAM_STATUS:-}" ]; then
    "$@" &
    waiter=$!
    wait -n -p ended "$waiter" "$pid" || status=$?
    if [ "$ended" = "$waiter" ]; then
      [ "$status" != 0 ] || return 0
      # A wait that failed as the program ended (its window gone with it) is the program's end.
      local deadline=$((SECONDS + 5))
      until process_ended "$pid" || [ $SECONDS -ge $deadline ]; do :; done
      process_ended "$pid" || return "$status"
      status=0
      wait "$pid" || status=$?
    else
      pkill -P "$waiter" 2>/dev/null
      kill "$waiter" 2>/dev/null
      wait "$waiter" 2>/dev/null || true
    fi
    UPDATE_PROGRAM_STATUS=$status
  fi
  if ! wine_note_crash "$errors" "while the test waited"; then
    echo "the program ended (status $UPDATE_PROGRAM_STATUS) before the state the test waited for"
  fi
  return 1
}

# wine_note_crash ERRORS WHEN: when the program whose standard error is ERRORS crashed, says so
# with Wine's report and sets UPDATE_PROGRAM_STATUS to "crashed"; false when it did not crash.
# The status alone cannot tell: winedbg ends a crashed program with status 0 when it has lost
# track of the exception (its TerminateProcess takes the code of the thread it looks at last, 0
# unless that thread is in the exception), as a full, loaded run showed.
wine_note_crash() {
  local report
  report=$(wine_crash_report "$1" "${UPDATE_CRASH_LOG_START:-0}") || return 1
  echo "the program crashed (status $UPDATE_PROGRAM_STATUS) $2; Wine's report:"
  sed 's/^/   /' <<<"$report"
  UPDATE_PROGRAM_STATUS=crashed
}

# wine_wait_exit PID ERRORS LIMIT: waits LIMIT seconds for the program PID, whose standard error
# is ERRORS, to end and keeps its exit status in UPDATE_PROGRAM_STATUS ("crashed" for a crash);
# false when it still runs then (it is left running).
wine_wait_exit() {
  [ -z "${UPDATE_PROGRAM_STATUS:-}" ] || return 0
  timeout "$3" tail --pid="$1" -f /dev/null || return 1
  UPDATE_PROGRAM_STATUS=0
  wait "$1" || UPDATE_PROGRAM_STATUS=$?
  wine_note_crash "$2" "after the state the test waited for" || true
}

# wine_backtrace EXE_NAME: prints the backtrace of every thread of each running Windows process
# of that base name in this prefix: the Windows side as winedbg reads it (it attaches, walks each
# thread's stack and detaches), then the Unix side as gdb reads it, since a thread blocked inside
# Wine's own Unix code (the X11 driver, say) shows only its system call to winedbg. So a program
# that does not end can be looked at before it is ended.
wine_backtrace() {
  local threads pid tids script
  threads=$(wine winedbg --command "info thread" 2>/dev/null | tr -d '\r')
  script=$(mktemp "${TMPDIR:-/tmp}/winedbg.XXXXXX")
  for pid in $(awk -v name="$1" '/^[0-9a-f]+ / && $2 == name {print $1}' <<<"$threads"); do
    tids=$(awk -v pid="$pid" '/^[0-9a-f]+ / {p = ($1 == pid)} p && /^\t/ {print $1}' <<<"$threads")
    { echo "attach 0x$pid"; for tid in $tids; do echo "bt 0x$tid"; done; echo detach; echo quit; } >"$script"
    echo "--- process $pid ($1), threads: $(echo $tids)"
    timeout 60 "$WINELOADER" winedbg --file "$(wine winepath -w "$script" 2>/dev/null | tr -d '\r')" \
      2>&1 | tr -d '\r' | grep -v '^0x[0-9a-f]* ntdll+0x[0-9a-f]*: ret' || true
  done
  rm -f "$script"
  for pid in $(pgrep -x "${1:0:15}"); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" || continue
    echo "--- Linux process $pid ($1), the Unix side"
    timeout 60 gdb -p "$pid" -batch -ex "thread apply all bt" 2>&1 | grep -E '^(Thread|#)' || true
  done
}
