# SPDX-License-Identifier: MIT
# Sourced by the scripts in tools/: installs the Debian packages given that are not yet installed.
ensure_packages() {
    local missing=() package sudo=""
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
    done
    ((${#missing[@]})) || return 0
    echo "Installing: ${missing[*]}"
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    # Another apt may hold the locks for a while: our own scripts wait for each other, others
    # (unattended upgrades) get 15 minutes. The lock file may be another user's: read is enough.
    local lock="${TMPDIR:-/tmp}/kandimor-apt.lock"
    [ -e "$lock" ] || : >"$lock"
    (
        flock 9
        $sudo apt-get -o DPkg::Lock::Timeout=900 update -q
        DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=900 install -y -q \
            --no-install-recommends "${missing[@]}"
    ) 9<"$lock"
}

# private_apt DIR LINE...: an apt configuration of its own in DIR with the source lines given,
# for fetching from Debian's archive while the machine's own sources stay as they are; sets
# apt_options for apt-get and updates its lists. apt checks them against the archive's signed
# Release files.
private_apt() {
    local dir=$1
    shift
    mkdir -p "$dir/lists/partial" "$dir/archives/partial"
    printf '%s\n' "$@" >"$dir/sources.list"
    apt_options=(-o "Dir::Etc::SourceList=$dir/sources.list" -o Dir::Etc::SourceParts=/nonexistent
                 -o "Dir::State::Lists=$dir/lists" -o "Dir::Cache::Archives=$dir/archives"
                 -o Debug::NoLocking=1)
    # As root, apt would fetch as its own user, who may not write to DIR.
    [ "$(id -u)" -ne 0 ] || apt_options+=(-o APT::Sandbox::User=root)
    apt-get "${apt_options[@]}" -q update
}
