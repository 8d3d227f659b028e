#!/bin/sh
# Runs a Windows test program under Wine (run_wine_test.sh program.exe [arguments]) and passes
# only when it printed its summary line "N passed, 0 failed" and exited 0: Wine can end a crashed
# program with exit code 0.
# The prefix is $WINEPREFIX (CTest gives each build its own), or /tmp/lockfolio-wine-host; it is
# made on first use, with Wine's null display driver so that windows (message boxes) work headless,
# or copied afresh from $LOCKFOLIO_WINE_TEMPLATE (the x86 tests' prefix: tests/wine/x86-prefix).
# A 32-bit program starts with Wine's 32-bit loader; where none can run it is reported as not run,
# with the reason, and exit code 77 (CTest's "skipped").
set -u
wine_dir="$(cd "$(dirname "$0")/.." && pwd)"
PATH="$wine_dir/bin:$PATH"  # 64-bit programs through the 64-bit loader
[ $# -ge 1 ] || { echo "usage: $0 program.exe [arguments]" >&2; exit 2; }
command -v wine >/dev/null 2>&1 || { echo "wine is not installed" >&2; exit 2; }
loader=wine
if [ "$("$wine_dir/pe-arch" "$1")" = x86 ]; then
  reason=$("$wine_dir/x86-ready") || { echo "NOT RUN: $(basename "$1") (32-bit): $reason"; exit 77; }
  loader=/usr/bin/wine
fi

export WINEPREFIX="${WINEPREFIX:-/tmp/lockfolio-wine-host}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d}"

if [ -n "${LOCKFOLIO_WINE_TEMPLATE:-}" ]; then
  rm -rf "$WINEPREFIX" && cp -a "$LOCKFOLIO_WINE_TEMPLATE" "$WINEPREFIX"
elif [ ! -f "$WINEPREFIX/system.reg" ]; then
  wine wineboot -i >/dev/null 2>&1 || { echo "could not make the Wine prefix $WINEPREFIX" >&2; exit 2; }
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
  wineserver -w
fi

# Arguments that are POSIX paths (a DLL to test) are handed over as Windows paths.
program=$1
shift
for argument in "$@"; do
  case "$argument" in
    /*) argument=$(winepath -w "$argument" 2>/dev/null | tr -d '\r') ;;
  esac
  set -- "$@" "$argument"
  shift
done

# LOCKFOLIO_WINE_DPI: the display scale the program runs at (the prefix's LogPixels), for its run only.
if [ -n "${LOCKFOLIO_WINE_DPI:-}" ]; then
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$LOCKFOLIO_WINE_DPI" /f >/dev/null 2>&1
fi
output=$("$loader" "$program" "$@" 2>&1)
status=$?
if [ -n "${LOCKFOLIO_WINE_DPI:-}" ]; then
  wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1
fi
printf '%s\n' "$output"
summary=$(printf '%s\n' "$output" | tr -d '\r' | grep -E '^[0-9]+ passed, [0-9]+ failed$' | tail -n 1)
if [ -z "$summary" ]; then
  echo "no summary line: the program did not run to its end (exit code $status)" >&2
  exit 1
fi
# Under qemu, Wine's server may kill a 32-bit process with SIGKILL as it ends (exit code 137), after
# all its work: there its complete summary line is its verdict.
[ "$loader" != wine ] && [ "$status" -eq 137 ] && status=0
case "$summary" in
  *" 0 failed") [ "$status" -eq 0 ] || { echo "exit code $status despite: $summary" >&2; exit 1; } ;;
  *) exit 1 ;;
esac
exit 0
