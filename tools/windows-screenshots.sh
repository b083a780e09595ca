#!/usr/bin/env bash
# Pictures of the Windows program's two dialogs under Xvfb + Wine, in
# English and Japanese, on a fresh emulated enclosure: before an update, at
# its closing message, and after it (the enclosure found again). The update
# takes the enclosure's modelled time, about a minute each.
#
#   tools/windows-screenshots.sh OUTDIR       after: cmake --build --preset windows
#
# Needs wine, wine64, xvfb, xdotool, imagemagick, fonts-wine, fonts-ipafont-gothic.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:?usage: tools/windows-screenshots.sh OUTDIR}")
mkdir -p "$out"
export WINEPREFIX=$PWD/build/windows/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
tools/wineprefix-gui "$WINEPREFIX" >/dev/null
export OUT=$out EXE=$PWD/build/windows/src/ui/win32/reflasher.exe
exec xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    set -euo pipefail
    wineserver -p 60
    shot() { sleep 1; import -window root "$OUT/$1.png"; echo "$OUT/$1.png"; }
    # Waits until N windows are titled like the program (the dialog, then
    # the dialog and its message box).
    wait_windows() {
        for _ in $(seq 1 "$2"); do
            (( $(xdotool search --name "^Firmware Updater" 2>/dev/null | wc -l) >= $1 )) && return 0
            sleep 1
        done
        return 1
    }
    for lang in en ja; do
        locale=C.UTF-8; [[ $lang == ja ]] && locale=ja_JP.UTF-8
        for dialog in user full; do
            args=(/Emulate="$(mktemp -d)/enclosure"); [[ $dialog == full ]] && args+=(/EnableVendorMode)
            LC_ALL=$locale wine "$EXE" "${args[@]}" >/dev/null 2>&1 & pid=$!
            wait_windows 1 30; sleep 6
            shot "window-$dialog-$lang-before"
            kill $pid; wait $pid 2>/dev/null || true
            LC_ALL=$locale wine "$EXE" "${args[@]}" /AutoUpdate >/dev/null 2>&1 & pid=$!
            wait_windows 2 240
            shot "window-$dialog-$lang-done"
            xdotool key Return; sleep 15
            shot "window-$dialog-$lang-after"
            kill $pid; wait $pid 2>/dev/null || true
        done
    done
    wineserver -k'
