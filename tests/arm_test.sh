#!/usr/bin/env bash
# The game for ARM Linux (scripts/package --arch) under qemu's user mode against this
# machine's build: the traces, pictures, window, package and object code of each target.
#
#   arm_test.sh LINUX_BUILD ARCH...     (run from the project folder; the packages are
#                                        LINUX_BUILD/racer_*_ARCH.deb, amd64's among them)
set -u
project=$PWD
source "$project/tests/harness.sh"
programs linux -- "$1"
shift
probe=$linux/tests/window_probe
needs qemu-aarch64:qemu-user qemu-arm:qemu-user lintian:lintian xdotool:xdotool
start_xvfb "$work/xvfb.log" || exit 1

# The fused multiply-adds in a static library's code, by the target's own objdump:
# x86-64's vfmadd..., arm64's fmadd, fmsub, fnmadd, fnmsub, fmla, fmls, armhf's vfma, vfms,
# vfnma, vfnms.
fused() { # fused OBJDUMP LIBRARY
    "$1" -d --no-show-raw-insn "$2" | awk -F'\t' 'NF >= 2 {print $2}' |
        grep -cE '^(v?fn?m(add|sub)|fml[as]|vfn?m[as])'
}
check "x86-64: no fused multiply-add in the game's code ($(fused objdump "$linux/libracer_core.a"))" \
    [ "$(fused objdump "$linux/libracer_core.a")" = 0 ]

# The Linux game's first picture, in the same X server.
game_first_picture "$work/amd64-start.bmp" 10 "$linux/racer"
amd64_deb=$(ls "$linux"/racer_*_amd64.deb)
package_files() { dpkg-deb -c "$1" | awk '{print $6}'; }
package_needs() { dpkg-deb -f "$1" Depends | tr ',' '\n' | sed 's/ (.*//; s/ //g' | sort; }

for arch in "$@"; do
    build=$project/build-package-$arch
    sysroot=$("$project/scripts/sysroot" "$arch")
    triplet=$(sed -n 's/^set(RACER_TRIPLET \(.*\))$/\1/p' "$project/packaging/arm/$arch.cmake")
    qemu=($(sed -n 's/^set(RACER_QEMU \(.*\))$/\1/p' "$project/packaging/arm/$arch.cmake") -L "$sysroot")

    check_same_traces "$arch car_trace" --frame "${qemu[@]}" "$build/car_trace"

    # The game.
    game_first_picture "$work/$arch-start.bmp" 60 "${qemu[@]}" "$build/racer"
    check "$arch: the game opens its window (${window_seen}), first picture amd64's, pixel for pixel" \
        same_pixels "$work/$arch-start.bmp" "$work/amd64-start.bmp"
    check "$arch: Escape ends it with status 0 (status $exit_status)" [ "$exit_status" = 0 ]

    check "$arch: no fused multiply-add in the game's code ($(fused "$triplet-objdump" "$build/libracer_core.a"))" \
        [ "$(fused "$triplet-objdump" "$build/libracer_core.a")" = 0 ]

    # The package.
    deb=$(ls "$linux"/racer_*_"$arch".deb)
    check "$arch: $(basename "$deb") ($(stat -c %s "$deb") bytes) is for $arch" \
        [ "$(dpkg-deb -f "$deb" Architecture)" = "$arch" ]
    check "$arch: it holds the amd64 package's files" cmp -s <(package_files "$deb") <(package_files "$amd64_deb")
    check "$arch: it depends on what amd64's does: $(dpkg-deb -f "$deb" Depends)" \
        cmp -s <(package_needs "$deb") <(package_needs "$amd64_deb")
    lintian -I --pedantic "$deb" >"$work/lintian" 2>&1
    status=$?
    check "$arch: lintian reports no error (status $status)" [ $status = 0 -a -z "$(grep '^E:' "$work/lintian")" ]
    sed 's/^/     /' "$work/lintian"
done

finish
