#!/bin/bash
# Installs what building, running and testing need on Debian 12 (run as root).
# Quick and quiet when everything is already there: apt is only touched for missing packages.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive

PACKAGES=(
    g++-mingw-w64-i686 wine wine32:i386 wine64 xvfb xauth x11-utils locales fonts-wqy-microhei fonts-wine
    googletest cmake make g++ python3 python3-pil imagemagick clang libclang-rt-14-dev nlohmann-json3-dev nsis
)
# Only needed where the kernel cannot start 32-bit programs (wine32 cannot run there): the tests
# then run a 64-bit build of the same sources under wine64.
PACKAGES_NO_IA32=(g++-mingw-w64-x86-64)

say() { echo "setup: $*"; }

missing_of() {
    # One dpkg-query for the lot; a package it does not know at all is missing too.
    local installed
    installed=$(dpkg-query -W -f='${binary:Package} ${Status}\n' "$@" 2>/dev/null |
                awk '$NF == "installed" && $(NF-1) == "ok" { print $1 }' || true)
    local p
    for p in "$@"; do
        grep -qxF -- "$p" <<<"$installed" || grep -qxF -- "$p:$(dpkg --print-architecture)" <<<"$installed" || echo "$p"
    done
}

need_root() {
    if [[ $(id -u) -ne 0 ]]; then
        say "missing: $*; run 'make setup' as root" >&2
        exit 1
    fi
}

install_missing() {
    local missing
    mapfile -t missing < <(missing_of "$@")
    [[ ${#missing[@]} -eq 0 ]] && return 0
    need_root "${missing[@]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        say "enabling the i386 architecture"
        dpkg --add-architecture i386
    fi
    say "installing ${missing[*]}"
    if [[ -z ${APT_UPDATED:-} ]]; then
        apt-get -o DPkg::Lock::Timeout=600 update -q
        APT_UPDATED=1
    fi
    # Another install may hold dpkg's lock for a while: wait for it rather than fail.
    apt-get -o DPkg::Lock::Timeout=600 install -y -q "${missing[@]}"
}

install_missing "${PACKAGES[@]}"

# The harness's answer (which ZELVIX_RUN_ARCH=x86_64 turns to no), in a subshell: its locale
# settings are not for apt, and the locale may not exist yet.
if ! (source "$(dirname "${BASH_SOURCE[0]}")/harness.sh" && harness_can_run_32); then
    install_missing "${PACKAGES_NO_IA32[@]}"
fi

# Wine reports code page 936 only when the zh_CN.UTF-8 locale exists.
if ! locale -a 2>/dev/null | grep -qix 'zh_CN\.utf-\?8'; then
    need_root "locale zh_CN.UTF-8"
    say "generating the zh_CN.UTF-8 locale"
    if [[ -f /etc/locale.gen ]] && command -v locale-gen >/dev/null; then
        if grep -q '^# *zh_CN.UTF-8 UTF-8' /etc/locale.gen; then
            sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
        elif ! grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen; then
            echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen
        fi
        locale-gen --keep-existing
    else
        localedef -i zh_CN -c -f UTF-8 -A /usr/share/locale/locale.alias zh_CN.UTF-8
    fi
fi
