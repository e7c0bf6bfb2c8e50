#!/usr/bin/env bash
# The drive pictures of a golden script: scripts/plot-drive makes a 900 x 1300 PNG, and
# scripts/drive-gif an 840 x 640 animation with one frame per 3 steps (and the last) whose
# frames are car_trace --frames' pictures, pixel for pixel.
#
#   pictures_test.sh CAR_TRACE     (run from the project folder)
set -u
source "$(dirname "$0")/harness.sh"
trace=$(realpath "$1")
script=tests/golden/slide_right.keys
steps=$(script_steps "$script")

RACER_CAR_TRACE=$trace scripts/plot-drive "$script" "$work/drive.png" >/dev/null
size=$(/usr/bin/identify -format "%m %w %h" "$work/drive.png" 2>/dev/null)
check "plot-drive makes a 900x1300 PNG (got '$size')" [ "$size" = "PNG 900 1300" ]

RACER_CAR_TRACE=$trace scripts/drive-gif "$script" "$work/drive.gif" >/dev/null
frames=$(/usr/bin/identify -format "%n\n" "$work/drive.gif" 2>/dev/null | head -n 1)
want=$(( (steps + 2) / 3 ))
check "drive-gif of $steps steps has $want frames (got $frames)" [ "$frames" = "$want" ]
mkdir "$work/frames"
"$trace" --frames "$work/frames" --every 3 <"$script" >/dev/null
/usr/bin/convert "$work/drive.gif" -coalesce "$work/frame-%d.png"
for k in 0 20 $((want - 1)); do
    step=$(( k == want - 1 ? steps : 3 * (k + 1) ))
    diff=$(/usr/bin/compare -metric AE "$work/frame-$k.png" "$(printf "$work/frames/step-%06d.bmp" "$step")" null: 2>&1)
    check "animation frame $k is car_trace's picture of step $step ($diff pixels differ)" [ "$diff" = 0 ]
done
delay=$(/usr/bin/identify -format "%T\n" "$work/drive.gif" | sort -u | tr '\n' ' ')
check "every frame lasts 5/100 s, 3 steps at 60 Hz (got $delay)" [ "$delay" = "5 " ]

finish
