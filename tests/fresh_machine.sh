#!/usr/bin/env bash
# The README's two commands on a brand-new Debian 12 machine (docs/testing.md): scripts/run
# as the first command, then scripts/test with every other section, in a bare root made
# with debootstrap; then the package installed and purged on a second new root, and there,
# with GoogleTest installed and the X test extension not, scripts/run again.
#
#   fresh_machine.sh     (as root; needs debootstrap, Xvfb, xdotool, x11-utils)
#
# The bootstrap is cached as .cache/fresh-machine/bookworm-minbase.tar and the packages
# the root downloads in .cache/fresh-machine/archives; the library's Windows and browser
# builds are shared with this machine's .cache. Everything mounted is unmounted on every
# way out.
set -u
project=$(cd "$(dirname "$0")/.." && pwd)
here=$project/tests
cache=$project/.cache/fresh-machine
tarball=$cache/bookworm-minbase.tar
source "$here/harness.sh"
started=$SECONDS

# The machine's own Debian mirror, from its apt sources.
mirror() {
    { grep -hs '^URIs:' /etc/apt/sources.list.d/*.sources | awk '{print $2}'
      grep -hs '^deb ' /etc/apt/sources.list | awk '{print $2}'; } | grep -v security | head -n 1
}

# Stops every process whose root is inside $1, then unmounts all below it.
release_root() { # release_root ROOT
    local root=$1 pid
    for pid in $(ls /proc | grep -E '^[0-9]+$'); do
        [ "$(readlink "/proc/$pid/root" 2>/dev/null)" = "$root" ] && kill -9 "$pid" 2>/dev/null
    done
    sleep 0.2
    findmnt -R -n -o TARGET --list | grep -F "$root/" | sort -r | while read -r m; do
        umount -l "$m" 2>/dev/null
    done
}

cleanup() {
    [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    for root in "$work"/*/; do release_root "${root%/}"; done
    # Never delete through a mount that is still there.
    if findmnt -R -n -o TARGET --list | grep -qF "$work/"; then
        echo "FAIL could not unmount everything below $work; left in place"
    else
        rm -rf --one-file-system "$work"
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A brand-new root in $work/$1: the cached bootstrap unpacked, the machine's apt sources,
# name server and local certificate authorities, empty package lists, the commit under
# test in /root/racer, and what a chroot needs.
new_root() { # new_root NAME; sets root
    root=$work/$1
    mkdir -p "$root"
    tar -xf "$tarball" -C "$root"
    rm -rf "$root"/var/lib/apt/lists/* "$root"/etc/apt/sources.list "$root"/etc/apt/sources.list.d/*
    cp -a /etc/apt/sources.list.d/*.sources "$root"/etc/apt/sources.list.d/ 2>/dev/null
    [ -f /etc/apt/sources.list ] && cp /etc/apt/sources.list "$root"/etc/apt/
    cp /etc/resolv.conf "$root"/etc/resolv.conf
    # The network's own certificate authorities, if it has any (a proxy that inspects TLS):
    # ca-certificates takes them in when the root installs it.
    mkdir -p "$root"/usr/local/share/ca-certificates
    cp -a /usr/local/share/ca-certificates/. "$root"/usr/local/share/ca-certificates/ 2>/dev/null
    git clone -q "$project" "$root/root/racer" && git -C "$root/root/racer" checkout -q "$(git -C "$project" rev-parse HEAD)"
    mount -t proc proc "$root/proc"
    mount -t sysfs sysfs "$root/sys"
    mount --rbind /dev "$root/dev" && mount --make-rslave "$root/dev"
    mkdir -p "$root/tmp/.X11-unix" "$cache/archives/partial"
    mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
    mount --bind "$cache/archives" "$root/var/cache/apt/archives"
    for shared in windows web; do
        mkdir -p "$project/.cache/$shared" "$root/root/racer/.cache/$shared"
        mount --bind "$project/.cache/$shared" "$root/root/racer/.cache/$shared"
    done
}

# Runs a command in the root as root with a clean environment.
in_root() { # in_root COMMAND...
    chroot "$root" /usr/bin/env -i HOME=/root DISPLAY="$DISPLAY" \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "$@"
}

[ "$(id -u)" -eq 0 ] || { echo "FAIL the fresh-machine test needs root (chroot, mount)"; exit 1; }
mkdir -p "$cache"
chmod 755 "$work"

if [ ! -f "$tarball" ]; then
    echo "== bootstrapping Debian 12 (minbase) from $(mirror); cached for later runs"
    debootstrap --variant=minbase bookworm "$work/bootstrap" "$(mirror)" >"$work/debootstrap.log" 2>&1 ||
        { tail -n 20 "$work/debootstrap.log"; echo "FAIL debootstrap"; exit 1; }
    tar -C "$work/bootstrap" -cf "$tarball.part" . && mv "$tarball.part" "$tarball"
    rm -rf --one-file-system "$work/bootstrap"
fi

start_xvfb "$work/xvfb.log" || exit 1

new_root machine
echo "== scripts/run as the first command on the new machine"
t0=$SECONDS
in_root /root/racer/scripts/run >"$work/run.log" 2>&1 &
game_pid=$!
check_window_then_escape racer 900 "scripts/run"
echo "     installing, building and starting took $((SECONDS - t0)) s"
[ "$exit_status" = 0 ] || tail -n 30 "$work/run.log"

echo "== scripts/test on the same machine, every section"
t0=$SECONDS
in_root /root/racer/scripts/test --no-fresh-machine >"$project/build-fresh-machine.log" 2>&1
status=$?
check "scripts/test passes there ($((SECONDS - t0)) s, status $status)" [ $status = 0 ]
grep -E "^(==|FAIL)|^[0-9]+ failed|tests passed|tests failed|^scripts/test:" "$project/build-fresh-machine.log" | sed 's/^/     /'
[ $status = 0 ] || echo "     the whole log: build-fresh-machine.log"

echo "== the package on another brand-new machine"
t0=$SECONDS
deb=$("$project/scripts/package" "$work/deb" | tail -n 1)
new_root package-machine
cp "$deb" "$root/root/"
in_root dpkg-query -W -f='${Package}\n' | sort >"$work/before"
in_root sh -c "cd /root && apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq ./$(basename "$deb")" \
    >"$work/install.log" 2>&1
status=$?
in_root dpkg-query -W -f='${Package}\n' | sort >"$work/after"
pulled=$(comm -13 "$work/before" "$work/after" | grep -vx racer | tr '\n' ' ')
# What the package pulled in is exactly what becomes unneeded without it.
unneeded=$(in_root sh -c 'apt-mark auto $(apt-mark showmanual racer) >/dev/null; apt-get -s autoremove' |
    sed -n 's/^Remv \([^ :]*\).*/\1/p' | grep -vx racer | sort | tr '\n' ' ')
check "apt-get install of the package succeeds (status $status)" [ $status = 0 ]
check "it pulls the library" grep -qx liballegro4.4 <(tr ' ' '\n' <<<"$pulled")
check "and what it needs: $(wc -w <<<"$pulled") packages, exactly what autoremove takes without it" \
    [ "$pulled" = "$unneeded" ]
check "none of them a -dev package" fails grep -q -- '-dev ' <<<"$pulled "
[ $status = 0 ] || tail -n 20 "$work/install.log"
in_root apt-mark manual racer >/dev/null
chroot "$root" /usr/bin/env -i HOME=/root DISPLAY="$DISPLAY" PATH=/usr/local/bin:/usr/bin:/bin:/usr/local/games:/usr/games \
    sh -c 'cd / && exec racer' >"$work/racer.log" 2>&1 &
game_pid=$!
check_window_then_escape racer 20 "racer typed in /"
page=$root/usr/share/man/man6/racer.6.gz
check "the manual page is /usr/share/man/man6/racer.6.gz, section 6" grep -q '^\.TH RACER 6' <(zcat "$page" 2>/dev/null)
in_root dpkg-query -L racer >"$work/listed"
in_root env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq racer >/dev/null 2>&1
left=$(while read -r f; do [ -f "$root$f" ] || [ -L "$root$f" ] && echo "$f"; done <"$work/listed")
check "apt-get purge racer leaves none of its $(wc -l <"$work/listed") paths' files behind ${left}" [ -z "$left" ]
check "and dpkg no longer knows it" fails in_root dpkg-query -W racer 2>/dev/null
echo "   the package steps took $((SECONDS - t0)) s"

# A developer's machine may have GoogleTest and not the X test extension; the build's
# optional parts must not stop the game from building there.
echo "== scripts/run where GoogleTest is installed and the X test extension is not"
t0=$SECONDS
installed() { in_root dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends libgtest-dev >/dev/null 2>&1
check "libgtest-dev is installed there, libxtst-dev is not" eval 'installed libgtest-dev && ! installed libxtst-dev'
in_root /root/racer/scripts/run >"$work/run-gtest.log" 2>&1 &
game_pid=$!
check_window_then_escape racer 600 "scripts/run"
[ "$exit_status" = 0 ] || tail -n 30 "$work/run-gtest.log"
echo "   installing, building and starting took $((SECONDS - t0)) s"

echo "fresh-machine test: $((SECONDS - started)) s"
finish
