#!/usr/bin/env bash
# End-to-end look of the window on today's desktops: the real program against the virtual
# mouse, on a display of its own, checked on a screenshot.
#
#   x11-compositor  Xvfb with xcompmgr: the window has an alpha channel (a 32-bit visual), the
#                   bevelled corners show the desktop behind it, just inside them the skin, and
#                   the pointer over a cut corner is over the desktop, not the window.
#   x11-plain       Xvfb without a compositor: the same outline through the window's shape.
#   wayland         weston's headless backend: the corners show weston's background colour.
#   scale2          Xvfb at QT_SCALE_FACTOR=2: a detailed spot of the window is the 2x picture,
#                   not the 1x picture enlarged, and a click on each page tab shows its page.
#
# Usage: outline_e2e.sh SCENARIO PROGRAM SIMULATOR [SCREENSHOT]
# With SCREENSHOT, the screenshot taken is also copied there (docs/screenshots/main-en-2x.png
# and main-en-wayland.png come from the scale2 and wayland scenarios).
# Exit status: 0 passed, 1 failed, 77 skipped (a needed program is missing; the reason is printed).
set -u

scenario=$1
program=$2
simulator=$3
keep_shot=${4:-}
case $scenario in
    wayland) needed="weston weston-screenshooter convert compare" ;;
    x11-compositor) needed="Xvfb xcompmgr xdotool xwininfo import convert compare" ;;
    *) needed="Xvfb xdotool import convert compare" ;;
esac
source "$(dirname "$0")/e2e_common.sh"
# shellcheck disable=SC2086  # one word per tool
require_tools $needed

helpers=()
stop_helpers() {
    local pid
    for pid in "${helpers[@]}"; do
        kill "$pid" 2>/dev/null
    done
    cleanup
}
trap stop_helpers EXIT

skins="$app/skins"
shot="$work/shot.png"

# "r g b" of pixel (x, y) of a picture.
pixel() {
    convert "$1" -format \
        "%[fx:round(255*p{$2,$3}.r)] %[fx:round(255*p{$2,$3}.g)] %[fx:round(255*p{$2,$3}.b)]" info:
}
# near "r g b" "r g b" TOLERANCE: every channel within TOLERANCE.
near() {
    local a=($1) b=($2) i d
    for i in 0 1 2; do
        d=$((a[i] - b[i]))
        [ "${d#-}" -le "$3" ] || return 1
    done
}
# The normalised root-mean-square difference of two pictures of one size, times 10000.
difference() {
    compare -metric RMSE "$1" "$2" null: 2>&1 | sed -E 's/.*\(([0-9.e+-]+)\).*/\1/' |
        awk '{ printf "%d\n", $1 * 10000 }'
}

# check_outline X Y: the window's top-left corner is at (X, Y) of the screenshot, the desktop's
# colour is what the screenshot shows at its own top-left pixel. The mask's bevel cut is 22
# pixels: (6, 6) from a corner lies outside the outline, (16, 16) inside.
check_outline() {
    local x=$1 y=$2 behind outside inside skin w=880 h=580
    behind=$(pixel "$shot" 0 0)
    local -a corners=("6 6 16 16" "$((w - 7)) $((h - 7)) $((w - 17)) $((h - 17))"
        "$((w - 7)) 6 $((w - 17)) 16" "6 $((h - 7)) 16 $((h - 17))")
    local corner ox oy ix iy
    for corner in "${corners[@]}"; do
        read -r ox oy ix iy <<<"$corner"
        outside=$(pixel "$shot" $((x + ox)) $((y + oy)))
        near "$outside" "$behind" 8 ||
            fail "outside the outline at ($ox, $oy) the window shows $outside, not the desktop's $behind"
        inside=$(pixel "$shot" $((x + ix)) $((y + iy)))
        skin=$(pixel "$skins/main_normal.jpg" "$ix" "$iy")
        near "$inside" "$skin" 40 ||
            fail "inside the outline at ($ix, $iy) the window shows $inside, not the skin's $skin"
    done
}

start_x_server() {  # WIDTHxHEIGHT
    start_xvfb "$1"
}

start_window() {  # extra environment assignments
    mkdir -p -m 700 "$work/run"
    env XDG_RUNTIME_DIR="$work/run" ZEL_GMOUSE_SIM="$socket" XDG_CURRENT_DESKTOP="" "$@" \
        "$exe" 2>"$work/app.err" &
    app_pid=$!
    wait_features $start_count 20
}


show_on_x() {  # the window at (40, 40), its id in `window`
    wait_until 60 window_id >/dev/null || fail "the window did not appear"
    window=$(window_id)
    xdotool windowmove "$window" 40 40
    sleep 0.5
}

write_config 1
start_simulator

case $scenario in
    x11-compositor | x11-plain)
        start_x_server 1280x800
        if [ "$scenario" = x11-compositor ]; then
            xcompmgr >"$work/xcompmgr.log" 2>&1 &
            helpers+=($!)
            sleep 0.5
        fi
        start_window QT_QPA_PLATFORM=xcb
        show_on_x
        if [ "$scenario" = x11-compositor ]; then
            depth=$(xwininfo -id "$window" | awk '/Depth:/ { print $2 }')
            [ "$depth" = 32 ] || fail "the window's visual has depth $depth, no alpha channel"
        fi
        import -window root "$shot" || fail "no screenshot"
        check_outline 40 40
        # The pointer over a cut corner is over whatever lies below, inside over the window.
        under() {
            xdotool mousemove "$1" "$2" && sleep 0.2
            xdotool getmouselocation --shell | awk -F= '/^WINDOW=/ { print $2 }'
        }
        [ "$(under 46 46)" != "$window" ] || fail "a cut corner still takes the pointer"
        [ "$(under 60 60)" = "$window" ] || fail "the window does not take the pointer inside"
        ;;
    wayland)
        mkdir -p -m 700 "$work/run"
        cat >"$work/weston.ini" <<'EOF'
[core]
idle-time=0
[shell]
background-color=0xff506070
panel-position=none
locking=false
animation=none
startup-animation=none
EOF
        # --debug lets weston-screenshooter read the output.
        XDG_RUNTIME_DIR="$work/run" weston --backend=headless-backend.so --use-pixman \
            --width=1280 --height=800 --socket=wayland-zel --config="$work/weston.ini" \
            --debug >"$work/weston.log" 2>&1 &
        helpers+=($!)
        wait_until 10 test -S "$work/run/wayland-zel" || fail "weston did not start"
        start_window QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY=wayland-zel
        sleep 1.5
        (cd "$work" && XDG_RUNTIME_DIR="$work/run" WAYLAND_DISPLAY=wayland-zel \
            weston-screenshooter >/dev/null 2>&1) || fail "weston-screenshooter failed"
        mv "$work"/wayland-screenshot-*.png "$shot" || fail "no screenshot"
        # Where weston placed the window: the box of everything that is not the background.
        box=$(convert "$shot" -fuzz 3% -trim -format '%w %h %X %Y' info:)
        read -r bw bh bx by <<<"$box"
        [ "$bw $bh" = "880 580" ] || fail "the window occupies ${bw}x$bh, not 880x580"
        check_outline "${bx#+}" "${by#+}"
        # What is kept: the window with a margin of the desktop around it.
        convert "$shot" -crop "$((bw + 48))x$((bh + 48))+$((${bx#+} - 24))+$((${by#+} - 24))" \
            +repage "$shot"
        ;;
    scale2)
        start_x_server 1920x1280
        start_window QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=2
        show_on_x
        read -r _ _ width height < <(xdotool getwindowgeometry --shell "$window" |
            awk -F= '/^X=/{x=$2} /^Y=/{y=$2} /^WIDTH=/{w=$2} /^HEIGHT=/{h=$2} END{print x, y, w, h}')
        [ "$width x $height" = "1760 x 1160" ] || fail "the window is ${width}x$height at scale 2"
        import -window "$window" "$shot" || fail "no screenshot"
        # A detailed spot: the logo's letters and the profile buttons beside them.
        spot="180x140+16+8"
        convert "$shot" -crop "$spot" +repage "$work/window.png"
        convert "$skins/main_normal@2x.jpg" -crop "$spot" +repage "$work/sharp.png"
        convert "$skins/main_normal.jpg" -resize 200% -crop "$spot" +repage "$work/enlarged.png"
        to_sharp=$(difference "$work/window.png" "$work/sharp.png")
        to_enlarged=$(difference "$work/window.png" "$work/enlarged.png")
        [ "$to_sharp" -lt 300 ] ||
            fail "the logo differs from the 2x picture by $to_sharp/10000"
        [ "$to_sharp" -lt $((to_enlarged / 2)) ] ||
            fail "the logo is the enlarged 1x picture ($to_sharp vs $to_enlarged per 10000)"
        # Each page tab, clicked at its place on the scaled screen, shows its page: the panels
        # below the tabs are nearest to that page's picture.
        layout="$app/skins/INI_EN/skin_main_en.ini"
        region="1300x800+380+130"
        for picture in main_normal advanced_normal color_normal_pink; do
            convert "$skins/$picture@2x.jpg" -crop "$region" +repage "$work/$picture.png"
        done
        for tab in "10 advanced_normal" "11 color_normal_pink" "9 main_normal"; do
            read -r index expected <<<"$tab"
            read -r cx cy < <(centre "$layout" BUTTONPOS "$index")
            xdotool mousemove $((40 + 2 * cx)) $((40 + 2 * cy)) && sleep 0.2 && xdotool click 1
            sleep 0.6
            import -window "$window" "$work/page.png" || fail "no screenshot"
            convert "$work/page.png" -crop "$region" +repage "$work/page-region.png"
            best="" best_difference=100000
            for picture in main_normal advanced_normal color_normal_pink; do
                d=$(difference "$work/page-region.png" "$work/$picture.png")
                if [ "$d" -lt "$best_difference" ]; then
                    best=$picture best_difference=$d
                fi
            done
            [ "$best" = "$expected" ] || fail "tab $index shows $best, not $expected"
        done
        ;;
    *)
        fail "unknown scenario"
        ;;
esac

[ -n "$keep_shot" ] && cp "$shot" "$keep_shot"
echo "PASS ($scenario)"
exit 0
