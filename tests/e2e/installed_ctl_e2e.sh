#!/usr/bin/env bash
# zel-gmousectl and the program as installed: `cmake --install` into a temporary prefix made
# read-only, run as an ordinary user with a fresh HOME and XDG_RUNTIME_DIR against the virtual
# mouse.
# Usage: installed_ctl_e2e.sh SCENARIO PROGRAM SIMULATOR BUILD_DIR
# Scenarios:
#   commands   every command with no program running, then the same with the headless program
#              running: the same output, exit status and files (the desktop's notices aside),
#              also for files named relatively (the messages name them alike); --config-dir
#              still names the functions from the installed skins
#   names-es   after a switch to the CN edition (VER_SEL=0) functions are set by identifier and
#              by the names of both editions, and show --json is the same either way
#   locale     the start that seeds the user's files takes the edition of the locale (LC_ALL,
#              LC_MESSAGES, LANG), whichever program starts first; later starts keep it
#   damaged-config  a config.ini without [Config2] (or empty) gives the mouse profile 2's factory
#              settings, never zeros; one that cannot be read (mode 000, a FIFO, a folder, over
#              1 MiB) is refused with its reason in the locale's words: exit 1, no report sent,
#              the file left as it was
# Every wait is bounded; a failure prints what was seen and exits non-zero.
set -u

scenario=$1
program=$2
simulator=$3
build=$4

source "$(dirname "$0")/e2e_common.sh"
require_tools jq cmake
# The installed tree is write-protected: give it back before the work folder goes.
trap 'chmod -R u+w "$work" 2>/dev/null; cleanup' EXIT

prefix="$work/prefix"
chmod 755 "$work"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
    fail "cmake --install failed: $(cat "$work/install.log")"
chmod -R a-w "$prefix"
ctl="$prefix/bin/zel-gmousectl"
installed_program="$prefix/bin/ZEL_GMouse"

# Run as an ordinary user: tests run as root in CI, and root may write anywhere.
as_user=()
user_id=$(id -u)
if [ "$user_id" -eq 0 ]; then
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
    user_id=65534
fi

# new_user NAME: a fresh home and runtime folder; sets `home` and `runtime`.
new_user() {
    home="$work/$1/home"
    runtime="$work/$1/runtime"
    mkdir -p "$home" "$runtime"
    chmod 755 "$work/$1"
    chmod 700 "$runtime"
    [ "$user_id" -eq "$(id -u)" ] || chown "$user_id:$user_id" "$home" "$runtime"
}

# user_command: sets `run_as_user` to the start of a command line that runs as the user with
# nothing of this shell's environment but the sanitizers' options, the user's folders and the
# virtual mouse.
user_command() {
    local name
    run_as_user=("${as_user[@]}" env -i HOME="$home" PATH=/usr/bin:/bin
        XDG_RUNTIME_DIR="$runtime" XDG_CURRENT_DESKTOP="" ZEL_GMOUSE_SIM="$socket")
    for name in ASAN_OPTIONS UBSAN_OPTIONS TSAN_OPTIONS LSAN_OPTIONS; do
        [ -n "${!name+set}" ] && run_as_user+=("$name=${!name}")
    done
}

# as_the_user [VAR=VALUE ...] COMMAND...
as_the_user() {
    user_command
    "${run_as_user[@]}" "$@"
}

# ctl_ok ARGS...: zel-gmousectl as the user; fails the test unless it exits 0. Output on
# standard output.
ctl_ok() {
    as_the_user "$ctl" "$@" 2>"$work/ctl.err" || fail "zel-gmousectl $* failed: $(cat "$work/ctl.err")"
}

start_simulator
chmod 666 "$socket"

# The headless program as the user, [VAR=VALUE ...] before it; waits for its first upload, so
# that it listens for commands.
start_installed_program() {
    local before
    before=$(feature_count)
    user_command
    # Not through a function: app_pid must be the program's own.
    "${run_as_user[@]}" "$@" "$installed_program" --headless 2>"$work/app.err" &
    app_pid=$!
    wait_features $((before + start_count)) 10
}

stop_installed_program() {
    kill -TERM "$app_pid"
    wait_exit 10
    [ "$status" -eq 0 ] || fail "the program's exit status was $status after SIGTERM"
}

user_files() { echo "$home/.config/zel-gmouse"; }
# The folder the tool runs in for files named relatively.
shared="$work/shared"
mkdir -m 777 "$shared"

# Every command of the tool, each one's output and exit status into the folder $1.
run_every_command() {
    local out=$1 files
    files=$(user_files)
    mkdir -p "$out"
    chmod 777 "$out"
    local -a commands=(
        "list"
        "show"
        "show --json --profile 2"
        "set --profile 2 fire-interval=80 button4=volume-up led=steady"
        "show --profile 2"
        "profile 2"
        "apply"
        "export $out/exchange.ini --profile 2"
        "import $out/exchange.ini --profile 4"
        "show --profile 4 --json"
        "macros list"
        "macros show Save"
        "macros export $out/macros.dat"
        "macros import $out/macros.dat"
        "reset"
        "show"
    )
    local i=0 line
    for line in "${commands[@]}"; do
        # shellcheck disable=SC2086  # the words of the command
        as_the_user "$ctl" $line >"$out/$i.out" 2>"$out/$i.err"
        echo "$?" >>"$out/$i.out"
        [ "$(tail -1 "$out/$i.out")" = 0 ] ||
            fail "zel-gmousectl $line exited $(tail -1 "$out/$i.out"): $(cat "$out/$i.err")"
        i=$((i + 1))
    done
    # Files named relatively, from one folder both runs share: the tool names them alike in
    # every message whoever carries the command out. The refused ones must fail.
    local -a relative=(
        "export here.ini --profile 3"
        "import here.ini --profile 5"
        "macros export here.dat"
        "macros import here.dat"
        "import missing.ini"
        "macros import missing.dat"
        "export no-folder/x.ini"
        "macros export no-folder/x.dat"
    )
    i=0
    for line in "${relative[@]}"; do
        # shellcheck disable=SC2086  # the words of the command
        (cd "$shared" && as_the_user "$ctl" $line >"$out/relative-$i.out" 2>"$out/relative-$i.err")
        echo "$?" >>"$out/relative-$i.out"
        [ "$i" -lt 4 ] && [ "$(tail -1 "$out/relative-$i.out")" != 0 ] &&
            fail "zel-gmousectl $line exited $(tail -1 "$out/relative-$i.out"): $(cat "$out/relative-$i.err")"
        [ "$i" -ge 4 ] && [ "$(tail -1 "$out/relative-$i.out")" = 0 ] && fail "zel-gmousectl $line succeeded"
        i=$((i + 1))
    done
    [ -s "$shared/here.ini" ] && [ -s "$shared/here.dat" ] || fail "the relative files were not written there"
    rm -f "$shared/here.ini" "$shared/here.dat"
    # What the files hold afterwards.
    cp "$files/config.ini" "$files/Macro_EN.dat" "$files/Macro_CN.dat" "$out/"
    rm -f "$out/exchange.ini" "$out/macros.dat"
}

case "$scenario" in
commands)
    new_user alone
    run_every_command "$work/alone"
    grep -q '^button1        Left Click$' "$work/alone/1.out" ||
        fail "show does not name button1: $(cat "$work/alone/1.out")"
    [ -f "$(user_files)/config.ini" ] || fail "the user's config.ini was not made"
    # --config-dir: the folder has no skins, the installed ones name the functions.
    ctl_ok --config-dir "$(user_files)" show >"$work/config-dir.out"
    grep -q '^button1        Left Click$' "$work/config-dir.out" ||
        fail "--config-dir does not name button1: $(cat "$work/config-dir.out")"

    new_user headless
    start_installed_program
    run_every_command "$work/headless"
    stop_installed_program
    # The desktop's notices come from the one that uploads: the tool itself, or the program,
    # which gave them once at its start.
    for f in "$work"/alone/*.err "$work"/headless/*.err; do
        sed -i '/: this desktop has no .* setting the program can change/d' "$f"
    done
    # The runtime folder holds the running program's lock and socket: compare outputs and files.
    diff -r --exclude=runtime "$work/alone" "$work/headless" >"$work/diff" ||
        fail "with the program running the results differ: $(cat "$work/diff")"
    ;;
names-es)
    new_user es
    ctl_ok show >/dev/null
    config="$(user_files)/config.ini"
    "${as_user[@]}" sed -i 's/^VER_SEL=.*\r$/VER_SEL=0\r/' "$config" || fail "cannot switch to ES"
    grep -q $'^VER_SEL=0\r$' "$config" || fail "VER_SEL is not 0: $(cat "$config")"
    ctl_ok set button4=volume-up
    ctl_ok show --json >"$work/by-identifier.json"
    for value in "Volume Up" "Subir volumen" "VOLUME-UP" 24; do
        ctl_ok set button4=forward
        ctl_ok set "button4=$value"
        ctl_ok show --json >"$work/by-name.json"
        cmp -s "$work/by-identifier.json" "$work/by-name.json" ||
            fail "show --json differs after button4=\"$value\":
$(cat "$work/by-identifier.json")
$(cat "$work/by-name.json")"
    done
    [ "$(jq -r '.buttons[3].function' "$work/by-identifier.json")" = volume-up ] ||
        fail "function is not the identifier: $(cat "$work/by-identifier.json")"
    [ "$(jq -r '.buttons[3].label' "$work/by-identifier.json")" = "Subir volumen" ] ||
        fail "label is not the edition's name: $(cat "$work/by-identifier.json")"
    ctl_ok show >"$work/show.out"
    grep -q '^button4        Subir volumen$' "$work/show.out" ||
        fail "show does not print the edition's name: $(cat "$work/show.out")"
    # A bad name lists the identifiers; nothing is written.
    before=$(cat "$config")
    as_the_user "$ctl" set button4=teleport >/dev/null 2>"$work/bad.err"
    [ $? -eq 2 ] || fail "a bad function did not exit 2"
    grep -q '24  volume-up  Subir volumen' "$work/bad.err" ||
        fail "the identifiers are not listed: $(cat "$work/bad.err")"
    [ "$(cat "$config")" = "$before" ] || fail "a refused set changed config.ini"
    ;;
locale)
    # VARIABLES... -> the edition the first start chooses (0 CN, 1 EN).
    check_first_start() {
        local who=$1 want=$2
        shift 2
        new_user "first-$who-$want-$RANDOM"
        if [ "$who" = program ]; then
            start_installed_program "$@"
            stop_installed_program
        else
            as_the_user "$@" "$ctl" show >/dev/null 2>"$work/ctl.err" ||
                fail "zel-gmousectl show failed: $(cat "$work/ctl.err")"
        fi
        local got
        got=$(sed -n 's/^VER_SEL=\([0-9]*\)\r*$/\1/p' "$(user_files)/config.ini")
        [ "$got" = "$want" ] || fail "$who with $*: VER_SEL=$got, expected $want"
    }
    check_first_start ctl 0 LANG=es_ES.UTF-8
    check_first_start ctl 1 LANG=en_US.UTF-8
    check_first_start ctl 1 LC_ALL=en_GB.UTF-8 LANG=es_ES.UTF-8
    check_first_start ctl 0 LC_MESSAGES=es_MX.UTF-8 LANG=en_US.UTF-8
    check_first_start ctl 0 LC_ALL= LANG=es_AR.UTF-8
    check_first_start ctl 1
    check_first_start program 0 LANG=es_ES.UTF-8
    # The CN edition's names, and a later start under another locale keeps the edition.
    ctl_ok show >"$work/show.out"
    grep -q '^button1        Clic izquierdo$' "$work/show.out" ||
        fail "the CN edition's names are not shown: $(cat "$work/show.out")"
    start_installed_program LANG=en_US.UTF-8
    stop_installed_program
    grep -q $'^VER_SEL=0\r$' "$(user_files)/config.ini" || fail "a later start changed VER_SEL"
    ;;
damaged-config)
    new_user damaged
    ctl_ok show >/dev/null
    config="$(user_files)/config.ini"
    # The reports of profiles 1 and 2 of the whole shipped file, for reference.
    # reports_of NAME ARGS...: the tool's command; the 13 reports it sent into $work/NAME.
    reports_of() {
        local name=$1 before
        shift
        before=$(feature_count)
        ctl_ok "$@" >"$work/$name.out"
        wait_until 20 has_features $((before + 13)) || fail "$* sent no upload"
        features | tail -n +$((before + 1)) >"$work/$name.reports"
    }
    reports_of whole1 profile 1
    reports_of whole2 profile 2

    # Without [Config2] (CurConfig=2): show and export print the factory settings and write
    # nothing into config.ini; apply and profile 2 send what the whole file's profile 2 sends.
    awk '/^\[/ { skip = ($0 ~ /^\[Config2\]/) } !skip' "$config" >"$work/no-config2.ini"
    grep -q 'Config2' "$work/no-config2.ini" && fail "[Config2] was not removed"
    "${as_user[@]}" cp "$work/no-config2.ini" "$config"
    ctl_ok show --profile 2 >"$work/show2.out"
    grep -q '^button1        Left Click$' "$work/show2.out" ||
        fail "show of a missing profile: $(cat "$work/show2.out")"
    mkdir -m 777 "$work/out"
    ctl_ok export "$work/out/p2.ini" --profile 2
    grep -q $'^K0=1\r*$' "$work/out/p2.ini" || fail "export of a missing profile: $(cat "$work/out/p2.ini")"
    cmp -s "$config" "$work/no-config2.ini" || fail "show or export changed config.ini"
    for command in apply "profile 2"; do
        "${as_user[@]}" cp "$work/no-config2.ini" "$config"
        # shellcheck disable=SC2086  # the words of the command
        reports_of missing2 $command
        grep -qx 'profile 2 applied' "$work/missing2.out" ||
            fail "$command without [Config2]: $(cat "$work/missing2.out")"
        cmp -s "$work/missing2.reports" "$work/whole2.reports" ||
            fail "$command without [Config2] sent other reports:
$(cat "$work/missing2.reports")
--- expected
$(cat "$work/whole2.reports")"
    done

    # An empty config.ini: apply sends profile 1 (the start's choice), not profile 0.
    "${as_user[@]}" truncate -s 0 "$config"
    reports_of empty1 apply
    grep -qx 'profile 1 applied' "$work/empty1.out" || fail "apply of an empty file: $(cat "$work/empty1.out")"
    cmp -s "$work/empty1.reports" "$work/whole1.reports" || fail "apply of an empty file sent other reports"

    # Unreadable: exit 1 with the reason, in the locale's words, no report, nothing written.
    "${as_user[@]}" cp "$work/no-config2.ini" "$config"
    refused() {  # REASON [VAR=VALUE ...]: every command that reads the profiles is refused
        local reason=$1 line before status
        shift
        for line in "profile 2" "apply" "show" "set fire-interval=80" "reset" \
            "export $work/out/refused.ini" "import $work/out/p2.ini"; do
            before=$(feature_count)
            # shellcheck disable=SC2086  # the words of the command
            as_the_user "$@" timeout 20 "$ctl" $line >/dev/null 2>"$work/refused.err"
            status=$?
            [ "$status" -eq 1 ] || fail "$line on $reason exited $status: $(cat "$work/refused.err")"
            grep -qF "$reason" "$work/refused.err" ||
                fail "$line does not say \"$reason\": $(cat "$work/refused.err")"
            sleep 0.2
            [ "$(feature_count)" -eq "$before" ] || fail "$line on $reason sent reports"
            [ ! -e "$work/out/refused.ini" ] || fail "export on $reason wrote a file"
        done
    }
    "${as_user[@]}" chmod 000 "$config"
    refused "cannot be read: permission denied"
    refused "No se puede leer \"$config\": permiso denegado" LANG=es_ES.UTF-8
    "${as_user[@]}" chmod 600 "$config"
    cmp -s "$config" "$work/no-config2.ini" || fail "an unreadable config.ini was changed"
    "${as_user[@]}" truncate -s 100M "$config"
    refused "cannot be read: the file is larger than 1 MiB"
    [ "$(stat -c %s "$config")" -eq $((100 * 1024 * 1024)) ] || fail "the large config.ini was changed"
    # The headless program starts on the factory settings and says why; the tool's commands,
    # which it then carries out, are refused the same way.
    start_installed_program
    grep -qF "cannot be read: the file is larger than 1 MiB" "$work/app.err" ||
        fail "the headless start does not say why: $(cat "$work/app.err")"
    refused "cannot be read: the file is larger than 1 MiB"
    stop_installed_program
    [ "$(stat -c %s "$config")" -eq $((100 * 1024 * 1024)) ] || fail "the program changed the large config.ini"
    "${as_user[@]}" rm "$config"
    "${as_user[@]}" mkfifo "$config"
    refused "cannot be read: not a regular file"
    [ -p "$config" ] || fail "the FIFO was replaced"
    "${as_user[@]}" rm "$config"
    "${as_user[@]}" mkdir "$config"
    refused "cannot be read: it is a folder"
    [ -d "$config" ] || fail "the folder was replaced"
    ;;
*)
    echo "unknown scenario $scenario" >&2
    exit 2
    ;;
esac
echo "PASS ($scenario)"
exit 0
