#!/usr/bin/env bash
# Configures the project (without building it) with each optional package hidden, and with
# all of them at once: each configuration succeeds and defines every test of this build
# but those that need what was hidden. And the fuzzing build asked of a compiler that is
# not clang says so and leaves its targets out instead of failing to build.
#
#   configure_test.sh CMAKE BUILD     (run from the project folder; BUILD is a configured build)
set -u
cmake=$1
source "$(dirname "$0")/harness.sh"
build=$(realpath "$2")

# What each optional package takes with it.
declare -A needs=(
    [GTest]="unit soak window valgrind_images"
    [XTest]="window record play"
    [Valgrind]="valgrind_trace valgrind_images instruction_budget"
    [ImageMagick]="pictures package"
    [benchmark]=""
)
tests_of() { (cd "$1" && ctest -N) | sed -n 's/^ *Test *#[0-9]*: //p' | sort; }
all=$(tests_of "$build")

# configure NAME CMAKE-ARGS...: a fresh configuration in $work/NAME; its status in $status.
configure() {
    local name=$1
    shift
    "$cmake" -S "$PWD" -B "$work/$name" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >"$work/$name.log" 2>&1
    status=$?
}
# The tests of this build without those of the named packages.
expected() { # expected PACKAGE...
    local gone= p
    for p in "$@"; do gone="$gone ${needs[$p]}"; done
    comm -23 <(echo "$all") <(tr ' ' '\n' <<<"$gone" | sort -u)
}
check_configuration() { # check_configuration NAME PACKAGE...
    local name=$1
    shift
    local hide=() p
    for p in "$@"; do hide+=(-DCMAKE_DISABLE_FIND_PACKAGE_$p=ON); done
    configure "$name" "${hide[@]}"
    check "configured without $*: status $status $(grep -m 1 -A 2 'CMake Error' "$work/$name.log")" [ $status = 0 ] || return
    local missing extra
    missing=$(comm -23 <(expected "$@") <(tests_of "$work/$name") | tr '\n' ' ')
    extra=$(comm -13 <(expected "$@") <(tests_of "$work/$name") | tr '\n' ' ')
    check "without $*: every other test is defined${missing:+ (not: $missing)}, none that needs it${extra:+ (but: $extra)}" \
        [ -z "$missing$extra" ]
}

for package in "${!needs[@]}"; do check_configuration "no-$package" "$package"; done
check_configuration none "${!needs[@]}"
check "without benchmark there is no racer_bench to build" \
    fails grep -q racer_bench <("$cmake" --build "$work/no-benchmark" --target help 2>/dev/null)

configure fuzz-gcc -DCMAKE_CXX_COMPILER=g++ -DRACER_FUZZ=ON
check "RACER_FUZZ with g++ configures (status $status)" [ $status = 0 ]
check "and says it needs clang" grep -q "RACER_FUZZ needs clang" "$work/fuzz-gcc.log"
check "and defines no fuzz target" fails grep -q fuzz_ <("$cmake" --build "$work/fuzz-gcc" --target help 2>/dev/null)

finish
