# What the scripts share, sourced by each: the project folder, quiet runs that show their
# log when they fail, the build of this machine's targets, the graphics library patched and
# built once per platform, and the settings that make a build reproducible.
#   source "$(dirname "$0")/lib.sh"    (sets `root`, the project folder)

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
script=$(basename "$0")

# Runs COMMAND with its output appended to LOG; when it fails, shows the log's end and says
# which command failed, and returns its status.
quietly() { # quietly LOG COMMAND...
    local log=$1 status
    shift
    "$@" >>"$log" 2>&1 && return 0
    status=$?
    tail -n 40 "$log"
    echo "$script: failed: $*" >&2
    return $status
}

# Configures DIR from the project with CMAKE-ARGS and builds TARGETS there (all of them
# when TARGETS is empty), quietly, into DIR.log.
build_in() { # build_in DIR "TARGET..." CMAKE-ARGS...
    local dir=$1 targets=$2
    shift 2
    : >"$dir.log"
    quietly "$dir.log" cmake -S "$root" -B "$dir" "$@" &&
        quietly "$dir.log" cmake --build "$dir" -j "$(nproc)" ${targets:+--target $targets}
}

# This machine's build, build/, of TARGETS: what the scripts that run a tool need.
build_here() { # build_here TARGET...
    build_in "$root/build" "$*" -DCMAKE_BUILD_TYPE=RelWithDebInfo
}

# The project's version, from CMakeLists.txt.
project_version() {
    sed -n 's/^project(racer VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt"
}

# When the sources last changed, in seconds since 1970: the last commit's time (a checkout
# owned by another user too); outside a git checkout, the latest changelog entry's.
source_date() {
    git -c safe.directory="$root" -C "$root" log -1 --format=%ct 2>/dev/null ||
        dpkg-parsechangelog -l "$root/packaging/changelog" -STimestamp
}

# What makes a build the same bits wherever, whenever and by whomever it is made: every time
# it writes is SOURCE_DATE_EPOCH (the sources' own, unless it is set), and the modes of what
# it writes do not follow the caller's umask.
reproducible() {
    umask 022
    export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(source_date)}
}

# Sets `library` to the graphics library built for PLATFORM from Debian's source
# (scripts/allegro-source) with the patches in PATCHES, cached in .cache/PLATFORM/ under a
# key of the patches, KEY_FILE... and the calling script. When it is not there yet,
# BUILD_FUNCTION is called with the patched source's folder and the folder to install to.
cached_library() { # cached_library PLATFORM PATCHES BUILD_FUNCTION KEY_FILE...
    local platform=$1 patches=$2 build=$3 source_tree key work patch
    shift 3
    source_tree=$("$root/scripts/allegro-source") || return 1
    key=$(cat "$patches"/*.patch "$@" "$0" "$root/scripts/lib.sh" | sha256sum | cut -c1-12)
    library=$root/.cache/$platform/allegro-$key
    [ -f "$library/lib/liballeg.a" ] && return 0
    echo "$script: building the graphics library (once; cached in ${library#$root/})"
    work=$root/.cache/$platform/work
    rm -rf "$work" "$library"
    mkdir -p "$work"
    cp -a "$source_tree" "$work/src"
    for patch in "$patches"/*.patch; do
        quietly "$work.log" patch -d "$work/src" -p1 --batch --forward -i "$patch" || return 1
    done
    "$build" "$work" "$library" || return 1
    rm -rf "$work"
}

# The car_trace to run: RACER_CAR_TRACE when it names one already built (the tests give
# theirs), else this machine's build of it, built if need be.
car_trace_program() {
    if [ -n "${RACER_CAR_TRACE:-}" ]; then echo "$RACER_CAR_TRACE"; return; fi
    build_here car_trace >&2 && echo "$root/build/car_trace"
}
