#!/usr/bin/env bash
# Screenshots of the window on an emulated enclosure, for a look at what
# people see: the full and the user window, in English and in Japanese,
# before and after an update (and the message that ends it), as PNG files.
#
#   tools/screenshots.sh OUTDIR
#
# Installs what it needs (Debian 12), builds, and runs each window under
# Xvfb on a fresh emulated enclosure with the oldest shipped firmware. The
# enclosure takes its modelled time, so each update lasts about a minute.
set -euo pipefail
cd "$(dirname "$0")/.."

if (($# != 1)); then
    sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
fi
out=$(realpath -m "$1")
mkdir -p "$out"

PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev libqt6svg6 fonts-noto-cjk xvfb xauth x11-utils xdotool imagemagick)
missing=()
for package in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
if ((${#missing[@]} > 0)); then
    sudo=()
    if ((EUID != 0)); then
        sudo=(sudo)
    fi
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake --preset default >/dev/null
cmake --build --preset default --target reflasher reflasher-cli
window_program=build/default/src/ui/qt/reflasher
cli=build/default/src/cli/reflasher-cli

work=$(mktemp -d)
display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
window_pid=
cleanup() {
    if [[ -n $window_pid ]]; then
        kill "$window_pid" 2>/dev/null || true
    fi
    kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
export DISPLAY=$display
export XDG_RUNTIME_DIR=$work
for _ in $(seq 50); do
    xdpyinfo >/dev/null 2>&1 && break || sleep 0.1
done

# The visible windows whose title is the program's, oldest first.
windows() {
    xdotool search --onlyvisible --name 'Ver\.' 2>/dev/null || true
}

# Waits until n windows are visible (the dialog, then its message box).
wait_windows() {
    local n=$1 seconds=$2
    for _ in $(seq $((seconds * 10))); do
        if (($(windows | wc -l) >= n)); then
            return 0
        fi
        sleep 0.1
    done
    echo "timed out waiting for $n window(s)" >&2
    return 1
}

shoot() {
    local window=$1 name=$2
    eval "$(xdotool getwindowgeometry --shell "$window")"
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out/$name.png"
    echo "$out/$name.png"
}

shoot_run() {
    local language=$1 kind=$2
    local enclosure=$work/enclosure-$language-$kind
    local options=("/Emulate=$enclosure")
    if [[ $kind == full ]]; then
        options+=(/EnableVendorMode)
    fi
    "$cli" emulator reset --emulate="$enclosure" >/dev/null
    env -u LANGUAGE -u LC_ALL -u LC_MESSAGES LANG="$language" "$window_program" "${options[@]}" \
        >"$work/window.log" 2>&1 &
    window_pid=$!
    wait_windows 1 30
    local dialog
    dialog=$(windows | head -n 1)
    sleep 3 # the device is found and read
    local name=$kind-${language%%_*}
    shoot "$dialog" "$name-before"
    xdotool windowfocus --sync "$dialog"
    xdotool key Return # the default button: update firmware
    wait_windows 2 600
    sleep 1
    local box
    box=$(windows | grep -vx "$dialog" | head -n 1)
    shoot "$box" "$name-result"
    xdotool windowfocus --sync "$box"
    xdotool key Return
    sleep 20 # the restarted controller boots; the device is found and read again
    shoot "$dialog" "$name-after"
    xdotool windowfocus --sync "$dialog"
    xdotool key Escape
    wait "$window_pid" || true
    window_pid=
}

for language in en_US.UTF-8 ja_JP.UTF-8; do
    for kind in full user; do
        shoot_run "$language" "$kind"
    done
done
