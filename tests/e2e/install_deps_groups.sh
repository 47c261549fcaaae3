#!/usr/bin/env bash
# scripts/install-deps.sh's groups: building, running and packaging the program install none of
# the test toolchain (QEMU and its kernel, clang, weston, lintian, Xvfb, GoogleTest), not even
# through a dependency, and the scripts of the README install only their group.
#   install_deps_groups.sh SOURCE_DIR
set -u
source_dir=$1
deps="$source_dir/scripts/install-deps.sh"
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
toolchain='^(qemu-system|linux-image|busybox|clang|libclang|llvm|weston|lintian|xvfb|libgtest|libgmock|libbenchmark|xdotool|imagemagick)'

list() { bash "$deps" --list "$1" || fail "install-deps.sh --list $1 failed"; }
for group in build run package test; do
    [ -n "$(list "$group")" ] || fail "group $group is empty"
done
list test | grep -qE "${toolchain}" || fail "the test group lacks the test toolchain"
for group in build run package; do
    if list "$group" | grep -E "${toolchain}" >/dev/null; then
        fail "group $group holds $(list "$group" | grep -E "${toolchain}" | tr '\n' ' ')"
    fi
done
# Each group is part of the test group (what scripts/test.sh and CI install); the program runs
# with the font of its texts.
for group in build run package; do
    extra=$(comm -23 <(list "$group" | sort) <(list test | sort))
    [ -z "$extra" ] || fail "group $group holds what the test group lacks: $extra"
done
[ -z "$(comm -23 <(list build | sort) <(list run | sort))" ] || fail "run lacks part of build"
list run | grep -qx fonts-sawarabi-gothic || fail "the run group lacks the font"
[ "$(bash "$deps" --list)" = "$(list test)" ] || fail "the default is not the test group"
bash "$deps" --list nonsense >/dev/null 2>&1
[ $? -eq 2 ] || fail "an unknown group is not refused"

# The README's commands install their own group.
grep -qx 'bash scripts/install-deps.sh run' "$source_dir/scripts/run.sh" ||
    fail "scripts/run.sh does not install the run group"
grep -qx 'bash "$root/scripts/install-deps.sh" package' "$source_dir/scripts/package.sh" ||
    fail "scripts/package.sh does not install the package group"
grep -qx 'bash scripts/install-deps.sh' "$source_dir/scripts/test.sh" ||
    fail "scripts/test.sh does not install everything"

# What apt would install for each group on a machine with nothing installed: no group but the
# test group pulls in the toolchain through a dependency.
if ! apt-cache show cmake >/dev/null 2>&1; then
    echo "PASS (apt's package lists are missing: dependencies not checked)"
    exit 0
fi
for group in build run package; do
    # shellcheck disable=SC2046
    apt-get -s -o Dir::State::status=/dev/null install --no-install-recommends \
        $(list "$group") >"${TMPDIR:-/tmp}/zel-deps-$$" 2>&1 ||
        fail "apt cannot install group $group: $(tail -5 "${TMPDIR:-/tmp}/zel-deps-$$")"
    pulled=$(awk '/^Inst /{print $2}' "${TMPDIR:-/tmp}/zel-deps-$$" | grep -E "${toolchain}")
    count=$(grep -c '^Inst ' "${TMPDIR:-/tmp}/zel-deps-$$")
    rm -f "${TMPDIR:-/tmp}/zel-deps-$$"
    [ -z "$pulled" ] || fail "group $group pulls in $(echo "$pulled" | tr '\n' ' ')"
    echo "group $group: $count packages on an empty system"
done
echo "PASS"
