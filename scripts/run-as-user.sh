# Sourced by the commands that build in the tree (play.sh, test.sh) and by the
# installer. Root is needed to install packages and for nothing else, so a
# command that a user ran through sudo builds and runs as that user: what it
# leaves in the tree is the user's, as when the user runs it directly. A root
# login (CI, a container) builds as root.

# The user who ran this through sudo, when the build should run as them: we
# are root, sudo names someone else, and they can write to the tree.
sudo_user_of_tree() {
    ((EUID == 0)) && [[ -n ${SUDO_USER:-} && $SUDO_USER != root ]] || return 1
    runuser -u "$SUDO_USER" -- test -w "$1" || return 1
    echo "$SUDO_USER"
}

# As a user: stops with what to do when build/ holds files of someone else's
# (root's, from a run through sudo before the commands built as the user),
# which the build could not replace.
refuse_foreign_build() {
    ((EUID != 0)) && [[ -d $1/build ]] || return 0
    local foreign
    foreign=$(find "$1/build" -xdev ! -user "$EUID" -print -quit)
    [[ -n $foreign ]] || return 0
    echo "$foreign (and maybe more in build/) belongs to $(stat -c %U "$foreign"), so this" \
        "build cannot write there. Give build/ back to yourself with:" \
        "sudo chown -R $(id -un): $1/build" >&2
    exit 1
}

# run_as_user COMMAND [ARG...], from the tree's top folder: under sudo,
# starts COMMAND again as the user who called sudo and never returns;
# otherwise returns.
run_as_user() {
    local user
    if user=$(sudo_user_of_tree "$PWD"); then
        # Files an older version left here as root would stop the user's build.
        [[ ! -d build ]] || find build -xdev -user 0 -exec chown -h "$user:" {} +
        # sudo drops the session's runtime folder; the user's own is the right one.
        local runtime
        runtime=/run/user/$(id -u "$user")
        if [[ -d $runtime && $(stat -c %u "$runtime") == "$(id -u "$user")" ]]; then
            export XDG_RUNTIME_DIR=$runtime
        else
            unset XDG_RUNTIME_DIR
        fi
        exec runuser -u "$user" -- "$@"
    fi
    refuse_foreign_build "$PWD"
}
