#!/usr/bin/env bash
# The installed tree on its own: `cmake --install` of the build into a fresh prefix, the prefix then
# moved elsewhere, and every installed program and library run from there with the build folder
# and the clone out of sight (a private mount hides them where user namespaces allow it): no
# library is missing, no run path or compiled-in text names the build or the source tree, every
# program answers --help with status 0, the players' usage records' examples run as pasted, a
# window program runs on a virtual display by the tree's own on-virtual-display, and zephra-host
# serves its status page.
# Usage: installed_tree_test.sh BUILD_DIR SOURCE_DIR
set -u
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
passed=0
failed=0
check() {   # check NAME STATUS DETAIL
    if [ "$2" -eq 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $1: $3"; fi
}

cp "$source/platform/display/lsan.supp" "$work/lsan.supp"
sanitized=no
grep -q '^ZEPHRA_SANITIZE:BOOL=ON' "$build/CMakeCache.txt" 2>/dev/null && sanitized=yes

out=$(cmake --install "$build" --prefix "$work/first" 2>&1)
check "cmake --install" $? "$out"
mv "$work/first" "$work/zephra"
prefix=$work/zephra

# What a user starts: the programs, and the libraries and plug-ins they load.
programs=(zephra-host ruvex use mvhost embed-play plimsa-decode briskodec velora sorvex wendrel mixer
          photon-demo appliance-sim modem-sim)
# Programs whose usage records give an example with a plug-in and a media file.
examples=(mvhost embed-play)
libraries=(libreva_Zephra.so Brisko_rave.so Plimsa_rave.so Briskoplugin.so brisko.so plimsa.so tarrow.so quenby.so)
for p in "${programs[@]}"; do
    [ -x "$prefix/bin/$p" ]
    check "bin/$p installed" $? "not in $(ls "$prefix/bin" | tr '\n' ' ')"
done
for l in "${libraries[@]}"; do
    [ -e "$prefix/lib/$l" ]
    check "lib/$l installed" $? "not in $(ls "$prefix/lib" | tr '\n' ' ')"
done
[ -x "$prefix/bin/on-virtual-display" ]
check "bin/on-virtual-display installed" $? "not in $(ls "$prefix/bin" | tr '\n' ' ')"
for ui in velora/base.ui sorvex/Sorvex.ui photon-demo/demo.ui; do
    [ -f "$prefix/share/zephra/$ui" ]
    check "share/zephra/$ui installed" $? "missing"
done

for f in "$prefix"/bin/* "$prefix"/lib/*; do
    [ -f "$f" ] || continue
    [ "$(head -c 4 "$f" | tail -c 3)" = ELF ] || continue
    runpath=$(readelf -d "$f" | sed -n 's/.*R\(UN\)\{0,1\}PATH.*\[\(.*\)\]/\2/p')
    case "$runpath" in
    *"$build"* | *"$source"*) check "run path of ${f#"$prefix"/}" 1 "$runpath" ;;
    *) check "run path of ${f#"$prefix"/}" 0 "" ;;
    esac
    missing=$(env -u LD_LIBRARY_PATH ldd "$f" 2>&1 | grep -E 'not found|'"$build" || true)
    check "libraries of ${f#"$prefix"/}" "$([ -z "$missing" ]; echo $?)" "$missing"
    # A sanitized build names its source files in its own reports, by design; what is installed
    # for use comes from the plain build, which must not.
    if [ "$sanitized" = no ] && readelf -p .rodata "$f" 2>/dev/null | grep -qF "$source/"; then
        check "no source path compiled into ${f#"$prefix"/}" 1 "$(readelf -p .rodata "$f" | grep -F "$source/" | head -3)"
    fi
done

# The runs, with the build and the clone hidden where a private mount can be had.
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
app=$work/app
mkdir -p "$app/Config" "$app/registry/zephra"
printf '[Settings]\r\nsvrport=0\r\n' >"$app/Config/settings.ini"
printf '[Zephra Utilities]\r\nHomeseerIP=127.0.0.1\r\nServerPort=%s\r\n' "$port" >"$app/Config/dkvZephraUtilities.ini"
printf '[Zephra\\Options]\r\nLocalPort=0\r\n' >"$app/registry/zephra/registry.ini"
cat >"$work/runs.sh" <<RUNS
set -u
if [ "\${1:-}" = hide ]; then
    mount -t tmpfs none "$source" || exit 3
    [ -d "$build" ] && exit 3
fi
export PATH=$prefix/bin:/usr/bin:/bin XDG_RUNTIME_DIR=$work/runtime
unset LD_LIBRARY_PATH DISPLAY WAYLAND_DISPLAY
mkdir -p -m 700 "\$XDG_RUNTIME_DIR"
for p in ${programs[*]}; do
    timeout 120 "$prefix/bin/\$p" --help </dev/null >"$work/help-\$p.out" 2>&1
    echo "help \$p \$?"
done
# The first example of each usage record that plays a file, pasted as a user of the tree would,
# with the file put where it names.
mkdir -p "$work/media"
ffmpeg -loglevel error -f lavfi -i sine=frequency=880:duration=0.5 "$work/media/chime.wav" &&
    ffmpeg -loglevel error -f lavfi -i sine=frequency=880:duration=0.5 "$work/media/bell.mp3"
# A sanitized build's dlopen goes through the sanitizer's own, which hides the program's run path from
# the loader: there the plug-ins' folder is named to it, as the run path names it in the plain build.
plugins=
[ "$sanitized" = yes ] && plugins=$prefix/lib
for p in ${examples[*]}; do
    example=\$(grep -m1 "^\$p .*/var/media/" "$work/help-\$p.out" | sed "s#/var/media/#$work/media/#")
    LD_LIBRARY_PATH=\$plugins ZEPHRA_AUDIO_SINK=null:fast timeout 120 bash -c "\$example" </dev/null >"$work/example-\$p.out" 2>&1
    echo "example \$p \$?"
done
# A window program without a desktop, as a user of the tree runs one. A sanitized build's leak check
# passes by what the font library keeps for the life of the process, as the window tests do.
mkdir -p "$work/shots"
LSAN_OPTIONS=suppressions=$work/lsan.supp NO_AT_BRIDGE=1 GSETTINGS_BACKEND=memory timeout 300 on-virtual-display photon-demo --selftest "$work/shots" \
    >"$work/gui.out" 2>&1
echo "gui \$?"
XDG_CONFIG_HOME=$app/registry "$prefix/bin/zephra-host" --app-dir "$app" </dev/null >"$work/host.out" 2>&1 &
host=\$!
deadline=\$((SECONDS + 240))
until grep -q 'dkvZephra ready' "$work/host.out" || ! kill -0 \$host 2>/dev/null || [ \$SECONDS -ge \$deadline ]; do sleep 0.1; done
python3 -c 'import sys, urllib.request
page = urllib.request.urlopen(f"http://127.0.0.1:{sys.argv[1]}/status", timeout=120).read().decode("latin-1")
print("status page", "ok" if "<form" in page.lower() else "without a form")' "$port" 2>&1
kill -TERM \$host
wait \$host
echo "host ended \$?"
RUNS
if unshare -rm true 2>/dev/null; then
    unshare -rm bash "$work/runs.sh" hide >"$work/runs.out" 2>&1
    hidden=$?
else
    echo "no private mount here: the build and the clone stay in sight during the runs"
    bash "$work/runs.sh" >"$work/runs.out" 2>&1
    hidden=0
fi
check "the clone hidden" "$hidden" "$(cat "$work/runs.out")"
for p in "${programs[@]}"; do
    grep -qx "help $p 0" "$work/runs.out"
    check "$p --help" $? "$(grep "^help $p " "$work/runs.out"): $(head -5 "$work/help-$p.out")"
done
for p in "${examples[@]}"; do
    grep -qx "example $p 0" "$work/runs.out"
    check "$p: its usage record's example" $? "$(grep "^example $p " "$work/runs.out"): $(grep -m1 "^$p " "$work/help-$p.out"): $(head -5 "$work/example-$p.out")"
done
grep -qx 'gui 0' "$work/runs.out" && compgen -G "$work/shots/*.png" >/dev/null
check "photon-demo on on-virtual-display" $? "$(grep '^gui ' "$work/runs.out"): $(tail -5 "$work/gui.out" 2>&1)"
grep -qx 'status page ok' "$work/runs.out"
check "zephra-host serves its status page" $? "$(cat "$work/runs.out" "$work/host.out")"
grep -qx 'host ended 0' "$work/runs.out"
check "zephra-host ends on SIGTERM" $? "$(tail -3 "$work/runs.out")"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
