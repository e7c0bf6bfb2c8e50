#!/bin/sh
# racer: starts the game in its data folder, so that it finds Data/Textures/Car.bmp from
# any current directory. Both are found relative to this script's own place, so an
# installation under any prefix works. The game takes no arguments; none are passed.
here=$(dirname "$(readlink -f "$0")")
data=$here/../share/games/racer
cd "$data" 2>/dev/null || { echo "racer: cannot enter the game's data folder $data" >&2; exit 1; }
exec "$here/../lib/games/racer/racer"
