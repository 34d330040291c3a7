#!/bin/bash
# The floors of src/: a file includes only its own floor and those below it.
#   0 base   1 comm   2 shell   3 the subsystems   4 app
# The simulator stands beside the wizard and uses only the core below the
# windows. Prints every include that runs up a floor; fails when there is one.
set -u
root=${1:?usage: floors.sh SOURCE_DIR}

floor_of() {
    case $1 in
        base) echo 0 ;;
        comm) echo 1 ;;
        shell) echo 2 ;;
        netsetup | features | search | modbus | ascii) echo 3 ;;
        app) echo 4 ;;
        *) echo "" ;;
    esac
}

status=0
while IFS= read -r file; do
    relative=${file#"$root"/}
    if [[ $relative == sim/* ]]; then
        own=3
    else
        room=${relative#src/}
        own=$(floor_of "${room%%/*}")
        [[ -n $own ]] || { echo "$relative: a folder of src/ on no floor"; status=1; continue; }
    fi
    while IFS= read -r included; do
        folder=${included%%/*}
        [[ $included == */* ]] || continue
        target=$(floor_of "$folder")
        [[ -n $target ]] || continue
        if ((target > own)) || { [[ $relative == sim/* ]] && [[ $folder == shell || $folder == app ]]; }; then
            echo "$relative includes $included, a floor above its own"
            status=1
        fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find "$root/src" "$root/sim" -name '*.h' -o -name '*.cpp' | sort)
exit $status
