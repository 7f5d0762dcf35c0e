#!/usr/bin/env bash
# Checks the Windows builds of scripts/build-windows:
# - each certinstall.exe and quorbel.dll imports only DLLs that come with Windows (the
#   names Wine carries as its own system DLLs), so nothing of MinGW has to lie beside it;
# - the 64-bit certinstall.exe runs under Wine, against Wine's own crypt32 and advapi32:
#   it shows its main window, the message boxes before it answered as a user would, and
#   ends with exit code 0 when that window is closed. (Debian's wine64 has no 32-bit side,
#   so the i686 build is only checked by its imports.)
# - the tests built for Windows (tests/windows: the services' tests, the rows of an editor
#   page, the store editor listing what crypt32 put into the user's My store) pass under
#   Wine, skipping only where Wine is known to differ from Windows, each skip saying how;
# - store files cross: one written under Wine is read by the Linux build (HOST_BUILD, the
#   project's build folder, default build/) with the same certificates and properties, and
#   one the Linux build reads is read by Wine alike.
#   winecheck.sh BUILD_WINDOWS_DIR [SCREENSHOT.png]
set -euo pipefail
dir=$(realpath "$1")
screenshot=${2:-}

wine_system=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || { echo "winecheck: $wine missing (Debian package wine64)" >&2; exit 1; }

fail() { echo "winecheck: $*" >&2; exit 1; }

# All of it runs on a virtual display of its own.
if [ -z "${WINECHECK_ON_DISPLAY:-}" ]; then
  exec env WINECHECK_ON_DISPLAY=1 xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" bash "$0" "$@"
fi

# The i686 program where it was built (scripts/build-windows without an architecture).
for file in "$dir"/i686/app/certinstall.exe "$dir"/x86_64/app/certinstall.exe "$dir"/quorbel/quorbel.dll; do
  if [[ $file == */i686/* ]] && [ ! -e "$file" ]; then echo "winecheck: no i686 certinstall.exe built, not checked"; continue; fi
  [ -s "$file" ] || fail "$file missing"
  imports=$(objdump -p "$file" | sed -n 's/^\s*DLL Name: //p')
  [ -n "$imports" ] || fail "$file: no import table read"
  for dll in $imports; do
    [ -e "$wine_system/${dll,,}" ] || fail "$file imports $dll, which Windows does not carry"
  done
  echo "winecheck: $(realpath --relative-to="$dir" "$file") imports only system DLLs: $(echo $imports)"
done

# The user's locale and zone that the tests' dates are written for.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d" LANG=ru_RU.UTF-8 TZ=Europe/Moscow
export WINEPREFIX=""
work=$(mktemp -d)
log=$work/log
# The old prefix's server must have ended before its folder goes: wine finds a prefix's
# server by the folder's device and inode, and a new folder may get the same inode.
cleanup() {
  if [ -n "$WINEPREFIX" ]; then
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    /usr/lib/wine/wineserver -w 2>/dev/null || true
    rm -rf "$WINEPREFIX"
  fi
}
trap 'cleanup; rm -rf "$work"' EXIT
# Each check starts from a new Windows user, so that none sees what another left. A
# wineboot that fails is tried once more in another new prefix; its output is shown.
fresh_prefix() {
  local attempt
  for attempt in 1 2; do
    cleanup
    WINEPREFIX=$(mktemp -d)
    "$wine" wineboot -i >"$work/wineboot" 2>&1 && break
    echo "winecheck: wineboot failed with exit code $? (try $attempt of 2):" >&2
    tr -d '\r' <"$work/wineboot" | tail -20 >&2
    [ "$attempt" -lt 2 ] || fail "wineboot could not make a new Wine prefix"
  done
  # No window manager runs on the display: Wine draws the title bars itself. (Only how the
  # windows look; a busy wineserver that refuses it now and then fails nothing.)
  "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1 || true
  /usr/lib/wine/wineserver -w || fail "the Wine prefix's server did not settle"
}
fresh_prefix

title="Установка сертификата из ключевого контейнера"
# The boxes the start-up search may show first: Wine has no GOST provider and no key
# containers.
question="Отсутствует носитель"
error="Ошибка создания провайдера"

"$wine" "$dir/x86_64/app/certinstall.exe" >"$log" 2>&1 &
pid=$!

window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1; }
# Keys go to the focused window, as a user's would; then wait until the window has gone.
press() {
  xdotool windowfocus --sync "$1" 2>/dev/null || true
  sleep 0.5
  xdotool key --clearmodifiers "${@:2}"
  for _ in $(seq 20); do
    xdotool getwindowname "$1" >/dev/null 2>&1 && xdotool search --onlyvisible --name . 2>/dev/null | grep -qx "$1" || return 0
    sleep 0.5
  done
}

main=""
for _ in $(seq 120); do
  kill -0 "$pid" 2>/dev/null || { cat "$log" >&2; fail "certinstall.exe ended before showing its window"; }
  if box=$(window "$question") && [ -n "$box" ]; then
    echo "winecheck: answered \"$question\" with No"
    press "$box" Tab Return   # from Yes to No
  elif box=$(window "$error") && [ -n "$box" ]; then
    echo "winecheck: answered \"$error\" with OK"
    press "$box" Return
  elif main=$(window "$title") && [ -n "$main" ]; then
    break
  fi
  sleep 1
done
[ -n "$main" ] || fail "no window \"$title\" within two minutes"
echo "winecheck: certinstall.exe shows \"$title\""

eval "$(xdotool getwindowgeometry --shell "$main")"
if [ -n "$screenshot" ]; then
  sleep 2
  # From the screen, as the user sees it, not from the window's own drawing.
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$screenshot"
  echo "winecheck: screenshot in $screenshot"
fi

# Closed as a user closes it: the close button at the right end of the title bar.
xdotool mousemove $((X + WIDTH - 12)) $((Y + 10)) click 1
for _ in $(seq 30); do kill -0 "$pid" 2>/dev/null || break; sleep 1; done
if kill -0 "$pid" 2>/dev/null; then kill "$pid"; fail "certinstall.exe still runs 30 s after its window was closed"; fi
code=0; wait "$pid" || code=$?
[ "$code" -eq 0 ] || { cat "$log" >&2; fail "certinstall.exe ended with exit code $code"; }
echo "winecheck: certinstall.exe ended cleanly when its window was closed"

# The tests built for Windows, each in a new prefix: the services' tests, the rows of an
# editor page, and the store editor listing what crypt32 put into the user's My store. A
# skip is only ever for a known Wine difference, and says which.
tests=$dir/x86_64/tests/windows
for program in crypto_tests storerows_tests storeeditor_tests; do
  fresh_prefix
  "$wine" "$tests/$program.exe" >"$log" 2>&1 || { tr -d '\r' <"$log" >&2; fail "$program.exe failed under Wine"; }
  tr -d '\r' <"$log" | awk '/: Skipped$/ { getline reason } /^\[  SKIPPED \] .* \(/ { print "winecheck:   skipped " $4 ": " reason }'
  echo "winecheck: $program.exe under Wine: $(grep -c '^\[       OK \]' "$log") passed, $(grep -c '^\[  SKIPPED \] .* (' "$log") skipped"
done

# Store files both ways. Wine lists a store newest first, the Linux build in file order:
# the lines are compared as sets.
host=${HOST_BUILD:-$(dirname "$0")/../../build}/tests/storecrossing
[ -x "$host" ] || fail "$host missing (cmake --build build --target storecrossing)"
certificates=("$tests/data/rsa.der" "$tests/data/gost2012.der" "$tests/data/made/numbered-1.der")
same() { diff <(tr -d '\r' <"$1" | sort) <(tr -d '\r' <"$2" | sort) >&2 || fail "$3"; }
"$wine" "$tests/storecrossing.exe" write "Z:$work/wine.sst" "${certificates[@]}" >"$work/wine-wrote" \
  || fail "storecrossing.exe could not write a store file"
[ "$(grep -c 'friendly name "Сертификат' "$work/wine-wrote")" -eq ${#certificates[@]} ] \
  || { cat "$work/wine-wrote" >&2; fail "the store file written under Wine lacks its certificates' properties"; }
"$host" read "$work/wine.sst" >"$work/linux-read" || fail "the Linux build could not read the store file written under Wine"
same "$work/wine-wrote" "$work/linux-read" "the Linux build reads the store file written under Wine differently"
echo "winecheck: a store file written under Wine reads back on Linux with the same certificates, hashes, friendly names and key links"
"$host" elements "$work/elements.sst" "${certificates[@]}"
"$host" read "$work/elements.sst" >"$work/linux-read"
"$wine" "$tests/storecrossing.exe" read "Z:$work/elements.sst" >"$work/wine-read" || fail "Wine could not read a store file of certificate elements"
[ "$(wc -l <"$work/linux-read")" -eq ${#certificates[@]} ] || fail "the Linux build misreads a store file of certificate elements"
same "$work/linux-read" "$work/wine-read" "Wine reads a store file of certificate elements differently from the Linux build"
echo "winecheck: a store file of certificate elements only reads the same on Linux and under Wine"
"$host" write "$work/linux.sst" "${certificates[@]}" >"$work/linux-wrote"
"$wine" "$tests/storecrossing.exe" read "Z:$work/linux.sst" >"$work/wine-read" || fail "Wine could not open the store file the Linux build wrote"
if [ -s "$work/wine-read" ]; then
  same "$work/linux-wrote" "$work/wine-read" "Wine reads the store file the Linux build wrote differently"
  echo "winecheck: a store file written on Linux reads back under Wine alike"
else
  # Known Wine 8 fault: its reader takes a certificate's properties only after the
  # certificate's own element, and Windows writes them before it, so a file as Windows
  # (and the Linux build) lays it out reads as an empty store, without an error.
  echo "winecheck:   skipped: a store file with properties, written on Linux, read under Wine (Wine 8 reads the properties-first layout of Windows as an empty store)"
fi
