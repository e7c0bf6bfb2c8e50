#!/usr/bin/env bash
# Every shipped file is the same bits when built again elsewhere: scripts/release's folder
# against a second release of the same sources built in another folder, as nobody, with
# umask 002, in en_US.UTF-8, at UTC+14, 321 days ahead and on a kernel that calls itself
# 2.6; names each file that differs, with diffoscope's account of it.
#
#   reproducible_test.sh RELEASE_FOLDER     (run from the project folder, as root)
set -u
project=$PWD
source "$project/tests/harness.sh"
programs first -- "$1"
needs diffoscope:diffoscope-minimal faketime:faketime setpriv:util-linux setarch:util-linux
[ -f /usr/share/i18n/locales/en_US ] || needs locale-sources-of-en_US:locales
[ "$(id -u)" = 0 ] || { echo "FAIL the second build runs as another user: run this as root"; exit 1; }

second=$work/elsewhere/another-racer
mkdir -p "$second/.cache" "$work/home" "$work/locale"
(cd "$project" && git ls-files -z | xargs -0 cp -a --parents -t "$second" && cp -a .git "$second/")
cp -a "$project/.cache/allegro-source" "$project/.cache/arm" "$second/.cache/"
localedef -i en_US -f UTF-8 "$work/locale/en_US.UTF-8" 2>/dev/null
chown -R nobody:nogroup "$work/elsewhere" "$work/home"
chmod 755 "$work"

t0=$SECONDS
setpriv --reuid=nobody --regid=nogroup --clear-groups \
    env -i PATH="$PATH" HOME="$work/home" LOCPATH="$work/locale" LC_ALL=en_US.UTF-8 TZ=UTC-14 \
    setarch "$(uname -m)" -R --uname-2.6 faketime -f +321d \
    bash -c 'umask 002; exec "$0/scripts/release"' "$second" >"$work/second.log" 2>&1
status=$?
check "the second release builds as nobody, umask 002, en_US.UTF-8, UTC+14, 321 days on ($((SECONDS - t0)) s, status $status)" \
    [ $status = 0 ]
[ $status = 0 ] || tail -n 20 "$work/second.log"
again=$(tail -n 1 "$work/second.log")

for file in $(cd "$first" && ls); do
    same=no
    cmp -s "$first/$file" "$again/$file" && same=yes
    check "$file is the same bits ($(sha256sum <"$first/$file" | cut -c1-16))" [ $same = yes ]
    [ $same = yes ] || [ ! -f "$again/$file" ] ||
        diffoscope --no-progress --text - "$first/$file" "$again/$file" 2>&1 | head -n 30 | sed 's/^/     /'
done
check "and holds no file the first has not" [ "$(cd "$first" && ls)" = "$(cd "$again" && ls)" ]

finish
