#!/usr/bin/env bash
# The command lines of the program and the project's tools, as a user types them:
#   command_line_e2e.sh PROGRAM ZEL_MAKE_MACROS ZEL_SKIN_PAINTER
# --help and --version answer on standard output with status 0, without a display and without
# touching the program's files; an option nobody knows gets the usage on standard error and
# status 2, and does nothing else.
set -u
program=$1
make_macros=$2
skin_painter=$3

work=$(mktemp -d "${TMPDIR:-/tmp}/zel-cli-XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    for f in "$work/out" "$work/err"; do
        [ -f "$f" ] && { echo "--- $f" >&2; cat "$f" >&2; }
    done
    exit 1
}

# run DIR COMMAND...: runs in DIR without a display (a program that opened one would abort),
# leaves the status in $status and the output in $work/out and $work/err.
run() {
    local dir=$1
    shift
    (cd "$dir" && env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$@") \
        >"$work/out" 2>"$work/err"
    status=$?
}
listing() { (cd "$1" && find . -printf '%p %s %T@\n' | sort); }

# The program in a folder of its own, with a config.ini that must stay as it is.
app="$work/app"
mkdir -p "$app"
cp "$program" "$app/"
exe="$app/$(basename "$program")"
printf '[Init]\r\nCurConfig=9\r\n' >"$app/config.ini"
before=$(listing "$app")

run "$app" "$exe" --help
[ "$status" -eq 0 ] || fail "--help: status $status"
grep -q -- "--headless" "$work/out" || fail "--help does not list --headless"
grep -q "Usage:" "$work/out" || fail "--help prints no usage"
[ -s "$work/err" ] && fail "--help wrote to standard error"

run "$app" "$exe" --headless --help
[ "$status" -eq 0 ] && grep -q "Usage:" "$work/out" || fail "--headless --help did not just help"

run "$app" "$exe" --version
[ "$status" -eq 0 ] || fail "--version: status $status"
grep -Eq '^ZEL_GMouse [0-9]+\.[0-9]+' "$work/out" || fail "--version prints no version"

run "$app" "$exe" --frobnicate
[ "$status" -eq 2 ] || fail "unknown option: status $status"
grep -q "Usage:" "$work/err" || fail "unknown option: no usage on standard error"
grep -q -- "--frobnicate" "$work/err" || fail "unknown option is not named"
[ -s "$work/out" ] && fail "unknown option wrote to standard output"

run "$app" "$exe" stray-word
[ "$status" -eq 2 ] || fail "stray argument: status $status"

# A window start without a desktop session says what it needs, with status 1, instead of
# Qt's abort (status 134); a platform chosen explicitly is left to Qt.
for args in "" "-style fusion"; do
    # shellcheck disable=SC2086
    (cd "$app" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$exe" $args) \
        >"$work/out" 2>"$work/err"
    status=$?
    [ "$status" -eq 1 ] || fail "no display ($args): status $status, not 1"
    grep -q "no desktop session" "$work/err" || fail "no display: no word of the desktop session"
    grep -q -- "--headless" "$work/err" || fail "no display: --headless is not offered"
    grep -qi "qt.qpa\|could not connect to display\|Aborted" "$work/err" &&
        fail "no display: Qt's own text"
done
run "$app" "$exe"
[ "$status" -ne 1 ] || fail "QT_QPA_PLATFORM=xcb without a display was refused before Qt"
grep -q "no desktop session" "$work/err" && fail "QT_QPA_PLATFORM=xcb set was not left to Qt"
(cd "$app" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$exe" -platform xcb) \
    >"$work/out" 2>"$work/err"
grep -q "no desktop session" "$work/err" && fail "-platform xcb was not left to Qt"

[ "$(listing "$app")" = "$before" ] || fail "the program's folder changed"

# zel-make-macros: --help answers, an unknown option is refused; neither writes a folder.
tool_dir="$work/tool"
mkdir -p "$tool_dir"
run "$tool_dir" "$make_macros" --help
[ "$status" -eq 0 ] && grep -q "usage: zel-make-macros" "$work/out" || fail "zel-make-macros --help"
run "$tool_dir" "$make_macros" --bogus
[ "$status" -eq 2 ] && grep -q "usage: zel-make-macros" "$work/err" || fail "zel-make-macros --bogus"
[ -z "$(ls -A "$tool_dir")" ] || fail "zel-make-macros wrote $(ls -A "$tool_dir")"

# zel_skin_painter (pictures only, it needs no display either).
run "$tool_dir" env -u QT_QPA_PLATFORM "$skin_painter" --help
[ "$status" -eq 0 ] && grep -q "usage: zel_skin_painter" "$work/out" || fail "zel_skin_painter --help"
run "$tool_dir" env -u QT_QPA_PLATFORM "$skin_painter" --bogus
[ "$status" -eq 2 ] && grep -q "usage: zel_skin_painter" "$work/err" || fail "zel_skin_painter --bogus"
[ -z "$(ls -A "$tool_dir")" ] || fail "zel_skin_painter wrote $(ls -A "$tool_dir")"
echo "PASS"
