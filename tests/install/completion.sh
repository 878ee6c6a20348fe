#!/usr/bin/env bash
# The bash completion of zuredor-cli as built: commands, options and named
# choices for partial words, the units of the last scan for a unit's IP, and
# nothing from the cache ever run or offered unless it is an address.
#   completion.sh COMPLETION_SCRIPT ZUREDOR_CLI
set -euo pipefail

script=$1
cli=$2
cache=$(mktemp -d)
trap 'rm -rf "$cache"' EXIT
failures=0

# shellcheck source=/dev/null
source "$script"

registered=$(complete -p zuredor-cli)
[ "$registered" = "complete -F _zuredor_cli zuredor-cli" ] || {
    echo "FAIL: complete -p says: $registered" >&2
    failures=$((failures + 1))
}

# What Tab offers for the words given, the last being the one under the cursor.
offered() {
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE="$*"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    _zuredor_cli
    printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ' | sed 's/ $//'
}
expect() {
    local want=$1
    shift
    local got
    got=$(offered zuredor-cli "$@")
    if [ "$got" != "$want" ]; then
        echo "FAIL: zuredor-cli $* <Tab> offered \"$got\", not \"$want\"" >&2
        failures=$((failures + 1))
    fi
}

export XDG_CACHE_HOME=$cache
mkdir -p "$cache/zuredor"
printf '127.0.0.2\tZurEdor-1\n127.0.0.3\tOther\n10.0.0.9\n127.0.0.5\t$(touch %s/ran)\nnot-an-address\tZed\n' \
    "$cache" >"$cache/zuredor/units"
touch "$cache/firmware-1.bin" "$cache/firmware-2.bin"

# The commands are those the program lists, whatever they are today.
top=$("$cli" --help | awk '/^Subcommands:$/ { s = 1; next } s && /^  [a-z]/ { print $1 }' | sort | tr '\n' ' ')
expect "${top% }" ""
expect "set-admin-password set-dhcp-server set-identity set-ip set-language set-time" set-
expect "smb" sm
expect "create" smb c
expect "--json" smb create --j
expect "--wait" scan --w
expect "--device-port --discovery-port" --d
expect "status" --device-port 8080 sta
expect "status" -p secret sta
expect "off" set-time 127.0.0.2 --sntp of
expect "off on" set-time 127.0.0.2 --sntp ""
expect "off on" set-time 127.0.0.2 --sntp = o
expect "dhcp static" set-ip 127.0.0.2 ""
expect "ro rw" ftp set-account 127.0.0.2 bob ""
expect "disable enable" ftp set 127.0.0.2 ""
# A unit's IP: the addresses of the last scan, or the one whose name was typed.
expect "127.0.0.2 127.0.0.3 127.0.0.5" status 127.0.0.
expect "10.0.0.9 127.0.0.2 127.0.0.3 127.0.0.5" smb list ""
expect "127.0.0.2" status Zur
expect "127.0.0.3" disk show Oth
expect "" status Ze
# A start two names share offers the names, a name two units share their addresses.
printf '127.0.0.4\tZurEdor-2\n127.0.0.6\tTwin\n127.0.0.7\tTwin\n127.0.0.8\t$(touch\n' >>"$cache/zuredor/units"
expect "ZurEdor-1 ZurEdor-2" status Zur
expect "127.0.0.4" status ZurEdor-2
expect "127.0.0.6 127.0.0.7" ftp show Tw
expect "" status '$('
# The letters the mount dialog would offer; the time servers the window lists.
mkdir -p "$cache/ZurEdor/F"
ln -s "$cache/gone" "$cache/ZurEdor/G"
HOME=$cache expect "D E G H I J K L M N O P Q R S T U V W X Y Z" mount 127.0.0.2 0 ""
HOME=$cache expect "G" mount 127.0.0.2 0 g
HOME=$cache expect "" mount 127.0.0.2 0 G ""
# drives forget: the remembered letters only, never anything else the file holds.
mkdir -p "$cache/config/zuredor"
printf '{"drives":[{"letter": "F"},{"letter":"H"},{"letter":"j"},{"letter":"$(touch %s/ran)"},{"letter":"B"}]}' "$cache" \
    >"$cache/config/zuredor/drives.json"
XDG_CONFIG_HOME=$cache/config expect "F H" drives forget ""
XDG_CONFIG_HOME=$cache/config expect "H" drives forget h
XDG_CONFIG_HOME=$cache/none expect "" drives forget ""
expect "pool.ntp.org" set-time 127.0.0.2 --server p
expect "time.google.com time.nist.gov time.windows.com" set-time 127.0.0.2 --server time
# Only the first argument is a unit.
expect "" smb create 127.0.0.2 ""
expect "$cache/firmware-1.bin $cache/firmware-2.bin" firmware 127.0.0.2 "$cache/firm"
XDG_CACHE_HOME=$cache/none expect "" status ""
[ ! -e "$cache/ran" ] || {
    echo "FAIL: a name from the cache was run" >&2
    failures=$((failures + 1))
}

# Only a plain file of a scan's size is read; Tab returns at once, and quietly,
# with anything else there. A child shell, so that a hang is ended and counted.
printf '127.0.0.7\n' >"$cache/elsewhere"
units=$cache/zuredor/units
for kind in link fifo folder huge; do
    rm -rf "$units"
    case $kind in
    link) ln -s "$cache/elsewhere" "$units" ;;
    fifo) mkfifo "$units" ;;
    folder) mkdir "$units" ;;
    huge) printf '127.0.0.8\n%.0s' {1..60000} >"$units" ;;
    esac
    got=$(timeout 10 bash -c 'source "$1"; COMP_WORDS=(zuredor-cli status ""); COMP_CWORD=2
        _zuredor_cli; printf "%s" "${COMPREPLY[*]}"' _ "$script" 2>&1) || got="(status $?) $got"
    [ -z "$got" ] || {
        echo "FAIL: with a $kind as the cache, Tab gave \"${got:0:80}\"" >&2
        failures=$((failures + 1))
    }
done

if [ "$failures" -gt 0 ]; then
    echo "completion: $failures failures" >&2
    exit 1
fi
echo "completion: all checks passed"
