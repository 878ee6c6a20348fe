#!/usr/bin/env bash
# The Windows programs as a user gets them, under Wine: the installer run
# silently, zuredor-cli from the installed folder against the Linux
# zuredor-sim on loopback, the desktop program started from there and its
# scan window's list, then the uninstaller. WINEPREFIX (a fresh one) and
# DISPLAY are the caller's.
# Usage: wine_programs.sh INSTALLER ZUREDOR-SIM SCREENSHOT.png
set -euo pipefail
installer=$1
sim=$2
screenshot=$3
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=wine
export WINEDEBUG=${WINEDEBUG:--all}
: "${WINEPREFIX:?}" "${DISPLAY:?}"

folder="$WINEPREFIX/drive_c/Program Files/Zur Edor Utility"
menu_entry="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Zur Edor Utility.lnk"
work=$(mktemp -d)
discovery=$((24000 + RANDOM % 8000))
device=$((discovery + 8000))
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
checks=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
pass() {
    checks=$((checks + 1))
}

echo "== $(basename "$installer") /S"
"$wine" "$installer" /S
[ -f "$folder/zuredor.exe" ] && [ -f "$folder/zuredor-cli.exe" ] || fail "the programs are not in $folder"
[ -f "$menu_entry" ] || fail "no Start-menu entry"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZurEdorUtility'
"$wine" reg query "$key" /v QuietUninstallString >/dev/null 2>&1 || fail "Windows' list of programs has no entry"
(cd "$folder" && find . -type f | sort) >"$work/installed"
echo "$(wc -l <"$work/installed") files installed in $folder"

echo "== zuredor-sim, two units on loopback"
"$sim" --units 2 --broadcast 127.255.255.255 --discovery-port "$discovery" --device-port "$device" \
    >"$work/sim.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    grep -qx ready "$work/sim.log" && break
    sleep 0.1
done
grep -qx ready "$work/sim.log" || fail "zuredor-sim did not start: $(cat "$work/sim.log")"

# The installed zuredor-cli, with no DLL search path but its own folder.
cli() {
    "$wine" "$folder/zuredor-cli.exe" --broadcast 127.255.255.255 --discovery-port "$discovery" \
        --device-port "$device" "$@" 2>"$work/err" | tr -d '\r'
}
# expect STATUS PATTERN COMMAND...: the exit status, and a line of standard output matching PATTERN.
expect() {
    local status=$1 pattern=$2 out code=0
    shift 2
    out=$(cli "$@") || code=$?
    if [ "$code" -ne "$status" ]; then
        fail "zuredor-cli $*: exit $code, not $status; $out $(tr -d '\r' <"$work/err")"
    elif ! grep -qE -- "$pattern" <<<"$out"; then
        fail "zuredor-cli $*: no line matches $pattern in: $out"
    else
        pass
        echo "ok: zuredor-cli $* (exit $code)"
    fi
}

echo "== zuredor-cli"
expect 0 '^zuredor-cli 1\.' --version
expect 0 '^127\.0\.0\.2 ' scan --wait 1
expect 0 '^127\.0\.0\.3 ' scan --wait 1
expect 0 '"127\.0\.0\.3"' scan --wait 1 --json
expect 0 '^OK$' login 127.0.0.2 -p admin
expect 2 '^Login fail, Please check your username and password$' login 127.0.0.2 -p wrong
expect 0 '.' status 127.0.0.2 -p admin
expect 0 '.' smb list 127.0.0.2 -p admin
expect 0 '^OK$' set-identity 127.0.0.2 Vault-7 HOME -p admin
expect 0 'Vault-7' status 127.0.0.2 -p admin
expect 1 '.' set-identity 127.0.0.2 abcdefghijklmnopq HOME -p admin
expect 0 '"result"' login 127.0.0.2 -p admin --json
# Nothing serves the web interface on 127.0.0.9.
expect 3 '.' login 127.0.0.9 -p admin
expect 64 '' no-such-command
# Remembered drives live in %APPDATA% here; the fresh prefix has none.
expect 0 '"drives"' drives --json
expect 1 '' drives forget Z
out=$(cli status 127.0.0.2 -p admin --json)
python3 -c 'import json, sys; json.loads(sys.stdin.read())' <<<"$out" && pass || fail "status --json is no JSON: $out"

echo "== zuredor.exe from the installed folder on $DISPLAY"
(cd "$work" && ZUREDOR_BROADCAST=127.255.255.255 ZUREDOR_DISCOVERY_PORT="$discovery" ZUREDOR_DEVICE_PORT="$device" \
    LC_ALL=C "$wine" "$folder/zuredor.exe" >"$work/app.log" 2>&1) &
pids+=($!)
if window=$(timeout 60 xdotool search --sync --name '^Scan Zur Edor - Version 1\.'); then
    window=$(head -1 <<<"$window")
    echo "window $window: $(xdotool getwindowname "$window")"
    pass
    # Scan, then the first row's address copied from the list (Ctrl+C copies the current cell,
    # and Wine hands the Windows clipboard to X's).
    xdotool mousemove --window "$window" 412 276 click 1
    sleep 15
    import -window root "$screenshot"
    echo "screenshot: $screenshot"
    # Tab takes the focus from Scan to the list, which makes its first cell current.
    xdotool windowfocus --sync "$window" || true
    xdotool key Tab ctrl+c
    sleep 1
    copied=$(timeout 5 xclip -o -selection clipboard 2>/dev/null | tr -d '\r' || true)
    if [[ $copied =~ ^127\.0\.0\.[23]$ ]]; then
        pass
        echo "ok: the list's first unit is $copied"
    else
        fail "the scan list gave \"$copied\", not a simulated unit's address"
    fi
else
    fail "no scan window: $(cat "$work/app.log")"
fi
for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
done
pids=()
wineserver -k 2>/dev/null || true

echo "== uninstall.exe /S"
"$wine" "$folder/uninstall.exe" /S
# The uninstaller runs on from a copy of itself: give it time to finish.
for _ in $(seq 120); do
    [ -e "$folder" ] || break
    sleep 0.5
done
if [ -e "$folder" ]; then
    fail "left behind: $(cd "$folder" && find . | tr '\n' ' ')"
else
    pass
fi
[ ! -e "$menu_entry" ] && pass || fail "the Start-menu entry is left"
"$wine" reg query "$key" >/dev/null 2>&1 && fail "the entry in Windows' list of programs is left" || pass

echo "wine_programs: $checks checks passed, $failures failed"
[ "$failures" -eq 0 ]
