#!/usr/bin/env bash
# ./test.sh and ./play.sh need root to install packages and for nothing else.
# A throwaway user runs copies of them in a tree of their own: through sudo
# (apt-get runs as root, everything else as the user, and nothing in the tree
# is root's afterwards), and directly (sudo for apt-get alone). Root runs
# them too, and must never call sudo. apt-get, cmake and npm are stand-ins
# that note who ran them and make files where a build makes them; the apt
# output must land in build/install.log, not on the terminal.
#   SudoTest.sh SOURCE_DIR
# Exit 0 passed, 1 failed, 77 skipped (not root, or no sudo or useradd).
set -euo pipefail
source_dir=$(cd "$1" && pwd)
((EUID == 0)) || { echo "SKIP: makes a throwaway user, so needs root"; exit 77; }
for tool in sudo visudo useradd userdel runuser; do
    command -v $tool >/dev/null || { echo "SKIP: $tool not installed"; exit 77; }
done

fail() { echo "FAIL: $*"; exit 1; }
user=vantrel-sudo-$$
sudoers=/etc/sudoers.d/vantrel-test-$$
work=$(mktemp -d)
cleanup() {
    rm -f "$sudoers"
    userdel --remove "$user" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
chmod 755 "$work"
useradd --create-home --base-dir "$work" --shell /bin/bash "$user"

# The stand-ins, first on every PATH, sudo's secure path included.
bin=$work/bin
mkdir "$bin"
calls=$work/calls
install -m 666 /dev/null "$calls"
cat >"$bin/apt-get" <<EOF
#!/bin/bash
echo "\$(id -un) apt-get \$*" >>$calls
if [[ " \$* " == *" -s "* ]]; then
    for arg in "\$@"; do [[ \$arg == -* || \$arg == install ]] || echo "Inst \$arg (1 stand-in [amd64])"; done
else
    echo "Unpacking stand-in progress line"
    [[ \$1 == update ]] || touch $work/installed
fi
EOF
# The stand-in package counts as installed once apt-get has "installed" it.
cat >"$bin/dpkg-query" <<EOF
#!/bin/bash
status=0
/usr/bin/dpkg-query "\$@" || status=\$?
[[ -e $work/installed && " \$* " == *" vantrel-stand-in-package "* ]] && echo "vantrel-stand-in-package ii "
exit \$status
EOF
cat >"$bin/cmake" <<EOF
#!/bin/bash
echo "\$(id -un) cmake \$*" >>$calls
[[ " \$* " == *" -n"* ]] && exit 0
preset=\${*: -1}
[[ \$* == *"--target vantrel"* ]] && preset=release
mkdir -p build/\$preset build/release/ui/qt tests/__pycache__
touch build/\$preset/CMakeCache.txt tests/__pycache__/made-by-\$preset.pyc
[[ \$1 != --workflow ]] || echo '<testsuite><testcase name="stand-in"/></testsuite>' >build/\$preset/junit.xml
printf '#!/bin/bash\necho "\$(id -un) game" >>$calls\n' >build/release/ui/qt/vantrel
chmod +x build/release/ui/qt/vantrel
EOF
printf '#!/bin/bash\necho "$(id -un) npm $*" >>%s\n' "$calls" >"$bin/npm"
cp "$bin/npm" "$bin/clang++"
chmod 755 "$bin"/*
# Root's own stand-in for sudo, for the run as root.
mkdir "$work/rootbin"
printf '#!/bin/bash\necho "$(id -un) sudo $*" >>%s\nexit 1\n' "$calls" >"$work/rootbin/sudo"
chmod 755 "$work/rootbin/sudo"

cat >"$sudoers" <<EOF
Defaults:$user secure_path="$bin:/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin"
$user ALL=(ALL) NOPASSWD: ALL
EOF
chmod 440 "$sudoers"
visudo -cqf "$sudoers" || fail "the sudoers entry does not parse"

# A tree with the commands and the scripts, where one package of the test
# set is missing, so that the installer has something to install, and
# another is listed for every release but this one, so must be left alone.
release=$(. /etc/os-release && echo "$VERSION_CODENAME")
new_tree() {
    local tree=$work/$1
    mkdir -p "$tree"
    cp "$source_dir/test.sh" "$source_dir/play.sh" "$tree/"
    cp -r "$source_dir/scripts" "$tree/"
    printf 'vantrel-stand-in-package %s\nvantrel-other-release-package !%s\n' \
        "$release" "$release" >>"$tree/scripts/packages-test.txt"
    chown -R "$2:" "$tree"
    rm -f "$work/installed"
    echo "$tree"
}

# run TREE AS_USER COMMAND...: runs a command in the tree, notes what it
# printed, and checks it succeeded.
run() {
    local tree=$1 who=$2
    shift 2
    : >"$calls"
    (cd "$tree" && runuser -u "$who" -- env PATH="$bin:$PATH" "$@") >"$work/out" 2>&1 </dev/null ||
        { cat "$work/out"; fail "'$*' as $who failed"; }
}
expect_calls() {
    grep -qE "$1" "$calls" || { cat "$calls"; fail "no call matching '$1'"; }
}
refuse_calls() {
    ! grep -E "$1" "$calls" || fail "a call matching '$1'"
}
root_files() {
    local found
    found=$(find "$1" -user root)
    [[ -z $found ]] || fail "$2 left files of root's:"$'\n'"$found"
}

# A user through sudo: apt-get as root, the build and the game as the user.
tree=$(new_tree through-sudo "$user")
run "$tree" "$user" sudo ./test.sh
expect_calls "^root apt-get .* install -y .*vantrel-stand-in-package"
refuse_calls "vantrel-other-release-package"
expect_calls "^$user cmake --workflow --preset ci"
refuse_calls "^root (cmake|npm|clang)"
grep -qx "test: installing 1 package… done, log in build/install.log" "$work/out" ||
    { cat "$work/out"; fail "no one-line report of the install"; }
! grep -q "stand-in progress" "$work/out" || fail "apt's output reached the terminal"
grep -q "stand-in progress" "$tree/build/install.log" || fail "apt's output is not in the log"
root_files "$tree" "sudo ./test.sh"
run "$tree" "$user" sudo ./play.sh
expect_calls "^$user game"
refuse_calls "^root (cmake|game)"
root_files "$tree" "sudo ./play.sh"
echo "through sudo: packages installed as root, built and played as $user, nothing of root's left"

# The same user without sudo: sudo for apt-get alone.
tree=$(new_tree directly "$user")
run "$tree" "$user" ./test.sh
expect_calls "^root apt-get .* install -y .*vantrel-stand-in-package"
refuse_calls "^root (cmake|npm|clang)"
root_files "$tree" "./test.sh"
echo "as $user: sudo for apt-get alone"

# Root, with no sudo to call.
tree=$(new_tree as-root root)
run "$tree" root env -u SUDO_USER -u SUDO_UID PATH="$work/rootbin:$bin:$PATH" ./test.sh
expect_calls "^root apt-get .* install -y .*vantrel-stand-in-package"
expect_calls "^root cmake --workflow --preset web"
refuse_calls "sudo"
echo "as root: no sudo called"
