#!/bin/sh
# Strigolo's launcher, installed as bin/strigolo: prepares the user's own folder
# $XDG_DATA_HOME/strigolo (by default ~/.local/share/strigolo), whose Data/ links every
# installed picture, sound and effect file and keeps the user's calendar
# (Data/database.bin), then starts the program there. Installed files are only read.
set -u

say() { printf 'strigolo: %s\n' "$*" >&2; }

# The installation is found from this script's own place: PREFIX/bin/strigolo next to
# PREFIX/lib/strigolo/strigolo and PREFIX/share/strigolo/Data, wherever PREFIX is.
self=$(readlink -f -- "$0" 2>/dev/null) || self=$0
prefix=$(cd -- "$(dirname -- "$self")/.." && pwd -P) || { say "cannot find the installation from $0"; exit 1; }
program=$prefix/lib/strigolo/strigolo
assets=$prefix/share/strigolo/Data
if [ ! -x "$program" ] || [ ! -d "$assets" ]; then
    say "the installation under $prefix is incomplete (no $program or no $assets)"
    exit 1
fi

# The per-user folder. A relative XDG_DATA_HOME is invalid and ignored; without HOME
# the account's home directory is asked for.
base=
case ${XDG_DATA_HOME:-} in
    /*) base=$XDG_DATA_HOME ;;
esac
if [ -z "$base" ]; then
    home=${HOME:-}
    if [ -z "$home" ]; then
        home=$(getent passwd "$(id -u)" 2>/dev/null | cut -d: -f6)
    fi
    case $home in
        /*) base=$home/.local/share ;;
        *) say "neither XDG_DATA_HOME nor HOME names a folder for the calendar"; exit 1 ;;
    esac
fi
place=$base/strigolo
data=$place/Data
# The program runs in $place: FILE arguments (--import, --export) relative to the
# caller's folder are found again through this.
STRIGOLO_CALLER_DIR=$(pwd -P) && export STRIGOLO_CALLER_DIR

if ! mkdir -p -- "$data" 2>/dev/null || [ ! -d "$data" ]; then
    say "cannot create the folder $data for the calendar"
    exit 1
fi
if [ ! -w "$data" ]; then
    say "the folder $data is not writable, so the calendar could not be saved"
    exit 1
fi

# Installed for one user with the prefix ~/.local, the installed Data/ is this very
# folder: its files are already in place.
if [ "$(cd -- "$data" && pwd -P)" = "$assets" ]; then
    cd -- "$place" || { say "cannot enter $place"; exit 1; }
    exec "$program" "$@"
fi

# One link per installed file, pointed again at each start so an upgrade's new files
# appear and moved ones are followed. A link is replaced by renaming a new one over
# it, so two launchers starting together never see it missing. The calendar and any
# regular file of the user's are left as they are.
for asset in "$assets"/*; do
    [ -f "$asset" ] || continue
    name=${asset##*/}
    case $name in database.bin | database.bin.*) continue ;; esac
    link=$data/$name
    if [ -L "$link" ]; then
        [ "$(readlink -- "$link")" = "$asset" ] && continue
    elif [ -e "$link" ]; then
        continue
    fi
    fresh=$data/.$name.link.$$
    if ! { ln -s -- "$asset" "$fresh" && mv -fT -- "$fresh" "$link"; }; then
        rm -f -- "$fresh"
        say "cannot link $link to the installed $asset"
        exit 1
    fi
done
# Half-made links of a launcher killed mid-way (its process is gone) are dropped.
for stale in "$data"/.*.link.*; do
    [ -L "$stale" ] || continue
    kill -0 "${stale##*.}" 2>/dev/null || rm -f -- "$stale"
done
# Links to files an upgrade removed point nowhere now: drop them.
for link in "$data"/*; do
    if [ -L "$link" ] && [ ! -e "$link" ]; then
        case ${link##*/} in database.bin | database.bin.*) ;; *) rm -f -- "$link" ;; esac
    fi
done

cd -- "$place" || { say "cannot enter $place"; exit 1; }
exec "$program" "$@"
