#!/usr/bin/env bash
# The bash completion of zel-gmousectl offers the commands, the keys of `set` and their values
# (the functions by their identifiers, which do not change with the edition).
# Usage: ctl_completion.sh COMPLETION_FILE
set -u
source "$1"
failed=0
# expect "WORDS..." -- EXPECTED: the candidates for the last word, joined with '|'.
expect() {
    local want=${*: -1}
    local words=("${@:1:$#-2}")
    COMP_WORDS=("${words[@]}")
    COMP_CWORD=$((${#words[@]} - 1))
    COMPREPLY=()
    _zel_gmousectl
    local got
    got=$(IFS='|'; echo "${COMPREPLY[*]}")
    if [ "$got" != "$want" ]; then
        echo "FAIL: ${words[*]}: got '$got', expected '$want'" >&2
        failed=1
    fi
}
expect zel-gmousectl se -- "set"
expect zel-gmousectl --config-dir /tmp sh -- "show"
expect zel-gmousectl set le -- "led="
expect zel-gmousectl set dpi -- "dpi1=|dpi2=|dpi3=|dpi4=|dpi-level="
expect zel-gmousectl set led=st -- "led=steady"
expect zel-gmousectl set wheel= -- "wheel=standard|wheel=alternate"
expect zel-gmousectl set button1=vol -- "button1=volume-up|button1=volume-down"
expect zel-gmousectl set button4=user-macro-1 -- \
    "button4=user-macro-1|button4=user-macro-10|button4=user-macro-11|button4=user-macro-12"
expect zel-gmousectl set button2=calc -- "button2=calculator-key|button2=calculator"
expect zel-gmousectl set --profile "" -- "1|2|3|4|5"
expect zel-gmousectl show --j -- "--json"
expect zel-gmousectl profile "" -- "1|2|3|4|5"
expect zel-gmousectl macros "" -- "list|show|export|import"
# The option that lets a command drop the window's unsaved edits, on each command that takes it.
expect zel-gmousectl set --d -- "--discard-unsaved"
expect zel-gmousectl profile 2 --d -- "--discard-unsaved"
expect zel-gmousectl import p.ini --d -- "--discard-unsaved"
expect zel-gmousectl export p.ini --d -- ""
expect zel-gmousectl reset --d -- "--discard-unsaved"
expect zel-gmousectl macros import --d -- "--discard-unsaved"
[ "$failed" -eq 0 ] && echo "PASS (completion)"
exit "$failed"
