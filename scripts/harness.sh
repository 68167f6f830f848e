# The Wine harness: the one place that sets up the environment the program and its tests run in.
# Sourced by the scripts that run, build or package the program; it starts nothing by itself.
# Besides the session it has the helpers they share: harness_tree (the build tree this machine
# runs), harness_winpath (a Windows path, from winepath) and harness_version (res/version.h's).
# A session (harness_start ... harness_stop) has:
#   - the private prefix build/wineprefix, made once (wineboot, ~15 s) and reused;
#   - LANG/LC_ALL=zh_CN.UTF-8, checked to give the ANSI code page 936 inside Wine;
#   - WINEDEBUG=-all unless the caller set WINEDEBUG;
#   - its own Xvfb, 1920x1080x24 on a free display, white root (see ZELVIX_ROOT_COLOR), unless
#     ZELVIX_HOST_DISPLAY=1 and DISPLAY is set (make run on a desktop);
#   - a persistent wineserver, so that each Wine start is quick.
# harness_stop stops that Xvfb by its PID and this prefix's wineserver (and so every Wine process
# of the session). One session at a time uses the prefix (a lock in the build tree).

ZELVIX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
ZELVIX_BUILD=${ZELVIX_BUILD:-$ZELVIX_ROOT/build}

# What see-through pixels show: Xvfb's root window, white with -wr. Tests expect this colour.
export ZELVIX_ROOT_COLOR=255,255,255
ZELVIX_SCREEN=1920x1080x24

export WINEPREFIX=$ZELVIX_BUILD/wineprefix
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono/Gecko installers, no menu entries in $HOME.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml,winemenubuilder.exe=}
unset WINEARCH

ZELVIX_WINE32=/usr/lib/wine/wine
ZELVIX_WINE64=/usr/lib/wine/wine64

harness_say() { echo "harness: $*" >&2; }

# The Wine loader for a PE file: wine64 for PE32+, wine (32-bit) for PE32.
harness_loader_for() {
    local exe=$1 off machine
    off=$(od -An -tu4 -j60 -N4 "$exe" 2>/dev/null | tr -d ' ')
    machine=$( [[ -n $off ]] && od -An -tx2 -j$((off + 4)) -N2 "$exe" 2>/dev/null | tr -d ' ')
    case $machine in
        8664) echo "$ZELVIX_WINE64" ;;
        014c) echo "$ZELVIX_WINE32" ;;
        *) echo "$ZELVIX_WINE64" ;;   # Wine's own programs (reg, cmd, wineboot)
    esac
}

# The first Wine program of a session also starts Wine's services, which live until the session
# ends: the harness's own Wine calls must not hand them the session lock. Only the shell that took
# the lock holds it: elsewhere (a script run inside a session) there is nothing to close, and
# closing an unset {ZELVIX_LOCK_FD} would be an "ambiguous redirect" that runs nothing.
harness_wine() {
    if [[ -n ${ZELVIX_LOCK_FD:-} ]]; then
        "$ZELVIX_WINE64" "$@" {ZELVIX_LOCK_FD}>&-
    else
        "$ZELVIX_WINE64" "$@"
    fi
}

# Whether 32-bit Windows programs run here: 32-bit Wine starts, and ZELVIX_RUN_ARCH does not ask
# for x86_64 (which so makes a machine that runs them take the 64-bit-only machine's paths).
harness_can_run_32() {
    [[ ${ZELVIX_RUN_ARCH:-} != x86_64 ]] && "$ZELVIX_WINE32" --version >/dev/null 2>&1
}

# i686 when this machine can start 32-bit Wine, else x86_64 (a kernel without 32-bit support:
# the tests then run the 64-bit build of the same sources). ZELVIX_RUN_ARCH overrides it.

harness_run_arch() {
    if [[ -n ${ZELVIX_RUN_ARCH:-} ]]; then
        echo "$ZELVIX_RUN_ARCH"
    elif harness_can_run_32; then
        echo i686
    else
        echo x86_64
    fi
}

# The build tree this machine runs: $ZELVIX_BUILD (i686), or $ZELVIX_BUILD/x64 (x86_64).
harness_tree() {
    if [[ $(harness_run_arch) == x86_64 ]]; then
        echo "$ZELVIX_BUILD/x64"
    else
        echo "$ZELVIX_BUILD"
    fi
}

# A Unix path as the Windows programs of this prefix see it, from Wine's own winepath. Each call
# starts a Wine process (quick inside a session, whose wineserver runs): not for loops. Needs the
# prefix, which it never creates: a session (harness_start) has made it.
harness_winpath() {
    local path
    if [[ ! -f $WINEPREFIX/system.reg ]]; then
        harness_say "harness_winpath: no Wine prefix at $WINEPREFIX (start a session first)"
        return 1
    fi
    path=$(harness_wine winepath -w "$1" 2>/dev/null | tr -d '\r')
    if [[ -z $path ]]; then
        harness_say "harness_winpath: winepath gave no Windows path for $1"
        return 1
    fi
    echo "$path"
}

# Registers (harness_filter register) or removes (harness_filter unregister) the public build of
# the capture filter of this machine's bitness in the session's prefix, as an installer would:
# its DLL lies beside the repository in shared/filter. A script that registers it removes it
# again, so that every other run starts from a prefix without it.
harness_filter() {
    local dll=screen-capture-recorder.dll regsvr32='C:\windows\syswow64\regsvr32.exe' loader=$ZELVIX_WINE32 win
    if [[ $(harness_run_arch) == x86_64 ]]; then
        dll=screen-capture-recorder-x64.dll regsvr32='C:\windows\system32\regsvr32.exe' loader=$ZELVIX_WINE64
    fi
    win=$(harness_winpath "$(cd "$ZELVIX_ROOT/../shared/filter" && pwd)/$dll") || return 1
    if [[ $1 == register ]]; then
        "$loader" "$regsvr32" /s "$win" || { harness_say "could not register $win"; return 1; }
    else
        "$loader" "$regsvr32" /u /s "$win"
    fi
}

# The four-part version of res/version.h (e.g. 1.0.0.0), which the executables' version resources
# carry: the one reader of it for the scripts and tests/dist/check-packages.
harness_version() {
    local header=$ZELVIX_ROOT/res/version.h version
    version=$(awk '$1 == "#define" && $2 ~ /^ZELVIX_VERSION_(MAJOR|MINOR|PATCH|BUILD)$/ { v[$2] = $3 }
        END { print v["ZELVIX_VERSION_MAJOR"] "." v["ZELVIX_VERSION_MINOR"] "." v["ZELVIX_VERSION_PATCH"] "." v["ZELVIX_VERSION_BUILD"] }' \
        "$header" 2>/dev/null)
    if [[ ! $version =~ ^[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+$ ]]; then
        harness_say "no four-part version in $header"
        return 1
    fi
    echo "$version"
}

_harness_lock() {
    mkdir -p "$ZELVIX_BUILD"
    exec {ZELVIX_LOCK_FD}>"$ZELVIX_BUILD/.harness.lock"
    if ! flock -n "$ZELVIX_LOCK_FD"; then
        harness_say "another session is using $WINEPREFIX; waiting (up to 15 min) for it to end"
        flock -w 900 "$ZELVIX_LOCK_FD" || { harness_say "gave up waiting"; return 1; }
    fi
}

# What a session killed with SIGKILL left behind: its Xvfb (by the PID it recorded, if that
# process is still an Xvfb started by us) and its wineserver. The lock says no session runs now.
_harness_clean_leftovers() {
    local pidfile=$ZELVIX_BUILD/.xvfb-pid pid
    if [[ -f $pidfile ]]; then
        pid=$(<"$pidfile")
        if [[ $pid =~ ^[0-9]+$ ]] && tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null |
                grep -q "^Xvfb -displayfd 3 -screen 0 $ZELVIX_SCREEN .*-wr -noreset"; then
            harness_say "stopping the Xvfb (pid $pid) an earlier session left behind"
            kill "$pid" 2>/dev/null
        fi
        rm -f "$pidfile"
    fi
    [[ -d $WINEPREFIX ]] && wineserver -k >/dev/null 2>&1
    return 0
}

_harness_start_xvfb() {
    local numfile=$ZELVIX_BUILD/.xvfb-display i
    rm -f "$numfile"
    # -displayfd: Xvfb takes the first free display number itself (it checks /tmp/.X*-lock and
    # the sockets) and writes it once it accepts connections. setsid keeps a Ctrl-C from taking
    # the display away before Wine is stopped.
    setsid Xvfb -displayfd 3 -screen 0 "$ZELVIX_SCREEN" -nolisten tcp -wr -noreset \
        3>"$numfile" >"$ZELVIX_BUILD/xvfb.log" 2>&1 {ZELVIX_LOCK_FD}>&- &
    ZELVIX_XVFB_PID=$!
    for ((i = 0; i < 100; i++)); do
        [[ -s $numfile ]] && break
        kill -0 "$ZELVIX_XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    if [[ ! -s $numfile ]]; then
        harness_say "Xvfb did not start (see $ZELVIX_BUILD/xvfb.log)"
        return 1
    fi
    export DISPLAY=:$(tr -d '[:space:]' <"$numfile")
    echo "$ZELVIX_XVFB_PID" >"$ZELVIX_BUILD/.xvfb-pid"
    harness_say "Xvfb $ZELVIX_SCREEN on $DISPLAY (pid $ZELVIX_XVFB_PID)"
}

# Bump when _harness_configure_prefix changes, so that existing prefixes get the new settings.
ZELVIX_PREFIX_VERSION=6

_harness_configure_prefix() {
    local wow
    # No crash debugger: winedbg dies at start here and leaves the crashed program waiting for it
    # until the test's time-out. An empty debugger command (a missing one means winedbg) makes
    # Wine print the fault and end the program at once.
    for wow in '' 'Wow6432Node\'; do
        harness_wine reg add "HKLM\\Software\\${wow}Microsoft\\Windows NT\\CurrentVersion\\AeDebug" \
            /v Debugger /t REG_SZ /d '' /f >/dev/null 2>&1 || return 1
    done
    # Unmanaged X windows: the virtual display has no window manager, and for a managed window
    # Wine waits up to 2 s for the manager to confirm every hide (each dialog, each ShowWindow
    # SW_HIDE). Unmanaged windows hide at once.
    harness_wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || return 1
    _harness_configure_fonts
}

# Fonts as a Chinese Windows has them, from what Debian installs:
#   - Wine's own TrueType fonts (Marlett for the caption buttons' symbols, Tahoma, Symbol...) in
#     the prefix's Fonts folder: this Wine does not load them from its data folder by itself, and
#     without Marlett a close button shows the letter "r";
#   - the installed CJK font stands in for the Chinese faces Wine's defaults name (SimSun for
#     "MS Shell Dlg", Microsoft YaHei...), and is linked behind the Latin UI faces, so that a
#     caption or dialog in Tahoma still shows its Chinese characters. No Latin face is replaced.
ZELVIX_CJK_FONT_FILE=wqy-microhei.ttc
ZELVIX_CJK_FONT_FACE='WenQuanYi Micro Hei'

_harness_configure_fonts() {
    local fonts=$WINEPREFIX/drive_c/windows/Fonts font face
    local link='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
    mkdir -p "$fonts"
    for font in /usr/share/wine/fonts/*.ttf; do
        [[ -e $font ]] && ln -sf "$font" "$fonts/"
    done
    for face in SimSun NSimSun 'Microsoft YaHei' 'Microsoft YaHei UI'; do
        harness_wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ \
            /d "$ZELVIX_CJK_FONT_FACE" /f >/dev/null 2>&1 || return 1
    done
    for face in Tahoma 'MS Shell Dlg' 'MS Shell Dlg 2' 'Microsoft Sans Serif' 'Segoe UI'; do
        harness_wine reg add "$link" /v "$face" /t REG_MULTI_SZ \
            /d "$ZELVIX_CJK_FONT_FILE,$ZELVIX_CJK_FONT_FACE" /f >/dev/null 2>&1 || return 1
    done
}

_harness_make_prefix() {
    local stamp=$WINEPREFIX/.zelvix-prefix-version
    [[ -f $stamp && $(<"$stamp") == "$ZELVIX_PREFIX_VERSION" ]] && return 0
    if [[ ! -f $stamp ]]; then
        harness_say "creating the Wine prefix $WINEPREFIX (once, about 15 s)"
        rm -rf "$WINEPREFIX"
        if ! harness_wine wineboot -i >"$ZELVIX_BUILD/wineboot.log" 2>&1; then
            harness_say "wineboot failed (see $ZELVIX_BUILD/wineboot.log)"
            return 1
        fi
    fi
    _harness_configure_prefix || { harness_say "could not configure the prefix"; return 1; }
    wineserver -w
    echo "$ZELVIX_PREFIX_VERSION" >"$stamp"
}

_harness_check_acp() {
    local arch probe cc acp
    arch=$(harness_run_arch)
    probe=$ZELVIX_BUILD/harness/acp-$arch.exe
    if [[ ! -f $probe ]]; then
        mkdir -p "$ZELVIX_BUILD/harness"
        cc=$arch-w64-mingw32-gcc
        if ! command -v "$cc" >/dev/null; then
            harness_say "$cc is missing: run 'make setup'"
            return 1
        fi
        "$cc" -O2 -static -o "$probe" "$ZELVIX_ROOT/scripts/acp-probe.c" || return 1
    fi
    acp=$("$(harness_loader_for "$probe")" "$probe" 2>/dev/null {ZELVIX_LOCK_FD}>&- | tr -d '[:space:]')
    if [[ $acp != 936 ]]; then
        harness_say "Wine's ANSI code page is '${acp:-unknown}', not 936: the Chinese texts would break."
        harness_say "Generate the zh_CN.UTF-8 locale ('make setup' does) and keep LANG/LC_ALL=zh_CN.UTF-8."
        return 1
    fi
}

harness_start() {
    if [[ -n ${ZELVIX_SESSION:-} ]]; then
        return 0
    fi
    if ! locale -a 2>/dev/null | grep -qix 'zh_CN\.utf-\?8'; then
        harness_say "the zh_CN.UTF-8 locale is missing: run 'make setup'"
        return 1
    fi
    _harness_lock || return 1
    _harness_clean_leftovers
    ZELVIX_XVFB_PID=
    if [[ ${ZELVIX_HOST_DISPLAY:-0} == 1 && -n ${DISPLAY:-} ]]; then
        harness_say "using the display $DISPLAY"
    else
        [[ ${ZELVIX_HOST_DISPLAY:-0} == 1 ]] && harness_say "no DISPLAY set: starting a virtual display (nothing will be visible)"
        _harness_start_xvfb || { harness_stop; return 1; }
    fi
    _harness_make_prefix || { harness_stop; return 1; }
    # The server outlives the programs, so each Wine start finds it running.
    wineserver -p {ZELVIX_LOCK_FD}>&- || { harness_stop; return 1; }
    _harness_check_acp || { harness_stop; return 1; }
    export ZELVIX_SESSION=$$
}

harness_stop() {
    if [[ -n ${ZELVIX_SESSION:-} && ${ZELVIX_SESSION} != "$$" ]]; then
        return 0   # the session belongs to an outer shell
    fi
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    if [[ -n ${ZELVIX_XVFB_PID:-} ]]; then
        kill "$ZELVIX_XVFB_PID" 2>/dev/null || true
        wait "$ZELVIX_XVFB_PID" 2>/dev/null || true
        rm -f "$ZELVIX_BUILD/.xvfb-pid"
        ZELVIX_XVFB_PID=
    fi
    if [[ -n ${ZELVIX_LOCK_FD:-} ]]; then
        exec {ZELVIX_LOCK_FD}>&-
        ZELVIX_LOCK_FD=
    fi
    unset ZELVIX_SESSION
}
