#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up, builds and runs the whole test suite twice: as the program is
# built (build/), and built with AddressSanitizer and
# UndefinedBehaviorSanitizer (build-sanitize/, at -O1: the checks need no
# second optimised build). Every test runs headless except the hot-key test,
# which needs a real X server: this script starts one of its own (Xvfb, on a
# free display) with trayer as the tray host, and stops both at the end.
# Every step has a time limit, so nothing hangs.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh xvfb trayer dbus-daemon ser2net lrzsz
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
    -DKESTREL_SANITIZE=ON
cmake --build build-sanitize -j2

xvfb_pid=""
trayer_pid=""
display_file=$(mktemp)
stop_x() {
    [ -n "$trayer_pid" ] && kill "$trayer_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -f "$display_file"
}
trap stop_x EXIT

# Xvfb picks a free display and writes its number to fd 3 once it is ready.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$display_file" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
done
if [ ! -s "$display_file" ]; then
    echo "test.sh: Xvfb did not start" >&2
    exit 1
fi
export DISPLAY=":$(head -n1 "$display_file")"
# The tray host; the hot-key test waits (with a limit) until it is there.
trayer --edge top --align right --widthtype pixel --width 120 --height 24 >/dev/null 2>&1 &
trayer_pid=$!

timeout 3600 ctest --test-dir build --output-on-failure -j2 --timeout 300
timeout 3600 ctest --test-dir build-sanitize --output-on-failure -j2 --timeout 300
