#!/usr/bin/env bash
# The install tree: `cmake --install` into a temporary prefix puts every file
# where a Debian system expects it, each installed program answers --version
# and --help from there, the manual pages follow the programs' options, the
# desktop entry and AppStream data validate, and the installed programs find
# their translations: the user's choice first, then the system's language.
#   install_tree.sh BUILD_DIR
set -euo pipefail

build=$1
prefix=$(mktemp -d)
home=$(mktemp -d)
trap 'rm -rf "$prefix" "$home"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

"${CMAKE:-cmake}" --install "$build" --prefix "$prefix" >/dev/null

app_id=example.zuredor.utility
for file in bin/zuredor bin/zuredor-cli bin/zuredor-sim \
    share/applications/$app_id.desktop share/metainfo/$app_id.metainfo.xml \
    share/icons/hicolor/scalable/apps/zuredor.svg \
    share/icons/hicolor/{16x16,22x22,24x24,32x32,48x48,64x64,128x128,256x256}/apps/zuredor.png \
    share/man/man1/{zuredor,zuredor-cli,zuredor-sim}.1.gz \
    share/bash-completion/completions/zuredor-cli \
    share/zuredor/languages/{de,es,fr,ja,zh_CN} \
    share/doc/zuredor/{copyright,changelog.gz} share/doc/zuredor-sim/{copyright,changelog.gz}; do
    [ -f "$prefix/$file" ] || fail "$file is not installed"
done
for program in zuredor zuredor-cli zuredor-sim; do
    [ -x "$prefix/bin/$program" ] || fail "$program is not executable"
done
# Every PNG is the size its folder names.
for png in "$prefix"/share/icons/hicolor/*/apps/zuredor.png; do
    size=$(basename "$(dirname "$(dirname "$png")")")
    read -r width height < <(od -An -j16 -N8 -tu1 "$png" | awk '{ print $3 * 256 + $4, $7 * 256 + $8 }')
    [ "${width}x${height}" = "$size" ] || fail "$png is ${width}x${height}"
done

# The installed programs, without a display, as over ssh.
run() {
    env -i HOME="$home" PATH=/usr/bin:/bin ${ASAN_OPTIONS:+ASAN_OPTIONS=$ASAN_OPTIONS} "$@"
}
for program in zuredor zuredor-cli zuredor-sim; do
    version=$(run "$prefix/bin/$program" --version) || fail "$program --version failed"
    [[ $version =~ ^$program\ 1\.1(\ \(git\ [A-Za-z0-9._+-]+\))?$ ]] || fail "$program --version said: $version"
    help=$(run "$prefix/bin/$program" --help) || fail "$program --help failed"
    grep -q -- "--discovery-port" <<<"$help" || fail "$program --help does not name --discovery-port"
done

desktop-file-validate "$prefix/share/applications/$app_id.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$prefix/share/metainfo/$app_id.metainfo.xml" >/dev/null || fail "AppStream data"
exec_line=$(sed -n 's/^Exec=//p' "$prefix/share/applications/$app_id.desktop")
[ "$exec_line" = zuredor ] || fail "the desktop entry starts \"$exec_line\""
[ "$(sed -n 's/^Icon=//p' "$prefix/share/applications/$app_id.desktop")" = zuredor ] || fail "the desktop entry's icon"

# The manual pages: groff has nothing to say about them, and every option and
# command the programs' --help names is in them.
options_of() {
    # shellcheck disable=SC2086 # the command's words
    "$1" $2 --help | grep -oE -- '(^|[ ,])--?[a-z][a-z-]*' | sed 's/^[ ,]//' | sort -u
}
commands_of() {
    "$1" $2 --help | awk '/^Subcommands:$/ { s = 1; next } /^[A-Za-z].*:$/ { s = 0 } s && /^  [a-z]/ { print $1 }'
}
check_page() {
    local program=$1 page=$2 words=$3 text=$4
    local option command
    for option in $(options_of "$program" "$words"); do
        grep -qE -- "(^|[^a-z-])$option([^a-z-]|\$)" <<<"$text" ||
            fail "the page of $(basename "$program") lacks $option (of '$words')"
    done
    for command in $(commands_of "$program" "$words"); do
        grep -qE -- "^   ${words:+$words }$command\$" <<<"$text" ||
            fail "the page of $(basename "$program") has no section for '${words:+$words }$command'"
        check_page "$program" "$page" "${words:+$words }$command" "$text"
    done
}
for program in zuredor zuredor-cli zuredor-sim; do
    page=$prefix/share/man/man1/$program.1.gz
    warnings=$(MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null) || fail "man $program failed"
    [ -z "$warnings" ] || fail "man $program: $warnings"
    text=$(MANWIDTH=200 man -E UTF-8 -l "$page" 2>/dev/null | col -b)
    check_page "$prefix/bin/$program" "$page" "" "$text"
    # What IP takes, as the program says: an address or a unit's host name.
    while IFS= read -r said; do
        [[ $said == *"host name"* ]] || fail "the page of $program says \"$said\""
    done < <(grep -oE 'IP is [^.;]*' <<<"$text")
done

# Translations as installed: the system's language, then the user's choice,
# then a file in the current directory, each before the one named earlier.
too_long=aaaaaaaaaaaaaaaaaaaaaaaa
words() {
    (cd "$home" && env -i HOME="$home" PATH=/usr/bin:/bin ${ASAN_OPTIONS:+ASAN_OPTIONS=$ASAN_OPTIONS} "$@" \
        "$prefix/bin/zuredor-cli" set-identity 127.0.0.2 "$too_long" G -p x 2>&1)
}
expect() {
    local said
    said=$(words "${@:2}") || true
    [ "$said" = "$1" ] || fail "with ${*:2}: said \"$said\", not \"$1\""
}
expect "Value is too long: Host Name (15)"
expect "Value is too long: Host Name (15)" LANG=C.UTF-8
expect "Wert zu lang: Hostname (15)" LANG=de_DE.UTF-8
expect "Wert zu lang: Hostname (15)" LANG=fr_FR.UTF-8 LC_MESSAGES=de_AT.UTF-8
expect "Valeur trop longue: Nom d'hôte (15)" LANG=de_DE.UTF-8 LC_ALL=fr_FR.UTF-8
expect "值过长: 主机名 (15)" LANG=zh_CN.UTF-8
expect "Value is too long: Host Name (15)" LANG=zh_TW.UTF-8
mkdir -p "$home/.config/zuredor"
cp "$prefix/share/zuredor/languages/es" "$home/.config/zuredor/language"
expect "Valor demasiado largo: Nombre (15)" LANG=de_DE.UTF-8
: >"$home/.config/zuredor/language"
expect "Value is too long: Host Name (15)" LANG=de_DE.UTF-8
mkdir -p "$home/elsewhere/zuredor"
cp "$prefix/share/zuredor/languages/ja" "$home/elsewhere/zuredor/language"
expect "値が長すぎます: ホスト名 (15)" LANG=de_DE.UTF-8 XDG_CONFIG_HOME="$home/elsewhere"
cp "$prefix/share/zuredor/languages/fr" "$home/language"
expect "Valeur trop longue: Nom d'hôte (15)" LANG=de_DE.UTF-8

if [ "$failures" -gt 0 ]; then
    echo "install_tree: $failures failures" >&2
    exit 1
fi
echo "install_tree: all checks passed"
